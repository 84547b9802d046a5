#include "ui/pos/frmVipSettle.h"
#include "ui/print/DevicePort.h"
#include "ui/print/KwTdPrinter.h"
#include "ui/orders/frmOrderbill.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QShortcut>
#include <QVBoxLayout>

#include "core/base/CoreError.h"
#include "core/frame/Prompts.h"
#include "core/frame/ReferenceData.h"
#include "core/frame/Routines.h"
#include "core/frame/Session.h"
#include "core/members/StoredValueLedger.h"
#include "core/orders/MemberOrderStore.h"
#include "core/orders/OrderReceipt.h"
#include "core/pos/ItemLookup.h"
#include "ui/pos/frmEditDate.h"
#include "ui/widgets/CounterScreen.h"
#include "ui/widgets/DialogLayout.h"
#include "ui/widgets/DialogRunner.h"
#include "ui/widgets/EnterMovesFocus.h"
#include "ui/widgets/ErrorPrompt.h"
#include "ui/widgets/FieldLeft.h"
#include "ui/widgets/ItemEntry.h"
#include "ui/widgets/KeyPreview.h"
#include "ui/widgets/KeyedGrid.h"
#include "ui/widgets/RightGuard.h"
#include "ui/widgets/SelectOnFocus.h"

namespace {

// Widths as designed, in twips.
int twips(int t)
{
    return t / 15;
}

const QString kBalanceCaption = QStringLiteral("卡余额：");

} // namespace

frmOrderbill::frmOrderbill(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmOrderbill"));
    setWindowTitle(QStringLiteral("会员订奶"));
    buildControls();
    Form_Load();
}

