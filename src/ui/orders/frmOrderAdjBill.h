#pragma once

#include <QDialog>

class KeyedGrid;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// "调换奶种": a member's open order lines; the chosen line's item is exchanged for another
// of the same price through frmOrderAdjSelItem.
class frmOrderAdjBill : public QDialog
{
    Q_OBJECT
public:
    explicit frmOrderAdjBill(QWidget *parent = nullptr);

    void LoadOrders(); // the lines of the card in txtVipNo
    void cmdAdj_Click();

    QGroupBox *Frame1; // "顾客资料": the member whose orders are listed
    QLineEdit *txtVipNo;
    QLineEdit *txtOwner;
    QLineEdit *txtPhone;
    QLineEdit *txtVipID;
    QDateEdit *dtpDate;
    QGroupBox *Frame2;
    KeyedGrid *FlexOrder;
    QLabel *Label3;
    QPushButton *cmdAdj;
    QPushButton *Command1; // "关闭": closes the window

private:
    bool m_loading = false;
};
