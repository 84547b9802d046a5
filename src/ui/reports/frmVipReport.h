#pragma once

#include "ui/reports/ReportWindow.h"

class KeyedGrid;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;

// The stored-value reports (103 "充值明细表", 104 "充值消费汇总表", 106 "充值消费流水帐",
// 109 "会员对账单"): date range and card filters, the grid with its total row, print,
// export and page set-up.
class frmVipReport : public ReportWindow
{
    Q_OBJECT
public:
    frmVipReport(const QString &cnstr, int userId, int number, QWidget *parent = nullptr);

    QDateEdit *dtpFrom;
    QDateEdit *dtpTo;
    QLineEdit *txtVipNo;
    QLabel *lblOwner;
    KeyedGrid *FlexReport;
    QPushButton *cmdQuery;
    QPushButton *cmdPrint;
    QPushButton *cmdExport;
    QPushButton *cmdPageSet;
    QPushButton *cmdClose;

    // Each reports a failure in an information box and leaves the screen as it was.
    void cmdQuery_Click();

protected:
    QStringList titleLines() const override;

private:
    int m_number;
};

// The reports as the main window starts them: modal. An unknown number throws CoreError.
void runreport(const QString &cnstr, int userId, short number);
