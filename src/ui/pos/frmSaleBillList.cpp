#include "ui/pos/frmSaleBillList.h"

#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "core/frame/Routines.h"
#include "core/pos/SaleList.h"
#include "core/reports/ListCells.h"
#include "ui/widgets/EnterMovesFocus.h"
#include "ui/widgets/ErrorPrompt.h"
#include "ui/widgets/KeyedGrid.h"

frmSaleBillList::frmSaleBillList(QWidget *parent)
    : ReportWindow(GetCnstr(), QStringLiteral("frmSaleBillList"), QStringLiteral("销售明细表"),
                   QStringLiteral("Flex"), parent)
{
    Flex = grid();
    std::tie(txtVipNo, dtpFromDate, dtpToDate, lblCount) =
        addBillListFilters(QStringLiteral("查询日期："), QStringLiteral("～"));
    cmdRefresh = addButton(QStringLiteral("cmdRefresh"), QStringLiteral("刷新"));
    std::tie(cmdPrint, cmdPageSet, cmdExit) = addListButtons();

    setListTotalStyle();
    setColumns(SaleList::columns());

    // Enter walks card and dates; Enter on the last date lists.
    EnterMovesFocus::chain({txtVipNo, dtpFromDate, dtpToDate});
    EnterMovesFocus::link(dtpToDate, dtpToDate, [this] {
        cmdRefresh_Click();
        return false;
    });
    connect(cmdRefresh, &QPushButton::clicked, this, &frmSaleBillList::cmdRefresh_Click);
    txtVipNo->setFocus();
}

void frmSaleBillList::cmdRefresh_Click()
{
    clearResult();
    lblCount->setText(ListCells::count(0));
    // The limit's message comes before the wait cursor; the list goes on with the reset dates.
    if (!runShowingErrors(this, [this] { applyQueryDayLimit(dtpFromDate, dtpToDate); }))
        return;
    SaleList::Result res;
    if (!runQuery([&] {
            res = SaleList::run(cnstr(), txtVipNo->text(), dtpFromDate->date(), dtpToDate->date());
        }))
        return;
    fill(res.table);
    lblCount->setText(ListCells::count(res.billCount));
}

QStringList frmSaleBillList::titleLines() const
{
    return {QStringLiteral("单据日期：") + ListCells::date(dtpFromDate->date()) +
            QStringLiteral(" ～ ") + ListCells::date(dtpToDate->date())};
}

int frmSaleBillList::pageSetColumns() const
{
    return Flex->cols() - 1; // the bill number is not printed
}