void frmOrderbill::buildControls()
{
    Frame1 = named(new QGroupBox(QStringLiteral("顾客资料"), this), "Frame1");
    txtVipNo = named(new QLineEdit(Frame1), "txtVipNo");
    txtOwner = named(new QLineEdit(Frame1), "txtOwner");
    txtPhone = named(new QLineEdit(Frame1), "txtPhone");
    txtVipID = named(new QLineEdit(Frame1), "txtVipID");
    lblCzBal = named(new QLabel(kBalanceCaption, Frame1), "lblCzBal");
    auto *g1 = new QGridLayout(Frame1);
    CounterScreen::placeMember(g1, txtVipNo, txtOwner, txtPhone, txtVipID);
    g1->addWidget(lblCzBal, 2, 1, 1, 3);
    g1->setColumnStretch(1, 1);
    g1->setColumnStretch(3, 2);

    Frame3 = named(new QGroupBox(this), "Frame3");
    dtpDate = named(new QDateEdit(Frame3), "dtpDate");
    dtpDate->setCalendarPopup(true);
    dtpDate->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    auto *g3 = new QHBoxLayout(Frame3);
    g3->addWidget(DialogLayout::caption(QStringLiteral("订单日期："), dtpDate, Frame3));
    g3->addWidget(dtpDate);

    Frame2 = named(new QGroupBox(QStringLiteral("商品信息"), this), "Frame2");
    txtBarcode = named(new QLineEdit(Frame2), "txtBarcode");
    cmbItem = named(new QComboBox(Frame2), "cmbItem");
    cmbItem->setEditable(true);
    cmbItem->setInsertPolicy(QComboBox::NoInsert);
    txtPrice = named(new QLineEdit(Frame2), "txtPrice");
    txtQty = named(new QLineEdit(QStringLiteral("1"), Frame2), "txtQty");
    txtPreQty = named(new QLineEdit(Frame2), "txtPreQty");
    txtAmount = named(new QLineEdit(Frame2), "txtAmount");
    chkYxq = named(new QCheckBox(QStringLiteral("有效期："), Frame2), "chkYxq");
    dtpYxq = named(new QDateEdit(Frame2), "dtpYxq");
    dtpYxq->setCalendarPopup(true);
    dtpYxq->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    dtpYxq->setEnabled(false);
    cmdAdd = named(new QPushButton(QStringLiteral("添加(&A)"), Frame2), "cmdAdd");
    cmdDel = named(new QPushButton(QStringLiteral("删除(&D)"), Frame2), "cmdDel");
    auto *g2 = new QGridLayout(Frame2);
    DialogLayout::place(g2, 0, 0, QStringLiteral("商品条码："), txtBarcode);
    DialogLayout::place(g2, 0, 2, QStringLiteral("商品名称："), cmbItem, 3);
    DialogLayout::place(g2, 1, 0, QStringLiteral("单价："), txtPrice);
    DialogLayout::place(g2, 1, 2, QStringLiteral("订单数量："), txtQty);
    DialogLayout::place(g2, 1, 4, QStringLiteral("赠送数量："), txtPreQty);
    DialogLayout::place(g2, 2, 0, QStringLiteral("金额："), txtAmount);
    g2->addWidget(chkYxq, 2, 2, Qt::AlignRight);
    g2->addWidget(dtpYxq, 2, 3);
    g2->addWidget(cmdAdd, 2, 4);
    g2->addWidget(cmdDel, 2, 5);
    g2->setColumnStretch(1, 1);
    g2->setColumnStretch(3, 1);
    g2->setColumnStretch(5, 1);

    FlexOrder = named(new KeyedGrid(this), "FlexOrder");

    const QFont big = CounterScreen::totalFont(*this);
    auto *sumCaption = new QLabel(QStringLiteral("合计金额："), this);
    sumCaption->setFont(big);
    lblSumAmount = named(new QLabel(QStringLiteral("0.00"), this), "lblSumAmount");
    lblSumAmount->setFont(big);
    lblSumAmount->setStyleSheet(QStringLiteral("color: #b00000"));
    lblSumAmount->setMinimumWidth(140);
    lblDisModify = named(new QLabel(MemberOrderStore::lockedMessage(), this), "lblDisModify");
    lblDisModify->setStyleSheet(QStringLiteral("color: #d00000; font-weight: bold"));
    lblDisModify->setVisible(false);
    chkNoPrint = named(new QCheckBox(QStringLiteral("不打印"), this), "chkNoPrint");
    cmdNew = named(new QPushButton(QStringLiteral("新建(&N)"), this), "cmdNew");
    // "+" saves through the key preview; an underlined plus would read as "±".
    cmdSave = named(new QPushButton(QStringLiteral("保存(+)"), this), "cmdSave");
    cmdEditDate = named(new QPushButton(QStringLiteral("修改有效期(&M)"), this), "cmdEditDate");
    Command1 = named(new QPushButton(QStringLiteral("打印测试"), this), "Command1");

    auto *top = new QHBoxLayout;
    top->addWidget(Frame1, 3);
    top->addWidget(Frame3, 1, Qt::AlignTop);
    auto *totals = new QHBoxLayout;
    totals->addWidget(sumCaption);
    totals->addWidget(lblSumAmount);
    totals->addWidget(lblDisModify);
    totals->addStretch();
    totals->addWidget(chkNoPrint);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdEditDate);
    buttons->addWidget(Command1);
    buttons->addStretch();
    buttons->addWidget(cmdNew);
    buttons->addWidget(cmdSave);
    auto *main = new QVBoxLayout(this);
    main->addLayout(top);
    main->addWidget(Frame2);
    main->addWidget(FlexOrder, 1);
    main->addLayout(totals);
    main->addLayout(buttons);

    setTabOrder(txtVipNo, txtOwner);
    setTabOrder(txtOwner, txtPhone);
    setTabOrder(txtPhone, txtVipID);
    setTabOrder(txtVipID, txtBarcode);
    setTabOrder(txtBarcode, cmbItem);
    setTabOrder(cmbItem, txtPrice);
    setTabOrder(txtPrice, txtQty);
    setTabOrder(txtQty, txtPreQty);
    setTabOrder(txtPreQty, txtAmount);
    setTabOrder(txtAmount, chkYxq);
    setTabOrder(chkYxq, dtpYxq);
    setTabOrder(dtpYxq, cmdAdd);
    setTabOrder(cmdAdd, cmdDel);
    setTabOrder(cmdDel, FlexOrder);
    setTabOrder(FlexOrder, dtpDate);
    setTabOrder(dtpDate, chkNoPrint);
    setTabOrder(chkNoPrint, cmdEditDate);
    setTabOrder(cmdEditDate, Command1);
    setTabOrder(Command1, cmdNew);
    setTabOrder(cmdNew, cmdSave);

    m_entry = new ItemEntry(this, txtBarcode, cmbItem, txtPrice,
                            ItemLookup::Codes::ShopNumberOrBarCode, ItemEntry::NoPrice::KeepShown);
    connect(cmdAdd, &QPushButton::clicked, this, &frmOrderbill::cmdAdd_Click);
    connect(cmdDel, &QPushButton::clicked, this, &frmOrderbill::cmdDel_Click);
    connect(cmdNew, &QPushButton::clicked, this, &frmOrderbill::cmdNew_Click);
    connect(cmdSave, &QPushButton::clicked, this, &frmOrderbill::cmdSave_Click);
    connect(cmdEditDate, &QPushButton::clicked, this, &frmOrderbill::cmdEditDate_Click);
    connect(Command1, &QPushButton::clicked, this, &frmOrderbill::Command1_Click);
    connect(chkYxq, &QCheckBox::clicked, this, &frmOrderbill::chkYxq_Click);
    connect(cmbItem, &QComboBox::textActivated, this, [this] {
        if (!m_lookupBusy)
            cmbItem_Click();
    });
    // A name typed over is no longer the item found: nothing may be added under the old one.
    connect(cmbItem, &QComboBox::editTextChanged, this, [this] {
        if (!m_lookupBusy)
            m_entry->forget();
    });
    connect(txtPrice, &QLineEdit::textChanged, this, &frmOrderbill::RefreshAmount);
    connect(txtQty, &QLineEdit::textChanged, this, &frmOrderbill::RefreshAmount);
    auto *del =
        new QShortcut(QKeySequence::Delete, FlexOrder, nullptr, nullptr, Qt::WidgetShortcut);
    connect(del, &QShortcut::activated, this, [this] {
        if (cmdDel->isEnabled())
            cmdDel_Click();
    });

    // "+" never reaches a field here: it saves, as Ctrl+S does, while saving is possible.
    new KeyPreview(this, [this](QKeyEvent *e) {
        const bool ctrlS = e->key() == Qt::Key_S && e->modifiers() == Qt::ControlModifier;
        if (!ctrlS && e->text() != QStringLiteral("+"))
            return false;
        if (cmdSave->isEnabled())
            cmdSave_Click();
        return true;
    });
    // Every field in the order it stands. A code found goes straight on to the price; with no
    // code, Enter goes to the name list to choose the item by name.
    EnterMovesFocus::chain({txtVipNo, txtOwner, txtPhone, txtVipID, dtpDate, txtBarcode});
    EnterMovesFocus::link(txtBarcode, txtPrice, [this] {
        if (!txtBarcode->text().trimmed().isEmpty())
            return true;
        cmbItem->setFocus();
        return false;
    });
    EnterMovesFocus::chain({txtPrice, txtQty, txtPreQty, txtAmount, chkYxq});
    EnterMovesFocus::link(cmbItem, txtPrice);
    EnterMovesFocus::link(chkYxq, dtpYxq, [this] {
        if (chkYxq->isChecked())
            return true;
        cmdAdd_Click();
        return false;
    });
    EnterMovesFocus::link(dtpYxq, txtBarcode, [this] {
        cmdAdd_Click();
        return false;
    });
    FieldLeft::watch(txtVipNo, [this] { txtVipNo_LostFocus(); });
    FieldLeft::watch(txtBarcode, [this] { txtBarcode_LostFocus(); });
    // A name typed and left without choosing from the list is looked up all the same.
    FieldLeft::watch(cmbItem, [this] {
        if (m_entry->itemId() == 0 && !cmbItem->currentText().isEmpty())
            cmbItem_Click();
    });
    SelectOnFocus::watch({txtVipNo, txtOwner, txtPhone, txtBarcode, cmbItem, txtPrice, txtQty,
                          txtPreQty, txtAmount});

    CounterScreen::applyFont(*this);
    resize(900, 620);
}

