#pragma once

#include <QDialog>

class KeyedGrid;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;

// The stored-value reports (103 "充值明细表", 104 "充值消费汇总表", 106 "充值消费流水帐",
// 109 "会员对账单"): date range and card filters, the grid with its total row, print,
// export and page set-up.
class frmVipReport : public QDialog
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

    QString formatName() const;
    QString title() const;

    // Each reports a failure in an information box and leaves the screen as it was.
    void cmdQuery_Click();
    void cmdPrint_Click();
    void cmdExport_Click();
    void cmdPageSet_Click();

    // Column widths the operator dragged are stored when the window closes.
    void done(int result) override;

private:
    QStringList titleLines() const;
    QString m_cnstr;
    int m_number;
    QString m_userName;
    bool m_widthsChanged = false;
};

// The reports as the main window starts them: modal. An unknown number throws db::DbError.
void runreport(const QString &cnstr, int userId, short number);
