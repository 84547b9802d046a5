#include "core/frame/Authenticator.h"

#include <QStringList>

#include "core/frame/PasswordHash.h"
#include "core/db/Database.h"
#include "core/base/CoreError.h"

std::optional<Authenticator::Operator> Authenticator::verify(const QString &cnstr,
                                                             const QString &userName,
                                                             const QString &password)
{
    const db::Rows rows = db::query(
        cnstr, QStringLiteral("select FUserID, FUserName, FPasswordHash from t_user where FUserName=?"
                       " and coalesce(FDisabled,0)=0"),
        {userName});
    if (rows.isEmpty())
        return std::nullopt;
    const db::Row &r = rows.first();
    if (!PasswordHash::verify(r.text(QStringLiteral("FPasswordHash")), password))
        return std::nullopt;
    return Operator{r.integer(QStringLiteral("FUserID")), r.text(QStringLiteral("FUserName"))};
}

void Authenticator::changePassword(const QString &cnstr, const QString &userName,
                                   const QString &oldPassword, const QString &newPassword,
                                   const QString &confirmPassword)
{
    if (!verify(cnstr, userName, oldPassword))
        throw CoreError(QStringLiteral("原密码不正确！"));
    if (newPassword != confirmPassword)
        throw CoreError(QStringLiteral("两次输入的新密码不一致！"));
    setPassword(cnstr, userName, newPassword);
}

void Authenticator::setPassword(const QString &cnstr, const QString &userName,
                                const QString &password)
{
    const int n = db::execute(cnstr, QStringLiteral("update t_user set FPasswordHash=? where FUserName=?"),
                              {PasswordHash::hash(password), userName});
    if (n != 1)
        throw CoreError(QStringLiteral("操作员“%1”不存在").arg(userName));
}
