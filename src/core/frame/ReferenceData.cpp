#include "core/frame/ReferenceData.h"

#include "core/db/Database.h"

namespace {

QStringList column(const QString &cnstr, const QString &sql, const QString &name)
{
    QStringList out;
    for (const db::Row &r : db::query(cnstr, sql))
        out << r.text(name);
    return out;
}

int firstId(const db::Rows &rows)
{
    return rows.isEmpty() ? 0 : rows.first().integer(QStringLiteral("FItemID"));
}

} // namespace

QStringList ReferenceData::warehouseNames(const QString &cnstr)
{
    return column(cnstr,
                  QStringLiteral("select FName from t_stock where coalesce(FDisabled,0)=0"
                                 " order by FNumber, FItemID"),
                  QStringLiteral("FName"));
}

int ReferenceData::warehouseId(const QString &cnstr, const QString &name)
{
    // A disabled warehouse is not offered; a name kept from before it was disabled must not
    // book goods out of it either.
    return firstId(db::query(cnstr,
                             QStringLiteral("select FItemID from t_stock where FName=?"
                                            " and coalesce(FDisabled,0)=0 order by FItemID"),
                             {name}));
}

QStringList ReferenceData::itemNames(const QString &cnstr)
{
    return column(cnstr,
                  QStringLiteral("select FName from t_icitem where coalesce(FDisabled,0)=0"
                                 " order by FNumber"),
                  QStringLiteral("FName"));
}

QStringList ReferenceData::operatorNames(const QString &cnstr, Operators which)
{
    return column(cnstr,
                  which == Operators::Enabled
                      ? QStringLiteral("select FUserName from t_user where coalesce(FDisabled,0)=0"
                                       " order by FUserID")
                      : QStringLiteral("select FUserName from t_user order by FUserID"),
                  QStringLiteral("FUserName"));
}

QString ReferenceData::operatorName(const QString &cnstr, int userId)
{
    const db::Rows rows =
        db::query(cnstr, QStringLiteral("select FUserName from t_user where FUserID=?"), {userId});
    return rows.isEmpty() ? QString() : rows.first().text(QStringLiteral("FUserName"));
}

int ReferenceData::retailPriceStyleId(const QString &cnstr)
{
    return firstId(db::query(cnstr, QStringLiteral("select FItemID from t_pricestyle where FName=?"),
                             {QStringLiteral("零售价")}));
}
