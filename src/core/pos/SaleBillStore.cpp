#include "core/pos/SaleBillStore.h"

#include <algorithm>
#include <map>

#include "core/db/BillNumbers.h"
#include "core/db/Database.h"
#include "core/db/Dialect.h"
#include "core/db/Transaction.h"
#include "core/base/CoreError.h"
#include "core/frame/TextLimits.h"
#include "core/members/CardNumbers.h"
#include "core/members/StoredValueLedger.h"
#include "core/orders/OrderExchange.h"
#include "core/pos/SaleBill.h"

int SaleBillStore::insert(db::Transaction &tx, const SaleBill &bill, const SalePayment &payment,
                          int billerId, const QDateTime &sysTime)
{
    const db::Queued draw = queueInsert(tx, bill, payment, billerId, sysTime);
    tx.flush();
    return db::BillNumbers::drawn(draw, db::BillNumbers::SaleBill);
}

db::Queued SaleBillStore::queueInsert(db::Transaction &tx, const SaleBill &bill,
                                      const SalePayment &payment, int billerId,
                                      const QDateTime &sysTime)
{
    const db::Queued draw = db::BillNumbers::queueDraw(tx, db::BillNumbers::SaleBill);
    // The number is read inside the server, so the lines and the header go with the draw.
    const QString id = db::BillNumbers::drawnSql(db::BillNumbers::SaleBill);
    // All lines in one statement (in chunks, within the engines' parameter limits).
    constexpr int Chunk = 100;
    const QList<SaleLine> &lines = bill.lines();
    for (int from = 0; from < lines.size(); from += Chunk) {
        const int n = std::min(Chunk, int(lines.size()) - from);
        QString sql = QStringLiteral(
            "insert into ICStockBillEntry (FInterID, FEntryID, FItemID, FMainQty, FQty, FPrice, FAmount,"
            " FBeforeZkPrice, FBeforeZkAmount, FOrderBillInterID, FOrderBillEntryID, FOutStockID) values ");
        const QString row = QStringLiteral("(%1,?,?,?,?,?,?,?,?,?,?,?)").arg(id);
        db::Params params;
        params.reserve(n * 11);
        for (int i = from; i < from + n; ++i) {
            const SaleLine &l = lines.at(i);
            if (i != from)
                sql += u',';
            sql += row;
            params << i + 1 << l.itemId << l.mainQty << l.qty << l.price1.toVariant()
                   << l.amount1.toVariant() << l.price1.toVariant() << l.amount1.toVariant()
                   << l.orderId << l.orderEntryId << bill.stockId;
        }
        tx.queue(sql, params);
    }
    const QString time = sysTime.isValid() ? QStringLiteral("?") : db::Dialect::nowExpression(tx.engine());
    db::Params params{bill.date.year(), bill.date.month(), bill.date, bill.vipNo, bill.owner,
                      bill.totalQty(), bill.receivable().toVariant()};
    if (sysTime.isValid())
        params << sysTime;
    params << SaleBill::monthLabel(bill.date) << billerId << payment.reserve.toVariant()
           << payment.cash.toVariant();
    tx.queue(QStringLiteral("insert into ICStockBill (FInterID, FTrantype, Fyear, FPeriod, FDeleted,"
                            " Fdate, FVipNo, FOwner, FSumQty, FSumAmount, FSysTime, FMonth, FBillerID,"
                            " FGetReserve, FGetCash) values (%1,99,?,?,0,?,?,?,?,?,%2,?,?,?,?)")
                 .arg(id, time),
             params);
    return draw;
}

SavedSale SaleBillStore::save(const QString &cnstr, const SaleBill &typed, const SalePayment &payment,
                              int billerId)
{
    SaleBill bill = typed;
    bill.vipNo = CardNumbers::clean(bill.vipNo);
    if (bill.isEmpty())
        throw CoreError::refusal(QStringLiteral("请输入商品！"), QStringLiteral("txtBarcode"));
    // Re-saving would book the picked units and the payment a second time.
    if (bill.billId != 0)
        throw CoreError::refusal(QStringLiteral("这张单据已经保存，不能再次保存！"));
    if (bill.stockId == 0)
        throw CoreError::refusal(QStringLiteral("仓库名称不存在！"), QStringLiteral("cmbStock"));
    // The counter takes nothing back: a line of no or fewer goods, or one that pays out.
    for (const SaleLine &l : bill.lines())
        if (!(l.qty > 0) || l.amount1.isNegative() || l.amount.isNegative())
            throw CoreError::refusal(QStringLiteral("请输入数量！"), QStringLiteral("txtQty"));
    if (payment.cash < Money() || payment.reserve < Money())
        throw CoreError::refusal(QStringLiteral("付款金额不能为负数！"));
    if (payment.reserve > bill.receivable())
        throw CoreError::refusal(QStringLiteral("本次扣款金额不允许大于应收金额！"));
    TextLimits::check({{bill.vipNo, "ICStockBill.FVipNo", "txtVipNo"},
                       {bill.owner, "ICStockBill.FOwner", "txtOwner"}});
    return db::retryOnConflict([&] { return write(cnstr, bill, payment, billerId); });
}

