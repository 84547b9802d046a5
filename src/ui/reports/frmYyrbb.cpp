#include "ui/reports/frmYyrbb.h"

#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>

#include "core/frame/Routines.h"

#include "core/frame/ReferenceData.h"

frmYyrbb::frmYyrbb(QWidget *parent)
    : GroupedReportWindow(GetCnstr(), QStringLiteral("frmYyrbb"), QStringLiteral("营业日报表"),
                          GroupedReport::dailyCriteria(), 1, true, parent)
{
    cmbBiller = new QComboBox(this);
    cmbBiller->setObjectName(QStringLiteral("cmbBiller"));
    cmbBiller->setMinimumWidth(110);
    cmbBiller->addItem(QStringLiteral("(全部)"));
    cmbBiller->addItems(ReferenceData::operatorNames(cnstr()));
    cmbBiller->setCurrentIndex(0);
    filterArea()->addWidget(new QLabel(QStringLiteral("收银："), this));
    filterArea()->addWidget(cmbBiller);
    finishLayout({dtpFromDate, dtpToDate, cmbTotal1, cmbTotal2, cmbBiller});
}

GroupedReport::Design frmYyrbb::design() const
{
    return GroupedReport::dailyBusiness(cmbBiller->currentIndex() <= 0 ? QString()
                                                                       : cmbBiller->currentText());
}
