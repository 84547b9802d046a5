#include "ui/pos/frmSaleBill.h"

#include <algorithm>
#include <functional>

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QShortcut>
#include <QStatusBar>
#include <QVBoxLayout>

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
#include "core/frame/StationSettings.h"
#include "core/base/NumberText.h"
#include "core/frame/Prompts.h"
#include "core/frame/ReferenceData.h"
#include "core/frame/Routines.h"
#include "core/frame/Session.h"
#include "core/base/CoreError.h"
#include "ui/orders/frmOrderCkMxb.h"
#include "ui/orders/frmOrderAdjSelItem.h"
#include "ui/pos/frmEditDate.h"
#include "ui/pos/frmInputQty.h"
#include "ui/pos/frmReadVip.h"
#include "ui/pos/frmVipSettle.h"
#include "core/members/StoredValueLedger.h"
#include "core/pos/SaleBillStore.h"
#include "ui/print/DevicePort.h"
#include "ui/print/KwTdPrinter.h"

namespace {

// A station without a printer is told once per session in a box; after that the status
// bar says where each receipt went, and the next customer is not kept waiting.
bool spoolNoticeShown = false;

} // namespace

frmSaleBill::frmSaleBill(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmSaleBill"));
    setWindowTitle(QStringLiteral("销售单"));
    buildControls();
    Form_Load();
}

