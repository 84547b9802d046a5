#include "Cases.h"

#include <algorithm>
#include <cstdio>
#include <random>
#include <string_view>

#include "core/db/BillNumbers.h"
#include "core/db/Database.h"
#include "core/db/Transaction.h"
#include "core/pos/ItemLookup.h"
#include "core/pos/MemberOrders.h"
#include "core/pos/SaleBill.h"
#include "core/pos/SaleBillStore.h"

#include "RawSaves.h"
#include "Seed.h"
#include "Statements.h"

namespace bench {

void lookups(Bench &b)
{
    std::mt19937 rng(7);
    struct Kind
    {
        const char *name;
        QString (*code)(int);
    };
    const Kind kinds[] = {
        {"item lookup by shop number",
         [](int i) { return QStringLiteral("S%1").arg(i, 6, 10, QLatin1Char('0')); }},
        {"item lookup by bar code",
         [](int i) { return QStringLiteral("69%1").arg(i, 11, 10, QLatin1Char('0')); }},
        {"item lookup by pack bar code",
         [](int i) { return QStringLiteral("79%1").arg(i * 10, 11, 10, QLatin1Char('0')); }},
    };
    for (const Kind &k : kinds) {
        std::vector<int> ids(b.z.lookups);
        const int range = std::string_view(k.name).find("pack") != std::string_view::npos
                              ? b.z.items / 10
                              : b.z.items;
        for (int &id : ids)
            id = 1 + int(rng() % unsigned(range));
        std::vector<ItemMatch> ours(ids.size());
        std::vector<int> raws(ids.size());
        std::vector<double> to, tr;
        rounds(
            int(ids.size()), [&](int i) { ours[i] = ItemLookup::find(b.cnstr, k.code(ids[i]), 1); },
            [&](int i) {
                const QString c = k.code(ids[i]);
                const Table t = b.raw->run(SLookup, {c, c, c});
                raws[i] = t.empty() ? 0 : t[0][0].toInt();
            },
            to, tr);
        for (size_t i = 0; i < ids.size(); ++i)
            if (!ours[i].found || ours[i].itemId != raws[i])
                fail(QStringLiteral("%1: ours found %2, raw %3")
                         .arg(k.name)
                         .arg(ours[i].itemId)
                         .arg(raws[i]));
        line(QString::fromLatin1(k.name), b.engineName(), to, tr);
    }
}

// One sale as the counter saves it: the checks first, then the number, header and 5 lines.
void saveOurs(const QString &cnstr, int seq)
{
    db::Transaction tx(cnstr);
    const int n = db::BillNumbers::draw(tx, db::BillNumbers::SaleBill);
    const QDate d(2026, 12, 31);
    tx.execute(kHeader,
               {n, 21, 2026, 12, d, QStringLiteral("V%1").arg(seq % 100, 5, 10, QLatin1Char('0')),
                5, 25.0, QDateTime(d, QTime(9, 30)), QStringLiteral("2026-12"), 1});
    for (int e = 1; e <= 5; ++e)
        tx.execute(kLine, {n, e, 1 + (seq * 5 + e) % 1000, 1, 1, 5.0, 5.0});
    tx.commit();
}

void saveRaw(Raw &raw, int seq)
{
    raw.run(SBegin, {});
    const Table t = raw.run(SDraw, {QStringLiteral("0")});
    const QString n = t.at(0).at(0);
    raw.run(SHeader, {n, u"21"_qs, u"2026"_qs, u"12"_qs, u"2026-12-31"_qs,
                      QStringLiteral("V%1").arg(seq % 100, 5, 10, QLatin1Char('0')), u"5"_qs,
                      u"25"_qs, u"2026-12-31 09:30:00"_qs, u"2026-12"_qs, u"1"_qs});
    for (int e = 1; e <= 5; ++e)
        raw.run(SLine, {n, QString::number(e), QString::number(1 + (seq * 5 + e) % 1000), u"1"_qs,
                        u"1"_qs, u"5"_qs, u"5"_qs});
    raw.run(SCommit, {});
}

void saves(Bench &b)
{
    const int before =
        db::scalar(b.cnstr, QStringLiteral("select count(*) from ICStockBillEntry")).toInt();
    std::vector<double> to, tr;
    rounds(
        b.z.saves, [&](int i) { saveOurs(b.cnstr, i); }, [&](int i) { saveRaw(*b.raw, i); }, to,
        tr);
    const int lines =
        db::scalar(b.cnstr, QStringLiteral("select count(*) from ICStockBillEntry")).toInt() -
        before;
    const int bills =
        db::scalar(b.cnstr, QStringLiteral("select count(distinct FInterID) from ICStockBill"))
            .toInt();
    if (lines != 2 * 5 * b.z.saves || bills < 2 * b.z.saves)
        fail(QStringLiteral("sale save: %1 lines, %2 bills").arg(lines).arg(bills));
    line(QStringLiteral("sale save (number + header + 5 lines)"), b.engineName(), to, tr);
}

// A sale's history: `orders` open orders (two lines of 30 + 5 gift, none handed out) on the
// members' cards, `closed` finished ones after them, and `bills` past bills of five lines.
namespace {

void seedSaleHistory(Bench &b, int firstOrder, int orders, bool closed, int bills)
{
    const bool lite = b.engine == db::Engine::SQLite;
    auto insert = [&](int from, int count, const QString &sql) {
        if (count <= 0)
            return;
        const QString to = QString::number(from + count - 1), first = QString::number(from);
        const QString text =
            lite ? QStringLiteral("with recursive s(i) as (select %1 union all select i+1 from s"
                                  " where i<%2) ")
                           .arg(first, to) +
                       sql + QStringLiteral(" from s")
                 : sql + QStringLiteral(" from generate_series(%1,%2) s(i)").arg(first, to);
        b.raw->exec(text.toUtf8().constData());
    };
    const QString card =
        lite ? QStringLiteral("'V' || printf('%05d', i % ") + QString::number(b.z.members) + u')'
             : QStringLiteral("'V' || lpad((i % ") + QString::number(b.z.members) +
                   QStringLiteral(")::text, 5, '0')");
    const QString done = closed ? QStringLiteral("35") : QStringLiteral("0");
    b.raw->exec("BEGIN");
    // Enough on every card for all the payments of the run.
    if (firstOrder == 1)
        insert(0, b.z.members,
               QStringLiteral("insert into VipCzBill (FVipNo, FTranType, FDate, FKAmount, FCzAmount,"
                              " FZsAmount, FBegAmount, FEndAmount) select %1, 1, '2025-12-31',"
                              " 100000, 100000, 0, 0, 0")
                   .arg(card));
    insert(firstOrder, orders,
           QStringLiteral("insert into VipOrder (FInterID, Fdate, FVipNo, FOwner, FSumQty,"
                          " FSumAmount, FClosed) select i, '2026-01-01', %1, '会员', 70, 600, %2")
               .arg(card, closed ? QStringLiteral("1") : QStringLiteral("0")));
    for (int e = 1; e <= 2; ++e)
        insert(firstOrder, orders,
               QStringLiteral("insert into VipOrderEntry (FInterID, FEntryID, FItemID, FQty, FPreQty,"
                              " FCplQty, FPrice, FAmount) select i, %1, 1 + i % 100, 30, 5, %2, 10, 300")
                   .arg(e)
                   .arg(done));
    if (bills > 0) {
        insert(1, bills,
               QStringLiteral("insert into ICStockBill (FInterID, FTrantype, Fyear, FPeriod, Fdate,"
                              " FVipNo, FSumQty, FSumAmount, FMonth, FBillerID, FGetReserve, FGetCash)"
                              " select i, 99, 2026, 1, '2026-01-01', %1, 5, 25, '2026年1月', 1, 0, 25")
                   .arg(card));
        for (int e = 1; e <= 5; ++e)
            insert(1, bills,
                   QStringLiteral("insert into ICStockBillEntry (FInterID, FEntryID, FItemID, FMainQty,"
                                  " FQty, FPrice, FAmount, FOrderBillInterID, FOrderBillEntryID,"
                                  " FOutStockID) select i, %1, 1 + i % 1000, 0, 1, 5, 5, 0, 0, 1")
                       .arg(e));
        b.raw->exec(QStringLiteral("update ICMaxNum set FMaxNum=%1 where FTranType=0")
                        .arg(bills)
                        .toUtf8()
                        .constData());
    }
    b.raw->exec("COMMIT");
    b.raw->exec(lite ? "ANALYZE" : "VACUUM ANALYZE");
}

// Bill `seq`: four lines of 5.00 and one unit picked from an open order of the card, 2.00 of
// it paid from stored value.
SaleBill benchSale(const Bench &b, int seq, int orders)
{
    SaleBill bill;
    bill.date = QDate(2026, 12, 31);
    const int order = 1 + seq % orders;
    bill.vipNo = QStringLiteral("V%1").arg(order % b.z.members, 5, 10, QLatin1Char('0'));
    bill.owner = QStringLiteral("会员");
    bill.stockId = 1;
    for (int e = 0; e < 4; ++e)
        bill.add(1 + (seq * 4 + e) % b.z.items, QStringLiteral("鲜奶"), 1, Money::fromInt(5));
    OpenOrderLine l;
    l.qty = 35;
    l.open = 35;
    l.amount = Money::fromInt(300);
    l.orderId = order;
    l.entryId = 1 + seq / orders % 2;
    // The item the seeded history put on that line: a pick-up books only where it still is.
    l.itemId = 1 + order % 100;
    bill.addLine(MemberOrders::pickup(l, 1));
    return bill;
}

// The counter save over a seeded history, then again with 99 times as many finished orders:
// closing looks only at the bill's own order, so the second must not be slower.
} // namespace

void sale(Bench &b)
{
    const int orders = b.z.items / 5, saves = b.z.saves * 5 / 4;
    // The history's bills are numbered from 1: the bills of the plain save part make way.
    b.raw->exec("delete from ICStockBillEntry");
    b.raw->exec("delete from ICStockBill");
    seedSaleHistory(b, 1, orders, false, orders * 2);
    seedSaleHistory(b, orders + 1, orders / 20, true, 0);
    auto run = [&](const QString &label, int offset) {
        std::vector<double> to, tr;
        rounds(
            saves,
            [&](int i) {
                const SaleBill bill = benchSale(b, offset + 2 * i, orders);
                SaleBillStore::save(b.cnstr, bill, {bill.receivable() - Money::fromInt(2), Money::fromInt(2)}, 1);
            },
            [&](int i) {
                const SaleBill bill = benchSale(b, offset + 2 * i + 1, orders);
                rawSaleSave(*b.raw, b.engine, bill,
                            {bill.receivable() - Money::fromInt(2), Money::fromInt(2)}, 1);
            }, to, tr);
        line(label, b.engineName(), to, tr,
             QStringLiteral("p95 %1 (%2 × median)")
                 .arg(timeText(percentile(to, 0.95)))
                 .arg(percentile(to, 0.95) / percentile(to, 0.5), 0, 'f', 2));
        return std::make_pair(percentile(to, 0.5), percentile(tr, 0.5));
    };
    const auto few = run(QStringLiteral("sale save, %1 finished orders").arg(orders / 20), 0);
    seedSaleHistory(b, orders + orders / 20 + 1, orders * 5 - orders / 20, true, 0);
    const auto many = run(QStringLiteral("sale save, %1 finished orders").arg(orders * 5), 2 * saves);
    // The raw side runs the same statements: its change is the machine's and the engine's.
    std::printf("%-34s %-10s many ÷ few: ours %.2f, raw %.2f\n", "sale save, finished orders",
                qPrintable(b.engineName()), many.first / few.first, many.second / few.second);
    // Every save of either side wrote one bill of five lines, booked one unit and paid 2.00
    // from stored value, and nothing else.
    const int picked = db::scalar(b.cnstr, QStringLiteral("select sum(FCplQty) from VipOrderEntry"
                                                          " where FInterID<=?"),
                                  {orders})
                           .toInt();
    const db::Row w =
        db::query(b.cnstr,
                  QStringLiteral("select (select count(*) from ICStockBill where Fdate=?) as bills,"
                                 " (select count(*) from ICStockBillEntry e join ICStockBill h on"
                                 " h.FInterID=e.FInterID where h.Fdate=?) as lines,"
                                 " (select count(*) from VipCzBill where FDate=? and FTranType=2"
                                 " and FKAmount=2 and FSumAmount=20) as moves"),
                  {QDate(2026, 12, 31), QDate(2026, 12, 31), QDate(2026, 12, 31)})
            .first();
    const int made = 4 * saves;
    if (picked != made || w.integer(u"bills"_qs) != made || w.integer(u"lines"_qs) != 5 * made ||
        w.integer(u"moves"_qs) != made)
        fail(QStringLiteral("sale save: %1 units booked, %2 bills, %3 lines, %4 payments; %5 saves")
                 .arg(picked)
                 .arg(w.integer(u"bills"_qs))
                 .arg(w.integer(u"lines"_qs))
                 .arg(w.integer(u"moves"_qs))
                 .arg(made));
}

} // namespace bench
