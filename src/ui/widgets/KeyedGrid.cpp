#include "ui/widgets/KeyedGrid.h"

#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

#include "core/base/NumberText.h"
#include "core/base/CoreError.h"

namespace {

constexpr int KeyRole = Qt::UserRole + 1;
constexpr int ButtonWidth = 20;

// Draws the "..." button of button columns and reports clicks on it.
class ButtonDelegate : public QStyledItemDelegate
{
public:
    explicit ButtonDelegate(KeyedGrid *grid) : QStyledItemDelegate(grid), m_grid(grid) {}

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        if (!m_grid->hasColButton(m_grid->colKey(index.column())))
            return;
        QStyleOptionButton button;
        button.rect = buttonRect(option.rect);
        button.text = QStringLiteral("...");
        button.state = QStyle::State_Enabled;
        QApplication::style()->drawControl(QStyle::CE_PushButton, &button, painter);
    }

    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override
    {
        if (event->type() == QEvent::MouseButtonRelease &&
            m_grid->hasColButton(m_grid->colKey(index.column()))) {
            auto *me = static_cast<QMouseEvent *>(event);
            if (buttonRect(option.rect).contains(me->position().toPoint())) {
                emit m_grid->cellButtonClicked(index.row() + 1, m_grid->colKey(index.column()));
                return true;
            }
        }
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    }

    static QRect buttonRect(const QRect &cell)
    {
        return QRect(cell.right() - ButtonWidth + 1, cell.top(), ButtonWidth, cell.height());
    }

private:
    KeyedGrid *m_grid;
};

} // namespace

KeyedGrid::KeyedGrid(QWidget *parent) : QTableWidget(parent)
{
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    setAlternatingRowColors(false);
    verticalHeader()->setVisible(false);
    verticalHeader()->setDefaultSectionSize(24);
    horizontalHeader()->setHighlightSections(false);
    setItemDelegate(new ButtonDelegate(this));
    connect(this, &QTableWidget::cellDoubleClicked, this,
            [this](int row, int) { emit rowDoubleClicked(row + 1); });
    connect(horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int col, int, int width) {
                if (m_resizingFromCode || width <= 0 || isColumnHidden(col))
                    return;
                if (col >= 0 && col < m_widths.size())
                    m_widths[col] = width;
                emit afterColumnResized(colKey(col), width);
            });
}

void KeyedGrid::setColumns(const QList<Column> &columns)
{
    clear();
    setRowCount(0);
    setColumnCount(int(columns.size()));
    m_editable = QList<bool>(columns.size(), false);
    m_button = QList<bool>(columns.size(), false);
    m_hidden = QList<bool>(columns.size(), false);
    m_widths = QList<int>(columns.size(), 0);
    for (int c = 0; c < columns.size(); ++c) {
        auto *h = new QTableWidgetItem(columns[c].header);
        h->setData(KeyRole, columns[c].key);
        setHorizontalHeaderItem(c, h);
        h->setData(Qt::UserRole + 2, int(columns[c].align));
        m_hidden[c] = columns[c].hidden;
        m_widths[c] = qMax(0, columns[c].width);
        applyColumn(c);
    }
}

void KeyedGrid::applyColumn(int col)
{
    const bool wasFromCode = m_resizingFromCode;
    m_resizingFromCode = true;
    const bool show = !m_hidden.value(col) && m_widths.value(col) > 0;
    if (show) {
        setColumnHidden(col, false);
        setColumnWidth(col, m_widths.value(col));
    } else {
        setColumnHidden(col, true);
    }
    m_resizingFromCode = wasFromCode;
}

int KeyedGrid::colIndex(const QString &key) const
{
    for (int c = 0; c < columnCount(); ++c)
        if (colKey(c).compare(key, Qt::CaseInsensitive) == 0)
            return c;
    return -1;
}

int KeyedGrid::checkedCol(const QString &key) const
{
    const int c = colIndex(key);
    if (c < 0) {
        // A key the screen's own code misspelt: a programming error, never the cashier's.
        qWarning("KeyedGrid %s: no column %s", qPrintable(objectName()), qPrintable(key));
        Q_ASSERT_X(false, "KeyedGrid", "unknown column key");
    }
    return c;
}

QString KeyedGrid::colKey(int col) const
{
    const QTableWidgetItem *h = horizontalHeaderItem(col);
    return h ? h->data(KeyRole).toString() : QString();
}

QString KeyedGrid::header(const QString &key) const
{
    const int c = checkedCol(key);
    return c < 0 ? QString() : horizontalHeaderItem(c)->text();
}

void KeyedGrid::setRows(int rows)
{
    setRowCount(qMax(0, rows - 1));
}