void frmSaleBill::buildControls()
{
    Frame1 = named(new QGroupBox(QStringLiteral("顾客资料"), this), "Frame1");
    txtVipNo = named(new QLineEdit(Frame1), "txtVipNo");
    txtOwner = named(new QLineEdit(Frame1), "txtOwner");
    cmdReadVip = named(new QPushButton(QStringLiteral("读会员卡(&F3)"), Frame1), "cmdReadVip");
    lblCzBal = named(new QLabel(QStringLiteral("充值余额：0.00"), Frame1), "lblCzBal");
    auto *g1 = new QGridLayout(Frame1);
    DialogLayout::place(g1, 0, 0, QStringLiteral("会员卡号："), txtVipNo);
    g1->addWidget(cmdReadVip, 0, 2);
    DialogLayout::place(g1, 1, 0, QStringLiteral("持卡人："), txtOwner);
    g1->addWidget(lblCzBal, 1, 2);
    g1->setColumnStretch(1, 1);
    // A card number and a name must be readable, whatever the frame's share of the width.
    txtVipNo->setMinimumWidth(120);
    txtOwner->setMinimumWidth(120);
    g1->setRowStretch(2, 1);

    Frame2 = named(new QGroupBox(QStringLiteral("商品信息"), this), "Frame2");
    cmbStock = named(new QComboBox(Frame2), "cmbStock");
    cmbStock->setEditable(true);
    cmbStock->setInsertPolicy(QComboBox::NoInsert);
    dtpDate = named(new QDateEdit(Frame2), "dtpDate");
    dtpDate->setCalendarPopup(true);
    dtpDate->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    txtBarcode = named(new QLineEdit(Frame2), "txtBarcode");
    cmbItem = named(new QComboBox(Frame2), "cmbItem");
    cmbItem->setEditable(true);
    cmbItem->setInsertPolicy(QComboBox::NoInsert);
    txtQty = named(new QLineEdit(QStringLiteral("1"), Frame2), "txtQty");
    txtPrice = named(new QLineEdit(Frame2), "txtPrice");
    cmdAdd = named(new QPushButton(QStringLiteral("添加"), Frame2), "cmdAdd");
    cmdDel = named(new QPushButton(QStringLiteral("删除行"), Frame2), "cmdDel");
    auto *g2 = new QGridLayout(Frame2);
    DialogLayout::place(g2, 0, 0, QStringLiteral("出库仓库："), cmbStock);
    DialogLayout::place(g2, 0, 2, QStringLiteral("单据日期："), dtpDate);
    DialogLayout::place(g2, 1, 0, QStringLiteral("商品条码："), txtBarcode);
    DialogLayout::place(g2, 1, 2, QStringLiteral("名称："), cmbItem, 3);
    DialogLayout::place(g2, 2, 0, QStringLiteral("数量："), txtQty);
    DialogLayout::place(g2, 2, 2, QStringLiteral("单价："), txtPrice);
    g2->addWidget(cmdAdd, 2, 4);
    g2->addWidget(cmdDel, 2, 5);
    g2->setColumnStretch(1, 2);
    g2->setColumnStretch(3, 2);

    const QFont big = CounterScreen::totalFont(*this);

    FlexSale = named(new KeyedGrid(this), "FlexSale");
    lblQty = named(new QLabel(QStringLiteral("数量：0"), this), "lblQty");
    lblSumAmount = named(new QLabel(QStringLiteral("应收合计：0.00"), this), "lblSumAmount");
    lblQty->setFont(big);
    lblSumAmount->setFont(big);
    lblSumAmount->setStyleSheet(QStringLiteral("color: #b00000"));
    lblQty->setMinimumWidth(160);
    lblSumAmount->setMinimumWidth(240);
    chkNoPrint = named(new QCheckBox(QStringLiteral("不打印"), this), "chkNoPrint");
    cmdTestPrint = named(new QPushButton(QStringLiteral("打印测试"), this), "cmdTestPrint");

    Frame3 = named(new QGroupBox(QStringLiteral("订单信息"), this), "Frame3");
    FlexOrder = named(new KeyedGrid(Frame3), "FlexOrder");
    cmdEditDate = named(new QPushButton(QStringLiteral("修改有效期(&M)"), Frame3), "cmdEditDate");
    Command1 = named(new QPushButton(QStringLiteral("更换奶种"), Frame3), "Command1");
    auto *g3 = new QVBoxLayout(Frame3);
    g3->addWidget(FlexOrder);
    auto *orderButtons = new QHBoxLayout;
    orderButtons->addStretch();
    orderButtons->addWidget(cmdEditDate);
    orderButtons->addWidget(Command1);
    g3->addLayout(orderButtons);

    cmdNew = named(new QPushButton(QStringLiteral("新建(&N)"), this), "cmdNew");
    // "+" saves through the key preview; an underlined plus would read as "±".
    cmdSave = named(new QPushButton(QStringLiteral("保存(+)"), this), "cmdSave");

    auto *top = new QHBoxLayout;
    top->addWidget(Frame1, 2);
    top->addWidget(Frame2, 3);
    auto *totals = new QHBoxLayout;
    totals->addWidget(lblQty);
    totals->addWidget(lblSumAmount);
    totals->addStretch();
    totals->addWidget(chkNoPrint);
    totals->addWidget(cmdTestPrint);
    StatusBar1 = named(new QStatusBar(this), "StatusBar1");
    StatusBar1->setSizeGripEnabled(false);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(StatusBar1, 1);
    bottom->addWidget(cmdNew);
    bottom->addWidget(cmdSave);
    auto *main = new QVBoxLayout(this);
    main->addLayout(top);
    main->addWidget(FlexSale, 3);
    main->addLayout(totals);
    main->addWidget(Frame3, 2);
    main->addLayout(bottom);

    // The cashier's path first: member, item, quantity, price, add.
    setTabOrder(txtVipNo, txtOwner);
    setTabOrder(txtOwner, cmdReadVip);
    setTabOrder(cmdReadVip, txtBarcode);
    setTabOrder(txtBarcode, cmbItem);
    setTabOrder(cmbItem, txtQty);
    setTabOrder(txtQty, txtPrice);
    setTabOrder(txtPrice, cmdAdd);
    setTabOrder(cmdAdd, cmdDel);
    setTabOrder(cmdDel, FlexSale);
    setTabOrder(FlexSale, cmbStock);
    setTabOrder(cmbStock, dtpDate);
    setTabOrder(dtpDate, chkNoPrint);
    setTabOrder(chkNoPrint, cmdTestPrint);
    setTabOrder(cmdTestPrint, FlexOrder);
    setTabOrder(FlexOrder, cmdEditDate);
    setTabOrder(cmdEditDate, Command1);
    setTabOrder(Command1, cmdNew);
    setTabOrder(cmdNew, cmdSave);

    connect(cmdAdd, &QPushButton::clicked, this, &frmSaleBill::cmdAdd_Click);
    connect(cmdDel, &QPushButton::clicked, this, &frmSaleBill::cmdDel_Click);
    connect(cmdNew, &QPushButton::clicked, this, &frmSaleBill::cmdNew_Click);
    connect(cmdSave, &QPushButton::clicked, this, &frmSaleBill::cmdSave_Click);
    connect(cmdReadVip, &QPushButton::clicked, this, &frmSaleBill::cmdReadVip_Click);
    connect(cmdEditDate, &QPushButton::clicked, this, &frmSaleBill::cmdEditDate_Click);
    connect(Command1, &QPushButton::clicked, this, &frmSaleBill::Command1_Click);
    connect(cmdTestPrint, &QPushButton::clicked, this, &frmSaleBill::cmdTestPrint_Click);
    connect(cmbStock, &QComboBox::textActivated, this, &frmSaleBill::cmbStock_Click);
    connect(FlexOrder, &KeyedGrid::rowDoubleClicked, this, &frmSaleBill::FlexOrder_DblClick);
    connect(FlexOrder, &KeyedGrid::cellButtonClicked, this, &frmSaleBill::FlexOrder_CellButtonClick);
    auto *del = new QShortcut(QKeySequence::Delete, FlexSale, nullptr, nullptr, Qt::WidgetShortcut);
    connect(del, &QShortcut::activated, this, &frmSaleBill::cmdDel_Click);

    // Ctrl+S, "+" and F3 act wherever the focus is.
    new KeyPreview(this, [this](QKeyEvent *e) {
        if (e->key() == Qt::Key_S && e->modifiers() == Qt::ControlModifier) {
            cmdSave_Click();
            return true;
        }
        if (e->key() == Qt::Key_F3 && e->modifiers() == Qt::NoModifier) {
            cmdReadVip_Click();
            return true;
        }
        if (e->key() == Qt::Key_F4 && e->modifiers() == Qt::NoModifier) {
            focusOrders();
            return true;
        }
        // The "+" that saves is not typed into the box; a held key saves only once.
        if (e->text() == QStringLiteral("+")) {
            if (!e->isAutoRepeat())
                cmdSave_Click();
            return true;
        }
        return false;
    });
    // Enter walks the cashier's path: member, code, quantity; Enter in the quantity or the
    // price adds the line (which puts the focus back in the code box itself).
    EnterMovesFocus::link(txtVipNo, txtBarcode);
    // With "扫码直接加入" one scan is one line, and the box waits for the next scan.
    EnterMovesFocus::link(txtBarcode, txtQty, [this] {
        if (!StationSettings::scanAddsLine())
            return true;
        scanAddLine();
        return false;
    });
    EnterMovesFocus::link(cmbItem, txtQty);
    for (QWidget *w : {static_cast<QWidget *>(txtQty), static_cast<QWidget *>(txtPrice)})
        EnterMovesFocus::link(w, txtBarcode, [this] {
            cmdAdd_Click();
            return false;
        });
    EnterMovesFocus::chain({cmbStock, dtpDate, chkNoPrint});
    m_entry = new ItemEntry(this, txtBarcode, cmbItem, txtPrice,
                            ItemLookup::Codes::ShopNumberOrBarCode, ItemEntry::NoPrice::KeepShown);
    FieldLeft::watch(txtBarcode, [this] { txtBarcode_LostFocus(); });
    FieldLeft::watch(txtVipNo, [this] { txtVipNo_LostFocus(); });
    SelectOnFocus::watch({txtVipNo, txtBarcode, cmbItem, txtQty, txtPrice});
    // Enter on an order line picks from it, as a double-click does.
    FlexOrder->installEventFilter(this);

    CounterScreen::applyFont(*this);
    resize(1024, 700);
    txtBarcode->setFocus();
}

