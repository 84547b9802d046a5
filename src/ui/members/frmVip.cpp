#include "ui/members/frmVip.h"

#include <QComboBox>
#include <QLineEdit>

#include "core/frame/Prompts.h"
#include "core/frame/Routines.h"
#include "core/members/CardReplacement.h"
#include "ui/widgets/EnterMovesFocus.h"
#include "ui/widgets/ErrorPrompt.h"
#include "ui/widgets/FieldLeft.h"

frmVip::frmVip(QWidget *parent)
    : SmallDialog(parent, QStringLiteral("frmVip"), QStringLiteral("补卡"))
{
    txtID = new QLineEdit(this);
    txtID->setObjectName(QStringLiteral("txtID"));
    txtID->setMinimumWidth(220);
    txtOwner = new QLineEdit(this);
    txtOwner->setObjectName(QStringLiteral("txtOwner"));
    txtOwner->setReadOnly(true);
    txtOwner->setFocusPolicy(Qt::ClickFocus);
    cmbVipNo = new QComboBox(this);
    cmbVipNo->setObjectName(QStringLiteral("cmbVipNo"));
    txtNewVipNo = new QLineEdit(this);
    txtNewVipNo->setObjectName(QStringLiteral("txtNewVipNo"));
    build({{QStringLiteral("身份证号码："), txtID},
           {QStringLiteral("持卡人姓名："), txtOwner},
           {QStringLiteral("原来卡号："), cmbVipNo},
           {QStringLiteral("新卡号："), txtNewVipNo}});

    FieldLeft::watch(txtID, [this] { txtID_LostFocus(); });
    EnterMovesFocus::link(txtID, txtNewVipNo);
    txtID->setFocus();
}

void frmVip::txtID_LostFocus()
{
    if (txtID->text().isEmpty())
        return;
    cmbVipNo->clear();
    CardReplacement::Holder holder;
    if (!runShowingErrors(this,
                          [&] { holder = CardReplacement::cards(GetCnstr(), txtID->text()); }))
        return;
    if (holder.cards.isEmpty()) {
        txtOwner->clear();
        Prompts::current().information(QStringLiteral("身份证号码未登记！"));
        txtID->setFocus();
        return;
    }
    txtOwner->setText(holder.owner);
    cmbVipNo->addItems(holder.cards);
    cmbVipNo->setCurrentIndex(0);
}

void frmVip::cmdOk_Click()
{
    const QString oldNo = cmbVipNo->currentText();
    const QString newNo = txtNewVipNo->text().trimmed();
    if (!runShowingErrors(this, [&] { CardReplacement::check(GetCnstr(), oldNo, newNo); }))
        return;
    if (!Prompts::current().question(QStringLiteral("确认补卡？"), true))
        return;
    if (!runShowingErrors(this, [&] { CardReplacement::replace(GetCnstr(), oldNo, newNo, GetUserID()); }))
        return;
    Prompts::current().information(QStringLiteral("换卡成功！"));
    m_ok = true;
    accept();
}
