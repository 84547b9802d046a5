#include "core/frame/UserGrants.h"

#include "core/db/Database.h"
#include "core/base/CoreError.h"
#include "core/db/Transaction.h"

namespace {

// The spelling of `key` among the ten, or an empty string.
QString canonicalKey(const QString &key)
{
    for (const UserGrants::Right &r : UserGrants::rights())
        if (r.key.compare(key.trimmed(), Qt::CaseInsensitive) == 0)
            return r.key;
    return QString();
}

} // namespace

const QList<UserGrants::Right> &UserGrants::rights()
{
    static const QList<Right> list{
        {QStringLiteral("NewOrder"), QStringLiteral("增加订货单")},
        {QStringLiteral("EditOrder"), QStringLiteral("修改订货单")},
        {QStringLiteral("NewSale"), QStringLiteral("增加销售单")},
        {QStringLiteral("yyrbb"), QStringLiteral("营业日报表")},
        {QStringLiteral("salemxb"), QStringLiteral("出库明细表")},
        {QStringLiteral("ordermxb"), QStringLiteral("订单明细表")},
        {QStringLiteral("bk"), QStringLiteral("会员补卡")},
        {QStringLiteral("EditOrderYxq"), QStringLiteral("修改订单限制消费日期")},
        {QStringLiteral("OrderHzb"), QStringLiteral("订单汇总表")},
        {QStringLiteral("OrderAdjItem"), QStringLiteral("订单更换奶种")},
        {QStringLiteral("BaseData"), QStringLiteral("基础资料")},
    };
    return list;
}

QMap<QString, bool> UserGrants::load(const QString &cnstr, const QString &userName)
{
    QMap<QString, bool> granted;
    for (const Right &r : rights())
        granted.insert(r.key, false);
    const db::Rows rows = db::query(
        cnstr,
        QStringLiteral("select t1.* from t_user_grant t1 inner join t_user t2 on t1.fuserid=t2.fuserid"
                       " where t2.fusername=?"),
        {userName});
    for (const db::Row &row : rows) {
        const QString key = canonicalKey(row.text(QStringLiteral("FKey")));
        if (!key.isEmpty())
            granted[key] = !row.isNull(QStringLiteral("FValue")) &&
                           row.integer(QStringLiteral("FValue")) != 0;
    }
    return granted;
}

void UserGrants::grant(const QString &cnstr, const QString &userName,
                       const QMap<QString, bool> &granted)
{
    if (userName.trimmed().isEmpty())
        throw CoreError(QStringLiteral("请选择操作员！"));
    const db::Rows users = db::query(
        cnstr, QStringLiteral("select FUserID,FUserName from t_user where FUserName=?"), {userName});
    if (users.isEmpty())
        throw CoreError(QStringLiteral("操作员“%1”不存在！").arg(userName));
    const int userId = users.first().integer(QStringLiteral("FUserID"));

    // The delete and the ten rows go together: a failure half-way must not leave the operator
    // with fewer rows than boxes.
    db::Transaction tx(cnstr);
    tx.execute(QStringLiteral("delete from t_user_grant where fuserid=?"), {userId});
    for (const Right &r : rights()) {
        bool on = false;
        for (auto it = granted.cbegin(); it != granted.cend(); ++it)
            if (it.key().compare(r.key, Qt::CaseInsensitive) == 0)
                on = it.value();
        tx.execute(QStringLiteral("insert into t_user_grant(fuserid,fkey,fValue) values(?,?,?)"),
                   {userId, r.key, on ? 1 : 0});
    }
    tx.commit();
}