void frmOrderbill::setUpGrid()
{
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
    const Qt::Alignment centre = Qt::AlignCenter;
    FlexOrder->setColumns({
        {QStringLiteral("FOrder"), QStringLiteral("序号"), twips(615), false, centre},
        {QStringLiteral("FName"), QStringLiteral("品名"), twips(3255)},
        {QStringLiteral("FPrice"), QStringLiteral("单价"), twips(1095), false, right},
        {QStringLiteral("FQty"), QStringLiteral("订单数量"), twips(1215), false, right},
        {QStringLiteral("FPreQty"), QStringLiteral("赠送数量"), twips(1260), false, right},
        {QStringLiteral("FAmount"), QStringLiteral("应收金额"), twips(1290), false, right},
        {QStringLiteral("FYxq"), QStringLiteral("有效日期"), twips(1875), false, centre},
        {QStringLiteral("FItemID"), QStringLiteral("ID"), twips(900), true},
    });
    FlexOrder->horizontalHeader()->setSectionResizeMode(
        FlexOrder->colIndex(QStringLiteral("FName")), QHeaderView::Stretch);
    FlexOrder->setEditTriggers(QAbstractItemView::NoEditTriggers);
}

void frmOrderbill::init(int ID)
{
    m_order.id = ID;
    if (ID > 0)
        loadOrder();
}

