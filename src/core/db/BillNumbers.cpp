#include "core/db/BillNumbers.h"

#include "core/db/DbError.h"

namespace db {

int BillNumbers::draw(Transaction &tx, int counter)
{
    const Rows rows = tx.query(
        QStringLiteral("update ICMaxNum set FMaxNum=FMaxNum+1 where FTranType=? returning FMaxNum"),
        {counter});
    if (rows.size() != 1)
        throw DbError(QStringLiteral("单据号计数器 %1 不存在").arg(counter));
    return rows.first().at(0).toInt();
}

int BillNumbers::drawBlock(Transaction &tx, int counter, int count)
{
    const Rows rows = tx.query(
        QStringLiteral("update ICMaxNum set FMaxNum=FMaxNum+? where FTranType=? returning FMaxNum"),
        {count, counter});
    if (rows.size() != 1)
        throw DbError(QStringLiteral("单据号计数器 %1 不存在").arg(counter));
    return rows.first().at(0).toInt() - count + 1;
}

} // namespace db
