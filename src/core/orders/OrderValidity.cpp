#include "core/orders/OrderValidity.h"

#include "core/base/CoreError.h"
#include "core/db/Transaction.h"
#include "core/orders/OrderExchange.h"

int OrderValidity::set(const QString &cnstr, int orderId, int itemId, const QDate &date)
{
    db::Transaction tx(cnstr);
    const int changed = tx.execute(QStringLiteral("update VipOrderEntry set FYxq=? "
                                                  "where FInterID=? and FItemID=?"),
                                   {date, orderId, itemId});
    if (changed == 0)
        throw CoreError(OrderExchange::staleMessage());
    tx.commit();
    return changed;
}