void frmOrderbill::Form_Load()
{
    setUpGrid();
    dtpDate->setDate(QDate::currentDate());
    dtpYxq->setDate(QDate::currentDate());
    runShowingErrors(this, [this] {
        const QStringList names = ReferenceData::itemNames(GetCnstr());
        m_lookupBusy = true;
        cmbItem->clear();
        cmbItem->addItems(names);
        cmbItem->setCurrentIndex(-1);
        cmbItem->setEditText(QString());
        m_lookupBusy = false;
    });
    RefreshAmount();
    txtVipNo->setFocus();
}

void frmOrderbill::loadOrder()
{
    const int id = m_order.id;
    bool mayEdit = false;
    OrderDraft loadedOrder;
    const bool loaded = runShowingErrors(this, [&] {
        loadedOrder = OrderDraft::load(GetCnstr(), id);
        mayEdit = HasGrant(QStringLiteral("EditOrder"));
    });
    if (!loaded) {
        // The form holds no order then: a save could only make a new one of what is typed.
        cmdNew_Click();
        return;
    }
    m_order = loadedOrder;
    if (m_order.id == 0)
        m_order.id = id; // gone meanwhile: a save will say so
    txtVipNo->setText(m_order.vipNo);
    txtOwner->setText(m_order.owner);
    txtPhone->setText(m_order.phone);
    if (m_order.date.isValid())
        dtpDate->setDate(m_order.date);
    drawLines();
    setUnlocked(!m_order.isLocked(mayEdit) && !m_order.isEmpty());
    // The identity number and the balance, as leaving the card box would fill them.
    runShowingErrors(this, [this] {
        const OrderMember m = OrderDraft::member(GetCnstr(), txtVipNo->text());
        if (m.found && txtVipID->text().isEmpty())
            txtVipID->setText(m.vipId);
        m_vipBalance = m.balance;
        lblCzBal->setText(kBalanceCaption + m.balance.format());
    });
}

void frmOrderbill::txtVipNo_LostFocus()
{
    runShowingErrors(this, [this] {
        const OrderMember m = OrderDraft::member(GetCnstr(), txtVipNo->text());
        if (m.found) {
            txtOwner->setText(m.owner);
            txtPhone->setText(m.phone);
            txtVipID->setText(m.vipId);
        }
        m_vipBalance = m.balance;
        lblCzBal->setText(kBalanceCaption + m.balance.format());
    });
}

void frmOrderbill::txtBarcode_LostFocus()
{
    if (txtBarcode->text().isEmpty())
        return; // nothing typed: an item chosen by name stays
    m_lookupBusy = true;
    m_entry->lookUp();
    // Whatever found no item leaves the code box, a code the database failed on as well.
    if (m_entry->itemId() == 0)
        txtBarcode->clear();
    txtQty->setText(QStringLiteral("1"));
    m_lookupBusy = false;
}

void frmOrderbill::cmbItem_Click()
{
    NamedItem item;
    if (!runShowingErrors(this, [&] {
            item = OrderDraft::itemByName(GetCnstr(), cmbItem->currentText(),
                                          Session::current().RetailPriceStyleID);
        }))
        item = NamedItem();
    m_lookupBusy = true;
    if (item.found) {
        txtBarcode->setText(item.number);
        if (item.hasPrice)
            txtPrice->setText(item.price.format());
        m_entry->take(item.itemId);
    } else {
        txtBarcode->clear();
        m_entry->clear();
    }
    m_lookupBusy = false;
}

