#pragma once

#include "core/backoffice/ItemStore.h"
#include "core/backoffice/PriceStyleStore.h"
#include "ui/backoffice/RecordDialog.h"

class QComboBox;
class QLineEdit;

// "商品条码": one pack code of an item, with its price style, pieces per pack and price.
// `GetCode` holds it after OK; the item dialog saves it with the item.
class frmPackCode : public RecordDialog
{
    Q_OBJECT
public:
    frmPackCode(const QList<PriceStyleStore::Style> &styles, QWidget *parent = nullptr);

    void init(const PackCode &code);
    void cmdOk_Click() override;
    PackCode GetCode() const { return m_code; }

    QLineEdit *txtBarcode;
    QComboBox *cmbStyle;
    QLineEdit *txtPieces;
    QLineEdit *txtPrice;

private:
    PackCode m_code;
};
