#include "core/reports/CardMovements.h"

#include "core/db/Database.h"

bool CardMovements::any(const QString &cnstr, const QString &vipNo)
{
    const QString card = vipNo.trimmed();
    if (card.isEmpty())
        return false;
    // The same movements as the statement counts: types 1 and 2.
    const db::Rows rows = db::query(cnstr,
                                    QStringLiteral("select count(*) as FCount from VipCzBill"
                                                   " where FVipNo=? and FTranType in (1,2)"),
                                    {card});
    return !rows.isEmpty() && rows.first().integer(QStringLiteral("FCount")) > 0;
}
