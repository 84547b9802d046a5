#include "core/orders/MemberOrderStore.h"

#include "core/db/BillNumbers.h"
#include "core/db/Dialect.h"
#include "core/db/Transaction.h"
#include "core/orders/MemberOrder.h"
#include "core/frame/Routines.h"

int MemberOrderStore::insert(db::Transaction &tx, const MemberOrder &order, Money cash,
                             Money reserve, int billerId, const QDateTime &createTime)
{
    const int id = db::BillNumbers::draw(tx, db::BillNumbers::MemberOrder);
    const QString lineSql = QStringLiteral(
        "insert into VipOrderEntry (FInterID, FEntryID, FItemID, FQty, FPreQty, FCplQty, FPrice,"
        " FAmount, FYxq) values (?,?,?,?,?,?,?,?,?)");
    int entry = 0;
    for (const MemberOrderLine &l : order.lines)
        tx.execute(lineSql, {id, ++entry, l.itemId, l.qty, l.gift, l.done, l.price.toVariant(),
                             l.amount().toVariant(),
                             l.validTo.isValid() ? QVariant(l.validTo) : QVariant(QMetaType(QMetaType::QDate))});
    const QString time = createTime.isValid() ? QStringLiteral("?") : db::Dialect::nowExpression(tx.engine());
    db::Params params{id, order.date, order.vipNo, order.owner, order.phone, order.remark,
                      order.sumQty(), order.sumAmount().toVariant()};
    if (createTime.isValid())
        params << createTime;
    params << GetBillMonthLabel(order.date) << order.vipId << billerId << cash.toVariant()
           << reserve.toVariant() << (order.isClosed() ? 1 : 0);
    tx.execute(QStringLiteral("insert into VipOrder (FInterID, Fdate, FVipNo, FOwner, FPhone, FRemark,"
                              " FSumQty, FSumAmount, FCreateTime, FMonth, FVipID, FBillerID, FGetCash,"
                              " FGetReserve, FClosed) values (?,?,?,?,?,?,?,?,%1,?,?,?,?,?,?)")
                   .arg(time),
               params);
    return id;
}
