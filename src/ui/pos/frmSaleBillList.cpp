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

namespace {

const QColor kTotalColor(240, 244, 255);

} // namespace

frmSaleBillList::frmSaleBillList(QWidget *parent)
    : ReportWindow(GetCnstr(), QStringLiteral("frmSaleBillList"), QStringLiteral("销售明细表"),
                   QStringLiteral("Flex"), parent)
{
    Flex = grid();
    txtVipNo = new QLineEdit(this);
    txtVipNo->setObjectName(QStringLiteral("txtVipNo"));
    txtVipNo->setMaximumWidth(140);
    dtpFromDate = datePicker(QStringLiteral("dtpFromDate"), this);
    dtpToDate = datePicker(QStringLiteral("dtpToDate"), this);
    lblCount = new QLabel(QStringLiteral("共0单"), this);
    lblCount->setObjectName(QStringLiteral("lblCount"));
    cmdRefresh = addButton(QStringLiteral("cmdRefresh"), QStringLiteral("刷新"));
    cmdPrint = addButton(QStringLiteral("cmdPrint"), QStringLiteral("打印"));
    cmdPageSet = addButton(QStringLiteral("cmdPageSet"), QStringLiteral("页面设置"));
    cmdExit = addButton(QStringLiteral("cmdExit"), QStringLiteral("关闭"));

    QHBoxLayout *filters = filterArea();
    filters->addWidget(new QLabel(QStringLiteral("会员卡号："), this));
    filters->addWidget(txtVipNo);
    filters->addSpacing(12);
    filters->addWidget(new QLabel(QStringLiteral("查询日期："), this));
    filters->addWidget(dtpFromDate);
    filters->addWidget(new QLabel(QStringLiteral("～"), this));
    filters->addWidget(dtpToDate);
    filters->addStretch();
    filters->addWidget(lblCount);

    setKindStyle(ReportRow::Total, kTotalColor, false);
    setColumns(SaleList::columns());

    // Enter walks card and dates; Enter on the last date lists.
    EnterMovesFocus::chain({txtVipNo, dtpFromDate, dtpToDate});
    EnterMovesFocus::link(dtpToDate, dtpToDate, [this] {
        cmdRefresh_Click();
        return false;
    });
    connect(cmdRefresh, &QPushButton::clicked, this, &frmSaleBillList::cmdRefresh_Click);
    connect(cmdPrint, &QPushButton::clicked, this, &ReportWindow::printGrid);
    connect(cmdPageSet, &QPushButton::clicked, this, &ReportWindow::pageSetup);
    connect(cmdExit, &QPushButton::clicked, this, &QDialog::close);
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
