#include "Invariants.h"

#include <QDate>
#include <QHash>
#include <QSet>

#include "core/db/Database.h"
#include "core/base/Money.h"
#include "core/reports/GroupedReport.h"

namespace {

// Amounts are REAL on SQLite: two sums of the same cents may differ in the last binary digit.
const QString kEps = QStringLiteral("0.00005");

// A movement's effect on its card: type 1 (recharge, refund) adds FKAmount, type 2 (payment)
// takes it off.
const QString kSigned = QStringLiteral(
    "(case when FTranType=1 then FKAmount when FTranType=2 then -FKAmount else 0 end)");

QString moneyKey(const QVariant &v)
{
    return Money::fromVariant(v).format();
}

// The ids of a table, and its counter.
QSet<int> ids(const QString &cnstr, const QString &table)
{
    QSet<int> out;
    for (const db::Row &r : db::query(cnstr, QStringLiteral("select FInterID from %1").arg(table)))
        out.insert(r.integer(QStringLiteral("FInterID")));
    return out;
}

int counter(const QString &cnstr, int tranType)
{
    return db::scalar(cnstr, QStringLiteral("select FMaxNum from ICMaxNum where FTranType=?"),
                      {tranType})
        .toInt();
}

void violate(Invariants::Check &c, const QString &what)
{
    ++c.violations;
    if (c.samples.size() < 8)
        c.samples << what;
}

QString opName(const Journal::Entry &e)
{
    return QStringLiteral("station %1 op %2 %3 %4")
        .arg(e.station)
        .arg(e.id)
        .arg(e.kind, e.key.join(u' '));
}

} // namespace

Invariants::Invariants(const QString &cnstr, const QList<Journal::Entry> &journal)
    : m_cnstr(cnstr), m_journal(journal)
{
}

Invariants::Check Invariants::count(const QString &name, const QString &rowsSql,
                                    const QString &violationsSql)
{
    Check c;
    c.name = name;
    c.rows = db::scalar(m_cnstr, rowsSql).toLongLong();
    c.violations = db::scalar(m_cnstr, violationsSql).toLongLong();
    return c;
}