void frmSaleBill::setUpGrids()
{
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
    const Qt::Alignment centre = Qt::AlignCenter;
    FlexSale->setColumns({
        {QStringLiteral("FOrder"), QStringLiteral("序号"), 50, false, centre},
        {QStringLiteral("FName"), QStringLiteral("商品名称"), 240},
        {QStringLiteral("FPrice"), QStringLiteral("单价"), 80, false, right},
        {QStringLiteral("FMainQty"), QStringLiteral("件数"), 60, false, right},
        {QStringLiteral("FQty"), QStringLiteral("数量"), 70, false, right},
        {QStringLiteral("FAmount"), QStringLiteral("金额"), 90, false, right},
        {QStringLiteral("FBal"), QStringLiteral("订单剩余"), 80, false, right},
        {QStringLiteral("fyxq"), QStringLiteral("有效期"), 100, false, centre},
        {QStringLiteral("FItemID"), QString(), 0, true},
        {QStringLiteral("FInterID"), QString(), 0, true},
        {QStringLiteral("FEntryID"), QString(), 0, true},
        {QStringLiteral("FPrice1"), QString(), 0, true},
        {QStringLiteral("FAmount1"), QString(), 0, true},
    });
    FlexSale->horizontalHeader()->setSectionResizeMode(FlexSale->colIndex(QStringLiteral("FName")),
                                                       QHeaderView::Stretch);
    FlexSale->setEditTriggers(QAbstractItemView::NoEditTriggers);

    FlexOrder->setColumns({
        {QStringLiteral("FDate"), QStringLiteral("订单日期"), 95, false, centre},
        {QStringLiteral("FName"), QStringLiteral("商品名称"), 200},
        {QStringLiteral("FQty"), QStringLiteral("订购数量"), 75, false, right},
        {QStringLiteral("FCplQty"), QStringLiteral("已取数量"), 75, false, right},
        {QStringLiteral("FCancelQty"), QString(), 0, true},
        {QStringLiteral("FUnCplQty"), QStringLiteral("未取数量"), 75, false, right},
        {QStringLiteral("FPrice"), QStringLiteral("单价"), 70, false, right},
        {QStringLiteral("FAmount"), QStringLiteral("金额"), 85, false, right},
        {QStringLiteral("FYxq"), QStringLiteral("有效期"), 95, false, centre},
        {QStringLiteral("Fmx"), QStringLiteral("出库明细"), 80, false, centre},
        {QStringLiteral("FItemID"), QString(), 0, true},
        {QStringLiteral("FInterID"), QString(), 0, true},
        {QStringLiteral("FEntryID"), QString(), 0, true},
    });
    FlexOrder->setColButton(QStringLiteral("Fmx"), true);
    FlexOrder->horizontalHeader()->setSectionResizeMode(FlexOrder->colIndex(QStringLiteral("FName")),
                                                        QHeaderView::Stretch);
    // Only the hand-out detail button of the order grid reacts; its cells are not edited.
    FlexOrder->setEditTriggers(QAbstractItemView::NoEditTriggers);
}

