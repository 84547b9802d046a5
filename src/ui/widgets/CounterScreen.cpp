#include "ui/widgets/CounterScreen.h"

#include <algorithm>

#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QTableView>
#include <QWidget>

#include "core/frame/CounterFont.h"

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