QList<Invariants::Check> Invariants::run()
{
    QList<Check> out;
    out << count(
        QStringLiteral("no two bills share a number"),
        QStringLiteral("select count(*) from ICStockBill"),
        QStringLiteral("select count(*) from (select FInterID from ICStockBill group by FInterID"
                       " having count(*)>1) t"));
    out << count(
        QStringLiteral("no two orders share a number"),
        QStringLiteral("select count(*) from VipOrder"),
        QStringLiteral("select count(*) from (select FInterID from VipOrder group by FInterID"
                       " having count(*)>1) t"));
    out << billNumbers() << orderNumbers();
    out << count(QStringLiteral("no bill header without lines"),
                 QStringLiteral("select count(*) from ICStockBill"),
                 QStringLiteral("select count(*) from ICStockBill h where not exists"
                                " (select 1 from ICStockBillEntry e where e.FInterID=h.FInterID)"));
    out << count(QStringLiteral("no bill lines without a header"),
                 QStringLiteral("select count(*) from ICStockBillEntry"),
                 QStringLiteral("select count(*) from ICStockBillEntry e where not exists"
                                " (select 1 from ICStockBill h where h.FInterID=e.FInterID)"));
    out << count(QStringLiteral("no order header without lines"),
                 QStringLiteral("select count(*) from VipOrder"),
                 QStringLiteral("select count(*) from VipOrder h where not exists"
                                " (select 1 from VipOrderEntry e where e.FInterID=h.FInterID)"));
    out << count(QStringLiteral("no order lines without a header"),
                 QStringLiteral("select count(*) from VipOrderEntry"),
                 QStringLiteral("select count(*) from VipOrderEntry e where not exists"
                                " (select 1 from VipOrder h where h.FInterID=e.FInterID)"));
    out << count(
        QStringLiteral("card balance = sum of its movements"),
        QStringLiteral("select count(distinct FVipNo) from VipCzBill where FVipNo<>''"),
        QStringLiteral("select count(*) from (select FVipNo, sum%1 as FSum, max(FInterID) as FLast"
                       " from VipCzBill where FVipNo<>'' group by FVipNo) t"
                       " join VipCzBill m on m.FInterID=t.FLast where abs(m.FEndAmount-t.FSum)>%2")
            .arg(kSigned, kEps));
    out << count(QStringLiteral("no card balance below 0"),
                 QStringLiteral("select count(*) from VipCzBill where FVipNo<>''"),
                 QStringLiteral("select count(*) from VipCzBill where FVipNo<>'' and"
                                " (FBegAmount<-%1 or FEndAmount<-%1)")
                     .arg(kEps));
    // In the order they were written: the ledger locks the card before it reads the balance
    // and inserts, so a card's movements get their ids in the order they chain.
    out << count(
        QStringLiteral("movement balances chain"),
        QStringLiteral("select count(*) from VipCzBill where FVipNo<>''"),
        QStringLiteral("select count(*) from (select FBegAmount, FEndAmount, %1 as FSigned,"
                       " lag(FEndAmount) over (partition by FVipNo order by FInterID) as FPrev"
                       " from VipCzBill where FVipNo<>'') t"
                       " where abs(FBegAmount-coalesce(FPrev,0))>%2"
                       " or abs(FEndAmount-(FBegAmount+FSigned))>%2")
            .arg(kSigned, kEps));
    out << count(QStringLiteral("handed out <= ordered + gift"),
                 QStringLiteral("select count(*) from VipOrderEntry"),
                 QStringLiteral("select count(*) from VipOrderEntry where"
                                " coalesce(FCplQty,0)>FQty+coalesce(FPreQty,0)"));
    out << count(
        QStringLiteral("order closed exactly when handed out"),
        QStringLiteral("select count(*) from VipOrder"),
        QStringLiteral("select count(*) from VipOrder o join (select FInterID,"
                       " sum(coalesce(FCplQty,0)) as FDone, sum(FQty+coalesce(FPreQty,0)) as FAll"
                       " from VipOrderEntry group by FInterID) e on e.FInterID=o.FInterID"
                       " where (coalesce(o.FClosed,0)<>0 and e.FDone<e.FAll)"
                       " or (coalesce(o.FClosed,0)=0 and e.FDone>=e.FAll)"));
    out << count(
        QStringLiteral("handed-out units = their sale lines"),
        QStringLiteral("select count(*) from VipOrderEntry"),
        QStringLiteral("select count(*) from VipOrderEntry v where abs(coalesce(v.FCplQty,0)-"
                       "coalesce((select sum(s.FQty) from ICStockBillEntry s where"
                       " s.FOrderBillInterID=v.FInterID and s.FOrderBillEntryID=v.FEntryID),0))>%1")
            .arg(kEps));
    out << pickupsHaveTheirLine();
    out << count(
        QStringLiteral("pick-ups are of the order line's item"),
        QStringLiteral(
            "select count(*) from ICStockBillEntry where coalesce(FOrderBillInterID,0)<>0"),
        QStringLiteral("select count(*) from ICStockBillEntry s join VipOrderEntry v on"
                       " v.FInterID=s.FOrderBillInterID and v.FEntryID=s.FOrderBillEntryID"
                       " where v.FItemID<>s.FItemID"));
    out << liveCards();
    out << count(
        QStringLiteral("a pick-up's bill on its order's card"),
        QStringLiteral(
            "select count(*) from ICStockBillEntry where coalesce(FOrderBillInterID,0)<>0"),
        QStringLiteral("select count(*) from ICStockBillEntry s join ICStockBill b on"
                       " b.FInterID=s.FInterID join VipOrder o on o.FInterID=s.FOrderBillInterID"
                       " where coalesce(s.FOrderBillInterID,0)<>0 and coalesce(b.FVipNo,'')<>"
                       "coalesce(o.FVipNo,'')"));
    out << dailyReport() << doneInDatabase() << notDoneNotInDatabase();
    return out;
}