void frmSaleBill::init(int ID)
{
    m_bill.billId = ID;
}

void frmSaleBill::Form_Load()
{
    setUpGrids();
    dtpDate->setDate(QDate::currentDate());
    runShowingErrors(this, [this] {
        const QStringList names = ReferenceData::warehouseNames(GetCnstr());
        cmbStock->clear();
        cmbStock->addItems(names);
        cmbStock->setCurrentText(StationSettings::saleStock());
    });
    resolveStock();
}

void frmSaleBill::Form_Unload()
{
    try {
        StationSettings::setSaleStock(cmbStock->currentText());
    } catch (const CoreError &e) {
        showError(e, this);
    }
}

void frmSaleBill::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    QWidget::closeEvent(event);
}

void frmSaleBill::txtBarcode_LostFocus()
{
    m_entry->lookUp();
    txtQty->setText(QStringLiteral("1"));
}

void frmSaleBill::clearItemEntry()
{
    m_entry->clear();
    txtQty->setText(QStringLiteral("1"));
}

void frmSaleBill::scanAddLine()
{
    const auto [qty, code] = SaleBill::splitScan(txtBarcode->text());
    txtBarcode->setText(code);
    txtBarcode_LostFocus();
    if (!qty.isEmpty())
        txtQty->setText(qty);
    cmdAdd_Click();
}

