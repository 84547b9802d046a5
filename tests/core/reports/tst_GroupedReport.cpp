#include <thread>

#include <QtTest>

#include "TestDb.h"
#include "core/db/Database.h"
#include "core/db/DbError.h"
#include "core/frame/CoreError.h"
#include "core/reports/CardMovements.h"
#include "core/reports/GroupedReport.h"
#include "core/reports/StoredValueReport.h"

namespace {

const QDate D(2026, 3, 1);

const QVariant null;

// Day one: three items (an order and two walk-in lines, a hand-out); day two: one item with a
// NULL order reference; day three: an order only, and an item missing from t_icitem. Sale 4
// is not a counter sale, sale 5 falls after every range. Orders 6 and 7, months before, are
// labelled "2025年10月" and "2025年9月" and written in that order.
void seed(const TestDb &t)
{
    const QString c = t.cnstr(), m = "2026年3月";
    t.addUser(1, "店长", true);
    t.addUser(2, "收银员", false);
    TestDb::insert(c, "t_icitem (FItemID, FName)", {{1, "A奶"}, {2, "B奶"}, {3, "C奶"}});
    TestDb::insert(c, "VipOrder (FInterID, Fdate, FBillerID, FClosed, FMonth)",
                   {{1, D, 1, 0, m}, {2, D.addDays(2), 2, 1, m},
                    {3, QDateTime(D.addDays(1), QTime(10, 30)), 2, null, m}, {5, D.addDays(3), 2, 0, m},
                    {6, QDate(2025, 10, 10), 1, 0, "2025年10月"}, {7, QDate(2025, 9, 10), 1, 0, "2025年9月"}});
    TestDb::insert(c, "VipOrderEntry (FInterID, FEntryID, FItemID, FQty, FPreQty, FCplQty, FAmount)",
                   {{1, 1, 1, 8, 2, 4, 80}, {2, 1, 3, 5, 0, 5, 50}, {3, 1, 2, 3, null, null, 30},
                    {5, 1, 2, 0, 0, 0, 0}, {6, 1, 1, 10, 0, 0, 10}, {7, 1, 1, 9, 0, 0, 9}});
    TestDb::insert(c, "ICStockBill (FInterID, FTrantype, Fdate, FBillerID, FMonth)",
                   {{1, 99, QDateTime(D, QTime(9, 0)), 2, m}, {2, 99, D.addDays(1), 1, m},
                    {3, 99, D.addDays(2), 2, m}, {4, 98, D, 2, m}, {5, 99, D.addDays(5), 2, m}});
    TestDb::insert(c, "ICStockBillEntry (FInterID, FEntryID, FItemID, FQty, FAmount, FOrderBillInterID)",
                   {{1, 1, 1, 2, 7, 0}, {1, 2, 2, 1, 6.5, 0}, {1, 3, 3, 4, 40, 2}, {2, 1, 2, 3, 19.5, null},
                    {3, 1, 4, 1, 3, 0}, {4, 1, 1, 100, 100, 0}, {5, 1, 1, 100, 100, 0}});
}

QStringList lines(const ReportTable &r)
{
    QStringList out;
    const char *kinds[] = {"", "~", "="};
    for (const ReportRow &row : r.rows)
        out << QString::fromLatin1(kinds[row.kind]) + row.cells.join(u'|');
    return out;
}

// Card V9: a recharge before the range, a recharge with a gift, a refund whose gift field is
// stale, two payments on one day; card V8: a recharge, and a payment after most ranges end.
void seedMovements(const TestDb &t)
{
    QList<QVariantList> rows;
    int second = 0;
    for (const auto &[card, owner, type, day, k, cz, zs] :
         {std::tuple{"V9", "赵敏", 1, -10, 100.0, 100.0, 0.0}, {"V9", "赵敏", 1, 0, 550.0, 500.0, 50.0},
          {"V9", "赵敏", 1, 1, -100.0, -100.0, 20.0}, {"V9", "赵敏", 2, 2, 30.0, 0.0, 0.0},
          {"V9", "赵敏", 2, 2, 20.5, 0.0, 0.0}, {"V8", "O'Neil", 1, 3, 200.0, 200.0, 0.0},
          {"V8", "O'Neil", 2, 20, 10.0, 0.0, 0.0}})
        rows.append({card, owner, type, D.addDays(day),
                     QDateTime(D.addDays(day), QTime(9, 0, ++second)), k, cz, zs});
    TestDb::insert(t.cnstr(),
                   "VipCzBill (FVipNo, FOwner, FTranType, FDate, FCreateTime, FKAmount, FCzAmount,"
                   " FZsAmount)",
                   rows);
}

} // namespace

