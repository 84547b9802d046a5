#include "ui/reports/frmOrderHzb.h"

#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>

#include "core/frame/Routines.h"

frmOrderHzb::frmOrderHzb(QWidget *parent)
    : GroupedReportWindow(GetCnstr(), QStringLiteral("frmOrderHzb"), QStringLiteral("订单汇总表"),
                          GroupedReport::orderSummaryCriteria(), 1, false, parent)
{
    cmbStatus = new QComboBox(this);
    cmbStatus->setObjectName(QStringLiteral("cmbStatus"));
    cmbStatus->addItems(
        {QStringLiteral("(全部)"), QStringLiteral("未完工"), QStringLiteral("已完工")});
    cmbStatus->setCurrentIndex(0);
    filterArea()->addWidget(new QLabel(QStringLiteral("状态："), this));
    filterArea()->addWidget(cmbStatus);
    finishLayout({dtpFromDate, dtpToDate, cmbTotal1, cmbTotal2, cmbStatus});
}

GroupedReport::Design frmOrderHzb::design() const
{
    return GroupedReport::orderSummary(qMax(0, cmbStatus->currentIndex()));
}
