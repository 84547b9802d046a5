#include "ui/backoffice/frmPackCode.h"

#include <QComboBox>
#include <QLineEdit>

#include "core/backoffice/RecordGuard.h"
#include "ui/widgets/ErrorPrompt.h"

frmPackCode::frmPackCode(const QList<PriceStyleStore::Style> &styles, QWidget *parent)
    : RecordDialog(parent, QStringLiteral("frmPackCode"), QStringLiteral("商品条码"))
{
    txtBarcode = new QLineEdit(this);
    txtBarcode->setObjectName(QStringLiteral("txtBarcode"));
    txtBarcode->setMinimumWidth(220);
    cmbStyle = new QComboBox(this);
    cmbStyle->setObjectName(QStringLiteral("cmbStyle"));
    for (const PriceStyleStore::Style &s : styles)
        cmbStyle->addItem(s.name, s.id);
    txtPieces = new QLineEdit(QStringLiteral("1"), this);
    txtPieces->setObjectName(QStringLiteral("txtPieces"));
    txtPrice = new QLineEdit(this);
    txtPrice->setObjectName(QStringLiteral("txtPrice"));
    build({{QStringLiteral("条码(&B)："), txtBarcode},
           {QStringLiteral("价格体系(&S)："), cmbStyle},
           {QStringLiteral("每包件数(&N)："), txtPieces},
           {QStringLiteral("价格(&P)："), txtPrice}});
    chain({txtBarcode, cmbStyle, txtPieces, txtPrice});
}

void frmPackCode::init(const PackCode &code)
{
    txtBarcode->setText(code.barCode);
    cmbStyle->setCurrentIndex(qMax(0, cmbStyle->findData(code.priceStyleId)));
    txtPieces->setText(QString::number(code.exchange));
    txtPrice->setText(code.price.format());
}

void frmPackCode::cmdOk_Click()
{
    runShowingErrors(this, [this] {
        PackCode c;
        c.barCode = RecordGuard::text(txtBarcode->text(), QStringLiteral("条码"), QStringLiteral("txtBarcode"), true);
        c.priceStyleId = cmbStyle->currentData().toInt();
        if (c.priceStyleId == 0)
            throw CoreError::refusal(QStringLiteral("请先在价格体系中增加价格！"), QStringLiteral("cmbStyle"));
        c.exchange = ItemStore::parsePieces(txtPieces->text(), QStringLiteral("txtPieces"));
        const std::optional<Money> price = ItemStore::parsePrice(txtPrice->text(), QStringLiteral("txtPrice"));
        if (!price)
            throw CoreError::refusal(QStringLiteral("请输入价格！"), QStringLiteral("txtPrice"));
        c.price = *price;
        m_code = c;
        m_ok = true;
        accept();
    });
}
