#include "core/db/BillNumbers.h"

#include "core/db/DbError.h"

namespace db {

namespace {
const QString kDraw =
    QStringLiteral("update ICMaxNum set FMaxNum=FMaxNum+1 where FTranType=? returning FMaxNum");

DbError noCounter(int counter)
{
    return DbError(QStringLiteral("单据号计数器 %1 不存在").arg(counter));
}
} // namespace

int BillNumbers::draw(Transaction &tx, int counter)
{
    const Rows rows = tx.query(kDraw, {counter});
    if (rows.size() != 1)
        throw noCounter(counter);
    return rows.first().at(0).toInt();
}

Queued BillNumbers::queueDraw(Transaction &tx, int counter)
{
    return tx.queue(kDraw, {counter});
}

QString BillNumbers::drawnSql(int counter)
{
    // The counter's row as this transaction left it; the counter is one of ours, not a value.
    return QStringLiteral("(select FMaxNum from ICMaxNum where FTranType=%1)").arg(counter);
}

int BillNumbers::drawn(const Queued &draw, int counter)
{
    if (draw.rows().size() != 1)
        throw noCounter(counter);
    return draw.rows().first().at(0).toInt();
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
