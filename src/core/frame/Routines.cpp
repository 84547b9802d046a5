#include "core/frame/Routines.h"

#include "core/frame/Prompts.h"
#include "core/frame/Session.h"
#include "core/db/Database.h"
#include "core/base/CoreError.h"
#include "core/db/Dialect.h"

QDateTime GetServerDate()
{
    return db::Dialect::serverDateTime(GetCnstr());
}

bool IsManager()
{
    return db::scalar(GetCnstr(),
                      QStringLiteral("select count(*) from t_user where FUserID=? and FManager=1"),
                      {GetUserID()})
               .toInt() > 0;
}

bool HasGrant(const QString &key)
{
    if (IsManager())
        return true;
    return db::scalar(GetCnstr(),
                      QStringLiteral("select count(*) from t_user_grant where FUserID=? "
                                     "and lower(FKey)=lower(?) and FValue=1"),
                      {GetUserID(), key})
               .toInt() > 0;
}

int GetUserID()
{
    return Session::current().UserID;
}

QString GetUserName()
{
    return Session::current().UserName;
}

QString GetCnstr()
{
    return Session::current().Cnstr;
}

int GetAllowQueryDays()
{
    const db::Rows rows = db::query(
        GetCnstr(), QStringLiteral("select FAllowQuerydAys from t_user where FUserID=?"),
        {GetUserID()});
    if (rows.isEmpty())
        return 0;
    if (rows.first().isNull(QStringLiteral("FAllowQuerydAys")))
        throw CoreError(QStringLiteral("操作员的允许查询天数为空，请在后台设置。"));
    return rows.first().integer(QStringLiteral("FAllowQuerydAys"));
}

bool ApplyQueryDayLimit(QDateTime &from, QDateTime &to, Prompts &prompts)
{
    const int days = GetAllowQueryDays();
    if (days <= 0)
        return false;
    const QDateTime now = GetServerDate();
    if (from.addDays(days) > now)
        return false;
    prompts.exclamation(QStringLiteral("您只允许查询最近") + QString::number(days) +
                        QStringLiteral("天的数据!"));
    from = now;
    to = now;
    return true;
}

bool ApplyQueryDayLimit(QDate &from, QDate &to, Prompts &prompts)
{
    QDateTime f = from.startOfDay(), t = to.startOfDay();
    if (!ApplyQueryDayLimit(f, t, prompts))
        return false;
    from = f.date();
    to = t.date();
    return true;
}

int GetNavBillID(int tranType, int current, bool forward)
{
    const bool next = current != 0 && forward;
    const QString sql =
        next ? QStringLiteral("select min(FInterID) from VipCzBill where FTranType=? and FInterID>?")
             : QStringLiteral("select max(FInterID) from VipCzBill where FTranType=? and FInterID<?");
    const QVariant id = db::scalar(GetCnstr(), sql, {tranType, current == 0 ? 999999999 : current});
    if (id.isNull())
        throw CoreError(QStringLiteral("无记录！"), 1001);
    return id.toInt();
}

QString GetSeasonName(const QDate &date)
{
    return QString::number(date.year()) + QStringLiteral("年") +
           QString::number((date.month() - 1) / 3 + 1) + QStringLiteral("季度");
}

QString GetMonthName(const QDate &date)
{
    return QString::number(date.year()) + QStringLiteral("年") +
           QStringLiteral("%1").arg(date.month(), 2, 10, QLatin1Char('0')) + QStringLiteral("月");
}

QString GetBillMonthLabel(const QDate &date)
{
    return QString::number(date.year()) + QStringLiteral("年") + QString::number(date.month()) +
           QStringLiteral("月");
}