void frmOrderbill::chkYxq_Click()
{
    dtpYxq->setEnabled(chkYxq->isChecked() && m_unlocked);
    if (chkYxq->isChecked())
        dtpYxq->setDate(OrderDraft::proposedValidity(QDate::currentDate(), txtPreQty->text()));
}

void frmOrderbill::RefreshAmount()
{
    txtAmount->setText(OrderDraft::entryAmount(txtQty->text(), txtPrice->text()).format());
    lblSumAmount->setText(m_order.shownTotal(txtAmount->text()).format());
}

void frmOrderbill::cmdAdd_Click()
{
    if (!cmdAdd->isEnabled())
        return;
    const bool added = runShowingErrors(this, [this] {
        m_order.add(m_entry->itemId(), cmbItem->currentText(), txtPrice->text(), txtQty->text(),
                    txtPreQty->text(), txtAmount->text(),
                    chkYxq->isChecked() ? dtpYxq->date() : QDate());
    });
    if (!added)
        return;
    drawLines();
    FlexOrder->scrollToBottom();
    clearEntry();
    txtBarcode->setFocus();
}

void frmOrderbill::clearEntry()
{
    m_lookupBusy = true;
    txtBarcode->clear();
    // The name box is emptied: no item is left to add a line under.
    m_entry->clear();
    txtPreQty->clear();
    txtAmount->clear();
    txtQty->setText(QStringLiteral("1"));
    m_lookupBusy = false;
    RefreshAmount();
}

void frmOrderbill::drawLines()
{
    FlexOrder->setRows(1);
    for (const OrderDraftLine &l : m_order.lines()) {
        const int r = FlexOrder->addRow();
        FlexOrder->setText(r, QStringLiteral("FOrder"), QString::number(l.number));
        FlexOrder->setText(r, QStringLiteral("FName"), l.name);
        FlexOrder->setText(r, QStringLiteral("FPrice"), l.priceText);
        FlexOrder->setText(r, QStringLiteral("FQty"), l.qtyText);
        FlexOrder->setText(r, QStringLiteral("FPreQty"), l.giftText);
        FlexOrder->setText(r, QStringLiteral("FAmount"), l.amountText);
        FlexOrder->setText(r, QStringLiteral("FYxq"), l.validText());
        FlexOrder->setText(r, QStringLiteral("FItemID"), QString::number(l.itemId));
    }
    RefreshAmount();
}

void frmOrderbill::cmdDel_Click()
{
    const int r = FlexOrder->currentGridRow();
    if (r < 1 || r > m_order.lines().size())
        return;
    if (!Prompts::current().question(QStringLiteral("是否删除所选行？")))
        return;
    m_order.remove(r - 1);
    drawLines();
    txtBarcode->setFocus();
}

void frmOrderbill::setUnlocked(bool unlocked)
{
    m_unlocked = unlocked;
    for (QWidget *w : std::initializer_list<QWidget *>{
             txtVipNo, txtOwner, txtPhone, txtBarcode, cmbItem, dtpDate, txtVipID, txtQty, txtPrice,
             txtPreQty, txtAmount, chkYxq, cmdSave, cmdAdd, cmdDel})
        w->setEnabled(unlocked);
    lblDisModify->setVisible(!unlocked);
    dtpYxq->setEnabled(unlocked && chkYxq->isChecked());
}

void frmOrderbill::cmdNew_Click()
{
    setUnlocked(true);
    txtVipNo->clear();
    txtVipID->clear();
    txtOwner->clear();
    txtPhone->clear();
    m_order.clear();
    m_vipBalance = Money();
    lblCzBal->setText(kBalanceCaption + m_vipBalance.format());
    chkYxq->setChecked(false);
    dtpYxq->setEnabled(false);
    dtpDate->setDate(QDate::currentDate());
    FlexOrder->setRows(1);
    clearEntry();
    txtVipNo->setFocus();
}

void frmOrderbill::readHeader()
{
    m_order.vipNo = txtVipNo->text().trimmed();
    m_order.owner = txtOwner->text();
    m_order.phone = txtPhone->text();
    m_order.vipId = txtVipID->text().trimmed();
    m_order.date = dtpDate->date();
}

