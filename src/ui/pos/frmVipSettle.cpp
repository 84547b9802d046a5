#include "ui/pos/frmVipSettle.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "ui/widgets/CounterScreen.h"
#include "ui/widgets/DialogLayout.h"
#include "ui/widgets/ErrorPrompt.h"
#include "ui/widgets/EnterMovesFocus.h"
#include "ui/widgets/KeyPreview.h"
#include "ui/widgets/SelectOnFocus.h"

namespace {

const QString RateCaption = QStringLiteral("折扣(&F3)：");
const QString AmountOffCaption = QStringLiteral("少收(&F3)：");
const QString ChangeCaption = QStringLiteral("找零金额：");
const QString ShortCaption = QStringLiteral("少收金额：");

// The shortest decimal form (30, 20.5), every place the amount has kept.
QString plain(Money m)
{
    const qint64 units = m.units() < 0 ? -m.units() : m.units();
    QString s = QString::number(units / Money::Scale);
    if (const qint64 fraction = units % Money::Scale) {
        QString f = QStringLiteral("%1").arg(fraction, 4, 10, QLatin1Char('0'));
        while (f.endsWith(u'0'))
            f.chop(1);
        s += u'.' + f;
    }
    return m.isNegative() ? u'-' + s : s;
}

bool isEnter(const QKeyEvent *e)
{
    return (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) &&
           (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

} // namespace

frmVipSettle::frmVipSettle(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmVipSettle"));
    setWindowTitle(QStringLiteral("结算"));
    buildControls();
    init(Money(), QString(), Money());
}

void frmVipSettle::buildControls()
{
    auto make = [this](const char *name, bool typed) {
        auto *e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        e->setMinimumWidth(110);
        if (typed) {
            SelectOnFocus::watch({e});
        } else {
            // Figures the dialog works out: shown, never typed over or stopped at.
            e->setReadOnly(true);
            e->setFocusPolicy(Qt::NoFocus);
            e->setStyleSheet(QStringLiteral("background: palette(window);"));
        }
        return e;
    };
    txtBillAmount = make("txtBillAmount", false);
    txtZk = make("txtZk", true);
    txtGetDyq = make("txtGetDyq", true);
    txtYsAmount = make("txtYsAmount", false);
    txtGetXjq = make("txtGetXjq", true);
    txtGetReserve = make("txtGetReserve", true);
    txtGetBlank = make("txtGetBlank", true);
    txtAmount = make("txtAmount", true);
    txtChange = make("txtChange", false);
    txtBefBal = make("txtBefBal", false);
    txtEndBal = make("txtEndBal", false);
    txtAmount->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9.\\-]*")), txtAmount));

    auto *basic = new QGroupBox(QStringLiteral("基 本 信 息"), this);
    auto *g1 = new QGridLayout(basic);
    DialogLayout::place(g1, 0, 0, QStringLiteral("消费金额："), txtBillAmount);
    lblZk = DialogLayout::place(g1, 1, 0, RateCaption, txtZk);
    lblZk->setObjectName(QStringLiteral("lblZk"));
    DialogLayout::place(g1, 2, 0, QStringLiteral("抵用券抵现(F4)："), txtGetDyq);
    DialogLayout::place(g1, 3, 0, QStringLiteral("应收金额："), txtYsAmount);
    g1->addWidget(new QLabel(QStringLiteral("*0.9 表示打9折，-10  表示少收10元"), basic), 4, 0, 1,
                  2);
    g1->setRowStretch(5, 1);

    auto *card = new QGroupBox(QStringLiteral("充值卡信息"), this);
    lblVipNo = new QLabel(card);
    lblVipNo->setObjectName(QStringLiteral("lblVipNo"));
    auto *g2 = new QGridLayout(card);
    g2->addWidget(lblVipNo, 0, 0, 1, 2);
    g2->addWidget(new QLabel(QStringLiteral("持卡人："), card), 1, 0, 1, 2);
    DialogLayout::place(g2, 2, 0, QStringLiteral("储值余额："), txtBefBal);
    DialogLayout::place(g2, 3, 0, QStringLiteral("本次扣款："), txtGetReserve);
    DialogLayout::place(g2, 4, 0, QStringLiteral("扣后余额："), txtEndBal);
    g2->setRowStretch(5, 1);

    auto *other = new QGroupBox(QStringLiteral("其 他 信 息"), this);
    auto *g3 = new QGridLayout(other);
    DialogLayout::place(g3, 0, 0, QStringLiteral("现金券支付(F3)："), txtGetXjq);
    DialogLayout::place(g3, 0, 2, QStringLiteral("刷卡支付："), txtGetBlank);
    DialogLayout::place(g3, 1, 0, QStringLiteral("客付现金："), txtAmount);
    lblChange = DialogLayout::place(g3, 1, 2, ChangeCaption, txtChange);
    lblChange->setObjectName(QStringLiteral("lblChange"));
    g3->setColumnStretch(1, 1);
    g3->setColumnStretch(3, 1);

    auto *top = new QHBoxLayout;
    top->addWidget(basic, 1);
    top->addWidget(card, 1);
    auto *main = new QVBoxLayout(this);
    main->addLayout(top);
    main->addWidget(other);
    main->addWidget(new QLabel(QStringLiteral("快捷键：“+”结算  “ESC”键返回..."), this));

    CounterScreen::applyFont(*this);
    // What the customer owes, hands over and gets back is read across the counter.
    const QFont big = CounterScreen::totalFont(*this);
    // Boxes with a style sheet of their own take no font from their window: given explicitly.
    for (QLineEdit *e : {txtBillAmount, txtBefBal, txtEndBal})
        e->setFont(font());
    for (QLineEdit *e : {txtYsAmount, txtAmount, txtChange})
        e->setFont(big);
    txtYsAmount->setStyleSheet(txtYsAmount->styleSheet() + QStringLiteral(" color: #b00000;"));

    setTabOrder(txtZk, txtGetDyq);
    setTabOrder(txtGetDyq, txtGetXjq);
    setTabOrder(txtGetXjq, txtGetReserve);
    setTabOrder(txtGetReserve, txtGetBlank);
    setTabOrder(txtGetBlank, txtAmount);
    // Enter in the cash or the voucher field confirms (see Form_KeyDown).
    EnterMovesFocus::link(txtZk, txtAmount);
    EnterMovesFocus::chain({txtGetXjq, txtGetReserve, txtGetBlank, txtGetDyq});
    new KeyPreview(this, [this](QKeyEvent *e) { return Form_KeyDown(e); });

    // The receivable stays the bill as it came until the discount or the voucher is touched.
    for (QLineEdit *e : {txtZk, txtGetDyq})
        connect(e, &QLineEdit::textChanged, this, [this] {
            m_asOpened = false;
            proposeReserve();
            showFigures();
        });
    // A deduction the cashier typed is theirs: the receivable no longer moves it.
    connect(txtGetReserve, &QLineEdit::textEdited, this, [this] { m_reserveProposed = false; });
    for (QLineEdit *e : {txtGetXjq, txtGetReserve, txtGetBlank, txtAmount})
        connect(e, &QLineEdit::textChanged, this, &frmVipSettle::showFigures);
}

void frmVipSettle::init(Money BillAmount, const QString &VipNO, Money CzBal)
{
    m_bill = BillAmount;
    m_vipNo = VipNO;
    m_balance = CzBal;
    m_ok = false;
    m_result = SettlementResult();
    txtBillAmount->setText(BillAmount.format());
    txtBefBal->setText(CzBal.format());
    lblVipNo->setText(QStringLiteral("卡号：") + VipNO);
    txtZk->setText(QStringLiteral("*1"));
    for (QLineEdit *e : {txtGetDyq, txtGetXjq, txtGetBlank, txtAmount})
        e->clear();
    m_asOpened = true;
    m_reserveProposed = true;
    proposeReserve();
    showFigures();
    txtAmount->setFocus();
}

SettlementEntry frmVipSettle::entry() const
{
    SettlementEntry e;
    e.bill = m_bill;
    e.vipNo = m_vipNo;
    e.balance = m_balance;
    e.discount = txtZk->text();
    e.dyq = txtGetDyq->text();
    e.xjq = txtGetXjq->text();
    e.reserve = txtGetReserve->text();
    e.blank = txtGetBlank->text();
    e.amount = txtAmount->text();
    e.asOpened = m_asOpened;
    return e;
}

void frmVipSettle::proposeReserve()
{
    // The proposal follows the receivable, so a discount never leaves more proposed than owed.
    if (!m_reserveProposed)
        return;
    const Money proposed = SettlementRules::proposedReserve(
        m_vipNo, m_balance, SettlementRules::figures(entry()).receivable);
    txtGetReserve->setText(proposed.isZero() ? QString() : plain(proposed));
}

void frmVipSettle::showFigures()
{
    const SettlementFigures f = SettlementRules::figures(entry());
    txtYsAmount->setText(f.receivable.format());
    lblZk->setText(f.discountIsRate ? RateCaption : AmountOffCaption);
    txtEndBal->setText(f.endBalance.format());
    lblChange->setText(f.isShort ? ShortCaption : ChangeCaption);
    txtChange->setText(f.change.format());
}

void frmVipSettle::Confirm()
{
    const SettlementEntry e = entry();
    try {
        SettlementRules::check(e);
    } catch (const CoreError &refusal) {
        showError(refusal, this);
        focusField(findChild<QLineEdit *>(refusal.field()));
        return;
    }
    m_result = SettlementRules::result(e);
    m_ok = true;
    accept();
}

void frmVipSettle::reject()
{
    m_ok = false;
    m_result = SettlementResult();
    QDialog::reject();
}

void frmVipSettle::focusField(QLineEdit *field)
{
    if (!field)
        return;
    field->setFocus(Qt::OtherFocusReason);
    field->selectAll();
}

bool frmVipSettle::Form_KeyDown(QKeyEvent *e)
{
    const bool confirming = e->text() == QStringLiteral("+") ||
                            (isEnter(e) && (txtAmount->hasFocus() || txtGetDyq->hasFocus()));
    if (confirming) {
        // A key held down on the sale screen goes on repeating into this dialog: only a
        // fresh press may accept what the dialog proposed.
        if (!e->isAutoRepeat())
            Confirm();
        return true;
    }
    if (e->text() == QStringLiteral("/"))
        return true;
    if (e->modifiers() != Qt::NoModifier)
        return false;
    switch (e->key()) {
    case Qt::Key_Escape:
        reject();
        return true;
    case Qt::Key_F3:
        focusField(txtGetXjq);
        return true;
    case Qt::Key_F4:
        focusField(txtGetDyq);
        return true;
    default:
        return false;
    }
}