// A pick-up line names the order line it handed out from; only a closed order deleted from
// the list (its sale lines stay as history) may have taken that line with it.
Invariants::Check Invariants::pickupsHaveTheirLine()
{
    Check c;
    c.name = QStringLiteral("pick-up lines have their order line");
    c.rows = db::scalar(m_cnstr, QStringLiteral("select count(*) from ICStockBillEntry where"
                                                " coalesce(FOrderBillInterID,0)<>0"))
                 .toLongLong();
    QSet<int> deleted;
    for (const Journal::Entry &e : m_journal)
        if (e.kind == u"order-delete" && e.mayHaveHappened())
            deleted.insert(e.key.value(0).toInt());
    for (const db::Row &r : db::query(
             m_cnstr,
             QStringLiteral("select s.FInterID, s.FOrderBillInterID, s.FOrderBillEntryID from"
                            " ICStockBillEntry s where coalesce(s.FOrderBillInterID,0)<>0 and not"
                            " exists (select 1 from VipOrderEntry v where"
                            " v.FInterID=s.FOrderBillInterID and v.FEntryID=s.FOrderBillEntryID)")))
        if (!deleted.contains(r.integer(QStringLiteral("FOrderBillInterID"))))
            violate(c, QStringLiteral("bill %1: order line %2/%3 missing, order never deleted")
                           .arg(r.integer(QStringLiteral("FInterID")))
                           .arg(r.integer(QStringLiteral("FOrderBillInterID")))
                           .arg(r.integer(QStringLiteral("FOrderBillEntryID"))));
    return c;
}

// A replacement moves every row of the old number; whatever was begun on the old number at
// another station must have been refused or moved with them. The old numbers are those the
// replacements recorded and those the journals say were replaced.
Invariants::Check Invariants::liveCards()
{
    Check c;
    c.name = QStringLiteral("every movement, bill and order on a live card");
    QSet<QString> old;
    for (const db::Row &r :
         db::query(m_cnstr, QStringLiteral("select FOldVipNo from t_VipCardReplaced")))
        old.insert(r.text(QStringLiteral("FOldVipNo")));
    for (const Journal::Entry &e : m_journal)
        if (e.kind == u"replace" && e.happened() && !old.contains(e.key.value(0)))
            violate(c, opName(e) + QStringLiteral(": replacement not recorded"));
    for (const Journal::Entry &e : m_journal)
        if (e.kind == u"replace" && e.happened())
            old.insert(e.key.value(0));
    for (const char *table : {"VipCzBill", "ICStockBill", "VipOrder"}) {
        for (const db::Row &r :
             db::query(m_cnstr, QStringLiteral("select FVipNo, count(*) as FRows from %1 where"
                                               " FVipNo<>'' group by FVipNo")
                                    .arg(QString::fromLatin1(table)))) {
            const qint64 n = r.integer(QStringLiteral("FRows"));
            c.rows += n;
            const QString card = r.text(QStringLiteral("FVipNo"));
            if (old.contains(card)) {
                c.violations += n - 1;
                violate(c, QStringLiteral("%1 rows of %2 on replaced card %3")
                               .arg(n)
                               .arg(QString::fromLatin1(table), card));
            }
        }
    }
    return c;
}

// Bill numbers are drawn by raising ICMaxNum inside the saving transaction: a save that rolls
// back gives its number back, so a committed bill never leaves a gap. Sale bills are never
// deleted, so every number from 1 to the counter must be there, and none beyond it.
Invariants::Check Invariants::billNumbers()
{
    Check c;
    c.name = QStringLiteral("bill numbers 1..counter, no gaps");
    const QSet<int> have = ids(m_cnstr, QStringLiteral("ICStockBill"));
    const int top = counter(m_cnstr, 0);
    c.rows = have.size();
    for (int n = 1; n <= top; ++n)
        if (!have.contains(n))
            violate(c, QStringLiteral("bill %1 missing").arg(n));
    for (int n : have)
        if (n < 1 || n > top)
            violate(c, QStringLiteral("bill %1 beyond the counter %2").arg(n).arg(top));
    return c;
}

// The same for member orders, except that a deleted order leaves its number unused for good
// (a re-save keeps its number): a gap is fine only where some station deleted that order, or
// was killed or cut off while deleting it.
Invariants::Check Invariants::orderNumbers()
{
    Check c;
    c.name = QStringLiteral("order numbers 1..counter, gaps only deletions");
    QSet<int> deleted;
    for (const Journal::Entry &e : m_journal)
        if (e.kind == u"order-delete" && e.mayHaveHappened())
            deleted.insert(e.key.value(0).toInt());
    const QSet<int> have = ids(m_cnstr, QStringLiteral("VipOrder"));
    const int top = counter(m_cnstr, 30);
    c.rows = top;
    for (int n = 1; n <= top; ++n)
        if (!have.contains(n) && !deleted.contains(n))
            violate(c, QStringLiteral("order %1 missing, never deleted").arg(n));
    for (int n : have)
        if (n < 1 || n > top)
            violate(c, QStringLiteral("order %1 beyond the counter %2").arg(n).arg(top));
    return c;
}