void frmOrderbill::cmdSave_Click()
{
    // A "+" held down or Ctrl+S pressed while the settlement is open must not save twice.
    if (m_saving || !cmdSave->isEnabled())
        return;
    m_saving = true;
    const auto done = qScopeGuard([this] { m_saving = false; });
    readHeader();
    if (!runShowingErrors(this,
                          [this] { m_order.checkForSave(chkYxq->isChecked(), dtpYxq->date()); }))
        return;
    SalePayment payment;
    const Money due = m_order.due();
    if (due > Money() && !settle(due, m_order.vipNo, m_vipBalance, &payment))
        return;
    SavedOrder saved;
    if (!runShowingErrors(this, [&] {
            saved = MemberOrderStore::save(GetCnstr(), m_order, payment, GetUserID());
        }))
        return;
    Prompts::current().information(QStringLiteral("保存成功！"));
    if (saved.cashBack > Money())
        Prompts::current().information(QStringLiteral("应退现金：") + saved.cashBack.format());

    // What was saved is off the screen before the drawer and the printer get a chance to
    // fail, so a second save can never store the same order twice.
    const OrderDraft printed = m_order;
    if (m_order.id == 0) {
        cmdNew_Click();
    } else {
        const QString vipId = txtVipID->text();
        loadOrder();
        txtVipID->setText(vipId);
    }
    // The order is stored: a drawer or a printer that fails is told, nothing more.
    AfterSave after{QString()};
    after.attempt([] { DevicePort::openCashDrawer(); }, QStringLiteral("订单已保存，钱箱打开失败："));
    if (!chkNoPrint->isChecked()) {
        const OrderDraft shown = m_order;
        m_order = printed;
        after.attempt([&] { printOrder(true, saved.cash, saved.reserve, saved.balanceAfter, saved.cashBack); },
                      QStringLiteral("订单已保存，打印失败："));
        m_order = shown;
    }
    after.report();
}

bool frmOrderbill::settle(Money amount, const QString &vipNo, Money balance, SalePayment *out)
{
    // The dialog gets the card's balance as it stands now; the save checks it again under
    // the card's lock.
    Q_UNUSED(balance);
    Money now; // a server gone at this moment is a message, the order stays on the screen
    if (!runShowingErrors(this, [&] { now = StoredValueLedger::balance(GetCnstr(), vipNo); }))
        return false;
    frmVipSettle dialog(this);
    dialog.init(amount, vipNo, now);
    DialogRunner::exec(dialog);
    if (!dialog.OK())
        return false;
    out->cash = dialog.GetCash();
    out->reserve = dialog.GetReserve();
    // The settlement covers the amount in full; what is neither cash nor stored value (bank
    // card, vouchers, discount) is recorded too, so a re-save does not charge it again.
    out->other = amount - out->cash - out->reserve;
    return true;
}

void frmOrderbill::printOrder(bool printDirect, Money cash, Money reserve, Money reserveBalance,
                              Money cashBack)
{
    RecordSet rs = OrderReceipt::build(m_order, GetUserName(), cash, reserve, reserveBalance,
                                       QDateTime::currentDateTime(), cashBack);
    KwTdPrinter printer;
    printer.DoPrint(printDirect, GetCnstr(), OrderReceipt::TranType, true, false, rs,
                    OrderReceipt::templateName());
}

void frmOrderbill::Command1_Click()
{
    if (m_order.isEmpty()) {
        Prompts::current().information(QStringLiteral("没有数据！"));
        return;
    }
    readHeader();
    runShowingErrors(this, [this] { printOrder(false, Money(), Money(), m_vipBalance); });
}

void frmOrderbill::cmdEditDate_Click()
{
    if (!mayDo(this, QStringLiteral("EditOrderYxq")))
        return;
    const int r = FlexOrder->currentGridRow();
    if (r < 1 || r > m_order.lines().size() || !m_order.lines()[r - 1].validTo.isValid())
        return;
    const OrderDraftLine line = m_order.lines()[r - 1];
    frmEditDate dialog(this);
    dialog.init(m_order.id, line.itemId, line.validTo);
    DialogRunner::exec(dialog);
    if (!dialog.OK())
        return;
    // A stored order had the date written on every line of the item; show it so.
    for (int i = 0; i < m_order.lines().size(); ++i)
        if (i == r - 1 || (m_order.id != 0 && m_order.lines()[i].itemId == line.itemId))
            m_order.setValidity(i, dialog.NewDate());
    drawLines();
    FlexOrder->setCurrentGridRow(r);
}
