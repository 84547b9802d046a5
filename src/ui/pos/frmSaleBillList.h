#pragma once

#include "ui/reports/ReportWindow.h"

class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;

// "销售明细表": the lines of the stored sale bills of a date range, of one card or of all,
// member and non-member quantities apart, with the count of bills and a total row.
class frmSaleBillList : public ReportWindow
{
    Q_OBJECT
public:
    explicit frmSaleBillList(QWidget *parent = nullptr);

    QLineEdit *txtVipNo;
    QDateEdit *dtpFromDate;
    QDateEdit *dtpToDate;
    KeyedGrid *Flex;
    QLabel *lblCount;
    QPushButton *cmdRefresh;
    QPushButton *cmdPrint;
    QPushButton *cmdPageSet;
    QPushButton *cmdExit;

    void cmdRefresh_Click();

protected:
    QStringList titleLines() const override;
    int pageSetColumns() const override;
};
