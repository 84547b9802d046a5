#include "core/pos/SaleBillStore.h"

#include "core/db/BillNumbers.h"
#include "core/db/Dialect.h"
#include "core/db/Transaction.h"
#include "core/pos/SaleBill.h"

int SaleBillStore::insert(db::Transaction &tx, const SaleBill &bill, const SalePayment &payment,
                          int billerId, const QDateTime &sysTime)
{
    const int id = db::BillNumbers::draw(tx, db::BillNumbers::SaleBill);
    const QString lineSql = QStringLiteral(
        "insert into ICStockBillEntry (FInterID, FEntryID, FItemID, FMainQty, FQty, FPrice, FAmount,"
        " FBeforeZkPrice, FBeforeZkAmount, FOrderBillInterID, FOrderBillEntryID, FOutStockID)"
        " values (?,?,?,?,?,?,?,?,?,?,?,?)");
    int entry = 0;
    for (const SaleLine &l : bill.lines())
        tx.execute(lineSql, {id, ++entry, l.itemId, l.mainQty, l.qty, l.price1.toVariant(),
                             l.amount1.toVariant(), l.price1.toVariant(), l.amount1.toVariant(),
                             l.orderId, l.orderEntryId, bill.stockId});
    const QString time = sysTime.isValid() ? QStringLiteral("?") : db::Dialect::nowExpression(tx.engine());
    db::Params params{id, bill.date.year(), bill.date.month(), bill.date, bill.vipNo, bill.owner,
                      bill.totalQty(), bill.receivable().toVariant()};
    if (sysTime.isValid())
        params << sysTime;
    params << SaleBill::monthLabel(bill.date) << billerId << payment.reserve.toVariant()
           << payment.cash.toVariant();
    tx.execute(QStringLiteral("insert into ICStockBill (FInterID, FTrantype, Fyear, FPeriod, FDeleted,"
                              " Fdate, FVipNo, FOwner, FSumQty, FSumAmount, FSysTime, FMonth, FBillerID,"
                              " FGetReserve, FGetCash) values (?,99,?,?,0,?,?,?,?,?,%1,?,?,?,?)")
                   .arg(time),
               params);
    return id;
}
