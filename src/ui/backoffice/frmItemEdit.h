#pragma once

#include <optional>

#include "core/backoffice/ItemStore.h"
#include "core/backoffice/PriceStyleStore.h"
#include "ui/backoffice/RecordDialog.h"

class KeyedGrid;
class QLineEdit;
class QPushButton;

// "商品资料": one item's codes, names, a price per price style and its pack codes. A new item
// when opened without one; otherwise the item as read, saved only while no other station has
// changed it. `NewItemID` holds the saved item's id after OK.
class frmItemEdit : public RecordDialog
{
    Q_OBJECT
public:
    // Reads the price styles; a failure reaches the caller.
    explicit frmItemEdit(QWidget *parent = nullptr);

    void init(const ItemRecord &asRead);
    void cmdOk_Click() override;
    void cmdAddCode_Click();
    void cmdEditCode_Click();
    void cmdDelCode_Click();
    int NewItemID() const { return m_savedId; }

    QLineEdit *txtNumber;
    QLineEdit *txtShopNumber;
    QLineEdit *txtBarcode;
    QLineEdit *txtName;
    QLineEdit *txtModel;
    QLineEdit *txtUnit;
    QList<QLineEdit *> txtPrices; // one per style, named "txtPrice_<style id>"
    KeyedGrid *FlexCodes;
    QPushButton *cmdAddCode;
    QPushButton *cmdEditCode;
    QPushButton *cmdDelCode;

private:
    void showCodes();
    QList<PriceStyleStore::Style> m_styles;
    QList<PackCode> m_codes;
    std::optional<ItemRecord> m_asRead;
    int m_savedId = 0;
};
