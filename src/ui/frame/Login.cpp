#include "ui/frame/Login.h"

#include "core/frame/AccountSets.h"
#include "ui/widgets/DialogRunner.h"
#include "core/frame/Authenticator.h"
#include "ui/frame/LoginDialog.h"
#include "core/db/Backup.h"
#include "core/base/CoreError.h"
#include "core/db/Schema.h"

void Login::login(const QString &versionText, const QString &fileVersion)
{
    LoginDialog dialog;
    dialog.setWindowTitle(QStringLiteral("登录 %1 (%2)").arg(versionText, fileVersion));
    if (DialogRunner::exec(dialog) != QDialog::Accepted) {
        OK = false;
        return;
    }
    OK = true;
    UserID = dialog.userId();
    UserName = dialog.userName();
    acctname = dialog.accountName();
    Cnstr = dialog.cnstr();
}

void Login::loginScripted(const QString &account, const QString &user, const QString &password)
{
    OK = false;
    const QString cnstr = AccountSets::cnstrOf(account);
    if (cnstr.isEmpty()) {
        m_error = QStringLiteral("帐套“%1”不存在").arg(account);
        return;
    }
    try {
        db::Schema::ensure(cnstr);
        const auto op = Authenticator::verify(cnstr, user, password);
        if (!op) {
            m_error = QStringLiteral("操作员或密码错误！");
            m_refused = true;
            return;
        }
        OK = true;
        UserID = op->userId;
        UserName = op->userName;
        acctname = account;
        Cnstr = cnstr;
    } catch (const CoreError &e) {
        m_error = e.message();
    }
}

QString Login::dailyBackup(const QString &cnstr)
{
    try {
        db::Backup::daily(cnstr);
        return QString();
    } catch (const CoreError &e) {
        return QStringLiteral("今日自动备份失败：") + e.message();
    }
}
