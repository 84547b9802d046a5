#pragma once

#include <QDialog>
#include "core/orders/OrderLists.h"

class KeyedGrid;
class QComboBox;
class QLabel;
class QPushButton;

// "订单出库明细": the sale lines that handed goods out against one order line (the order
// and its line number, so an exchanged item keeps its history), and their plain-text print
// to a printer port.
class frmOrderCkMxb : public QDialog
{
    Q_OBJECT
public:
    explicit frmOrderCkMxb(QWidget *parent = nullptr);

    void init(int OrderID, int EntryID, int OrderQty, const QString &VipNO);
    // The detail of a list's row, shown modally; the total row, or no row, shows nothing.
    static void showFor(QWidget *parent, const OrderLists::RowKey &key);

    void Form_Load(); // runs once, when the screen is first shown
    void Command1_Click();
    QStringList PrintLines() const;

    QLabel *lblVip;
    QLabel *lblOrderQty;
    QLabel *lblSaleQty;
    KeyedGrid *Flex;
    QComboBox *cmbPort;
    QPushButton *Command1; // "打印": prints the list on the chosen port

    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    int m_orderId = 0;
    int m_entryId = 0;
    int m_orderQty = 0;
    QString m_vipNo;
    bool m_loaded = false;
};
