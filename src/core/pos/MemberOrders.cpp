#include "core/pos/MemberOrders.h"

#include <QHash>

#include "core/db/Database.h"
#include "core/members/CardHolders.h"
#include "core/members/CardNumbers.h"
#include "core/members/StoredValueLedger.h"

qint64 MemberOrders::expiryDeduction(qint64 done)
{
    if (done >= 0 && done <= 29)
        return 5;
    if (done >= 30 && done <= 59)
        return 10;
    return 15;
}

std::optional<qint64> MemberOrders::openQuantity(qint64 qty, qint64 gift, qint64 done, const QDate &validTo,
                                                 const QDate &today)
{
    qint64 d = 0;
    if (validTo.isValid() && today > validTo && gift > 0) {
        if (qty - done <= 0)
            return std::nullopt; // the paid quantity is all handed out
        d = expiryDeduction(done);
    }
    const qint64 r = qty + gift - done;
    if (r < d || r - d <= 0)
        return std::nullopt;
    return r - d;
}

MemberLookup MemberOrders::lookup(const QString &cnstr, const QString &number, const QDate &today,
                                  const SaleBill *bill)
{
    MemberLookup out;
    const QString vipNo = CardNumbers::clean(number);
    if (vipNo.isEmpty())
        return out;
    out.balance = StoredValueLedger::balance(cnstr, vipNo);
    QHash<QPair<int, int>, qint64> picked;
    if (bill)
        for (const SaleLine &l : bill->lines())
            if (l.isPickup())
                picked[{l.orderId, l.orderEntryId}] += qint64(l.qty);
    const db::Rows rows = db::query(
        cnstr,
        QStringLiteral("select t1.FDate, t1.FOwner, t2.FInterID, t2.FEntryID, t2.FItemID, t2.FQty,"
                       " coalesce(t2.FPreQty,0) as FPreQty, coalesce(t2.FCplQty,0) as FCplQty, t2.FPrice,"
                       " t2.FAmount, t2.FYxq, t3.FName from VipOrder t1"
                       " inner join VipOrderEntry t2 on t1.FInterID=t2.FInterID"
                       " inner join t_icitem t3 on t2.FItemID=t3.FItemID"
                       " where t1.FVipNo=? and coalesce(t2.FQty,0)+coalesce(t2.FPreQty,0)>coalesce(t2.FCplQty,0)"
                       " order by t1.FDate, t1.FInterID, t2.FEntryID"),
        {vipNo});
    // A replacement moves every row of the old number, its balance with them: only a card
    // showing nothing can be a replaced one.
    if (rows.isEmpty() && out.balance.isZero())
        CardNumbers::checkLive(cnstr, vipNo);
    if (!rows.isEmpty())
        out.owner = rows.first().text(QStringLiteral("FOwner"));
    else if (const std::optional<CardHolder> m = CardHolders::find(cnstr, vipNo))
        out.owner = m->owner; // a member with nothing open is still who holds the card
    for (const db::Row &r : rows) {
        OpenOrderLine l;
        const qint64 qty = r.integer(QStringLiteral("FQty"));
        const qint64 gift = r.integer(QStringLiteral("FPreQty"));
        l.done = r.integer(QStringLiteral("FCplQty"));
        l.validTo = r.date(QStringLiteral("FYxq"));
        l.orderId = r.integer(QStringLiteral("FInterID"));
        l.entryId = r.integer(QStringLiteral("FEntryID"));
        std::optional<qint64> open = openQuantity(qty, gift, l.done, l.validTo, today);
        if (open)
            *open -= picked.value({l.orderId, l.entryId});
        if (!open || *open <= 0)
            continue;
        l.open = *open;
        l.date = r.date(QStringLiteral("FDate"));
        l.name = r.text(QStringLiteral("FName"));
        l.qty = qty + gift;
        l.price = r.money(QStringLiteral("FPrice"));
        l.amount = r.money(QStringLiteral("FAmount"));
        l.itemId = r.integer(QStringLiteral("FItemID"));
        out.lines.append(l);
    }
    return out;
}

SaleLine MemberOrders::pickup(const OpenOrderLine &line, qint64 q)
{
    SaleLine s;
    s.itemId = line.itemId;
    s.name = line.name;
    s.qty = double(q);
    // A line of ordered plus gift 0 has no unit value: 0, not a division by zero.
    s.price1 = line.amount.dividedBy(line.qty);
    s.amount1 = line.qty == 0 ? Money() : (line.amount * q).dividedBy(line.qty);
    s.orderId = line.orderId;
    s.orderEntryId = line.entryId;
    s.orderBalance = line.open - q;
    s.validTo = line.validTo;
    return s;
}

void MemberOrders::refreshPickups(SaleBill &bill, const QList<OpenOrderLine> &open)
{
    using Key = QPair<int, int>;
    QHash<Key, qint64> left; // open on the order line before the bill, then after each pick
    QHash<Key, QDate> validTo;
    for (const OpenOrderLine &l : open) {
        left[{l.orderId, l.entryId}] = l.open;
        validTo[{l.orderId, l.entryId}] = l.validTo;
    }
    for (const SaleLine &l : bill.lines())
        if (l.isPickup())
            left[{l.orderId, l.orderEntryId}] += qint64(l.qty);
    for (int i = 0; i < bill.lines().size(); ++i) {
        SaleLine &l = bill.line(i);
        if (!l.isPickup())
            continue;
        const Key key{l.orderId, l.orderEntryId};
        l.orderBalance = left[key] -= qint64(l.qty);
        // A line no longer listed (all of it picked on this bill) keeps the date it had.
        if (validTo.contains(key))
            l.validTo = validTo.value(key);
    }
}
