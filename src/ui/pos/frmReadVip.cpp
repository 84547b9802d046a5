#include "ui/pos/frmReadVip.h"

#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "ui/widgets/ErrorPrompt.h"
#include "core/frame/Prompts.h"
#include "core/frame/Routines.h"
#include "core/base/CoreError.h"
#include "core/members/CardHolders.h"

frmReadVip::frmReadVip(QWidget *parent)
    : SmallDialog(parent, QStringLiteral("frmReadVip"), QStringLiteral("读卡"),
                  QStringLiteral("Command1"), QStringLiteral("Command2")),
      Command1(cmdOk), Command2(cmdExit)
{
    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setMinimumWidth(220);

    auto *label = new QLabel(QStringLiteral("请刷卡或输入卡号、电话："), this);
    label->setBuddy(Text1);
    // The prompt stands above the box: a card number is long.
    auto *fields = new QVBoxLayout;
    fields->addWidget(label);
    fields->addWidget(Text1);
    build(fields);
    Text1->setFocus();
}

void frmReadVip::cmdOk_Click()
{
    std::optional<CardHolder> card;
    try {
        card = CardHolders::find(GetCnstr(), Text1->text(), CardHolders::Search::NumberOrPhone);
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

void frmReadVip::cmdExit_Click()
{
    m_vipNo.clear();
    m_owner.clear();
    SmallDialog::cmdExit_Click();
}
