#pragma once

#include "ui/reports/GroupedReportWindow.h"

// "订单汇总表": member orders by date, month or item, with what was picked up and what is
// still to pick up; every order, the open or the closed ones.
class frmOrderHzb : public GroupedReportWindow
{
    Q_OBJECT
public:
    explicit frmOrderHzb(QWidget *parent = nullptr);

    QComboBox *cmbStatus;

protected:
    GroupedReport::Design design() const override;
};
