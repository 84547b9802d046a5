#include "ui/frame/frmModifyPwd.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ui/widgets/ErrorPrompt.h"
#include "core/frame/Authenticator.h"
#include "ui/widgets/DialogLayout.h"
#include "ui/widgets/DialogRunner.h"
#include "ui/widgets/EnterMovesFocus.h"
#include "core/frame/Prompts.h"
#include "core/base/CoreError.h"

namespace {
QLineEdit *passwordBox(const QString &name, QWidget *parent)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setEchoMode(QLineEdit::Password);
    e->setMaxLength(64);
    return e;
}
} // namespace

frmModifyPwd::frmModifyPwd(const QString &cnstr, const QString &userName, QWidget *parent)
    : QDialog(parent), m_cnstr(cnstr), m_userName(userName)
{
    setObjectName(QStringLiteral("frmModifyPwd"));
    setWindowTitle(QStringLiteral("修改密码"));
    lblUser = new QLabel(userName, this);
    lblUser->setObjectName(QStringLiteral("lblUser"));
    txtOld = passwordBox(QStringLiteral("txtOld"), this);
    txtNew = passwordBox(QStringLiteral("txtNew"), this);
    txtConfirm = passwordBox(QStringLiteral("txtConfirm"), this);
    // Enter walks the password boxes , so no button takes it.
    const DialogLayout::Buttons buttons =
        DialogLayout::okCancel(this, QStringLiteral("cmdOK"), QStringLiteral("cmdCancel"),
                               DialogLayout::Enter::HandledByDialog);
    cmdOK = buttons.ok;
    cmdCancel = buttons.cancel;

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("操作员："), lblUser);
    form->addRow(QStringLiteral("原密码："), txtOld);
    form->addRow(QStringLiteral("新密码："), txtNew);
    form->addRow(QStringLiteral("确认新密码："), txtConfirm);
    DialogLayout::stack(this, form, buttons.row);
    setMinimumWidth(320);

    EnterMovesFocus::chain({txtOld, txtNew, txtConfirm});
    EnterMovesFocus::link(txtConfirm, txtConfirm, [this] {
        cmdOK_Click();
        return false;
    });
    connect(cmdOK, &QPushButton::clicked, this, &frmModifyPwd::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    txtOld->setFocus();
}

void frmModifyPwd::cmdOK_Click()
{
    if (txtNew->text().isEmpty()) {
        Prompts::current().exclamation(QStringLiteral("请输入新密码！"));
        txtNew->setFocus();
        return;
    }
    try {
        Authenticator::changePassword(m_cnstr, m_userName, txtOld->text(), txtNew->text(), txtConfirm->text());
    } catch (const CoreError &e) {
        showError(e, this);
        // Back to the field that needs typing again.
        if (!Authenticator::verify(m_cnstr, m_userName, txtOld->text())) {
            txtOld->selectAll();
            txtOld->setFocus();
        } else {
            txtConfirm->clear();
            txtConfirm->setFocus();
        }
        return;
    }
    Prompts::current().information(QStringLiteral("密码修改成功！"));
    OK = true;
    accept();
}

void ModifyPwd(const QString &cnstr, const QString &userName)
{
    frmModifyPwd dlg(cnstr, userName);
    DialogRunner::exec(dlg);
}
