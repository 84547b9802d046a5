#include "ui/orders/frmOrderBillList.h"

#include <QDateEdit>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "core/frame/Prompts.h"
#include "core/frame/Routines.h"
#include "core/orders/MemberOrderStore.h"
#include "core/reports/ListCells.h"
#include "ui/orders/frmOrderCkMxb.h"
#include "ui/orders/frmOrderbill.h"
#include "ui/widgets/EnterMovesFocus.h"
#include "ui/widgets/ErrorPrompt.h"
#include "ui/widgets/KeyedGrid.h"
#include "ui/widgets/RightGuard.h"
#include "ui/widgets/WindowFit.h"

namespace {

const int kHeaderHeight = 28; // 420 twips

} // namespace

frmOrderBillList::frmOrderBillList(QWidget *parent)
    : ReportWindow(GetCnstr(), QStringLiteral("frmOrderBillList"), QStringLiteral("会员订单明细表"),
                   QStringLiteral("Flex"), parent)
{
    caption()->setObjectName(QStringLiteral("Label1"));
    Flex = grid();
    std::tie(txtVipNo, dtpFromDate, dtpToDate, lblCount) =
        addBillListFilters(QStringLiteral("订奶日期："), QStringLiteral("…>"));
    cmdRefresh = addButton(QStringLiteral("cmdRefresh"), QStringLiteral("刷新"));
    cmdModify = addButton(QStringLiteral("cmdModify"), QStringLiteral("修改"));
    cmdDelete = addButton(QStringLiteral("cmdDelete"), QStringLiteral("删除"));
    cmdMxb = addButton(QStringLiteral("cmdMxb"), QStringLiteral("出库明细"));
    std::tie(cmdPrint, cmdPageSet, cmdExit) = addListButtons();

    setListTotalStyle();
    setColumns(OrderLists::orderColumns());
    Flex->setGridRowHeight(0, kHeaderHeight);

    // A card number is the whole filter, so Enter there lists at once; otherwise Enter walks
    // the dates and the last one lists.
    EnterMovesFocus::link(txtVipNo, dtpFromDate, [this] {
        if (txtVipNo->text().trimmed().isEmpty())
            return true;
        cmdRefresh_Click();
        return false;
    });
    EnterMovesFocus::link(dtpFromDate, dtpToDate);
    EnterMovesFocus::link(dtpToDate, dtpToDate, [this] {
        cmdRefresh_Click();
        return false;
    });
    connect(cmdRefresh, &QPushButton::clicked, this, &frmOrderBillList::cmdRefresh_Click);
    connect(cmdModify, &QPushButton::clicked, this, &frmOrderBillList::cmdModify_Click);
    connect(cmdDelete, &QPushButton::clicked, this, &frmOrderBillList::cmdDelete_Click);
    connect(cmdMxb, &QPushButton::clicked, this, &frmOrderBillList::cmdMxb_Click);
    connect(Flex, &KeyedGrid::rowDoubleClicked, this, [this] { cmdModify_Click(); });
    txtVipNo->setFocus();
}

void frmOrderBillList::cmdRefresh_Click()
{
    clearResult();
    m_keys.clear();
    lblCount->setText(ListCells::count(0));
    // The limit's message comes before the wait cursor; the list goes on with the reset dates.
    if (!runShowingErrors(this, [this] { applyQueryDayLimit(dtpFromDate, dtpToDate); }))
        return;
    OrderLists::Result res;
    if (!runQuery([&] {
            res = OrderLists::orders(cnstr(), txtVipNo->text(), dtpFromDate->date(),
                                     dtpToDate->date());
        }))
        return;
    fill(res.table);
    m_keys = res.keys;
    lblCount->setText(ListCells::count(res.orderCount));
    if (Flex->rows() > 1) {
        Flex->setCurrentGridRow(1);
        Flex->setFocus();
    }
}

OrderLists::RowKey frmOrderBillList::currentKey() const
{
    return m_keys.value(Flex->currentGridRow() - 1);
}

void frmOrderBillList::cmdModify_Click()
{
    const OrderLists::RowKey key = currentKey();
    if (key.orderId == 0)
        return;
    if (!mayDo(this, QStringLiteral("EditOrder")))
        return;
    // The order screen is a window of its own; here it is held modal until it closes.
    auto *form = new frmOrderbill(this);
    form->setAttribute(Qt::WA_DeleteOnClose);
    form->setWindowModality(Qt::ApplicationModal);
    form->init(key.orderId);
    WindowFit::apply(*form);
    QEventLoop loop;
    connect(form, &QObject::destroyed, &loop, &QEventLoop::quit);
    form->show();
    loop.exec();
    cmdRefresh_Click();
}

void frmOrderBillList::cmdDelete_Click()
{
    const OrderLists::RowKey key = currentKey();
    if (key.orderId == 0)
        return;
    if (!mayDo(this, QStringLiteral("EditOrder")))
        return;
    if (!Prompts::current().question(QStringLiteral("是否删除选定订单？")))
        return;
    // The store decides under the order's lock: an order still open is refused (exclamation),
    // a closed one goes with its lines.
    if (runShowingErrors(this, [&] { MemberOrderStore::remove(cnstr(), key.orderId, GetUserID()); }))
        cmdRefresh_Click();
}

void frmOrderBillList::cmdMxb_Click()
{
    frmOrderCkMxb::showFor(this, currentKey());
}

QStringList frmOrderBillList::titleLines() const
{
    return {QStringLiteral("单据日期：") + ListCells::date(dtpFromDate->date()) +
            QStringLiteral(" ～ ") + ListCells::date(dtpToDate->date())};
}

int frmOrderBillList::pageSetColumns() const
{
    return Flex->cols() - 2; // the two key columns are not printed
}
