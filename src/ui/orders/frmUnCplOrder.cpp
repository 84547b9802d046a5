#include "ui/orders/frmUnCplOrder.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "core/frame/Routines.h"
#include "core/reports/ListCells.h"
#include "ui/orders/frmOrderCkMxb.h"
#include "ui/widgets/EnterMovesFocus.h"
#include "ui/widgets/KeyedGrid.h"

namespace {

const int kHeaderHeight = 28; // 420 twips

} // namespace

frmUnCplOrder::frmUnCplOrder(QWidget *parent)
    : ReportWindow(GetCnstr(), QStringLiteral("frmUnCplOrder"), QStringLiteral("未完成订单明细表"),
                   QStringLiteral("Flex"), parent)
{
    caption()->setObjectName(QStringLiteral("Label1"));
    caption()->setText(QStringLiteral("未完成订单"));
    Flex = grid();
    txtVipNo = addCardFilter(QStringLiteral("卡号："));
    lblCount = addCountLabel();
    cmdRefresh = addButton(QStringLiteral("cmdRefresh"), QStringLiteral("刷新"));
    cmdMxb = addButton(QStringLiteral("cmdMxb"), QStringLiteral("出库明细"));
    std::tie(cmdPrint, cmdPageSet, cmdExit) = addListButtons();

    setListTotalStyle();
    setColumns(OrderLists::uncompletedColumns());
    Flex->setGridRowHeight(0, kHeaderHeight);

    EnterMovesFocus::link(txtVipNo, txtVipNo, [this] {
        cmdRefresh_Click();
        return false;
    });
    connect(cmdRefresh, &QPushButton::clicked, this, &frmUnCplOrder::cmdRefresh_Click);
    connect(cmdMxb, &QPushButton::clicked, this, &frmUnCplOrder::cmdMxb_Click);
    connect(Flex, &KeyedGrid::rowDoubleClicked, this, [this] { cmdMxb_Click(); });

    cmdRefresh_Click();
    txtVipNo->setFocus();
}

void frmUnCplOrder::cmdRefresh_Click()
{
    clearResult();
    m_keys.clear();
    lblCount->setText(ListCells::count(0));
    OrderLists::Result res;
    if (!runQuery([&] { res = OrderLists::uncompleted(cnstr(), txtVipNo->text()); }))
        return;
    fill(res.table);
    m_keys = res.keys;
    lblCount->setText(ListCells::count(res.orderCount));
}

OrderLists::RowKey frmUnCplOrder::currentKey() const
{
    return m_keys.value(Flex->currentGridRow() - 1);
}

void frmUnCplOrder::cmdMxb_Click()
{
    frmOrderCkMxb::showFor(this, currentKey());
}

int frmUnCplOrder::pageSetColumns() const
{
    return Flex->cols() - 2; // the two key columns are not printed
}