// The daily business report of today against raw sums of the same rows: orders taken (their
// lines' quantities and amounts), units handed out against orders, units and money sold
// without one, and the grand total.
Invariants::Check Invariants::dailyReport()
{
    Check c;
    c.name = QStringLiteral("daily report totals = raw sums");
    const QDate today = QDate::currentDate();
    const ReportTable table = GroupedReport::run(m_cnstr, GroupedReport::dailyBusiness(QString()),
                                                 {QStringLiteral("日期"), QString(), today, today});
    const db::Row orders =
        db::query(
            m_cnstr,
            QStringLiteral(
                "select coalesce(sum(e.FQty),0) as FQty, coalesce(sum(e.FAmount),0) as FAmount"
                " from VipOrder h join VipOrderEntry e on e.FInterID=h.FInterID where h.Fdate=?"),
            {today})
            .first();
    const db::Row sales =
        db::query(
            m_cnstr,
            QStringLiteral("select coalesce(sum(case when coalesce(e.FOrderBillInterID,0)<>0 then "
                           "e.FQty else 0 end),0) as FVip,"
                           " coalesce(sum(case when coalesce(e.FOrderBillInterID,0)<>0 then 0 else "
                           "e.FQty end),0) as FNoVip,"
                           " coalesce(sum(case when coalesce(e.FOrderBillInterID,0)<>0 then 0 else "
                           "e.FAmount end),0) as FAmount"
                           " from ICStockBill h join ICStockBillEntry e on e.FInterID=h.FInterID"
                           " where h.FTrantype=99 and h.Fdate=?"),
            {today})
            .first();
    const Money orderAmount = orders.money(QStringLiteral("FAmount"));
    const Money saleAmount = sales.money(QStringLiteral("FAmount"));
    const QList<std::pair<QString, Money>> expected{
        {QStringLiteral("FOrderQty"), orders.money(QStringLiteral("FQty"))},
        {QStringLiteral("FOrderAmount"), orderAmount},
        {QStringLiteral("FVipQty"), sales.money(QStringLiteral("FVip"))},
        {QStringLiteral("FNoVipQty"), sales.money(QStringLiteral("FNoVip"))},
        {QStringLiteral("FSaleAmount"), saleAmount},
        {QStringLiteral("FSumAmount"), orderAmount + saleAmount},
    };
    const ReportRow *total = nullptr;
    for (const ReportRow &r : table.rows)
        if (r.kind == ReportRow::Total)
            total = &r;
    c.rows = table.rows.size();
    if (!total) {
        violate(c, QStringLiteral("the report has no total row"));
        return c;
    }
    for (const auto &[key, want] : expected) {
        const int col = table.columnOf(key);
        const Money got = col < 0 ? Money() : Money::parseCell(total->cells.value(col));
        // The report shows cents; the raw sums are compared at the same precision.
        if (col < 0 || got != want.roundedToCents())
            violate(c, QStringLiteral("%1: report %2, raw %3")
                           .arg(key, total->cells.value(col), want.format()));
    }
    return c;
}

