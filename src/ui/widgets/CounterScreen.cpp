#include "ui/widgets/CounterScreen.h"

#include <algorithm>

#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QTableView>
#include <QWidget>

#include "core/frame/CounterFont.h"
#include "ui/widgets/DialogLayout.h"

void CounterScreen::applyFont(QWidget &window)
{
    QFont f = window.font();
    f.setPointSizeF(CounterFont::pointSize(QApplication::font().pointSizeF()));
    window.setFont(f);
    // Rows keep their style height otherwise, and the larger text would be cut.
    const int rowHeight = QFontMetrics(f).height() + 8;
    for (QTableView *grid : window.findChildren<QTableView *>())
        grid->verticalHeader()->setDefaultSectionSize(
            std::max(rowHeight, grid->verticalHeader()->defaultSectionSize()));
}

QFont CounterScreen::totalFont(const QWidget &window)
{
    QFont big = window.font();
    big.setPointSizeF(big.pointSizeF() * 1.3);
    big.setBold(true);
    return big;
}

void CounterScreen::placeMember(QGridLayout *grid, QWidget *card, QWidget *owner, QWidget *phone,
                                QWidget *id)
{
    DialogLayout::place(grid, 0, 0, QStringLiteral("卡  号："), card);
    DialogLayout::place(grid, 0, 2, QStringLiteral("持卡人："), owner);
    DialogLayout::place(grid, 1, 0, QStringLiteral("电话："), phone);
    DialogLayout::place(grid, 1, 2, QStringLiteral("身份证："), id);
}
