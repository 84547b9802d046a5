#include "ui/orders/frmOrderAdjSelItem.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ui/widgets/ErrorPrompt.h"
#include "ui/widgets/DialogLayout.h"
#include "core/frame/NumberText.h"
#include "core/frame/Prompts.h"
#include "core/frame/Routines.h"
#include "core/frame/Session.h"
#include "core/db/DbError.h"
#include "core/orders/OrderExchange.h"
#include "core/pos/ItemLookup.h"

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

frmOrderAdjSelItem::frmOrderAdjSelItem(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmOrderAdjSelItem"));
    setWindowTitle(QStringLiteral("同价调换商品"));
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
    const DialogLayout::Buttons buttons = DialogLayout::okCancel(this);
    cmdOk = buttons.ok;
    cmdExit = buttons.cancel;

    QGridLayout *grid = DialogLayout::fieldGrid(this, {{QStringLiteral("原订品种："), txtOldName},
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
    DialogLayout::stack(this, grid, buttons.row);

    connect(cmdOk, &QPushButton::clicked, this, &frmOrderAdjSelItem::cmdOk_Click);
    connect(cmdExit, &QPushButton::clicked, this, &frmOrderAdjSelItem::cmdExit_Click);
    txtBarcode->installEventFilter(this);
    txtBarcode->setFocus();
}

void frmOrderAdjSelItem::init(int OrderID, int OrderItemID, const QString &OrderItemName,
                              double OldPrice)
{
    m_orderId = OrderID;
    m_orderItemId = OrderItemID;
    txtOldName->setText(OrderItemName);
    cmbOldPrice->setCurrentText(NumberText::money(OldPrice));
}

void frmOrderAdjSelItem::txtBarcode_LostFocus()
{
    const QString code = txtBarcode->text();
    m_lookedUp = code;
    // Whatever an earlier code found is forgotten first: a price or an item left over from
    // it would let the same-price check pass for the wrong item.
    m_newItemId = 0;
    cmbPrice->setCurrentText(QString());
    ItemMatch m;
    try {
        m = ItemLookup::find(GetCnstr(), code, Session::current().RetailPriceStyleID,
                             ItemLookup::Codes::ShopNumberItemNumberOrBarCode);
    } catch (const db::DbError &e) {
        cmbItem->setCurrentText(QString());
        Prompts::current().information(e.message());
        return;
    }
    if (!m.found) {
        txtBarcode->clear();
        cmbItem->setCurrentText(QString());
        return;
    }
    // An item without a price stays shown, so the operator sees what the code found, but
    // cannot be exchanged.
    cmbItem->setCurrentText(m.name);
    if (m.hasPrice) {
        cmbPrice->setCurrentText(NumberText::money(m.price));
        m_newItemId = m.itemId;
    }
}

void frmOrderAdjSelItem::cmdOk_Click()
{
    // Alt+O leaves the focus in the code box, so the code may not have been looked up yet.
    if (txtBarcode->text() != m_lookedUp)
        txtBarcode_LostFocus();
    if (m_newItemId == 0) {
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
        OrderExchange::exchangeItem(GetCnstr(), m_orderId, m_orderItemId, m_newItemId);
    } catch (const CoreError &e) {
        showError(e, this);
        return;
    }
    m_newItemName = cmbItem->currentText();
    m_ok = true;
    accept();
}

void frmOrderAdjSelItem::cmdExit_Click()
{
    reject();
}

bool frmOrderAdjSelItem::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == txtBarcode) {
        if (event->type() == QEvent::KeyPress) {
            const auto *k = static_cast<QKeyEvent *>(event);
            if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
                cmdOk->setFocus();
                return true;
            }
        } else if (event->type() == QEvent::FocusOut) {
            const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
                txtBarcode_LostFocus();
        }
    }
    return QDialog::eventFilter(watched, event);
}
