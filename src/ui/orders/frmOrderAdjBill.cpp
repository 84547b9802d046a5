#include "ui/orders/frmOrderAdjBill.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include "ui/widgets/DialogLayout.h"

#include "ui/widgets/ErrorPrompt.h"
#include "ui/widgets/DialogRunner.h"
#include "ui/widgets/EnterMovesFocus.h"
#include "ui/widgets/FieldLeft.h"
#include "ui/widgets/KeyedGrid.h"
#include "core/base/NumberText.h"
#include "core/frame/Prompts.h"
#include "core/frame/Routines.h"
#include "core/base/CoreError.h"
#include "core/orders/OrderExchange.h"
#include "ui/orders/frmOrderAdjSelItem.h"

namespace {

int twips(int t)
{
    return t / 15;
}

} // namespace

frmOrderAdjBill::frmOrderAdjBill(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmOrderAdjBill"));
    setWindowTitle(QStringLiteral("调换奶种"));

    Frame1 = new QGroupBox(QStringLiteral("顾客资料"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    auto field = [this](const char *name, bool readOnly) {
        auto *e = new QLineEdit(Frame1);
        e->setObjectName(QString::fromLatin1(name));
        e->setReadOnly(readOnly);
        if (readOnly)
            e->setFocusPolicy(Qt::ClickFocus);
        return e;
    };
    txtVipNo = field("txtVipNo", false);
    txtOwner = field("txtOwner", true);
    txtPhone = field("txtPhone", true);
    txtVipID = field("txtVipID", true);
    dtpDate = new QDateEdit(Frame1);
    dtpDate->setObjectName(QStringLiteral("dtpDate"));
    dtpDate->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    dtpDate->setReadOnly(true);
    dtpDate->setButtonSymbols(QAbstractSpinBox::NoButtons);
    dtpDate->setFocusPolicy(Qt::NoFocus);
    auto *g1 = new QGridLayout(Frame1);
    DialogLayout::place(g1, 0, 0, QStringLiteral("卡  号："), txtVipNo);
    DialogLayout::place(g1, 0, 2, QStringLiteral("持卡人："), txtOwner);
    DialogLayout::place(g1, 0, 4, QStringLiteral("电话："), txtPhone);
    DialogLayout::place(g1, 1, 0, QStringLiteral("身份证："), txtVipID);
    DialogLayout::place(g1, 1, 2, QStringLiteral("调换日期："), dtpDate);
    g1->setColumnStretch(1, 1);
    g1->setColumnStretch(3, 1);
    g1->setColumnStretch(5, 1);

    Frame2 = new QGroupBox(QStringLiteral("未完工订单信息"), this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    FlexOrder = new KeyedGrid(Frame2);
    FlexOrder->setObjectName(QStringLiteral("FlexOrder"));
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
    FlexOrder->setColumns({
        {QStringLiteral("FName"), QStringLiteral("品名"), twips(3360)},
        {QStringLiteral("FPrice"), QStringLiteral("单价"), twips(1095), false, right},
        {QStringLiteral("FOrderQty"), QStringLiteral("订单数量"), twips(1215), false, right},
        {QStringLiteral("FPreQty"), QStringLiteral("赠送数量"), twips(1065), false, right},
        {QStringLiteral("FYxq"), QStringLiteral("有效日期"), twips(1470), false, Qt::AlignCenter},
        {QStringLiteral("FCplQTy"), QStringLiteral("已取数量"), twips(1080), false, right},
        {QStringLiteral("FUnCplQty"), QStringLiteral("未取数量"), twips(1020), false, right},
        {QStringLiteral("FInterID"), QStringLiteral("FInterID"), twips(900), true},
        {QStringLiteral("FItemID"), QStringLiteral("FItemID"), twips(1020), true},
    });
    FlexOrder->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Label3 = new QLabel(QStringLiteral("注：双击要调换的行，选择调换商品"), Frame2);
    Label3->setObjectName(QStringLiteral("Label3"));
    auto *g2 = new QVBoxLayout(Frame2);
    g2->addWidget(FlexOrder);
    g2->addWidget(Label3);

    cmdAdj = new QPushButton(QStringLiteral("选择新奶种"), this);
    cmdAdj->setObjectName(QStringLiteral("cmdAdj"));
    Command1 = new QPushButton(QStringLiteral("关闭(&C)"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdAdj);
    buttons->addWidget(Command1);
    auto *main = new QVBoxLayout(this);
    main->addWidget(Frame1);
    main->addWidget(Frame2, 1);
    main->addLayout(buttons);

    connect(txtVipNo, &QLineEdit::textChanged, this, &frmOrderAdjBill::LoadOrders);
    connect(cmdAdj, &QPushButton::clicked, this, &frmOrderAdjBill::cmdAdj_Click);
    connect(FlexOrder, &KeyedGrid::rowDoubleClicked, this, &frmOrderAdjBill::cmdAdj_Click);
    connect(Command1, &QPushButton::clicked, this, &QDialog::reject);
    // Enter in the card box goes to the lines (picked with the arrows); Enter there exchanges.
    EnterMovesFocus::link(txtVipNo, FlexOrder);
    EnterMovesFocus::link(FlexOrder, FlexOrder, [this] {
        cmdAdj_Click();
        return false;
    });
    FieldLeft::watch(txtVipNo, [this] { LoadOrders(); });

    dtpDate->setDate(QDate::currentDate());
    resize(760, 460);
    txtVipNo->setFocus();
}

void frmOrderAdjBill::LoadOrders()
{
    const QString card = txtVipNo->text();
    if (card.isEmpty() || m_loading)
        return;
    m_loading = true; // writing the found card number back must not load again
    try {
        if (const auto member = OrderExchange::member(GetCnstr(), card)) {
            txtVipNo->setText(member->text(QStringLiteral("FVipNo")));
            txtOwner->setText(member->text(QStringLiteral("FOwner")));
            txtPhone->setText(member->text(QStringLiteral("FPhone")));
            dtpDate->setDate(member->date(QStringLiteral("FDate")));
        }
        const db::Rows rows = OrderExchange::openLines(GetCnstr(), card);
        FlexOrder->setRows(1);
        for (const db::Row &r : rows) {
            const int i = FlexOrder->addRow();
            FlexOrder->setText(i, QStringLiteral("FName"), r.text(QStringLiteral("FName")));
            FlexOrder->setText(i, QStringLiteral("FOrderQty"), NumberText::plain(r.number(QStringLiteral("FQty"))));
            FlexOrder->setText(i, QStringLiteral("FPreQty"), NumberText::plain(r.number(QStringLiteral("FPreQty"))));
            // A line never handed out may hold no quantity at all; its cells stay empty.
            if (!r.isNull(QStringLiteral("FCplQty"))) {
                const double done = r.number(QStringLiteral("FCplQty"));
                FlexOrder->setText(i, QStringLiteral("FCplQTy"), NumberText::plain(done));
                FlexOrder->setText(i, QStringLiteral("FUnCplQty"),
                                   NumberText::plain(r.number(QStringLiteral("FQty")) +
                                                     r.number(QStringLiteral("FPreQty")) - done));
            }
            FlexOrder->setText(i, QStringLiteral("FPrice"), r.money(QStringLiteral("FPrice")).format());
            FlexOrder->setText(i, QStringLiteral("FItemID"), QString::number(r.integer(QStringLiteral("FItemID"))));
            FlexOrder->setText(i, QStringLiteral("FInterID"), QString::number(r.integer(QStringLiteral("FInterID"))));
            if (!r.isNull(QStringLiteral("FYxq")))
                FlexOrder->setText(i, QStringLiteral("FYxq"),
                                   r.date(QStringLiteral("FYxq")).toString(QStringLiteral("yyyy-MM-dd")));
        }
        if (FlexOrder->rows() > 1)
            FlexOrder->setCurrentGridRow(1);
    } catch (const CoreError &e) {
        showError(e, this);
    }
    m_loading = false;
}

void frmOrderAdjBill::cmdAdj_Click()
{
    const int r = FlexOrder->currentGridRow();
    if (r < 1)
        return;
    frmOrderAdjSelItem dialog(this);
    dialog.init(int(FlexOrder->value(r, QStringLiteral("FInterID"))),
                int(FlexOrder->value(r, QStringLiteral("FItemID"))),
                FlexOrder->text(r, QStringLiteral("FName")),
                FlexOrder->value(r, QStringLiteral("FPrice")));
    DialogRunner::exec(dialog);
    // An exchange changes every line of the order holding the old item, and one refused as
    // stale means the rows shown are out of date: show the lines as they now stand.
    LoadOrders();
    if (r < FlexOrder->rows())
        FlexOrder->setCurrentGridRow(r);
}