void frmSaleBill::cmdAdd_Click()
{
    // A second code scanned too early lands in the quantity box: asked, No preselected.
    const double qty = NumberText::val(txtQty->text());
    if (m_entry->itemId() != 0 && SaleBill::looksLikeCode(qty, StationSettings::qtyAskAbove()) &&
        !Prompts::current().question(
            QStringLiteral("数量 %1 是否正确？").arg(NumberText::plain(qty)), true)) {
        // Leaving the code box (after a scan) looks the code up again, which resets the
        // quantity: the typed one is put back to be corrected.
        const QString typed = txtQty->text();
        txtQty->setFocus();
        txtQty->setText(typed);
        txtQty->selectAll();
        return;
    }
    try {
        m_bill.add(m_entry->itemId(), cmbItem->currentText(), NumberText::val(txtQty->text()),
                   Money::parseTyped(txtPrice->text()), m_entry->exchange());
    } catch (const CoreError &e) {
        showError(e, this);
        return;
    }
    drawLines();
    FlexSale->scrollToBottom();
    txtBarcode->clear();
    clearItemEntry();
    txtBarcode->setFocus();
}

void frmSaleBill::drawLines()
{
    FlexSale->setRows(1);
    for (const SaleLine &l : m_bill.lines()) {
        const int r = FlexSale->addRow();
        FlexSale->setText(r, QStringLiteral("FOrder"), QString::number(r));
        FlexSale->setText(r, QStringLiteral("FName"), l.name);
        if (!l.isPickup()) {
            FlexSale->setText(r, QStringLiteral("FPrice"), l.price.format());
            FlexSale->setText(r, QStringLiteral("FAmount"), l.amount.format());
        }
        if (l.mainQty != 0)
            FlexSale->setText(r, QStringLiteral("FMainQty"), QString::number(l.mainQty));
        FlexSale->setText(r, QStringLiteral("FQty"), NumberText::plain(l.qty));
        if (l.isPickup()) {
            FlexSale->setText(r, QStringLiteral("FBal"), QString::number(l.orderBalance));
            if (l.validTo.isValid())
                FlexSale->setText(r, QStringLiteral("fyxq"), l.validTo.toString(QStringLiteral("yyyy-MM-dd")));
            FlexSale->setText(r, QStringLiteral("FInterID"), QString::number(l.orderId));
            FlexSale->setText(r, QStringLiteral("FEntryID"), QString::number(l.orderEntryId));
        }
        FlexSale->setText(r, QStringLiteral("FPrice1"), l.price1.format());
        FlexSale->setText(r, QStringLiteral("FAmount1"), l.amount1.format());
        FlexSale->setText(r, QStringLiteral("FItemID"), QString::number(l.itemId));
    }
    RefreshTotals();
}

void frmSaleBill::cmdDel_Click()
{
    const int r = FlexSale->currentGridRow();
    if (r < 1)
        return;
    if (!Prompts::current().question(QStringLiteral("是否删除所选产品？")))
        return;
    const bool pickup = r - 1 < m_bill.lines().size() && m_bill.lines()[r - 1].isPickup();
    m_bill.remove(r - 1);
    drawLines();
    // Its units are open again: the order grid and the receipt must say so.
    if (pickup)
        readMemberOrders();
    txtBarcode->setFocus();
}

void frmSaleBill::RefreshTotals()
{
    lblQty->setText(QStringLiteral("数量：") + NumberText::plain(m_bill.totalQty()));
    lblSumAmount->setText(QStringLiteral("应收金额：") + m_bill.shownAmount().format());
}

