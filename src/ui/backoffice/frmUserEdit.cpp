#include "ui/backoffice/frmUserEdit.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

#include "core/frame/Routines.h"
#include "ui/widgets/ErrorPrompt.h"

namespace {
QLineEdit *passwordBox(QWidget *parent, const char *name)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setEchoMode(QLineEdit::Password);
    return e;
}
} // namespace

frmUserEdit::frmUserEdit(QWidget *parent)
    : RecordDialog(parent, QStringLiteral("frmUserEdit"), QStringLiteral("新增操作员"))
{
    txtName = new QLineEdit(this);
    txtName->setObjectName(QStringLiteral("txtName"));
    txtName->setMinimumWidth(200);
    txtPassword = passwordBox(this, "txtPassword");
    txtConfirm = passwordBox(this, "txtConfirm");
    chkManager = new QCheckBox(QStringLiteral("店长（拥有全部权限）(&M)"), this);
    chkManager->setObjectName(QStringLiteral("chkManager"));
    txtDays = new QSpinBox(this);
    txtDays->setObjectName(QStringLiteral("txtDays"));
    txtDays->setRange(0, 36500);
    txtDays->setSpecialValueText(QStringLiteral("不限"));
    build({{QStringLiteral("操作员(&N)："), txtName},
           {QStringLiteral("密码(&P)："), txtPassword},
           {QStringLiteral("确认密码(&R)："), txtConfirm},
           {QString(), chkManager},
           {QStringLiteral("可查询天数(&D)："), txtDays}});
    chain({txtName, txtPassword, txtConfirm, chkManager, txtDays});
}

void frmUserEdit::init(const OperatorStore::Operator &asRead)
{
    m_asRead = asRead;
    setWindowTitle(QStringLiteral("修改操作员"));
    txtName->setText(asRead.name);
    chkManager->setChecked(asRead.manager);
    txtDays->setValue(asRead.allowQueryDays);
    // A password is reset on its own, never changed by the way.
    for (QWidget *w : {static_cast<QWidget *>(txtPassword), static_cast<QWidget *>(txtConfirm)}) {
        w->setEnabled(false);
        w->setVisible(false);
    }
    txtName->setFocus();
}

void frmUserEdit::cmdOk_Click()
{
    runShowingErrors(this, [this] {
        OperatorStore::Operator op = m_asRead.value_or(OperatorStore::Operator());
        op.name = txtName->text();
        op.manager = chkManager->isChecked();
        op.allowQueryDays = txtDays->value();
        if (m_asRead) {
            OperatorStore::update(GetCnstr(), op, *m_asRead);
            m_savedId = op.id;
        } else {
            m_savedId = OperatorStore::add(GetCnstr(), op, txtPassword->text(), txtConfirm->text());
        }
        m_ok = true;
        accept();
    });
}

frmUserPassword::frmUserPassword(const OperatorStore::Operator &asRead, QWidget *parent)
    : RecordDialog(parent, QStringLiteral("frmUserPassword"), QStringLiteral("重设密码 - %1").arg(asRead.name)),
      m_asRead(asRead)
{
    txtPassword = passwordBox(this, "txtPassword");
    txtPassword->setMinimumWidth(200);
    txtConfirm = passwordBox(this, "txtConfirm");
    build({{QStringLiteral("新密码(&P)："), txtPassword}, {QStringLiteral("确认密码(&R)："), txtConfirm}});
    chain({txtPassword, txtConfirm});
}

void frmUserPassword::cmdOk_Click()
{
    runShowingErrors(this, [this] {
        OperatorStore::resetPassword(GetCnstr(), m_asRead, txtPassword->text(), txtConfirm->text());
        m_ok = true;
        accept();
    });
}
