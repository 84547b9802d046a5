#include "ui/orders/frmOrderAdjSelItem.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ui/widgets/ErrorPrompt.h"
#include "ui/widgets/EnterMovesFocus.h"
#include "ui/widgets/FieldLeft.h"
#include "ui/widgets/ItemEntry.h"
#include "core/base/NumberText.h"
#include "core/frame/Prompts.h"
#include "core/frame/Routines.h"
#include "core/orders/OrderExchange.h"
#include "core/base/Money.h"

namespace {

QComboBox *shownValue(QWidget *parent, const char *name)
{
    auto *c = new QComboBox(parent);
    c->setObjectName(QString::fromLatin1(name));
    c->setEditable(true);
    c->lineEdit()->setReadOnly(true); // found values, never typed
    c->setFocusPolicy(Qt::NoFocus);
    return c;
}

} // namespace

frmOrderAdjSelItem::frmOrderAdjSelItem(QWidget *parent)
    : SmallDialog(parent, QStringLiteral("frmOrderAdjSelItem"), QStringLiteral("同价调换商品"))
{
    txtOldName = new QLineEdit(this);
    txtOldName->setObjectName(QStringLiteral("txtOldName"));
    txtOldName->setReadOnly(true);
    txtOldName->setFocusPolicy(Qt::NoFocus);
    cmbOldPrice = shownValue(this, "cmbOldPrice");
    txtBarcode = new QLineEdit(this);
    txtBarcode->setObjectName(QStringLiteral("txtBarcode"));
    cmbItem = shownValue(this, "cmbItem");
    cmbPrice = shownValue(this, "cmbPrice");
    // Kept for the form's layout of old; this exchange neither fills nor reads them.
    txtQty = new QLineEdit(this);
    txtQty->setObjectName(QStringLiteral("txtQty"));
    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    txtPrice = new QLineEdit(this);
    txtPrice->setObjectName(QStringLiteral("txtPrice"));
    for (QLineEdit *unused : {txtQty, Text1, txtPrice})
        unused->hide();

    QGridLayout *grid = build({{QStringLiteral("原订品种："), txtOldName},
                               {QStringLiteral("新品条码："), txtBarcode},
                               {QStringLiteral("新换品种："), cmbItem}});
    // The old and the new item's prices stand beside their names.
    for (const auto &[row, price] : {std::pair{0, cmbOldPrice}, {2, cmbPrice}}) {
        grid->addWidget(new QLabel(QStringLiteral("单价："), this), row, 2);
        grid->addWidget(price, row, 3);
    }
    grid->setColumnStretch(1, 1);
    grid->setColumnMinimumWidth(1, 220);
    grid->setColumnMinimumWidth(3, 80);
    // Enter goes on to the confirm button; leaving the code box looks the code up.
    EnterMovesFocus::link(txtBarcode, cmdOk);
    m_entry = new ItemEntry(this, txtBarcode, cmbItem, cmbPrice->lineEdit(),
                            ItemLookup::Codes::ShopNumberItemNumberOrBarCode,
                            ItemEntry::NoPrice::ClearAndRefuse);
    FieldLeft::watch(txtBarcode, [this] { txtBarcode_LostFocus(); });
    txtBarcode->setFocus();
}

void frmOrderAdjSelItem::init(int OrderID, int OrderItemID, const QString &OrderItemName,
                              double OldPrice)
{
    m_orderId = OrderID;
    m_orderItemId = OrderItemID;
    txtOldName->setText(OrderItemName);
    cmbOldPrice->setCurrentText(Money::fromDouble(OldPrice).format());
}

int frmOrderAdjSelItem::NewItemID() const
{
    return m_entry->itemId();
}

void frmOrderAdjSelItem::txtBarcode_LostFocus()
{
    m_lookedUp = txtBarcode->text();
    // An item without a price cannot be exchanged: the same-price check would pass on a
    // price left over from an earlier code.
    m_entry->lookUp();
}

void frmOrderAdjSelItem::cmdOk_Click()
{
    // Alt+O leaves the focus in the code box, so the code may not have been looked up yet.
    if (txtBarcode->text() != m_lookedUp)
        txtBarcode_LostFocus();
    if (m_entry->itemId() == 0) {
        Prompts::current().information(QStringLiteral("请选择新奶种！"));
        return;
    }
    if (!OrderExchange::samePrice(NumberText::val(cmbOldPrice->currentText()),
                                  NumberText::val(cmbPrice->currentText()))) {
        Prompts::current().information(QStringLiteral("新品与旧品价格不一致，禁止调换！"));
        return;
    }
    if (!Prompts::current().question(QStringLiteral("是否现在更换？")))
        return;
    try {
        OrderExchange::exchangeItem(GetCnstr(), m_orderId, m_orderItemId, m_entry->itemId());
    } catch (const CoreError &e) {
        showError(e, this);
        return;
    }
    m_newItemName = cmbItem->currentText();
    m_ok = true;
    accept();
}