void frmSaleBill::cmdNew_Click()
{
    txtVipNo->clear();
    txtOwner->clear();
    txtBarcode->clear();
    clearItemEntry();
    m_bill.clear();
    FlexSale->setRows(1);
    FlexOrder->setRows(1);
    lblQty->setText(QStringLiteral("数量："));
    lblSumAmount->setText(QStringLiteral("应收合计："));
    m_vipBalance = Money();
    m_orderLines.clear();
    m_memberVipNo.clear();
    txtBarcode->setFocus();
    lblCzBal->setText(QStringLiteral("充值余额：0.00"));
}

void frmSaleBill::cmbStock_Click()
{
    resolveStock();
}

void frmSaleBill::resolveStock()
{
    // An unknown name leaves no id from an earlier choice behind.
    m_bill.stockId = 0;
    runShowingErrors(this, [this] {
        m_bill.stockId = ReferenceData::warehouseId(GetCnstr(), cmbStock->currentText());
    });
}

void frmSaleBill::txtVipNo_LostFocus()
{
    if (confirmCardChange())
        lookUpMember();
}

bool frmSaleBill::confirmCardChange()
{
    if (txtVipNo->text().trimmed() == m_memberVipNo.trimmed() || !m_bill.hasPickups())
        return true;
    if (!Prompts::current().question(
            QStringLiteral("单据中有会员卡 %1 的订单取货，更换卡号将删除这些取货行。是否继续？")
                .arg(m_memberVipNo.trimmed()))) {
        txtVipNo->setText(m_memberVipNo);
        return false;
    }
    m_bill.removePickups();
    drawLines();
    return true;
}

void frmSaleBill::lookUpMember(const QString &holder)
{
    // Nothing of the customer before stays: not the name, the balance nor the order lines,
    // also when the lookup fails.
    m_memberVipNo = txtVipNo->text();
    txtOwner->clear();
    m_vipBalance = Money();
    lblCzBal->setText(QStringLiteral("充值余额：0.00"));
    m_orderLines.clear();
    drawOrderLines();
    readMemberOrders(&holder);
}

void frmSaleBill::readMemberOrders(const QString *holder)
{
    runShowingErrors(this, [&] {
        const MemberLookup m =
            MemberOrders::lookup(GetCnstr(), m_memberVipNo, GetServerDate().date(), &m_bill);
        if (holder)
            txtOwner->setText(m.owner.isEmpty() ? *holder : m.owner);
        m_vipBalance = m.balance;
        lblCzBal->setText(QStringLiteral("充值余额：") + m.balance.format());
        m_orderLines = m.lines;
        MemberOrders::refreshPickups(m_bill, m_orderLines);
        drawOrderLines();
        drawLines();
    });
}

void frmSaleBill::drawOrderLines()
{
    FlexOrder->setRows(1);
    for (const OpenOrderLine &l : m_orderLines) {
        const int r = FlexOrder->addRow();
        FlexOrder->setText(r, QStringLiteral("FDate"), l.date.toString(QStringLiteral("yyyy-MM-dd")));
        FlexOrder->setText(r, QStringLiteral("FName"), l.name);
        FlexOrder->setText(r, QStringLiteral("FQty"), QString::number(l.qty));
        FlexOrder->setText(r, QStringLiteral("FCplQty"), QString::number(l.done));
        FlexOrder->setText(r, QStringLiteral("FUnCplQty"), QString::number(l.open));
        FlexOrder->setText(r, QStringLiteral("FPrice"), l.price.format());
        FlexOrder->setText(r, QStringLiteral("FAmount"), l.amount.format());
        if (l.validTo.isValid())
            FlexOrder->setText(r, QStringLiteral("FYxq"), l.validTo.toString(QStringLiteral("yyyy-MM-dd")));
        FlexOrder->setText(r, QStringLiteral("FItemID"), QString::number(l.itemId));
        FlexOrder->setText(r, QStringLiteral("FInterID"), QString::number(l.orderId));
        FlexOrder->setText(r, QStringLiteral("FEntryID"), QString::number(l.entryId));
    }
}

