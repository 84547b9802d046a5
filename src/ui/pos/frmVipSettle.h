#pragma once

#include <QDialog>
#include <QString>

#include "core/base/Money.h"
#include "core/pos/SettlementRules.h"

class QKeyEvent;
class QLabel;
class QLineEdit;

// "结算": splits the bill into discount, vouchers, stored value, bank card and cash. The
// caller creates one for each settlement, calls init(), runs it modally and reads OK() and
// the Get… members afterwards; every figure and check comes from SettlementRules, and the
// dialog touches no database (the saving transaction checks the balance again).
class frmVipSettle : public QDialog
{
    Q_OBJECT
public:
    explicit frmVipSettle(QWidget *parent = nullptr);

    // Puts the dialog in its opening state for this bill, card and balance.
    void init(Money BillAmount, const QString &VipNO, Money CzBal);

    // All 0 (and OK() false) unless the cashier confirmed.
    Money GetCash() const { return m_result.cash; }
    Money GetDyq() const { return m_result.dyq; } // deduction voucher, off the receivable
    Money GetReserve() const { return m_result.reserve; }
    Money GetBlank() const { return m_result.blank; } // paid by bank card
    Money Change() const { return m_result.change; }
    Money GetXjq() const { return m_result.xjq; } // cash voucher used as payment
    bool OK() const { return m_ok; }
    Money GetAmount() const { return m_result.amount; }

    // "+", or Enter in the cash or the voucher field: the checks, then the close.
    void Confirm();
    void reject() override; // Esc and the close box: nothing paid

    QLineEdit *txtBillAmount;
    QLineEdit *txtZk;
    QLineEdit *txtGetDyq;
    QLineEdit *txtYsAmount;
    QLineEdit *txtGetXjq;
    QLineEdit *txtGetReserve;
    QLineEdit *txtGetBlank;
    QLineEdit *txtAmount;
    QLineEdit *txtChange;
    QLineEdit *txtBefBal;
    QLineEdit *txtEndBal;
    QLabel *lblVipNo;
    QLabel *lblZk;     // "折扣(&F3)：" or "少收(&F3)："
    QLabel *lblChange; // "找零金额：" or "少收金额："

private:
    void buildControls();
    bool Form_KeyDown(QKeyEvent *e);
    SettlementEntry entry() const;
    void showFigures();
    void proposeReserve();
    void focusField(QLineEdit *field);

    Money m_bill;
    QString m_vipNo;
    Money m_balance;
    bool m_asOpened = true;
    bool m_reserveProposed = true; // txtGetReserve still holds the dialog's own proposal
    bool m_ok = false;
    SettlementResult m_result;
};
