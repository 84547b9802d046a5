#include "core/orders/OrderValidity.h"

#include "core/db/Transaction.h"

int OrderValidity::set(const QString &cnstr, int orderId, int itemId, const QDate &date)
{
    db::Transaction tx(cnstr);
    const int changed = tx.execute(QStringLiteral("update VipOrderEntry set FYxq=? "
                                                  "where FInterID=? and FItemID=?"),
                                   {date, orderId, itemId});
    tx.commit();
    return changed;
}