void frmSaleBill::cmdReadVip_Click()
{
    frmReadVip dialog(this);
    DialogRunner::exec(dialog);
    if (!dialog.OK())
        return;
    txtVipNo->setText(dialog.VipNO());
    if (confirmCardChange())
        lookUpMember(dialog.VipOwner());
    txtBarcode->setFocus();
}

void frmSaleBill::cmdSave_Click()
{
    // One save at a time: a "+" or Ctrl+S arriving while the settlement is open is dropped.
    if (m_saving)
        return;
    const QScopedValueRollback<bool> guard(m_saving, true);
    // A card typed but not left yet (the "+" came first) is looked up before anything is
    // settled, so the bill never goes out under a card its pick-ups do not belong to.
    if (txtVipNo->text().trimmed() != m_memberVipNo.trimmed()) {
        if (!confirmCardChange())
            return;
        lookUpMember();
    }
    if (m_bill.isEmpty()) {
        Prompts::current().information(QStringLiteral("请输入商品！"));
        txtBarcode->setFocus();
        return;
    }
    SaleBill bill = m_bill;
    bill.date = dtpDate->date();
    bill.vipNo = txtVipNo->text();
    bill.owner = txtOwner->text();
    SalePayment payment;
    SavedSale saved;
    bool settled = true;
    bool unitsGone = false;
    const bool ok = runShowingErrors(this, [&] {
        try {
            // Looked up afresh: a name no longer known must not keep an earlier warehouse.
            bill.stockId = m_bill.stockId =
                ReferenceData::warehouseId(GetCnstr(), cmbStock->currentText());
            if (bill.stockId == 0)
                throw CoreError::refusal(QStringLiteral("仓库名称不存在！"),
                                         QStringLiteral("cmbStock"));
            const Money receivable = bill.receivable();
            if (!receivable.isZero()) {
                frmVipSettle dialog(this);
                dialog.init(receivable, bill.vipNo, StoredValueLedger::balance(GetCnstr(), bill.vipNo));
                DialogRunner::exec(dialog);
                if (!(settled = dialog.OK()))
                    return;
                payment = {dialog.GetCash(), dialog.GetReserve()};
            }
            saved = SaleBillStore::save(GetCnstr(), bill, payment, GetUserID());
        } catch (const CoreError &e) {
            if (e.number() != SaleBillStore::UnitsGone)
                throw;
            // Another station handed out what this bill picked: say so, and show what is left.
            unitsGone = true;
            throw CoreError::refusal(
                QStringLiteral("会员订单的剩余数量已被其他收银台取走，单据未保存！已重新读取订单，请按"
                               "剩余数量重新取货。"));
        }
    });
    if (unitsGone) {
        readMemberOrders();
        return;
    }
    if (!ok || !settled)
        return;

    // The bill is stored. Nothing after this may leave it on the screen to be saved twice:
    // the drawer and the receipt are each tried, the screen is cleared, and the cashier is
    // told what did not work.
    AfterSave after;
    QString spooled;
    after.attempt([this] { openCashDrawer(); });
    if (!chkNoPrint->isChecked())
        after.attempt([&] {
            spooled = printReceipt(true, {payment.cash, payment.reserve, saved.balanceAfter});
        });
    cmdNew_Click();
    StatusBar1->showMessage(
        spooled.isEmpty()
            ? QString()
            : QStringLiteral("单据已保存，没有可用的打印机，小票已保存为 PDF 文件：%1")
                  .arg(QDir::toNativeSeparators(spooled)));
    after.report();
}

void frmSaleBill::cmdEditDate_Click()
{
    if (!mayDo(this, QStringLiteral("EditOrderYxq")))
        return;
    const int r = FlexOrder->currentGridRow();
    if (r < 1 || r > m_orderLines.size() || !m_orderLines[r - 1].validTo.isValid())
        return;
    OpenOrderLine &line = m_orderLines[r - 1];
    frmEditDate dialog(this);
    dialog.init(line.orderId, line.itemId, line.validTo);
    DialogRunner::exec(dialog);
    if (!dialog.OK())
        return;
    // The date went on every line of that item in the order, and may change what is open.
    readMemberOrders();
    FlexOrder->setCurrentGridRow(std::min(r, FlexOrder->rows() - 1));
}