Invariants::Check Invariants::doneInDatabase()
{
    Check c;
    c.name = QStringLiteral("journaled done -> in the database");

    struct Bill
    {
        int biller;
        QString sum, reserve;
        int lines;
    };
    QHash<int, Bill> bills;
    for (const db::Row &r : db::query(
             m_cnstr,
             QStringLiteral("select h.FInterID, h.FBillerID, h.FSumAmount, h.FGetReserve,"
                            " (select count(*) from ICStockBillEntry e where e.FInterID=h.FInterID)"
                            " as FLines from ICStockBill h")))
        bills.insert(r.integer(QStringLiteral("FInterID")),
                     {r.integer(QStringLiteral("FBillerID")),
                      moneyKey(r.value(QStringLiteral("FSumAmount"))),
                      moneyKey(r.value(QStringLiteral("FGetReserve"))),
                      r.integer(QStringLiteral("FLines"))});
    QHash<QString, QList<int>> tagged; // recharge remark -> movement ids
    for (const db::Row &r :
         db::query(m_cnstr, QStringLiteral("select FInterID, FRemark from VipCzBill"
                                           " where FRemark like 'soak-%'")))
        tagged[r.text(QStringLiteral("FRemark"))] << r.integer(QStringLiteral("FInterID"));
    const QSet<int> orders = ids(m_cnstr, QStringLiteral("VipOrder"));
    QSet<int> deleted;
    QSet<QString> replacedAgain; // card numbers some replacement moved away again
    for (const Journal::Entry &e : m_journal) {
        if (e.kind == u"order-delete" && e.mayHaveHappened())
            deleted.insert(e.key.value(0).toInt());
        if (e.kind == u"replace" && e.mayHaveHappened())
            replacedAgain.insert(e.key.value(0));
    }
    auto used = [this](const QString &card) {
        return db::scalar(m_cnstr,
                          QStringLiteral("select (select count(*) from VipOrder where FVipNo=?)"
                                         "+(select count(*) from VipCzBill where FVipNo=?)"
                                         "+(select count(*) from ICStockBill where FVipNo=?)"),
                          {card, card, card})
                   .toInt() > 0;
    };

    for (const Journal::Entry &e : m_journal) {
        if (!e.happened())
            continue;
        const int number = e.number.toInt();
        if (e.kind == u"sale") {
            ++c.rows;
            const auto it = bills.constFind(number);
            if (it == bills.constEnd())
                violate(c, opName(e) + QStringLiteral(": bill %1 not found").arg(number));
            else if (it->biller != 100 + e.station || it->sum != e.key.value(1) ||
                     it->reserve != e.key.value(2) || it->lines != e.key.value(3).toInt())
                violate(c, opName(e) + QStringLiteral(": bill %1 differs (%2 %3 %4)")
                                           .arg(number)
                                           .arg(it->sum, it->reserve)
                                           .arg(it->lines));
        } else if (e.kind == u"recharge" || e.kind == u"refund") {
            ++c.rows;
            if (tagged.value(e.key.value(1)) != QList<int>{number})
                violate(c, opName(e) + QStringLiteral(": movement %1 not found once").arg(number));
        } else if (e.kind == u"order-new" || e.kind == u"order-edit") {
            ++c.rows;
            if (!orders.contains(number) && !deleted.contains(number))
                violate(c, opName(e) + QStringLiteral(": order %1 not found").arg(number));
        } else if (e.kind == u"order-delete") {
            ++c.rows;
            if (orders.contains(e.key.value(0).toInt()))
                violate(c, opName(e) + QStringLiteral(": order still there"));
        } else if (e.kind == u"replace") {
            ++c.rows;
            const QString card = e.key.value(1);
            if (!used(card) && !replacedAgain.contains(card))
                violate(c, opName(e) + QStringLiteral(": new card holds nothing"));
        }
    }
    return c;
}

