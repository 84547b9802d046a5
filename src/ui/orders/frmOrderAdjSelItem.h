#pragma once

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;

// "同价调换商品": looks the new item up by code and, when its price equals the order
// line's price, switches the order's lines of the old item to it in the database.
class frmOrderAdjSelItem : public QDialog
{
    Q_OBJECT
public:
    explicit frmOrderAdjSelItem(QWidget *parent = nullptr);

    void init(int OrderID, int OrderItemID, const QString &OrderItemName, double OldPrice);
    bool OK() const { return m_ok; }
    int NewItemID() const { return m_newItemId; }
    QString NewItemName() const { return m_newItemName; }

    void txtBarcode_LostFocus();
    void cmdOk_Click();
    void cmdExit_Click();

    QLineEdit *txtOldName;
    QComboBox *cmbOldPrice;
    QLineEdit *txtBarcode;
    QComboBox *cmbItem;
    QComboBox *cmbPrice;
    QLineEdit *txtQty;
    QLineEdit *Text1;
    QLineEdit *txtPrice;
    QPushButton *cmdOk;
    QPushButton *cmdExit;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    int m_orderId = 0;
    int m_orderItemId = 0;
    int m_newItemId = 0;
    QString m_newItemName;
    QString m_lookedUp; // the code the shown item was found by
    bool m_ok = false;
};