// The grouped reports (daily business, order summary) and the stored-value reports.
class tst_GroupedReport : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    // Rows of a report from day `from` to day `to` after the 1st; ~ marks a subtotal, = the
    // total; a refusal comes with the field it sends the cashier to. Daily business: "FTotal1|
    // FTotal2|订单数量|订单金额|会员销售|非会员销售|销售金额|合计金额"; order summary (`status`
    // 0 to 2, by item): "FTotal1|FTotal2|订单总量|均价|订单金额|赠数|已取数量|已取金额|未取数量|
    // 未取金额|完成比".
    void grouped_data()
    {
        QTest::addColumn<int>("status"); // -1: daily business
        QTest::addColumn<QStringList>("criteria"); // first, second, the one operator
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QStringList>("expected");
        using L = QStringList;
        // clang-format off
        QTest::newRow("3, 1 and 2 items a day") << -1 << L{"日期", "商品"} << 0 << 2 << L{
            "2026-03-01|A奶|8|80.00||2|7.00|87.00", "2026-03-01|B奶||||1|6.50|6.50",
            "2026-03-01|C奶|||4|||", "~|2026-03-01(小计)|8|80.00|4|3|13.50|93.50",
            "2026-03-02|B奶|3|30.00||3|19.50|49.50", "2026-03-03|||||1|3.00|3.00",
            "2026-03-03|C奶|5|50.00||||50.00", "~|(小计)|5|50.00|0|1|3.00|53.00",
            "=(合计)||16|160.00|4|7|36.00|196.00"};
        QTest::newRow("one operator, both halves") << -1 << L{"日期", "", "店长"} << 0 << 2 << L{
            "2026-03-01||8|80.00||||80.00", "2026-03-02|||||3|19.50|19.50",
            "=(合计)||8|80.00|0|3|19.50|99.50"};
        QTest::newRow("one day, sold at 9 o'clock") << -1 << L{"日期"} << 0 << 0 << L{
            "2026-03-01||8|80.00|4|3|13.50|93.50", "=(合计)||8|80.00|4|3|13.50|93.50"};
        QTest::newRow("nothing in the range, not even a total") << -1 << L{"日期", "商品"} << -9 << -1 << L{};
        QTest::newRow("no first criterion") << -1 << L{"", "商品"} << 0 << 0 << L{"请选择汇总依据！ @ cmbTotal1"};
        QTest::newRow("open orders, NULL FClosed included") << 1 << L{"商品"} << 0 << 2 << L{
            "A奶||10|8.00|80.00|2|4|32.00|6|48.00|40.00%", "B奶||3|10.00|30.00||||3|30.00|0.00%",
            "=(合计)||13|8.46|110.00|2|4|32.00|9|78.00|30.77%"};
        QTest::newRow("orders by month, the total adding each month once") << 0 << L{"月份"} << -200 << 2 << L{
            "2025年9月||9|1.00|9.00||||9|9.00|0.00%", "2025年10月||10|1.00|10.00||||10|10.00|0.00%",
            "2026年3月||18|8.89|160.00|2|9|80.00|9|80.00|50.00%", "=(合计)||37|4.84|179.00|2|9|80.00|28|99.00|24.32%"};
        QTest::newRow("nothing ordered: no price, no ratio") << 0 << L{"商品"} << 3 << 3 << L{
            "B奶||||||||||", "=(合计)||0||0.00|0|0|0.00|0|0.00|"};
        // clang-format on
    }
    void grouped()
    {
        QFETCH(int, status);
        QFETCH(QStringList, criteria);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QStringList, expected);
        TestDb t;
        seed(t);
        const GroupedReport::Design design = status < 0
                                                 ? GroupedReport::dailyBusiness(criteria.value(2))
                                                 : GroupedReport::orderSummary(status);
        const GroupedReport::Request request{criteria.value(0), criteria.value(1), D.addDays(from),
                                             D.addDays(to)};
        QStringList got;
        QString field;
        const QString refusal = TestDb::refusalOf(
            [&] { got = lines(GroupedReport::run(t.cnstr(), design, request)); }, &field);
        QCOMPARE(refusal.isEmpty() ? got : QStringList(refusal + " @ " + field), expected);
    }

    // Two stations running reports at once share nothing (no table left between runs):
    // each thread has its own connection and gets, ten times over, what a lone run gets.
    void twoStationsAtOnce()
    {
        TestDb t;
        seed(t);
        const GroupedReport::Design designs[] = {GroupedReport::dailyBusiness({}),
                                                 GroupedReport::orderSummary(1)};
        auto report = [&](int k) {
            return lines(GroupedReport::run(t.cnstr(), designs[k], {"日期", "商品", D, D.addDays(3)}));
        };
        QList<QStringList> seen[2];
        auto station = [&](int k) {
            try {
                for (int i = 0; i < 10; ++i)
                    seen[k] << report(k);
            } catch (const std::exception &e) {
                seen[k] << QStringList(QString::fromUtf8(e.what()));
            }
            db::closeAll();
        };
        std::thread a(station, 0), b(station, 1);
        a.join();
        b.join();
        QCOMPARE(seen[0], QList<QStringList>(10, report(0)));
        QCOMPARE(seen[1], QList<QStringList>(10, report(1)));
    }

    // Each report's lines, the total last: 104 one line per member, ordered by card, where the
    // refund's stale gift number is no gift; 103 the recharges and refunds; 106 and 109 with a
    // running balance that counts every movement before the range.
    void figures_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("card");
        QTest::addColumn<QStringList>("lines");
        using L = QStringList;
        // clang-format off
        QTest::newRow("104 per member") << 104 << "" << L{
            "V8|O'Neil|0.00|200.00|0.00|0.00|0.00|200.00", "V9|赵敏|100.00|500.00|50.00|100.00|50.50|499.50",
            "合计|2人|100.00|700.00|50.00|100.00|50.50|699.50"};
        QTest::newRow("103 all cards") << 103 << "" << L{
            "2026-03-01|V9|赵敏||充值|500.00|50.00|550.00|0.00|0.00||",
            "2026-03-02|V9|赵敏||退款|-100.00|0.00|-100.00|0.00|0.00||",
            "2026-03-04|V8|O'Neil||充值|200.00|0.00|200.00|0.00|0.00||", "合计|3笔||||600.00|50.00|650.00||||"};
        QTest::newRow("106 journal") << 106 << "" << L{
            "2026-03-01|V9|赵敏|充值|550.00||650.00||", "2026-03-02|V9|赵敏|退款||100.00|550.00||",
            "2026-03-03|V9|赵敏|消费||30.00|520.00||", "2026-03-03|V9|赵敏|消费||20.50|499.50||",
            "2026-03-04|V8|O'Neil|充值|200.00||200.00||", "2026-03-21|V8|O'Neil|消费||10.00|190.00||",
            "合计|6笔|||750.00|160.50|||"};
        QTest::newRow("109 statement, card in spaces") << 109 << " V9 " << L{
            "2026-03-01|期初余额|||100.00||", "2026-03-01|充值|550.00||650.00||",
            "2026-03-02|退款||100.00|550.00||", "2026-03-03|消费||30.00|520.00||",
            "2026-03-03|消费||20.50|499.50||", "合计||550.00|150.50|499.50||"};
        // clang-format on
    }
    void figures()
    {
        QFETCH(int, number);
        QFETCH(QString, card);
        QFETCH(QStringList, lines);
        TestDb t;
        seedMovements(t);
        const QDate to = D.addDays(number == 106 ? 30 : 10);
        const auto r = StoredValueReport::run(t.cnstr(), number, {D, to, card});
        QStringList got;
        for (const QStringList &l : r.lines)
            got << l.join(u'|');
        QCOMPARE(got << r.total.join(u'|'), lines);
    }

    // A date column written with a time of day by another program still counts on its last
    // day: ranges are half-open on both engines.
    void lastDayWithTimeOfDay()
    {
        TestDb t;
        const QDate last = D.addDays(10), next = last.addDays(1);
        TestDb::insert(t.cnstr(), "VipCzBill (FVipNo, FOwner, FTranType, FDate, FKAmount, FCzAmount)",
                       {{"V7", "x", 1, QDateTime(last, QTime(18, 30)), 40, 40}});
        QCOMPARE(StoredValueReport::run(t.cnstr(), 103, {last, last, ""}).total.value(7) + " " +
                     StoredValueReport::run(t.cnstr(), 103, {next, next, ""}).total.value(1),
                 "40.00 0笔");
    }

    // An unknown report, a range ending before it starts, no date, a statement without a
    // card.
    void badRequests()
    {
        TestDb t;
        for (const auto &[number, from, card] :
             {std::tuple{105, D, ""}, {103, D.addDays(1), ""}, {104, QDate(), ""}, {109, D, "  "}})
            QVERIFY_THROWS_EXCEPTION(db::DbError,
                                     StoredValueReport::run(t.cnstr(), number, {from, D, card}));
    }

    // A card has a movement to report when it has a recharge or a payment, no other kind of
    // row; the number is trimmed and bound.
    void anyMovement()
    {
        TestDb t;
        const QString c = t.cnstr();
        TestDb::insert(c, "VipCzBill (FVipNo, FTranType)", {{"V1", 1}, {"V2", 2}, {"V3", 0}});
        QCOMPARE((QList<bool>{CardMovements::any(c, "V1"), CardMovements::any(c, " V2 "),
                              CardMovements::any(c, "V3"), CardMovements::any(c, "V1' or '1'='1")}),
                 (QList<bool>{true, true, false, false}));
    }
};

QTEST_GUILESS_MAIN(tst_GroupedReport)
#include "tst_GroupedReport.moc"
