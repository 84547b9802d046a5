#include "ui/backoffice/BaseDataList.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>

#include "core/frame/Prompts.h"
#include "core/frame/Routines.h"
#include "ui/widgets/CounterScreen.h"
#include "ui/widgets/KeyedGrid.h"

BaseDataList::BaseDataList(const QString &formatName, const QString &title, const QString &gridName,
                           bool withSearch, QWidget *parent)
    : ReportWindow(GetCnstr(), formatName, title, gridName, parent)
{
    cmdNew = addButton(QStringLiteral("cmdNew"), QStringLiteral("新增(F2)"));
    connect(cmdNew, &QPushButton::clicked, this, [this] { newRecord(); });
    auto *f2 = new QShortcut(QKeySequence(Qt::Key_F2), this);
    connect(f2, &QShortcut::activated, this, [this] { newRecord(); });

    if (withSearch) {
        auto *label = new QLabel(QStringLiteral("查找(&F)："), this);
        txtSearch = new QLineEdit(this);
        txtSearch->setObjectName(QStringLiteral("txtSearch"));
        label->setBuddy(txtSearch);
        filterArea()->addWidget(label);
        filterArea()->addWidget(txtSearch, 1);
        txtSearch->installEventFilter(this);
    }
    grid()->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid()->setSelectionMode(QAbstractItemView::SingleSelection);
    grid()->installEventFilter(this);
    connect(grid(), &KeyedGrid::rowDoubleClicked, this, [this](int) { editRecord(); });
}

void BaseDataList::finishButtons()
{
    QPushButton *close = addButton(QStringLiteral("cmdClose"), QStringLiteral("关闭(&C)"));
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    CounterScreen::applyFont(*this);
    if (txtSearch)
        txtSearch->setFocus();
    else
        grid()->setFocus();
}

int BaseDataList::currentId() const
{
    const int row = grid()->currentGridRow();
    return row > 0 ? grid()->text(row, QStringLiteral("FID")).toInt() : 0;
}

void BaseDataList::selectId(int id)
{
    for (int row = 1; row < grid()->rows(); ++row)
        if (grid()->text(row, QStringLiteral("FID")).toInt() == id) {
            grid()->setCurrentGridRow(row);
            return;
        }
    // The first line otherwise, so the buttons have a record to act on.
    if (grid()->rows() > 1)
        grid()->setCurrentGridRow(1);
}

void BaseDataList::strikeOut(int row)
{
    for (int c = 0; c < grid()->cols(); ++c)
        if (QTableWidgetItem *it = grid()->item(row - 1, c)) {
            QFont f = it->font();
            f.setStrikeOut(true);
            it->setFont(f);
            it->setForeground(Qt::gray);
        }
}

bool BaseDataList::haveCurrent()
{
    if (currentId() != 0)
        return true;
    Prompts::current().information(QStringLiteral("请先选择一行！"));
    return false;
}

bool BaseDataList::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
        // From the search box down into the lines; Enter on a line changes it.
        if (watched == txtSearch && enter)
            searchEntered();
        if (watched == txtSearch && (enter || key == Qt::Key_Down) && grid()->rows() > 1) {
            grid()->setFocus();
            if (grid()->currentGridRow() == 0)
                grid()->setCurrentGridRow(1);
            return true;
        }
        if (watched == grid() && enter) {
            editRecord();
            return true;
        }
    }
    return ReportWindow::eventFilter(watched, event);
}
