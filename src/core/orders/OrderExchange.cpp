#include "core/orders/OrderExchange.h"

#include <cmath>

#include "core/db/Database.h"
#include "core/base/CoreError.h"
#include "core/db/Transaction.h"

std::optional<db::Row> OrderExchange::member(const QString &cnstr, const QString &vipNo)
{
    const db::Rows rows = db::query(cnstr,
                                    QStringLiteral("select * from VipOrder where FVipNo=? "
                                                   "order by FInterID"),
                                    {vipNo});
    if (rows.isEmpty())
        return std::nullopt;
    return rows.first();
}

db::Rows OrderExchange::openLines(const QString &cnstr, const QString &vipNo)
{
    return db::query(cnstr,
                     QStringLiteral("select t1.*,t2.FName from VipOrder t0 "
                                    "inner join VipOrderEntry t1 on t0.FInterID=t1.FInterID "
                                    "inner join t_icitem t2 on t1.FItemID=t2.FItemID "
                                    "where coalesce(t0.FClosed,0)=0 and t0.FVipNo=? "
                                    "order by t1.FInterID,t1.FEntryID"),
                     {vipNo});
}

bool OrderExchange::samePrice(double oldPrice, double newPrice)
{
    return std::llround(oldPrice * 100.0) == std::llround(newPrice * 100.0);
}

int OrderExchange::exchangeItem(const QString &cnstr, int orderId, int oldItemId, int newItemId)
{
    db::Transaction tx(cnstr);
    const int changed = tx.execute(QStringLiteral("update VipOrderEntry set FItemID=? "
                                                  "where FInterID=? and FItemID=?"),
                                   {newItemId, orderId, oldItemId});
    if (changed == 0)
        throw CoreError(staleMessage());
    tx.commit();
    return changed;
}

QString OrderExchange::staleMessage()
{
    return QStringLiteral("订单已被修改，请重新查询！");
}