// An operation refused or failed must have left nothing. Sales and new orders carry no tag of
// their own, so they are told apart by their operator: every bill (or order) a station's
// operator wrote must be claimed by one of its done operations, or be the one operation it
// may have had in flight when killed or cut off.
Invariants::Check Invariants::notDoneNotInDatabase()
{
    Check c;
    c.name = QStringLiteral("journaled refused/failed -> not in database");

    QHash<int, QSet<int>> claimedBills, claimedOrders; // station -> numbers
    QHash<int, QList<QStringList>> openSales;          // station -> keys in flight
    QHash<int, int> openNewOrders;
    QSet<int> deleted;
    for (const Journal::Entry &e : m_journal) {
        if (e.kind == u"sale") {
            if (e.happened())
                claimedBills[e.station].insert(e.number.toInt());
            else if (e.mayHaveHappened())
                openSales[e.station] << e.key;
        } else if (e.kind == u"order-new") {
            if (e.happened())
                claimedOrders[e.station].insert(e.number.toInt());
            else if (e.mayHaveHappened())
                ++openNewOrders[e.station];
        } else if (e.kind == u"order-edit" && e.mayHaveHappened()) {
            claimedOrders[e.station].insert(e.key.value(0).toInt());
        } else if (e.kind == u"order-delete" && e.mayHaveHappened()) {
            deleted.insert(e.key.value(0).toInt());
        }
        if (!e.happened() && !e.mayHaveHappened() && e.kind != u"lookup" && e.kind != u"report")
            ++c.rows;
    }

    for (const db::Row &r : db::query(
             m_cnstr,
             QStringLiteral(
                 "select h.FInterID, h.FBillerID, h.FVipNo, h.FSumAmount, h.FGetReserve,"
                 " (select count(*) from ICStockBillEntry e where e.FInterID=h.FInterID)"
                 " as FLines from ICStockBill h where h.FBillerID>100 order by h.FInterID"))) {
        const int station = r.integer(QStringLiteral("FBillerID")) - 100;
        const int id = r.integer(QStringLiteral("FInterID"));
        if (claimedBills.value(station).contains(id))
            continue;
        QList<QStringList> &open = openSales[station];
        const QString sum = moneyKey(r.value(QStringLiteral("FSumAmount")));
        const QString reserve = moneyKey(r.value(QStringLiteral("FGetReserve")));
        const QString lines = QString::number(r.integer(QStringLiteral("FLines")));
        int match = -1;
        for (int i = 0; i < open.size() && match < 0; ++i)
            if (open[i].value(1) == sum && open[i].value(2) == reserve && open[i].value(3) == lines)
                match = i;
        if (match >= 0)
            open.removeAt(match);
        else
            violate(c, QStringLiteral("bill %1 of station %2 claimed by no operation")
                           .arg(id)
                           .arg(station));
    }
    for (const db::Row &r :
         db::query(m_cnstr, QStringLiteral("select FInterID, FBillerID from VipOrder"
                                           " where FBillerID>100 order by FInterID"))) {
        const int station = r.integer(QStringLiteral("FBillerID")) - 100;
        const int id = r.integer(QStringLiteral("FInterID"));
        if (claimedOrders.value(station).contains(id))
            continue;
        if (openNewOrders.value(station) > 0)
            --openNewOrders[station];
        else
            violate(c, QStringLiteral("order %1 of station %2 claimed by no operation")
                           .arg(id)
                           .arg(station));
    }

    const QSet<int> orders = ids(m_cnstr, QStringLiteral("VipOrder"));
    for (const Journal::Entry &e : m_journal) {
        if (e.happened() || e.mayHaveHappened())
            continue;
        if (e.kind == u"recharge" || e.kind == u"refund") {
            if (db::scalar(m_cnstr,
                           QStringLiteral("select count(*) from VipCzBill where FRemark=?"),
                           {e.key.value(1)})
                    .toInt() != 0)
                violate(c, opName(e) + QStringLiteral(": its movement is there"));
        } else if (e.kind == u"order-delete") {
            const int id = e.key.value(0).toInt();
            if (!orders.contains(id) && !deleted.contains(id))
                violate(c, opName(e) + QStringLiteral(": the order is gone"));
        } else if (e.kind == u"replace") {
            const QString card = e.key.value(1);
            if (db::scalar(m_cnstr,
                           QStringLiteral("select (select count(*) from VipOrder where FVipNo=?)"
                                          "+(select count(*) from VipCzBill where FVipNo=?)"
                                          "+(select count(*) from ICStockBill where FVipNo=?)"),
                           {card, card, card})
                    .toInt() != 0)
                violate(c, opName(e) + QStringLiteral(": the new card holds rows"));
        } else if (e.kind == u"details") {
            const QString owner = e.key.value(1);
            if (db::scalar(m_cnstr,
                           QStringLiteral("select (select count(*) from VipOrder where FOwner=?)"
                                          "+(select count(*) from ICStockBill where FOwner=?)"),
                           {owner, owner})
                    .toInt() != 0)
                violate(c, opName(e) + QStringLiteral(": the new name is there"));
        }
    }
    return c;
}

QString Invariants::table(const QList<Check> &checks)
{
    QString out;
    const int w = 48;
    out += QStringLiteral("%1 %2 %3 %4\n")
               .arg(QStringLiteral("invariant"), -w)
               .arg(QStringLiteral("rows"), 8)
               .arg(QStringLiteral("violations"), 10)
               .arg(QStringLiteral("result"));
    for (const Check &c : checks) {
        out += QStringLiteral("%1 %2 %3 %4\n")
                   .arg(c.name, -w)
                   .arg(c.rows, 8)
                   .arg(c.violations, 10)
                   .arg(c.passed() ? QStringLiteral("PASS") : QStringLiteral("FAIL"));
        for (const QString &s : c.samples)
            out += QStringLiteral("    %1\n").arg(s);
    }
    return out;
}