void frmSaleBill::Command1_Click()
{
    const int r = FlexOrder->currentGridRow();
    if (r < 1 || r > m_orderLines.size())
        return;
    const OpenOrderLine &line = m_orderLines[r - 1];
    frmOrderAdjSelItem dialog(this);
    dialog.init(line.orderId, line.itemId, line.name, line.price.toDouble());
    DialogRunner::exec(dialog);
    if (!dialog.OK())
        return;
    // The exchange rewrote the order line: read the member's lines afresh, so no stale row stays.
    readMemberOrders();
    FlexOrder->setCurrentGridRow(r);
}

void frmSaleBill::cmdTestPrint_Click()
{
    // A preview of what is rung up so far: nothing is paid yet, the card keeps its balance.
    runShowingErrors(this, [this] { printReceipt(false, {Money(), Money(), m_vipBalance}); });
}

RecordSet frmSaleBill::receiptData(const ReceiptPayment &payment) const
{
    SaleBill bill = m_bill;
    bill.date = dtpDate->date();
    bill.vipNo = txtVipNo->text();
    bill.owner = txtOwner->text();
    return SaleReceipt::build(bill, SaleReceipt::openAfterTotal(m_orderLines), GetUserName(),
                              QDateTime::currentDateTime(), payment);
}

QString frmSaleBill::printReceipt(bool direct, const ReceiptPayment &payment)
{
    if (m_bill.isEmpty()) {
        Prompts::current().information(QStringLiteral("没有数据！"));
        return QString();
    }
    RecordSet data = receiptData(payment);
    KwTdPrinter printer;
    printer.setSpoolNotice(!spoolNoticeShown);
    printer.DoPrint(direct, GetCnstr(), SaleReceipt::TranType, false, true, data,
                    SaleReceipt::templateName());
    if (!printer.spooledFile().isEmpty())
        spoolNoticeShown = true;
    return printer.spooledFile();
}

void frmSaleBill::openCashDrawer()
{
    DevicePort::openCashDrawer();
}

void frmSaleBill::focusOrders()
{
    FlexOrder->setFocus(Qt::ShortcutFocusReason);
    if (FlexOrder->currentGridRow() < 1 && FlexOrder->rows() > 1)
        FlexOrder->setCurrentGridRow(1);
}

void frmSaleBill::FlexOrder_DblClick()
{
    const int r = FlexOrder->currentGridRow();
    if (r < 1 || r > m_orderLines.size())
        return;
    OpenOrderLine &line = m_orderLines[r - 1];
    frmInputQty dialog(this);
    dialog.init(int(line.open));
    DialogRunner::exec(dialog);
    // Picked or not, the next thing the cashier does is scan.
    txtBarcode->setFocus();
    const int q = dialog.GetQty();
    if (q <= 0 || q > line.open)
        return;
    m_bill.addLine(MemberOrders::pickup(line, q));
    line.open -= q;
    FlexOrder->setText(r, QStringLiteral("FUnCplQty"), QString::number(line.open));
    drawLines();
    FlexSale->scrollToBottom();
}

void frmSaleBill::FlexOrder_CellButtonClick(int row, const QString &key)
{
    if (row < 1 || key.compare(QStringLiteral("Fmx"), Qt::CaseInsensitive) != 0)
        return;
    frmOrderCkMxb detail(this);
    detail.init(int(FlexOrder->value(row, QStringLiteral("FInterID"))),
                int(FlexOrder->value(row, QStringLiteral("FEntryID"))),
                int(FlexOrder->value(row, QStringLiteral("FQty"))), txtVipNo->text());
    DialogRunner::exec(detail);
}

bool frmSaleBill::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == FlexOrder && event->type() == QEvent::KeyPress) {
        const auto *k = static_cast<QKeyEvent *>(event);
        if ((k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) &&
            (k->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            FlexOrder_DblClick();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
