#pragma once

#include <QDialog>

#include "core/base/Money.h"

class QAction;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QKeySequence;
class QLabel;
class QLineEdit;
class QTimer;
class QToolBar;
struct RechargeInput;

// "会员充值": money paid onto a member's stored-value card, with a gift amount, or paid back
// (a refund); saved bills are stepped through read-only and printed on a recharge template.
class frmVipCz : public QDialog
{
    Q_OBJECT
public:
    explicit frmVipCz(QWidget *parent = nullptr);

    void Form_Load();
    void Form_Unload(); // stores the print format of the current mode

    void actBar_ToolClick(const QString &toolName);
    void txtVipNo_LostFocus();
    void chkTk_Click();
    void cmdNew();
    void cmdSave();
    void cmdPrint(bool printDirect);
    void cmdStep(bool forward);

    // The FInterID of the bill on display; 0 while a new one is entered.
    int billOnDisplay() const { return m_billId; }
    bool isRefund() const;
    QAction *tool(const QString &name) const;

    QToolBar *actBar;
    QComboBox *printfmt;
    QGroupBox *Frame1; // "顾客资料": the card, holder and balance
    QLineEdit *txtVipNo;
    QLineEdit *txtOwner;
    QLineEdit *txtPhone;
    QLineEdit *txtVipID;
    QDateEdit *dtpDate;
    QGroupBox *Frame2;
    QCheckBox *chkTk;
    QLabel *lblcz;
    QLineEdit *txtCzAmount;
    QLabel *lblZs;
    QLineEdit *txtZsAmount;
    QLineEdit *txtBegBal;
    QLineEdit *txtEndBal;
    QLineEdit *txtRemark;
    QLabel *lblDisEdit;
    QTimer *Timer1;

protected:
    void done(int result) override;

private:
    QAction *addTool(const QString &caption, const QString &name, const QKeySequence &key);
    void setEditable(bool editable);
    void showMode(bool refund);
    void loadPrintFormat();
    void refreshEndBalance();
    RechargeInput input() const;
    void print(bool printDirect, Money before, Money amount, Money gift, Money after);

    int m_billId = 0;
    bool m_unloaded = false;
};
