#include "ui/reports/ReportWindow.h"

#include <QDateEdit>
#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "core/base/CoreError.h"
#include "core/frame/Prompts.h"
#include "core/frame/Routines.h"
#include "ui/print/GridRoutines.h"
#include "ui/print/ZPPrinter.h"
#include "ui/widgets/ErrorPrompt.h"
#include "ui/widgets/KeyedGrid.h"
#include "ui/widgets/WaitCursor.h"

ReportWindow::ReportWindow(const QString &cnstr, const QString &formatName, const QString &title,
                           const QString &gridName, QWidget *parent)
    : QDialog(parent), m_cnstr(cnstr), m_formatName(formatName), m_title(title)
{
    setObjectName(formatName);
    setWindowTitle(title);
    m_userName = GetUserName();

    m_caption = new QLabel(title, this);
    QFont f = m_caption->font();
    f.setPointSizeF(f.pointSizeF() * 1.5);
    f.setBold(true);
    m_caption->setFont(f);
    m_grid = new KeyedGrid(this);
    m_grid->setObjectName(gridName);

    m_buttons = new QHBoxLayout;
    m_buttons->addWidget(m_caption);
    m_buttons->addStretch();
    m_filters = new QHBoxLayout;
    auto *v = new QVBoxLayout(this);
    v->addLayout(m_buttons);
    v->addLayout(m_filters);
    v->addWidget(m_grid, 1);
    resize(1000, 620);

    // A drag reports every step: remember it, and write once the drag has rested a moment,
    // so a program ended with the window open keeps the widths too.
    m_widthTimer = new QTimer(this);
    m_widthTimer->setSingleShot(true);
    m_widthTimer->setInterval(700);
    connect(m_widthTimer, &QTimer::timeout, this, [this] { storeWidths(false); });
    connect(m_grid, &KeyedGrid::afterColumnResized, this, [this](const QString &key, int width) {
        m_widthsChanged = true;
        if (m_hideBelow > 0 && width < m_hideBelow)
            m_grid->setColWidth(key, 0);
        m_widthTimer->start();
    });
}

ReportWindow::~ReportWindow()
{
    // Going with the program (the main window closed over it): no box can be shown now.
    try {
        storeWidths(false);
    } catch (...) {
    }
}

bool ReportWindow::storeWidths(bool showFailure)
{
    m_widthTimer->stop();
    if (!m_widthsChanged)
        return true;
    try {
        GridWriteWidth(*m_grid, m_formatName);
        m_widthsChanged = false;
        return true;
    } catch (const CoreError &e) {
        // Kept as changed: the close tries again, and says why it could not.
        if (showFailure)
            showError(e, this);
        return false;
    }
}

void ReportWindow::clearResult()
{
    m_grid->setRows(1);
}

QPushButton *ReportWindow::addButton(const QString &name, const QString &caption)
{
    auto *b = new QPushButton(caption, this);
    b->setObjectName(name);
    b->setAutoDefault(false);
    m_buttons->addWidget(b);
    return b;
}

void ReportWindow::setColumns(const QList<GridSnapshot::Column> &columns)
{
    QList<KeyedGrid::Column> cols;
    for (const GridSnapshot::Column &c : columns)
        cols.append(
            {c.key, c.header, c.width, c.width <= 0,
             c.numeric ? Qt::AlignRight | Qt::AlignVCenter : Qt::AlignLeft | Qt::AlignVCenter});
    m_grid->setColumns(cols);
    GridSetFormat(*m_grid, m_formatName);
}

void ReportWindow::setKindStyle(ReportRow::Kind kind, const QColor &back, bool bold)
{
    m_styles[kind] = {back, bold};
}

void ReportWindow::fill(const ReportTable &table)
{
    m_grid->setRows(1);
    QList<int> target; // the grid column of each table column, -1 where the grid has none
    for (const GridSnapshot::Column &c : table.columns)
        target.append(m_grid->colIndex(c.key));
    for (const ReportRow &r : table.rows) {
        const int row = m_grid->addRow();
        for (int c = 0; c < target.size(); ++c)
            if (target[c] >= 0)
                m_grid->setText(row, table.columns[c].key, r.cells.value(c));
        paintRow(row, m_styles[r.kind]);
    }
}

void ReportWindow::paintRow(int row, const KindStyle &style)
{
    if (style.back.isValid())
        m_grid->setRowBackColor(row, style.back);
    if (!style.bold)
        return;
    for (int c = 0; c < m_grid->cols(); ++c)
        if (QTableWidgetItem *it = m_grid->item(row - 1, c)) {
            QFont f = it->font();
            f.setBold(true);
            it->setFont(f);
        }
}

