#include "ui/members/frmEditVip.h"

#include <QLineEdit>

#include "core/frame/Prompts.h"
#include "core/frame/Routines.h"
#include "core/members/CardHolders.h"
#include "core/members/MemberDetails.h"
#include "ui/widgets/EnterMovesFocus.h"
#include "ui/widgets/ErrorPrompt.h"
#include "ui/widgets/FieldLeft.h"

frmEditVip::frmEditVip(QWidget *parent)
    : SmallDialog(parent, QStringLiteral("frmEditVip"), QStringLiteral("修改会员资料"))
{
    auto edit = [this](const char *name) {
        auto *e = new QLineEdit(this);
        e->setObjectName(QString::fromLatin1(name));
        e->setMinimumWidth(220);
        return e;
    };
    txtVipNo = edit("txtVipNo");
    txtOwner = edit("txtOwner");
    txtPhone = edit("txtPhone");
    txtCardID = edit("txtCardID");
    build({{QStringLiteral("会员卡号："), txtVipNo},
           {QStringLiteral("持卡人："), txtOwner},
           {QStringLiteral("电话号码："), txtPhone},
           {QStringLiteral("身份证号码："), txtCardID}});

    FieldLeft::watch(txtVipNo, [this] { txtVipNo_LostFocus(); });
    EnterMovesFocus::chain({txtVipNo, txtOwner, txtPhone, txtCardID});
    txtVipNo->setFocus();
}

void frmEditVip::txtVipNo_LostFocus()
{
    runShowingErrors(this, [this] {
        if (const auto d = CardHolders::find(GetCnstr(), txtVipNo->text(), CardHolders::Search::OrdersOnly)) {
            txtOwner->setText(d->owner);
            txtPhone->setText(d->phone);
            txtCardID->setText(d->vipId);
        }
    });
}

void frmEditVip::cmdOk_Click()
{
    const MemberDetails::Details d{txtVipNo->text(), txtOwner->text(), txtPhone->text(),
                                   txtCardID->text()};
    if (!runShowingErrors(this, [&] { MemberDetails::check(d); }))
        return;
    if (!Prompts::current().question(QStringLiteral("是否修改会员信息？")))
        return;
    int changed = 0;
    if (!runShowingErrors(this, [&] { changed = MemberDetails::update(GetCnstr(), d); }))
        return;
    if (changed == 0) {
        // Nothing was written: the operator should know, and may correct the card number.
        Prompts::current().information(MemberDetails::nothingChangedMessage());
        txtVipNo->setFocus();
        return;
    }
    Prompts::current().information(QStringLiteral("修改完成！"));
    m_ok = true;
    accept();
}
