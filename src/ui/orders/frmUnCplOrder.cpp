#include "ui/orders/frmUnCplOrder.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "core/frame/Routines.h"
#include "core/reports/ListCells.h"
#include "ui/orders/frmOrderCkMxb.h"
#include "ui/widgets/DialogRunner.h"
#include "ui/widgets/EnterMovesFocus.h"
#include "ui/widgets/KeyedGrid.h"

namespace {

const QColor kTotalColor(240, 244, 255);
const int kHeaderHeight = 28; // 420 twips

} // namespace

frmUnCplOrder::frmUnCplOrder(QWidget *parent)
    : ReportWindow(GetCnstr(), QStringLiteral("frmUnCplOrder"), QStringLiteral("未完成订单明细表"),
                   QStringLiteral("Flex"), parent)
{
    caption()->setObjectName(QStringLiteral("Label1"));
    caption()->setText(QStringLiteral("未完成订单"));
    Flex = grid();
    txtVipNo = new QLineEdit(this);
    txtVipNo->setObjectName(QStringLiteral("txtVipNo"));
    txtVipNo->setMaximumWidth(140);
    lblCount = new QLabel(QStringLiteral("共0单"), this);
    lblCount->setObjectName(QStringLiteral("lblCount"));
    cmdRefresh = addButton(QStringLiteral("cmdRefresh"), QStringLiteral("刷新"));
    cmdMxb = addButton(QStringLiteral("cmdMxb"), QStringLiteral("出库明细"));
    cmdPrint = addButton(QStringLiteral("cmdPrint"), QStringLiteral("打印"));
    cmdPageSet = addButton(QStringLiteral("cmdPageSet"), QStringLiteral("页面设置"));
    cmdExit = addButton(QStringLiteral("cmdExit"), QStringLiteral("关闭"));

    QHBoxLayout *filters = filterArea();
    filters->addWidget(new QLabel(QStringLiteral("卡号："), this));
    filters->addWidget(txtVipNo);
    filters->addStretch();
    filters->addWidget(lblCount);

    setKindStyle(ReportRow::Total, kTotalColor, false);
    setColumns(OrderLists::uncompletedColumns());
    Flex->setGridRowHeight(0, kHeaderHeight);

    EnterMovesFocus::link(txtVipNo, txtVipNo, [this] {
        cmdRefresh_Click();
        return false;
    });
    connect(cmdRefresh, &QPushButton::clicked, this, &frmUnCplOrder::cmdRefresh_Click);
    connect(cmdMxb, &QPushButton::clicked, this, &frmUnCplOrder::cmdMxb_Click);
    connect(cmdPrint, &QPushButton::clicked, this, &ReportWindow::printGrid);
    connect(cmdPageSet, &QPushButton::clicked, this, &ReportWindow::pageSetup);
    connect(cmdExit, &QPushButton::clicked, this, &QDialog::close);
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
    const int row = Flex->currentGridRow();
    return row >= 1 && row <= m_keys.size() ? m_keys[row - 1] : OrderLists::RowKey();
}

void frmUnCplOrder::cmdMxb_Click()
{
    // The total row, or no row at all, has no order line to show.
    const OrderLists::RowKey key = currentKey();
    if (key.orderId == 0)
        return;
    frmOrderCkMxb dialog(this);
    dialog.init(key.orderId, key.entryId, key.orderQty, key.vipNo);
    DialogRunner::exec(dialog);
}

int frmUnCplOrder::pageSetColumns() const
{
    return Flex->cols() - 2; // the two key columns are not printed
}