QLineEdit *ReportWindow::addCardFilter(const QString &caption)
{
    auto *box = new QLineEdit(this);
    box->setObjectName(QStringLiteral("txtVipNo"));
    box->setMaximumWidth(140);
    m_filters->addWidget(new QLabel(caption, this));
    m_filters->addWidget(box);
    return box;
}

std::pair<QDateEdit *, QDateEdit *> ReportWindow::addDateFilter(const QString &fromCaption,
                                                                const QString &fromName,
                                                                const QString &toCaption,
                                                                const QString &toName)
{
    QDateEdit *from = datePicker(fromName, this);
    QDateEdit *to = datePicker(toName, this);
    m_filters->addWidget(new QLabel(fromCaption, this));
    m_filters->addWidget(from);
    m_filters->addWidget(new QLabel(toCaption, this));
    m_filters->addWidget(to);
    return {from, to};
}

QLabel *ReportWindow::addCountLabel()
{
    auto *count = new QLabel(QStringLiteral("共0单"), this);
    count->setObjectName(QStringLiteral("lblCount"));
    m_filters->addStretch();
    m_filters->addWidget(count);
    return count;
}

std::tuple<QLineEdit *, QDateEdit *, QDateEdit *, QLabel *>
ReportWindow::addBillListFilters(const QString &dateCaption, const QString &separator)
{
    QLineEdit *card = addCardFilter(QStringLiteral("会员卡号："));
    m_filters->addSpacing(12);
    const auto [from, to] = addDateFilter(dateCaption, QStringLiteral("dtpFromDate"), separator,
                                          QStringLiteral("dtpToDate"));
    return {card, from, to, addCountLabel()};
}

std::tuple<QPushButton *, QPushButton *, QPushButton *> ReportWindow::addListButtons()
{
    QPushButton *print = addButton(QStringLiteral("cmdPrint"), QStringLiteral("打印"));
    QPushButton *pageSet = addButton(QStringLiteral("cmdPageSet"), QStringLiteral("页面设置"));
    QPushButton *exit = addButton(QStringLiteral("cmdExit"), QStringLiteral("关闭"));
    connect(print, &QPushButton::clicked, this, &ReportWindow::printGrid);
    connect(pageSet, &QPushButton::clicked, this, &ReportWindow::pageSetup);
    connect(exit, &QPushButton::clicked, this, &QDialog::close);
    return {print, pageSet, exit};
}

void ReportWindow::setListTotalStyle()
{
    setKindStyle(ReportRow::Total, QColor(240, 244, 255), false);
}

QDateEdit *ReportWindow::datePicker(const QString &name, QWidget *parent)
{
    auto *d = new QDateEdit(QDate::currentDate(), parent);
    d->setObjectName(name);
    d->setCalendarPopup(true);
    d->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    return d;
}

bool ReportWindow::applyQueryDayLimit(QDateEdit *from, QDateEdit *to)
{
    QDate f = from->date(), t = to->date();
    if (!ApplyQueryDayLimit(f, t, Prompts::current()))
        return false;
    from->setDate(f);
    to->setDate(t);
    return true;
}

bool ReportWindow::runQuery(const std::function<void()> &query)
{
    try {
        const WaitCursor wait;
        query();
        return true;
    } catch (const CoreError &e) {
        // The cursor is back before the message shows.
        showError(e, this);
        return false;
    }
}

QStringList ReportWindow::footerLines() const
{
    return {QStringLiteral("制表：") + m_userName,
            QStringLiteral("打印时间：") +
                QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))};
}

int ReportWindow::pageSetColumns() const
{
    return m_grid->cols();
}

void ReportWindow::printGrid()
{
    try {
        if (m_grid->rows() <= 1) {
            Prompts::current().information(QStringLiteral("没有数据！"));
            return;
        }
        ZPPrinter printer;
        printer.DoPrint(false, m_cnstr, m_formatName, titleLines(), *m_grid, footerLines());
    } catch (const CoreError &e) {
        showError(e, this);
    }
}

void ReportWindow::exportGrid()
{
    try {
        GridExport(*m_grid, m_title);
    } catch (const CoreError &e) {
        showError(e, this);
    }
}

void ReportWindow::pageSetup()
{
    try {
        GridPageSet(*m_grid, pageSetColumns(), m_formatName);
    } catch (const CoreError &e) {
        showError(e, this);
    }
}

void ReportWindow::done(int result)
{
    storeWidths(true);
    QDialog::done(result);
}
