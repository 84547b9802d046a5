#include "Cases.h"

#include "core/db/Database.h"
#include "core/db/Dialect.h"
#include "core/orders/MemberOrderStore.h"
#include "core/orders/OrderDraft.h"
#include "core/orders/OrderLists.h"

#include "RawSaves.h"
#include "Seed.h"
#include "core/reports/ListCells.h"
#include "Statements.h"

namespace bench {

namespace {

// The uncompleted orders as the list reads them; the card filter is appended.
const QString kUncompleted = QStringLiteral(
    "select t1.FInterID, t1.Fdate, coalesce(t1.FVipNo,'') as FVipNo,"
    " coalesce(t1.FOwner,'') as FOwner, coalesce(t1.FPhone,'') as FPhone, t2.FEntryID,"
    " coalesce(t2.FItemID,0) as FItemID, coalesce(t3.FName,'') as FName,"
    " coalesce(t2.FQty,0) as FQty, coalesce(t2.FPreQty,0) as FPreQty,"
    " coalesce(t2.FCplQty,0) as FCplQty, t2.FYxq"
    " from VipOrder t1 inner join VipOrderEntry t2 on t1.FInterID=t2.FInterID"
    " left join t_icitem t3 on t2.FItemID=t3.FItemID"
    " where coalesce(t2.FQty,0)+coalesce(t2.FPreQty,0)>coalesce(t2.FCplQty,0)");
const QString kUncompletedOrder = QStringLiteral(" order by t1.Fdate, t1.FInterID, t2.FEntryID");
enum OrderStmt { SUncplCard = 40, SUncplAll, SExplainUncpl };

// 100k orders of two and three lines in turn (250k lines) over a year, ten a card; of every
// five lines three are finished, one started and one untouched. Each card holds stored value.
void seedOrders(Bench &b)
{
    const bool lite = b.engine == db::Engine::SQLite;
    auto series = [&](int n, const QString &sql) {
        const QString to = QString::number(n);
        return (lite ? QStringLiteral("with recursive s(i) as (select 1 union all select i+1 from s"
                                      " where i<%1) ")
                               .arg(to) +
                           sql + QStringLiteral(" from s")
                     : sql + QStringLiteral(" from generate_series(1,%1) s(i)").arg(to))
            .toUtf8();
    };
    const QString members = QString::number(b.z.members);
    const QString card =
        lite ? QStringLiteral("'V' || printf('%05d', i % ") + members + u')'
             : QStringLiteral("'V' || lpad((i % ") + members + QStringLiteral(")::text, 5, '0')");
    const QString date =
        lite ? QStringLiteral("date('2025-01-01', '+' || (i * 365 / 100000) || ' days')")
             : QStringLiteral("date '2025-01-01' + (i * 365 / 100000)");
    // Line j of a pair of orders: the odd order takes two lines, the even one three.
    const QString order =
        QStringLiteral("((i - 1) / 5 * 2 + case when (i - 1) % 5 < 2 then 1 else 2 end)");
    const QString entry =
        QStringLiteral("(case when (i - 1) % 5 < 2 then (i - 1) % 5 + 1 else (i - 1) % 5 - 1 end)");
    progress(qPrintable(b.engineName()), "100k member orders");
    b.raw->exec("BEGIN");
    b.raw->exec("delete from VipOrderEntry");
    b.raw->exec("delete from VipOrder");
    b.raw->exec(
        series(100000, QStringLiteral("insert into VipOrder (FInterID, Fdate, FVipNo, FOwner,"
                                      " FPhone, FVipID, FSumQty, FSumAmount, FCreateTime,"
                                      " FGetCash, FGetReserve, FClosed) select i, %1, %2,"
                                      " 'O''Neil ' || i, '138', 'ID' || %2, 66, 210, %1, 210,"
                                      " 0, 0")
                           .arg(date, card))
            .constData());
    b.raw->exec(
        series(250000, QStringLiteral("insert into VipOrderEntry (FInterID, FEntryID, FItemID,"
                                      " FQty, FPreQty, FCplQty, FPrice, FAmount, FYxq) select"
                                      " %1, %2, 1 + i % %3, 30, 3, case when i % 5 < 3 then 33"
                                      " when i % 5 = 3 then 10 else 0 end, 3.5, 105,"
                                      " case when i % 2 = 0 then null else %4 end")
                           .arg(order, entry)
                           .arg(b.z.items)
                           .arg(lite ? QStringLiteral("'2026-06-30'")
                                     : QStringLiteral("date '2026-06-30'")))
            .constData());
    b.raw->exec("update ICMaxNum set FMaxNum=100000 where FTranType=30");
    b.raw->exec(series(b.z.members,
                       QStringLiteral("insert into VipCzBill (FVipNo, FTranType, FDate, FKAmount,"
                                      " FCzAmount, FZsAmount, FBegAmount, FEndAmount) select %1, 1,"
                                      " '2025-12-31', 100000, 100000, 0, 0, 0")
                           .arg(card)));
    b.raw->exec("COMMIT");
    b.raw->exec(lite ? "ANALYZE" : "VACUUM ANALYZE");
    progress(qPrintable(b.engineName()), "done");
    std::printf("\n");
}

QString benchCard(const Bench &b, int i)
{
    return QStringLiteral("V%1").arg((i * 7919) % b.z.members, 5, 10, QLatin1Char('0'));
}

// A new order of three lines valid until March, 2.00 of it from stored value, as the order
// screen saves it.
OrderDraft benchOrder(const Bench &b, int seq)
{
    OrderDraft d;
    d.date = QDate(2027, 1, 15);
    d.vipNo = benchCard(b, seq);
    d.owner = QStringLiteral("会员");
    d.phone = QStringLiteral("138");
    d.vipId = QStringLiteral("ID") + d.vipNo;
    for (int e = 0; e < 3; ++e)
        d.add(1 + (seq * 3 + e) % b.z.items, QStringLiteral("鲜奶"), QStringLiteral("3.50"),
              QStringLiteral("30"), QStringLiteral("3"), QStringLiteral("105.00"),
              QDate(2027, 3, 1));
    return d;
}

} // namespace

void orders(Bench &b)
{
    seedOrders(b);
    b.raw->prepare(SUncplCard,
                   kUncompleted + QStringLiteral(" and t1.FVipNo=?") + kUncompletedOrder);
    b.raw->prepare(SUncplAll, kUncompleted + kUncompletedOrder);
    requireIndexScans(b, SExplainUncpl,
                      kUncompleted + QStringLiteral(" and t1.FVipNo=?") + kUncompletedOrder,
                      {benchCard(b, 1)}, "uncompleted orders of one card", QStringLiteral("t_icitem"));
    {
        const int saves = b.z.saves;
        std::vector<OrderDraft> ours, raws;
        for (int i = 0; i < saves; ++i) {
            ours.push_back(benchOrder(b, 2 * i));
            raws.push_back(benchOrder(b, 2 * i + 1));
        }
        std::vector<double> to, tr;
        rounds(
            saves,
            [&](int i) {
                MemberOrderStore::save(b.cnstr, ours[i],
                                       {ours[i].sumAmount() - Money::fromInt(2), Money::fromInt(2)},
                                       1);
            },
            [&](int i) {
                rawOrderSave(*b.raw, b.engine, raws[i],
                             {raws[i].sumAmount() - Money::fromInt(2), Money::fromInt(2)}, 1);
            },
            to, tr);
        const int made =
            db::scalar(b.cnstr,
                       QStringLiteral("select count(*) from VipOrder where FInterID>100000"))
                .toInt();
        const int moves =
            db::scalar(b.cnstr, QStringLiteral("select count(*) from VipCzBill where FDate=?"),
                       {QDate(2027, 1, 15)})
                .toInt();
        const int lines =
            db::scalar(b.cnstr,
                       QStringLiteral("select count(*) from VipOrderEntry where FInterID>100000"))
                .toInt();
        // The identity number each order carries is the card's already: neither side may
        // rewrite the card's older orders.
        const int rewritten =
            db::scalar(b.cnstr, QStringLiteral("select count(*) from VipOrder where FInterID<=100000"
                                               " and FVipID<>'ID' || FVipNo"))
                .toInt();
        if (made != 2 * saves || moves != 2 * saves || lines != 6 * saves || rewritten != 0)
            fail(QStringLiteral("order save: %1 orders, %2 lines, %3 movements, %4 rewritten")
                     .arg(made)
                     .arg(lines)
                     .arg(moves)
                     .arg(rewritten));
        line(QStringLiteral("order save (number + 3 lines + pay)"), b.engineName(), to, tr);
    }
    // The list as the raw rows make it (the columns of kUncompleted): the same cells and total
    // row, so both sides do the same work and are compared cell for cell.
    auto build = [](const Table &t) {
        QList<ReportRow> rows;
        rows.reserve(qsizetype(t.size()) + 1);
        Money qty, gift, done, open;
        for (const Texts &x : t) {
            const Money q = Money::parse(x[8]), g = Money::parse(x[9]), c = Money::parse(x[10]);
            qty += q;
            gift += g;
            done += c;
            open += q + g - c;
            rows.append({ReportRow::Detail,
                         {ListCells::date(QDate::fromString(x[1].left(10), Qt::ISODate)), x[2], x[3],
                          x[4], x[7], ListCells::quantity(q), ListCells::quantity(g),
                          ListCells::quantity(c), ListCells::quantity(q + g - c),
                          ListCells::date(QDate::fromString(x[11].left(10), Qt::ISODate)), x[0],
                          x[6]}});
        }
        if (!t.empty())
            rows.append(ListCells::totalRow(OrderLists::uncompletedColumns(),
                                            {{"FQty", ListCells::quantity(qty)},
                                             {"FPreQty", ListCells::quantity(gift)},
                                             {"FCplQty", ListCells::quantity(done)},
                                             {"FUnCplQty", ListCells::quantity(open)}}));
        return rows;
    };
    auto compare = [&](const OrderLists::Result &r, const QList<ReportRow> &raw, const QString &what) {
        if (r.table.rows.size() != raw.size())
            fail(QStringLiteral("%1: ours %2 rows, raw %3").arg(what).arg(r.table.rows.size()).arg(raw.size()));
        for (qsizetype i = 0; i < raw.size(); ++i)
            if (r.table.rows[i].cells != raw[i].cells)
                fail(QStringLiteral("%1, row %2: ours %3, raw %4")
                         .arg(what)
                         .arg(i + 1)
                         .arg(r.table.rows[i].cells.join(u'|'), raw[i].cells.join(u'|')));
    };
    {
        std::vector<double> to, tr;
        const int n = b.z.lookups / 3;
        std::vector<OrderLists::Result> ours(n);
        std::vector<QList<ReportRow>> raws(n);
        rounds(
            n, [&](int i) { ours[i] = OrderLists::uncompleted(b.cnstr, benchCard(b, i)); },
            [&](int i) { raws[i] = build(b.raw->run(SUncplCard, {benchCard(b, i)})); }, to, tr);
        for (int i = 0; i < n; ++i)
            compare(ours[i], raws[i], QStringLiteral("uncompleted of %1").arg(benchCard(b, i)));
        line(QStringLiteral("uncompleted orders, one card"), b.engineName(), to, tr);
    }
    {
        std::vector<double> to, tr;
        OrderLists::Result last;
        QList<ReportRow> raw;
        rounds(
            b.z.reportRounds, [&](int) { last = OrderLists::uncompleted(b.cnstr, QString()); },
            [&](int) { raw = build(b.raw->run(SUncplAll, {})); }, to, tr);
        compare(last, raw, QStringLiteral("uncompleted of all cards"));
        line(QStringLiteral("uncompleted orders, all cards"), b.engineName(), to, tr,
             QStringLiteral("%1 lines").arg(raw.isEmpty() ? 0 : raw.size() - 1));
    }
}

} // namespace bench
