#include "core/db/BillNumbers.h"

#include "core/db/DbError.h"

namespace db {

int BillNumbers::draw(Transaction &tx, int counter)
{
    const int changed = tx.execute(
        QStringLiteral("update ICMaxNum set FMaxNum=FMaxNum+1 where FTranType=?"), {counter});
    if (changed != 1)
        throw DbError(QStringLiteral("单据号计数器 %1 不存在").arg(counter));
    return tx.scalar(QStringLiteral("select FMaxNum from ICMaxNum where FTranType=?"), {counter})
        .toInt();
}

} // namespace db
