#include "ui/pos/frmReadVip.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/widgets/ErrorPrompt.h"
#include "ui/widgets/CounterScreen.h"
#include "ui/widgets/DialogLayout.h"
#include "core/frame/Prompts.h"
#include "core/frame/Routines.h"
#include "core/db/DbError.h"
#include "core/pos/VipCardLookup.h"

frmReadVip::frmReadVip(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmReadVip"));
    setWindowTitle(QStringLiteral("读卡"));
    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setMinimumWidth(220);
    const DialogLayout::Buttons buttons =
        DialogLayout::okCancel(this, QStringLiteral("Command1"), QStringLiteral("Command2"));
    Command1 = buttons.ok;
    Command2 = buttons.cancel;

    auto *label = new QLabel(QStringLiteral("请刷卡或输入卡号、电话："), this);
    label->setBuddy(Text1);
    auto *main = new QVBoxLayout(this);
    main->addWidget(label);
    main->addWidget(Text1);
    main->addLayout(buttons.row);

    connect(Command1, &QPushButton::clicked, this, &frmReadVip::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmReadVip::Command2_Click);
    CounterScreen::applyFont(*this);
    Text1->setFocus();
}

void frmReadVip::Command1_Click()
{
    std::optional<VipCardLookup::Card> card;
    try {
        card = VipCardLookup::find(GetCnstr(), Text1->text());
    } catch (const CoreError &e) {
        showError(e, this);
        return;
    }
    if (!card) {
        Prompts::current().exclamation(QStringLiteral("卡号不存在！"));
        Text1->clear();
        Text1->setFocus();
        return;
    }
    // The card number, not a typed telephone number: orders are filed by card number.
    Text1->setText(card->vipNo);
    m_vipNo = card->vipNo;
    m_owner = card->owner;
    m_ok = true;
    accept();
}

void frmReadVip::Command2_Click()
{
    m_ok = false;
    m_vipNo.clear();
    m_owner.clear();
    reject();
}
