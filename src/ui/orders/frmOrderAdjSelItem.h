#pragma once

#include "ui/widgets/SmallDialog.h"

class ItemEntry;
class QComboBox;
class QLineEdit;

// "同价调换商品": looks the new item up by code and, when its price equals the order
// line's price, switches the order's lines of the old item to it in the database.
class frmOrderAdjSelItem : public SmallDialog
{
    Q_OBJECT
public:
    explicit frmOrderAdjSelItem(QWidget *parent = nullptr);

    void init(int OrderID, int OrderItemID, const QString &OrderItemName, double OldPrice);
    int NewItemID() const; // the item the code found, 0 for none
    QString NewItemName() const { return m_newItemName; }

    void txtBarcode_LostFocus();
    void cmdOk_Click() override;

    QLineEdit *txtOldName;
    QComboBox *cmbOldPrice;
    QLineEdit *txtBarcode;
    QComboBox *cmbItem;
    QComboBox *cmbPrice;
    QLineEdit *txtQty;
    QLineEdit *Text1;
    QLineEdit *txtPrice;

private:
    int m_orderId = 0;
    int m_orderItemId = 0;
    ItemEntry *m_entry;
    QString m_newItemName;
    QString m_lookedUp; // the code the shown item was found by
};
