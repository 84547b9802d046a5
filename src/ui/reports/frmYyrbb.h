#pragma once

#include "ui/reports/GroupedReportWindow.h"

// "营业日报表": orders taken and goods that left the counter, by date, item, month or
// cashier, for every operator or one.
class frmYyrbb : public GroupedReportWindow
{
    Q_OBJECT
public:
    explicit frmYyrbb(QWidget *parent = nullptr);

    QComboBox *cmbBiller;

protected:
    GroupedReport::Design design() const override;
};
