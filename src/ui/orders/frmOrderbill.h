#pragma once

#include <QWidget>

#include "core/base/Money.h"
#include "core/orders/OrderDraft.h"
#include "core/orders/MemberOrderStore.h"

class ItemEntry;
class KeyedGrid;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// "会员订奶": a member's subscription order: the member, the order lines with gift quantities
// and validity dates, the total, and its save with payment and print. A stored order opened
// from the list is locked once goods have been handed out or for an operator who may not
// edit orders. Keys reach the form before its controls, so "+" and Ctrl+S save anywhere.
class frmOrderbill : public QWidget
{
    Q_OBJECT
public:
    explicit frmOrderbill(QWidget *parent = nullptr);

    // The stored order to load; call before the form is shown. 0: a new order.
    void init(int ID);

    int orderId() const { return m_order.id; }
    Money vipBalance() const { return m_vipBalance; }

    void Form_Load();
    void txtVipNo_LostFocus();
    void txtBarcode_LostFocus();
    void cmbItem_Click();
    void chkYxq_Click();
    void cmdAdd_Click();
    void cmdDel_Click();
    void cmdNew_Click();
    void cmdSave_Click();
    void cmdEditDate_Click();
    void Command1_Click();
    void RefreshAmount();

    QGroupBox *Frame1; // "顾客资料": the member's card, holder, phone and identity number
    QLineEdit *txtVipNo;
    QLineEdit *txtOwner;
    QLineEdit *txtPhone;
    QLineEdit *txtVipID;
    QLabel *lblCzBal;
    QGroupBox *Frame3;
    QDateEdit *dtpDate;
    QGroupBox *Frame2;
    QLineEdit *txtBarcode;
    QComboBox *cmbItem;
    QLineEdit *txtPrice;
    QLineEdit *txtQty;
    QLineEdit *txtPreQty;
    QLineEdit *txtAmount;
    QCheckBox *chkYxq;
    QDateEdit *dtpYxq;
    QPushButton *cmdAdd;
    QPushButton *cmdDel;
    KeyedGrid *FlexOrder;
    QLabel *lblSumAmount;
    QLabel *lblDisModify;
    QCheckBox *chkNoPrint;
    QPushButton *cmdNew;
    QPushButton *cmdSave;
    QPushButton *cmdEditDate;
    QPushButton *Command1; // "打印测试": previews the order's print

private:
    void buildControls();
    void setUpGrid();
    void loadOrder();
    void drawLines();
    void setUnlocked(bool unlocked);
    void clearEntry();
    void readHeader();
    // How the customer pays `amount`: the settlement step of the save. False: cancelled.
    bool settle(Money amount, const QString &vipNo, Money balance, SalePayment *out);
    void printOrder(bool printDirect, Money cash, Money reserve, Money reserveBalance,
                    Money cashBack = Money());

    OrderDraft m_order;
    ItemEntry *m_entry = nullptr; // the item the code or the name found
    bool m_lookupBusy = false;
    bool m_saving = false; // "+" or Ctrl+S pressed again while a save runs
    bool m_unlocked = true;
    Money m_vipBalance;
};