int KeyedGrid::addRow()
{
    insertRow(rowCount());
    return rowCount();
}

void KeyedGrid::removeGridRow(int row)
{
    if (row >= 1 && row <= rowCount())
        removeRow(row - 1);
}

QTableWidgetItem *KeyedGrid::itemAt(int row, int col, bool create)
{
    QTableWidgetItem *it = item(row - 1, col);
    if (!it && create) {
        it = new QTableWidgetItem;
        const QTableWidgetItem *h = horizontalHeaderItem(col);
        if (h)
            it->setTextAlignment(Qt::Alignment(h->data(Qt::UserRole + 2).toInt()));
        if (!m_editable.value(col))
            it->setFlags(it->flags() & ~Qt::ItemIsEditable);
        setItem(row - 1, col, it);
    }
    return it;
}

QString KeyedGrid::text(int row, const QString &key) const
{
    const int c = checkedCol(key);
    if (c < 0)
        return QString();
    if (row == 0)
        return horizontalHeaderItem(c)->text();
    const QTableWidgetItem *it = item(row - 1, c);
    return it ? it->text() : QString();
}

void KeyedGrid::setText(int row, const QString &key, const QString &text)
{
    const int c = checkedCol(key);
    if (c < 0)
        return;
    if (row == 0) {
        horizontalHeaderItem(c)->setText(text);
        return;
    }
    if (row < 1 || row > rowCount()) {
        qWarning("KeyedGrid %s: no row %d", qPrintable(objectName()), row);
        Q_ASSERT_X(false, "KeyedGrid", "row out of range");
        return;
    }
    itemAt(row, c, true)->setText(text);
}

double KeyedGrid::value(int row, const QString &key) const
{
    return NumberText::val(text(row, key));
}

int KeyedGrid::currentGridRow() const
{
    return currentRow() < 0 ? 0 : currentRow() + 1;
}

void KeyedGrid::setCurrentGridRow(int row)
{
    if (row >= 1 && row <= rowCount())
        setCurrentCell(row - 1, qMax(0, currentColumn()));
}

void KeyedGrid::setColHidden(const QString &key, bool hidden)
{
    const int c = checkedCol(key);
    if (c < 0)
        return;
    m_hidden[c] = hidden;
    applyColumn(c);
}

void KeyedGrid::setColWidth(const QString &key, int width)
{
    const int c = checkedCol(key);
    if (c < 0)
        return;
    m_widths[c] = qMax(0, width);
    applyColumn(c);
}

int KeyedGrid::colWidth(const QString &key) const
{
    return m_widths.value(checkedCol(key));
}

void KeyedGrid::setGridRowHeight(int row, int height)
{
    if (row >= 1 && row <= rowCount())
        setRowHeight(row - 1, height);
}

void KeyedGrid::setRowBackColor(int row, const QColor &color)
{
    if (row < 1 || row > rowCount())
        return;
    for (int c = 0; c < columnCount(); ++c)
        itemAt(row, c, true)->setBackground(color);
}

QColor KeyedGrid::backColor(int row, const QString &key) const
{
    const int c = checkedCol(key);
    const QTableWidgetItem *it = c < 0 ? nullptr : item(row - 1, c);
    return it && it->background().style() != Qt::NoBrush ? it->background().color() : QColor();
}

void KeyedGrid::setColEditable(const QString &key, bool editable)
{
    const int c = checkedCol(key);
    if (c < 0)
        return;
    m_editable[c] = editable;
    for (int r = 0; r < rowCount(); ++r)
        if (QTableWidgetItem *it = item(r, c))
            it->setFlags(editable ? it->flags() | Qt::ItemIsEditable : it->flags() & ~Qt::ItemIsEditable);
}

void KeyedGrid::setColButton(const QString &key, bool button)
{
    const int c = checkedCol(key);
    if (c < 0)
        return;
    m_button[c] = button;
    viewport()->update();
}

bool KeyedGrid::hasColButton(const QString &key) const
{
    const int c = colIndex(key);
    return c >= 0 && m_button.value(c);
}

bool KeyedGrid::edit(const QModelIndex &index, EditTrigger trigger, QEvent *event)
{
    if (trigger == QAbstractItemView::AllEditTriggers || !index.isValid())
        return QTableWidget::edit(index, trigger, event);
    // Only a trigger that really opens an editor is refused on a column that is not editable;
    // moving the current cell is not.
    if (!(editTriggers() & trigger))
        return QTableWidget::edit(index, trigger, event);
    if (!m_editable.value(index.column()))
        return false;
    itemAt(index.row() + 1, index.column(), true);
    return QTableWidget::edit(index, trigger, event);
}