SavedSale SaleBillStore::write(const QString &cnstr, const SaleBill &bill, const SalePayment &payment,
                               int billerId)
{
    // Units picked per order line, in key order: the headers, then the lines, are locked by
    // number, as every save takes them. Each with the item the screen listed on that line.
    std::map<std::pair<int, int>, double> picked;
    std::map<std::pair<int, int>, int> items;
    for (const SaleLine &l : bill.lines())
        if (l.isPickup()) {
            picked[{l.orderId, l.orderEntryId}] += l.qty;
            items[{l.orderId, l.orderEntryId}] = l.itemId;
        }

    // Everything goes to the server in one batch: on PostgreSQL one round trip for the locks,
    // the hand-outs, the movement and the bill, and one for the commit. The checks read what
    // each statement did once the batch has run; any refusal rolls the whole batch back.
    db::Transaction tx(cnstr);
    // The card first, a number replaced meanwhile refused inside its lock: units of the new
    // card's orders are never booked on a bill of the old number.
    const CardNumbers::LiveCheck live = CardNumbers::queueLockLive(tx, bill.vipNo);

    // Then the headers of the orders handed out from, in number order: two stations handing
    // out the last units of different lines of one order would otherwise each judge the order
    // by the other's line as it was before, and neither would close it. The second waits
    // here for the first to commit, and its close statement then sees both hand-outs.
    const QString lockHeader =
        QStringLiteral("update VipOrder set FClosed=coalesce(FClosed,0) where FInterID=?");
    int last = 0;
    for (const auto &entry : picked)
        if (entry.first.first != last)
            tx.queue(lockHeader, {last = entry.first.first});

    // Then the lines: never past ordered plus gift, only the card's own orders, and only
    // while the line still holds the item listed (a re-save or an exchange at another
    // station may have put another item under that line number).
    const QString book = QStringLiteral(
        "update VipOrderEntry set FCplQty=coalesce(FCplQty,0)+? where FInterID=? and FEntryID=?"
        " and FItemID=? and coalesce(FCplQty,0)+?<=FQty+coalesce(FPreQty,0)"
        " and exists (select 1 from VipOrder o where o.FInterID=VipOrderEntry.FInterID and o.FVipNo=?)");
    std::vector<std::pair<std::pair<int, int>, db::Queued>> booked;
    for (const auto &[key, qty] : picked)
        booked.emplace_back(key, tx.queue(book, {qty, key.first, key.second, items[key], qty, bill.vipNo}));

    // Only orders this bill touched, only while open; >= also closes one handed out past its total.
    const QString close = QStringLiteral(
        "update VipOrder set FClosed=1 where FInterID=? and coalesce(FClosed,0)=0 and FSumQty<="
        "(select sum(coalesce(e.FCplQty,0)) from VipOrderEntry e where e.FInterID=VipOrder.FInterID)");
    last = 0;
    for (const auto &entry : picked)
        if (entry.first.first != last)
            tx.queue(close, {last = entry.first.first});

    // Every save writes its movement, also of 0 and for a walk-in: the shop's books count them.
    const auto movement = StoredValueLedger::queuePayment(tx, bill.vipNo, bill.date, billerId,
                                                          payment.reserve, bill.receivable());

    // The number last: the counter's row lock is the one every station queues on.
    const db::Queued draw = queueInsert(tx, bill, payment, billerId);
    tx.flush();

    CardNumbers::requireLive(tx, live);
    for (const auto &[key, done] : booked)
        if (done.affected() != 1) {
            const QVariant item = tx.scalar(
                QStringLiteral("select FItemID from VipOrderEntry where FInterID=? and FEntryID=?"),
                {key.first, key.second});
            if (item.isValid() && !item.isNull() && item.toInt() != items[key])
                throw CoreError::refusal(OrderExchange::staleMessage());
            throw CoreError(QStringLiteral("出库数量不允许大于剩余数量！"), UnitsGone,
                            CoreError::Kind::Refusal);
        }
    const PostedMovement posted = StoredValueLedger::posted(movement);
    SavedSale saved;
    saved.balanceBefore = posted.before;
    saved.balanceAfter = posted.after;
    saved.billId = db::BillNumbers::drawn(draw, db::BillNumbers::SaleBill);
    tx.commit();
    return saved;
}
