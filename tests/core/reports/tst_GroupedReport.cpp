#include <optional>
#include <thread>

#include <QtTest>

#include "TestDb.h"
#include "core/db/Database.h"
#include "core/reports/GroupedReport.h"

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

} // namespace

// The grouped reports (daily business, order summary) against a real account set.
class tst_GroupedReport : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }
    // Every case, and every row of a table, on an account set of its own.
    void init() { t.emplace(); c = t->cnstr(); }
    void cleanup() { t.reset(); }

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
        seed(*t);
        const GroupedReport::Design design = status < 0
                                                 ? GroupedReport::dailyBusiness(criteria.value(2))
                                                 : GroupedReport::orderSummary(status);
        const GroupedReport::Request request{criteria.value(0), criteria.value(1), D.addDays(from),
                                             D.addDays(to)};
        QStringList got;
        const QString refusal =
            TestDb::refusalAt([&] { got = lines(GroupedReport::run(c, design, request)); });
        QCOMPARE(refusal.isEmpty() ? got : QStringList(refusal), expected);
    }

    // Two stations running reports at once share nothing (no table left between runs):
    // each thread has its own connection and gets, ten times over, what a lone run gets.
    void twoStationsAtOnce()
    {
        seed(*t);
        const GroupedReport::Design designs[] = {GroupedReport::dailyBusiness({}),
                                                 GroupedReport::orderSummary(1)};
        auto report = [&](int k) {
            return lines(GroupedReport::run(c, designs[k], {"日期", "商品", D, D.addDays(3)}));
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

private:
    std::optional<TestDb> t;
    QString c;
};

QTEST_GUILESS_MAIN(tst_GroupedReport)
#include "tst_GroupedReport.moc"
