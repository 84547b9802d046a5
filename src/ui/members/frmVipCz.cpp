#include "ui/members/frmVipCz.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include "core/frame/KwStore.h"
#include "core/frame/Prompts.h"
#include "core/frame/Routines.h"
#include "core/members/CardHolders.h"
#include "core/members/RechargeBill.h"
#include "core/members/StoredValueLedger.h"
#include "core/print/PrintTypes.h"
#include "core/print/RecordSet.h"
#include "core/print/TemplateStore.h"
#include "ui/print/KwTdPrinter.h"
#include "ui/widgets/CounterScreen.h"
#include "ui/widgets/DialogLayout.h"
#include "ui/widgets/EnterMovesFocus.h"
#include "ui/widgets/ErrorPrompt.h"
#include "ui/widgets/FieldLeft.h"
#include "ui/widgets/KeyPreview.h"

namespace {

const QString kStore = QStringLiteral("Kwstore");
const QString kSection = QStringLiteral("Defaultvalue");

} // namespace

frmVipCz::frmVipCz(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmVipCz"));
    setWindowTitle(QStringLiteral("会员充值"));

    actBar = new QToolBar(this);
    actBar->setObjectName(QStringLiteral("actBar"));
    actBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    addTool(QStringLiteral("新建"), QStringLiteral("new"), QKeySequence(Qt::CTRL | Qt::Key_N));
    addTool(QStringLiteral("确认充值"), QStringLiteral("save"), QKeySequence(Qt::CTRL | Qt::Key_S));
    actBar->addSeparator();
    addTool(QStringLiteral("预览"), QStringLiteral("preview"), QKeySequence());
    addTool(QStringLiteral("打印"), QStringLiteral("print"), QKeySequence(Qt::CTRL | Qt::Key_P));
    actBar->addSeparator();
    addTool(QStringLiteral("前单"), QStringLiteral("prev"), QKeySequence(Qt::Key_PageUp));
    addTool(QStringLiteral("后单"), QStringLiteral("next"), QKeySequence(Qt::Key_PageDown));
    actBar->addSeparator();
    addTool(QStringLiteral("修改密码"), QStringLiteral("pwd"), QKeySequence());
    addTool(QStringLiteral("关闭"), QStringLiteral("exit"), QKeySequence());
    // The print format sits under the fields, not on the tool bar: a tool bar outside a main
    // window hides what does not fit behind a "»" that opens nothing.
    printfmt = new QComboBox(this);
    printfmt->setObjectName(QStringLiteral("printfmt"));
    printfmt->setMinimumWidth(120);

    auto edit = [this](QWidget *parent, const char *name) {
        auto *e = new QLineEdit(parent);
        e->setObjectName(QString::fromLatin1(name));
        return e;
    };
    Frame1 = new QGroupBox(QStringLiteral("顾客资料"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    txtVipNo = edit(Frame1, "txtVipNo");
    txtOwner = edit(Frame1, "txtOwner");
    txtPhone = edit(Frame1, "txtPhone");
    txtVipID = edit(Frame1, "txtVipID");
    dtpDate = new QDateEdit(Frame1);
    dtpDate->setObjectName(QStringLiteral("dtpDate"));
    dtpDate->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    dtpDate->setCalendarPopup(true);
    auto *g1 = new QGridLayout(Frame1);
    CounterScreen::placeMember(g1, txtVipNo, txtOwner, txtPhone, txtVipID);
    DialogLayout::place(g1, 2, 0, QStringLiteral("充值日期："), dtpDate);
    g1->setColumnStretch(1, 1);
    g1->setColumnStretch(3, 1);

    Frame2 = new QGroupBox(QStringLiteral("充值信息"), this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    chkTk = new QCheckBox(QStringLiteral("退款"), Frame2);
    chkTk->setObjectName(QStringLiteral("chkTk"));
    txtCzAmount = edit(Frame2, "txtCzAmount");
    txtZsAmount = edit(Frame2, "txtZsAmount");
    txtBegBal = edit(Frame2, "txtBegBal");
    txtEndBal = edit(Frame2, "txtEndBal");
    txtRemark = edit(Frame2, "txtRemark");
    // The balances are worked out, never typed.
    for (QLineEdit *e : {txtBegBal, txtEndBal}) {
        e->setReadOnly(true);
        e->setFocusPolicy(Qt::NoFocus);
    }
    for (QLineEdit *e : {txtCzAmount, txtZsAmount, txtBegBal, txtEndBal})
        e->setAlignment(Qt::AlignRight);
    auto *g2 = new QGridLayout(Frame2);
    g2->addWidget(chkTk, 0, 1);
    lblcz = DialogLayout::place(g2, 1, 0, QStringLiteral("充值金额："), txtCzAmount);
    lblcz->setObjectName(QStringLiteral("lblcz"));
    lblZs = DialogLayout::place(g2, 1, 2, QStringLiteral("赠送金额："), txtZsAmount);
    lblZs->setObjectName(QStringLiteral("lblZs"));
    DialogLayout::place(g2, 2, 0, QStringLiteral("卡内余额："), txtBegBal);
    DialogLayout::place(g2, 2, 2, QStringLiteral("充后余额："), txtEndBal);
    DialogLayout::place(g2, 3, 0, QStringLiteral("备注："), txtRemark);
    g2->addWidget(txtRemark, 3, 1, 1, 3);
    g2->setColumnStretch(1, 1);
    g2->setColumnStretch(3, 1);

    lblDisEdit = new QLabel(QStringLiteral("禁止修改！"), this);
    lblDisEdit->setObjectName(QStringLiteral("lblDisEdit"));
    lblDisEdit->setStyleSheet(QStringLiteral("color: red; font-weight: bold;"));

    auto *bottom = new QHBoxLayout;
    auto *fmtCaption = new QLabel(QStringLiteral("打印格式："), this);
    fmtCaption->setBuddy(printfmt);
    bottom->addWidget(fmtCaption);
    bottom->addWidget(printfmt);
    bottom->addStretch();
    bottom->addWidget(lblDisEdit);
    auto *main = new QVBoxLayout(this);
    main->setMenuBar(actBar);
    main->addWidget(Frame1);
    main->addWidget(Frame2);
    main->addLayout(bottom);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(600);
    Timer1->setSingleShot(true);
    connect(Timer1, &QTimer::timeout, this, [this] {
        if (txtVipNo->isEnabled())
            txtVipNo->setFocus();
    });

    connect(chkTk, &QCheckBox::clicked, this, &frmVipCz::chkTk_Click);
    connect(txtCzAmount, &QLineEdit::textChanged, this, &frmVipCz::refreshEndBalance);
    connect(txtZsAmount, &QLineEdit::textChanged, this, &frmVipCz::refreshEndBalance);
    FieldLeft::watch(txtVipNo, [this] { txtVipNo_LostFocus(); });
    // Every field in the order it stands, the refund box included (Space ticks it); Enter in
    // the remark saves, as "+" and Ctrl+S do anywhere on the form.
    EnterMovesFocus::chain({txtVipNo, txtOwner, txtPhone, txtVipID, dtpDate, chkTk, txtCzAmount,
                            txtZsAmount, txtRemark});
    EnterMovesFocus::link(txtRemark, txtRemark, [this] {
        cmdSave();
        return false;
    });
    new KeyPreview(this, [this](QKeyEvent *e) {
        if (e->text() != QStringLiteral("+"))
            return false;
        if (tool(QStringLiteral("save"))->isEnabled())
            cmdSave();
        return true;
    });

    CounterScreen::applyFont(*this);
    resize(620, 360);
    Form_Load();
}

QAction *frmVipCz::addTool(const QString &caption, const QString &name, const QKeySequence &key)
{
    QAction *a = actBar->addAction(caption);
    a->setObjectName(name);
    if (!key.isEmpty()) {
        a->setShortcut(key);
        a->setShortcutContext(Qt::WindowShortcut);
    }
    connect(a, &QAction::triggered, this, [this, name] { actBar_ToolClick(name); });
    return a;
}

QAction *frmVipCz::tool(const QString &name) const
{
    return actBar->findChild<QAction *>(name);
}

void frmVipCz::Form_Load()
{
    dtpDate->setDate(QDate::currentDate());
    runShowingErrors(this, [this] {
        printfmt->addItems(TemplateStore::names(GetCnstr(), PrintTypes::Recharge));
    });
    loadPrintFormat();
    for (QLineEdit *e : {txtPhone, txtOwner}) {
        QPalette p = e->palette();
        p.setColor(QPalette::Base, Qt::white);
        e->setPalette(p);
    }
    showMode(false);
    setEditable(true);
    Timer1->start();
}

void frmVipCz::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    runShowingErrors(this, [this] {
        KwStore::set(kStore, kSection, RechargeBill::printFormatKey(isRefund()),
                     printfmt->currentText());
    });
}

void frmVipCz::done(int result)
{
    Form_Unload();
    QDialog::done(result);
}

void frmVipCz::actBar_ToolClick(const QString &toolName)
{
    if (toolName == QLatin1String("new"))
        cmdNew();
    else if (toolName == QLatin1String("save"))
        cmdSave();
    else if (toolName == QLatin1String("preview"))
        cmdPrint(false);
    else if (toolName == QLatin1String("print"))
        cmdPrint(true);
    else if (toolName == QLatin1String("prev"))
        cmdStep(false);
    else if (toolName == QLatin1String("next"))
        cmdStep(true);
    else if (toolName == QLatin1String("exit"))
        close();
    // "pwd" does nothing on this form.
}

bool frmVipCz::isRefund() const
{
    return chkTk->isChecked();
}

void frmVipCz::txtVipNo_LostFocus()
{
    if (m_billId != 0)
        return;
    runShowingErrors(this, [this] {
        const QString card = txtVipNo->text();
        if (const auto m = CardHolders::find(GetCnstr(), card)) {
            txtOwner->setText(m->owner);
            txtPhone->setText(m->phone);
            txtVipID->setText(m->vipId);
        }
        txtBegBal->setText(RechargeBill::plain(StoredValueLedger::balance(GetCnstr(), card)));
        refreshEndBalance();
    });
}

void frmVipCz::refreshEndBalance()
{
    txtEndBal->setText(RechargeBill::balanceAfter(Money::parse(txtBegBal->text()),
                                                  Money::parse(txtCzAmount->text()),
                                                  Money::parse(txtZsAmount->text()), isRefund())
                           .format());
}

void frmVipCz::showMode(bool refund)
{
    lblcz->setText(refund ? QStringLiteral("退款金额：") : QStringLiteral("充值金额："));
    lblZs->setVisible(!refund);
    txtZsAmount->setVisible(!refund);
}

void frmVipCz::loadPrintFormat()
{
    QString name;
    runShowingErrors(this, [&] {
        name = KwStore::get(kStore, kSection, RechargeBill::printFormatKey(isRefund()));
    });
    const int i = printfmt->findText(name);
    printfmt->setCurrentIndex(i);
}

void frmVipCz::chkTk_Click()
{
    const bool refund = isRefund();
    showMode(refund);
    if (refund) {
        // A refund proposes the whole balance.
        txtCzAmount->setText(txtBegBal->text());
    } else {
        txtCzAmount->setFocus();
    }
    refreshEndBalance();
    loadPrintFormat();
}

void frmVipCz::setEditable(bool editable)
{
    lblDisEdit->setVisible(!editable);
    for (QWidget *w : std::initializer_list<QWidget *>{txtVipNo, txtOwner, dtpDate, txtCzAmount,
                                                       txtZsAmount, txtRemark, txtPhone, chkTk})
        w->setEnabled(editable);
    tool(QStringLiteral("save"))->setEnabled(editable);
}

void frmVipCz::cmdNew()
{
    const bool wasRefund = isRefund();
    m_billId = 0;
    for (QLineEdit *e : {txtVipNo, txtOwner, txtBegBal, txtCzAmount, txtZsAmount, txtEndBal,
                         txtRemark, txtPhone, txtVipID})
        e->clear();
    dtpDate->setDate(QDate::currentDate());
    chkTk->setChecked(false);
    showMode(false);
    if (wasRefund)
        loadPrintFormat();
    setEditable(true);
    txtVipNo->setFocus();
}

RechargeInput frmVipCz::input() const
{
    RechargeInput b;
    b.vipNo = txtVipNo->text();
    b.owner = txtOwner->text();
    b.phone = txtPhone->text();
    b.vipId = txtVipID->text();
    b.date = dtpDate->date();
    b.refund = isRefund();
    b.amount = Money::parseTyped(txtCzAmount->text());
    b.gift = b.refund ? Money() : Money::parseTyped(txtZsAmount->text());
    b.remark = txtRemark->text();
    b.billerId = GetUserID();
    return b;
}

void frmVipCz::cmdSave()
{
    if (m_billId != 0)
        return;
    const RechargeInput b = input();
    try {
        RechargeBill::check(b);
        // Asked before the question with the balance as it stands now; the save asks again
        // under the card's lock.
        if (b.refund)
            RechargeBill::checkRefund(b, StoredValueLedger::balance(GetCnstr(), b.vipNo));
    } catch (const CoreError &e) {
        showError(e, this);
        return;
    }
    if (!Prompts::current().question(RechargeBill::confirmQuestion(b), true))
        return;
    PostedMovement posted;
    try {
        posted = RechargeBill::save(GetCnstr(), b);
    } catch (const CoreError &e) {
        showError(e, this);
        return;
    }
    if (Prompts::current().question(RechargeBill::printQuestion(b.refund))) {
        // The balances the bill was written with, not the ones the screen looked up.
        runShowingErrors(this, [&] { print(true, posted.before, b.amount, b.gift, posted.after); });
    }
    cmdNew();
}

void frmVipCz::cmdPrint(bool printDirect)
{
    runShowingErrors(this, [&] {
        print(printDirect, Money::parse(txtBegBal->text()), Money::parse(txtCzAmount->text()),
              isRefund() && m_billId == 0 ? Money() : Money::parse(txtZsAmount->text()),
              Money::parse(txtEndBal->text()));
    });
}

void frmVipCz::print(bool printDirect, Money before, Money amount, Money gift, Money after)
{
    RecordSet data =
        RechargeBill::printData(txtVipNo->text(), dtpDate->date(), txtOwner->text(), before, amount,
                                gift, after, GetUserName(), QDateTime::currentDateTime());
    KwTdPrinter printer;
    bool direct = printDirect;
    printer.DoPrint(direct, GetCnstr(), PrintTypes::Recharge, false, true, data,
                    printfmt->currentText());
}

void frmVipCz::cmdStep(bool forward)
{
    runShowingErrors(this, [&] {
        const int id = GetNavBillID(1, m_billId, forward);
        const auto bill = RechargeBill::load(GetCnstr(), id);
        m_billId = id;
        if (bill) {
            // The phone and the refund box come from the bill too, so a reprint shows it as
            // it was saved.
            const bool modeChanged = bill->isRefund() != isRefund();
            chkTk->setChecked(bill->isRefund());
            showMode(bill->isRefund());
            if (modeChanged)
                loadPrintFormat();
            dtpDate->setDate(bill->date);
            txtOwner->setText(bill->owner);
            txtVipNo->setText(bill->vipNo);
            txtVipID->setText(bill->vipId);
            txtPhone->setText(bill->phone);
            txtBegBal->setText(bill->begAmount.format());
            txtCzAmount->setText(RechargeBill::plain(bill->czAmount));
            txtZsAmount->setText(bill->zsAmount.format());
            txtEndBal->setText(bill->endAmount.format());
            txtRemark->setText(bill->remark);
        }
        setEditable(false);
    });
}
