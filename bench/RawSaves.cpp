#include "RawSaves.h"

#include <map>

#include <QRegularExpression>

#include "Bench.h"
#include "core/members/RechargeBill.h"
#include "core/members/StoredValueLedger.h"
#include "core/orders/OrderDraft.h"
#include "core/pos/SaleBill.h"

namespace bench {

namespace {

enum SaveStmt {
    RBegin = 60, RCommit, RLock, RReplaced, RBook, RClose, RPay, RBill, RDraw, RHeader, ROrder,
    ROrderHeader, RVipId, RRecharge, RSaleLines = 80, ROrderLines = 100 // + line count
};

// What a movement adds to the balance, as the ledger counts it.
const QString kSigned = QStringLiteral(
    "case when FTranType=1 then coalesce(FKAmount,0) when FTranType=2 then -coalesce(FKAmount,0)"
    " else 0 end");

// The payment: balance, refusal and row in one statement, read under the card's lock (taken
// by an earlier statement, so this one's snapshot already sees every save before it). On
// PostgreSQL it also refuses a replaced card; SQLite checks that under its write lock first.
QString paySql(bool lite)
{
    if (lite)
        return QStringLiteral(
                   "insert into VipCzBill (FVipNo, FVipID, FOwner, FPhone, FTranType, FDate,"
                   " FCreateTime, FBillerID, FKAmount, FCzAmount, FZsAmount, FRemark, FBegAmount,"
                   " FEndAmount, FYear, FSeason, FMonth, FSumAmount) select ?1, ?2, ?3, ?4, 2, ?5,"
                   " datetime('now','localtime'), ?6, ?7, 0, 0, ?8, b.v, b.v-?7, ?9, ?10, ?11, ?12"
                   " from (select coalesce(sum(%1),0) as v from VipCzBill where FVipNo=?1) b"
                   " where cast(?7 as real)<=0 or cast(?7 as real)<=max(b.v,0) returning FInterID")
            .arg(kSigned);
    return QStringLiteral(
               "insert into VipCzBill (FVipNo, FVipID, FOwner, FPhone, FTranType, FDate,"
               " FCreateTime, FBillerID, FKAmount, FCzAmount, FZsAmount, FRemark, FBegAmount,"
               " FEndAmount, FYear, FSeason, FMonth, FSumAmount) select $1, $2, $3, $4, 2, $5::date,"
               " localtimestamp(0), $6::int, $7::numeric, 0, 0, $8, b.v, b.v-$7::numeric, $9, $10,"
               " $11, $12::numeric from (select coalesce(sum(%1),0) as v from VipCzBill"
               " where FVipNo=$1) b where not exists (select 1 from t_VipCardReplaced where"
               " FOldVipNo=$1) and ($7::numeric<=0 or $7::numeric<=greatest(b.v,0))"
               " returning FInterID")
        .arg(kSigned);
}

// The recharge: the same, adding the amount and the gift to the balance read under the lock.
QString rechargeSql(bool lite)
{
    QString sql = QStringLiteral(
                      "insert into VipCzBill (FVipNo, FVipID, FOwner, FPhone, FTranType, FDate,"
                      " FCreateTime, FBillerID, FKAmount, FCzAmount, FZsAmount, FRemark,"
                      " FBegAmount, FEndAmount, FYear, FSeason, FMonth, FSumAmount) select ?1, ?2,"
                      " ?3, ?4, 1, ?5@D, %1, ?6@I, ?7N+?12N, ?7N, ?12N, ?8, b.v, b.v+?7N+?12N, ?9,"
                      " ?10, ?11, ?7N+?12N from (select coalesce(sum(%2),0) as v from VipCzBill"
                      " where FVipNo=?1) b%3 returning FInterID")
                      .arg(lite ? QStringLiteral("datetime('now','localtime')")
                                : QStringLiteral("localtimestamp(0)"),
                           kSigned,
                           lite ? QString()
                                : QStringLiteral(" where not exists (select 1 from"
                                                 " t_VipCardReplaced where FOldVipNo=?1)"));
    if (lite)
        return sql.replace(u"@D"_qs, QString()).replace(u"@I"_qs, QString())
            .replace(QRegularExpression(QStringLiteral("\\?(\\d+)N")), QStringLiteral("cast(?\\1 as real)"));
    sql.replace(u"@D"_qs, u"::date"_qs).replace(u"@I"_qs, u"::int"_qs);
    sql.replace(QRegularExpression(QStringLiteral("\\?(\\d+)N")), QStringLiteral("?\\1::numeric"));
    for (int i = 12; i >= 1; --i)
        sql.replace(QStringLiteral("?%1").arg(i), QStringLiteral("$%1").arg(i));
    return sql;
}

QString pgArray(const QStringList &values)
{
    return u'{' + values.join(u',') + u'}';
}

Texts payParams(const QString &vipNo, const QDate &date, int biller, Money k, Money sum)
{
    return {vipNo,
            QString(),
            QString(),
            QString(),
            date.toString(Qt::ISODate),
            QString::number(biller),
            exact(k),
            QString(),
            StoredValueLedger::yearLabel(date),
            StoredValueLedger::seasonLabel(date),
            StoredValueLedger::monthLabel(date),
            exact(sum)};
}

void pay(Raw &raw, const QString &vipNo, const QDate &date, int biller, Money k, Money sum)
{
    if (raw.run(RPay, payParams(vipNo, date, biller, k, sum)).empty())
        fail(QStringLiteral("raw save: the card %1 is replaced or holds too little").arg(vipNo));
}

// The card's lock: SQLite's BEGIN IMMEDIATE already is the one lock; on PostgreSQL the
// card's advisory lock, its replacement checked by the payment statement.
void lockCard(Raw &raw, bool lite, const QString &vipNo)
{
    if (!lite) {
        raw.run(RLock, {vipNo});
        return;
    }
    if (!raw.run(RReplaced, {vipNo}).empty())
        fail(QStringLiteral("raw save: the card %1 is replaced").arg(vipNo));
}

// Multi-row inserts on SQLite, one prepared statement per line count up to kMaxLines.
constexpr int kMaxLines = 10;
const QString kSaleLinesHead = QStringLiteral(
    "insert into ICStockBillEntry (FInterID, FEntryID, FItemID, FMainQty, FQty, FPrice, FAmount,"
    " FBeforeZkPrice, FBeforeZkAmount, FOrderBillInterID, FOrderBillEntryID, FOutStockID) values ");
const QString kOrderLinesHead = QStringLiteral(
    "insert into VipOrderEntry (FInterID, FEntryID, FItemID, FQty, FPreQty, FCplQty, FPrice,"
    " FAmount, FYxq) values ");

void prepareLines(Raw &raw, int base, const QString &head, int columns)
{
    QString row = QStringLiteral("(?");
    for (int c = 1; c < columns; ++c)
        row += QStringLiteral(",?");
    row += u')';
    QString sql = head;
    for (int n = 1; n <= kMaxLines; ++n) {
        sql += (n > 1 ? QStringLiteral(",") : QString()) + row;
        raw.prepare(base + n, sql);
    }
}

int linesStatement(int base, qsizetype n)
{
    if (n < 1 || n > kMaxLines)
        fail(QStringLiteral("raw save: %1 lines, at most %2").arg(n).arg(kMaxLines));
    return base + int(n);
}

} // namespace

QString exact(Money m)
{
    return QString::number(m.toDouble(), 'f', 4);
}

void prepareRawSaves(Raw &raw, db::Engine engine)
{
    const bool lite = engine == db::Engine::SQLite;
    auto pg = [](QString sql) {
        // ?N to $N
        for (int i = 20; i >= 1; --i)
            sql.replace(QStringLiteral("?%1").arg(i), QStringLiteral("$%1").arg(i));
        return sql;
    };
    raw.prepare(RBegin, lite ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN"));
    raw.prepare(RCommit, QStringLiteral("COMMIT"));
    raw.prepare(RPay, paySql(lite));
    raw.prepare(RRecharge, rechargeSql(lite));
    const QString close = QStringLiteral(
        "update VipOrder set FClosed=1 where FInterID=? and coalesce(FClosed,0)=0 and FSumQty<="
        "(select sum(coalesce(e.FCplQty,0)) from VipOrderEntry e where e.FInterID=VipOrder.FInterID)");
    raw.prepare(RClose, close);
    if (lite) {
        raw.prepare(RReplaced,
                    QStringLiteral("select FNewVipNo from t_VipCardReplaced where FOldVipNo=?"));
        // The write lock is the database's: the order's header needs none of its own.
        raw.prepare(RBook, QStringLiteral(
                               "update VipOrderEntry set FCplQty=coalesce(FCplQty,0)+?1 where"
                               " FInterID=?2 and FEntryID=?3 and FItemID=?4 and"
                               " coalesce(FCplQty,0)+?1<=FQty+coalesce(FPreQty,0) and exists"
                               " (select 1 from VipOrder o where o.FInterID=?2 and o.FVipNo=?5)"
                               " returning 1"));
        raw.prepare(RDraw, QStringLiteral("update ICMaxNum set FMaxNum=FMaxNum+1 where"
                                          " FTranType=? returning FMaxNum"));
        raw.prepare(RHeader,
                    QStringLiteral("insert into ICStockBill (FInterID, FTrantype, Fyear, FPeriod,"
                                   " FDeleted, Fdate, FVipNo, FOwner, FSumQty, FSumAmount,"
                                   " FSysTime, FMonth, FBillerID, FGetReserve, FGetCash) values"
                                   " (?,99,?,?,0,?,?,?,?,?,datetime('now','localtime'),?,?,?,?)"));
        raw.prepare(ROrderHeader,
                    QStringLiteral("insert into VipOrder (FInterID, Fdate, FVipNo, FOwner, FPhone,"
                                   " FRemark, FSumQty, FSumAmount, FCreateTime, FMonth, FVipID,"
                                   " FBillerID, FGetCash, FGetReserve, FGetOther, FClosed) values"
                                   " (?,?,?,?,?,'',?,?,datetime('now','localtime'),?,?,?,?,?,0,0)"));
        raw.prepare(RVipId, QStringLiteral("update VipOrder set FVipID=?1 where FVipNo=?2 and"
                                           " coalesce(FVipID,'')<>?1"));
        prepareLines(raw, RSaleLines, kSaleLinesHead, 12);
        prepareLines(raw, ROrderLines, kOrderLinesHead, 9);
        return;
    }
    raw.prepare(RLock, QStringLiteral("select pg_advisory_xact_lock(hashtext(?))"));
    // The order's header locked, then its line booked, in one statement: the lock comes
    // first, and the close below reads with a snapshot taken after it.
    raw.prepare(RBook, pg(QStringLiteral(
                           "update VipOrderEntry e set FCplQty=coalesce(e.FCplQty,0)+?1::numeric"
                           " from (select FInterID from VipOrder where FInterID=?2::int and"
                           " FVipNo=?5 for update) o where e.FInterID=o.FInterID and"
                           " e.FEntryID=?3::int and e.FItemID=?4::int and"
                           " coalesce(e.FCplQty,0)+?1::numeric<=e.FQty+coalesce(e.FPreQty,0)"
                           " returning 1")));
    // The number, the lines and the header in one statement; the counter's row is locked by
    // its first step, as late in the save as the core takes it.
    raw.prepare(RBill, pg(QStringLiteral(
                           "with n as (update ICMaxNum set FMaxNum=FMaxNum+1 where FTranType=0"
                           " returning FMaxNum), l as (insert into ICStockBillEntry (FInterID,"
                           " FEntryID, FItemID, FMainQty, FQty, FPrice, FAmount, FBeforeZkPrice,"
                           " FBeforeZkAmount, FOrderBillInterID, FOrderBillEntryID, FOutStockID)"
                           " select n.FMaxNum, v.e, v.i, v.mq, v.q, v.p, v.a, v.p, v.a, v.oi, v.oe,"
                           " ?1::int from n, unnest(?2::int[], ?3::int[], ?4::int[],"
                           " ?5::numeric[], ?6::numeric[], ?7::numeric[], ?8::int[], ?9::int[])"
                           " v(e, i, mq, q, p, a, oi, oe)) insert into ICStockBill (FInterID,"
                           " FTrantype, Fyear, FPeriod, FDeleted, Fdate, FVipNo, FOwner, FSumQty,"
                           " FSumAmount, FSysTime, FMonth, FBillerID, FGetReserve, FGetCash)"
                           " select n.FMaxNum, 99, ?10::int, ?11::int, 0, ?12::date, ?13, ?14,"
                           " ?15::numeric, ?16::numeric, localtimestamp(0), ?17, ?18::int,"
                           " ?19::numeric, ?20::numeric from n returning FInterID")));
    raw.prepare(ROrder, pg(QStringLiteral(
                            "with n as (update ICMaxNum set FMaxNum=FMaxNum+1 where FTranType=30"
                            " returning FMaxNum), l as (insert into VipOrderEntry (FInterID,"
                            " FEntryID, FItemID, FQty, FPreQty, FCplQty, FPrice, FAmount, FYxq)"
                            " select n.FMaxNum, v.e, v.i, v.q, v.g, 0, v.p, v.a, v.y from n,"
                            " unnest(?1::int[], ?2::int[], ?3::numeric[], ?4::numeric[],"
                            " ?5::numeric[], ?6::numeric[], ?7::date[]) v(e, i, q, g, p, a, y)),"
                            " h as (insert into VipOrder (FInterID, Fdate, FVipNo, FOwner, FPhone,"
                            " FRemark, FSumQty, FSumAmount, FCreateTime, FMonth, FVipID, FBillerID,"
                            " FGetCash, FGetReserve, FGetOther, FClosed) select n.FMaxNum,"
                            " ?8::date, ?9, ?10, ?11, '', ?12::numeric, ?13::numeric,"
                            " localtimestamp(0), ?14, ?15, ?16::int, ?17::numeric, ?18::numeric,"
                            " 0, 0 from n returning FInterID), u as (update VipOrder set"
                            " FVipID=?15 where FVipNo=?9 and coalesce(FVipID,'')<>?15)"
                            " select FInterID from h")));
}

int rawSaleSave(Raw &raw, db::Engine engine, const SaleBill &bill, const SalePayment &payment,
                int billerId)
{
    const bool lite = engine == db::Engine::SQLite;
    // Units per order line in key order, as every save takes the orders' locks.
    std::map<std::pair<int, int>, std::pair<double, int>> picked;
    for (const SaleLine &l : bill.lines())
        if (l.isPickup()) {
            auto &p = picked[{l.orderId, l.orderEntryId}];
            p.first += l.qty;
            p.second = l.itemId;
        }
    raw.run(RBegin, {});
    lockCard(raw, lite, bill.vipNo);
    for (const auto &[key, p] : picked)
        if (raw.run(RBook, {QString::number(p.first), QString::number(key.first),
                            QString::number(key.second), QString::number(p.second), bill.vipNo})
                .size() != 1)
            fail(QStringLiteral("raw sale save: order %1 line %2 holds too little")
                     .arg(key.first)
                     .arg(key.second));
    int last = 0;
    for (const auto &entry : picked)
        if (entry.first.first != last)
            raw.run(RClose, {QString::number(last = entry.first.first)});
    pay(raw, bill.vipNo, bill.date, billerId, payment.reserve, bill.receivable());
    const QList<SaleLine> &lines = bill.lines();
    const QString stock = QString::number(bill.stockId);
    Texts header{QString::number(bill.date.year()), QString::number(bill.date.month()),
                 bill.date.toString(Qt::ISODate), bill.vipNo, bill.owner,
                 QString::number(bill.totalQty()), exact(bill.receivable()),
                 SaleBill::monthLabel(bill.date), QString::number(billerId),
                 exact(payment.reserve), exact(payment.cash)};
    int id = 0;
    if (lite) {
        id = raw.run(RDraw, {u"0"_qs}).at(0).at(0).toInt();
        Texts values;
        for (int i = 0; i < lines.size(); ++i) {
            const SaleLine &l = lines[i];
            values.insert(values.end(),
                          {QString::number(id), QString::number(i + 1), QString::number(l.itemId),
                           QString::number(l.mainQty), QString::number(l.qty), exact(l.price1),
                           exact(l.amount1), exact(l.price1), exact(l.amount1),
                           QString::number(l.orderId), QString::number(l.orderEntryId), stock});
        }
        raw.run(linesStatement(RSaleLines, lines.size()), values);
        header.insert(header.begin(), QString::number(id));
        raw.run(RHeader, header);
    } else {
        QStringList e, i, mq, q, p, a, oi, oe;
        for (int n = 0; n < lines.size(); ++n) {
            const SaleLine &l = lines[n];
            e << QString::number(n + 1);
            i << QString::number(l.itemId);
            mq << QString::number(l.mainQty);
            q << QString::number(l.qty);
            p << exact(l.price1);
            a << exact(l.amount1);
            oi << QString::number(l.orderId);
            oe << QString::number(l.orderEntryId);
        }
        Texts params{stock,        pgArray(e), pgArray(i),  pgArray(mq), pgArray(q),
                     pgArray(p),   pgArray(a), pgArray(oi), pgArray(oe)};
        params.insert(params.end(), header.begin(), header.end());
        id = raw.run(RBill, params).at(0).at(0).toInt();
    }
    raw.run(RCommit, {});
    return id;
}

int rawOrderSave(Raw &raw, db::Engine engine, const OrderDraft &d, const SalePayment &payment,
                 int billerId)
{
    const bool lite = engine == db::Engine::SQLite;
    const QString month = QString::number(d.date.year()) + QStringLiteral("年") +
                          QString::number(d.date.month()) + QStringLiteral("月");
    raw.run(RBegin, {});
    lockCard(raw, lite, d.vipNo);
    int id = 0;
    if (lite) {
        id = raw.run(RDraw, {u"30"_qs}).at(0).at(0).toInt();
        Texts values;
        int entry = 0;
        for (const OrderDraftLine &l : d.lines())
            values.insert(values.end(),
                          {QString::number(id), QString::number(++entry), QString::number(l.itemId),
                           QString::number(l.qty), QString::number(l.gift), u"0"_qs,
                           exact(l.price), exact(l.amount),
                           l.validTo.isValid() ? l.validTo.toString(Qt::ISODate) : QString()});
        raw.run(linesStatement(ROrderLines, d.lines().size()), values);
        raw.run(ROrderHeader, {QString::number(id), d.date.toString(Qt::ISODate), d.vipNo, d.owner,
                               d.phone, QString::number(d.sumQty()), exact(d.sumAmount()), month,
                               d.vipId, QString::number(billerId), exact(payment.cash),
                               exact(payment.reserve)});
        raw.run(RVipId, {d.vipId, d.vipNo});
    } else {
        QStringList e, i, q, g, p, a, y;
        int entry = 0;
        for (const OrderDraftLine &l : d.lines()) {
            e << QString::number(++entry);
            i << QString::number(l.itemId);
            q << QString::number(l.qty);
            g << QString::number(l.gift);
            p << exact(l.price);
            a << exact(l.amount);
            y << (l.validTo.isValid() ? l.validTo.toString(Qt::ISODate) : u"NULL"_qs);
        }
        id = raw.run(ROrder, {pgArray(e), pgArray(i), pgArray(q), pgArray(g), pgArray(p),
                              pgArray(a), pgArray(y), d.date.toString(Qt::ISODate), d.vipNo,
                              d.owner, d.phone, QString::number(d.sumQty()), exact(d.sumAmount()),
                              month, d.vipId, QString::number(billerId), exact(payment.cash),
                              exact(payment.reserve)})
                 .at(0)
                 .at(0)
                 .toInt();
    }
    pay(raw, d.vipNo, d.date, billerId, payment.reserve, d.sumAmount());
    raw.run(RCommit, {});
    return id;
}

} // namespace bench

namespace bench {

int rawRecharge(Raw &raw, db::Engine engine, const RechargeInput &in)
{
    const bool lite = engine == db::Engine::SQLite;
    raw.run(RBegin, {});
    lockCard(raw, lite, in.vipNo);
    const Table t = raw.run(
        RRecharge, {in.vipNo, in.vipId, in.owner, in.phone, in.date.toString(Qt::ISODate),
                    QString::number(in.billerId), exact(in.amount), in.remark,
                    StoredValueLedger::yearLabel(in.date), StoredValueLedger::seasonLabel(in.date),
                    StoredValueLedger::monthLabel(in.date), exact(in.gift)});
    if (t.empty())
        fail(QStringLiteral("raw recharge: the card %1 is replaced").arg(in.vipNo));
    raw.run(RCommit, {});
    return t.at(0).at(0).toInt();
}

} // namespace bench
