#pragma once

#include <QWidget>

#include "core/base/Money.h"
#include "core/pos/MemberOrders.h"
#include "core/pos/SaleBill.h"
#include "core/pos/SaleReceipt.h"

class ItemEntry;
class KeyedGrid;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStatusBar;

// The counter's sale screen ("销售单"): warehouse, optional member, items rung up by bar
// code or shop number into the sale grid, running totals. Keys reach the form before its
// controls, so Ctrl+S, "+" and F3 work wherever the focus is.
class frmSaleBill : public QWidget
{
    Q_OBJECT
public:
    explicit frmSaleBill(QWidget *parent = nullptr);

    // The bill the next save writes under; 0 draws a new number at save.
    void init(int ID);

    Money vipBalance() const { return m_vipBalance; }


    void Form_Load();
    void Form_Unload();
    void txtBarcode_LostFocus();
    void cmdAdd_Click();
    // Enter in the code box with "扫码直接加入" on: the code (with a "3*" quantity before it)
    // is looked up and added at once.
    void scanAddLine();
    void cmdDel_Click();
    void cmdNew_Click();
    void cmbStock_Click();
    void RefreshTotals();

    // Member lookup, pick-up, validity, exchange, save and receipt hook in here.
    void txtVipNo_LostFocus();
    void cmdReadVip_Click();
    void cmdSave_Click();
    void cmdEditDate_Click();
    void Command1_Click();
    void cmdTestPrint_Click();
    void FlexOrder_DblClick();
    // F4: the order lines by keyboard; the arrows choose, Enter picks as a double-click does.
    void focusOrders();
    void FlexOrder_CellButtonClick(int row, const QString &key);

    // The receipt of the lines on the screen, with the screen's date, card and holder and
    // what the member's order lines still hold after this bill's picks.
    RecordSet receiptData(const ReceiptPayment &payment) const;
    // Prints (direct) or previews the receipt; with no line says "没有数据！" and prints
    // nothing. A printer failure is thrown: after a save the bill is already written.
    // Returns the PDF a station without a printer kept the receipt in (empty otherwise);
    // only the first such receipt of the session says so in a box.
    QString printReceipt(bool direct, const ReceiptPayment &payment);
    // Opens the station's cash drawer when it has one; throws when its port cannot be opened.
    void openCashDrawer();

    QGroupBox *Frame1; // "顾客资料": the member's card, holder and balance
    QLineEdit *txtVipNo;
    QLineEdit *txtOwner;
    QPushButton *cmdReadVip;
    QLabel *lblCzBal;
    QGroupBox *Frame2;
    QComboBox *cmbStock;
    QDateEdit *dtpDate;
    QLineEdit *txtBarcode;
    QComboBox *cmbItem;
    QLineEdit *txtQty;
    QLineEdit *txtPrice;
    QPushButton *cmdAdd;
    QPushButton *cmdDel;
    KeyedGrid *FlexSale;
    QLabel *lblQty;
    QLabel *lblSumAmount;
    QCheckBox *chkNoPrint;
    QPushButton *cmdTestPrint;
    QGroupBox *Frame3;
    KeyedGrid *FlexOrder;
    QPushButton *cmdEditDate;
    QPushButton *Command1; // "更换奶种": changes the item of the chosen order line
    QPushButton *cmdNew;
    QPushButton *cmdSave;
    QStatusBar *StatusBar1; // what happened to the last bill's receipt

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void setUpGrids();
    void clearItemEntry();
    void drawLines();
    void drawOrderLines();
    void resolveStock();
    // Before a lookup of another card: a bill holding pick-ups of the card looked up before
    // drops them, once the cashier agrees; No puts that card back and returns false.
    bool confirmCardChange();
    // The card's balance, holder and open order lines; `holder` stands when the card's
    // orders and stored-value bills name nobody.
    void lookUpMember(const QString &holder = QString());
    // Balance and open order lines of the card looked up, read again (after a pick-up line
    // went or a validity date changed), the pick-up lines brought in line with them; at a new
    // lookup (`holder` given) also the holder's name.
    void readMemberOrders(const QString *holder = nullptr);

    SaleBill m_bill;
    ItemEntry *m_entry = nullptr; // the item the code box found
    Money m_vipBalance;
    bool m_saving = false; // a save (and its settlement) is under way
    QList<OpenOrderLine> m_orderLines; // what the last member lookup offered, as picked since
    QString m_memberVipNo;             // the card the order grid and the pick-up lines belong to
};
