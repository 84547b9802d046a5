#include <thread>

#include <QtTest>

#include "TestDb.h"
#include "core/db/Database.h"
#include "core/db/Transaction.h"
#include "core/orders/OrderExchange.h"
#include "core/orders/OrderLists.h"
#include "core/orders/OrderOutDetail.h"
#include "core/orders/OrderValidity.h"

namespace {

const QDate D(2026, 3, 10);

const QString Lines = "VipOrderEntry (FInterID, FEntryID, FItemID, FQty, FPreQty, FCplQty,"
                      " FPrice, FAmount, FYxq)";
const QVariant Null;

QStringList column(const OrderLists::Result &r, const QString &key)
{
    const int c = r.table.columnOf(key);
    QStringList out;
    for (const ReportRow &row : r.table.rows)
        out << row.cells.value(c);
    return out;
}

// These cells of the total row.
QStringList total(const OrderLists::Result &r, const QStringList &keys)
{
    QStringList out;
    for (const QString &key : keys)
        out << r.table.rows.last().cells.value(r.table.columnOf(key));
    return out;
}

// Two orders of one day entered line by line in turn, a third of the next day, one of another
// card before the range. The list must keep each order's lines together to count them once.
void seedOrders(const QString &c)
{
    TestDb::insert(c, "t_icitem (FItemID, FName)", {{1, "鲜奶"}, {2, "酸奶"}});
    TestDb::insert(
        c, "VipOrder (FInterID, Fdate, FVipNo)",
        {{12, D, "V1"}, {11, D, "V2"}, {13, D.addDays(1), "V1"}, {9, D.addDays(-30), "V1"}});
    TestDb::insert(c, Lines,
                   {{12, 1, 1, 10, 2, 0, 2.5, 25, Null},
                    {11, 1, 2, 5, 0, 0, 3, 15, Null},
                    {12, 2, 2, 4, Null, 0, 3, 12, Null},
                    {11, 2, 1, 20, 5, 0, 50, 1000, Null},
                    {13, 1, 1, 1, 0, 0, 2.5, 2.5, Null},
                    {9, 1, 1, 3, 0, 3, 2.5, 7.5, Null},
                    {12, 3, 99, 1, 0, 0, 1, 1, Null}}); // its item was deleted: shown, unnamed
}

const QDate Yxq(2024, 7, 1);

// Order 80: item 6 on line 1, item 1 on lines 2 and 3; line 2 handed out 4 + 6 by two sales
// (line numbers unlike item ids, so keying by one cannot pass for the other).
void addOrder(const QString &cnstr)
{
    TestDb::insert(cnstr, "VipOrder (FInterID, Fdate, FVipNo, FClosed)",
                   {{80, QDate(2024, 4, 1), "V0009", 0}});
    TestDb::insert(cnstr, Lines,
                   {{80, 1, 6, 10, 0, 0, 3.5, 35, Yxq},
                    {80, 2, 1, 30, 0, 10, 3.5, 105, Yxq},
                    {80, 3, 1, 20, 0, 0, 3.5, 70, Yxq}});
    const QDate sold(2024, 5, 1);
    TestDb::insert(cnstr, "ICStockBill (FInterID, FTrantype, Fdate, FSysTime)",
                   {{501, 99, sold, QDateTime(sold, QTime(8, 1))},
                    {502, 99, sold, QDateTime(sold, QTime(8, 2))}});
    TestDb::insert(cnstr,
                   "ICStockBillEntry (FInterID, FEntryID, FItemID, FQty, FOrderBillInterID,"
                   " FOrderBillEntryID)",
                   {{501, 1, 1, 4, 80, 2}, {502, 1, 1, 6, 80, 2}});
}

// Each line as "item,validity", in line order.
QString linesOf(const QString &cnstr)
{
    return TestDb::dump(
        cnstr, "select FItemID, FYxq from VipOrderEntry where FInterID=80 order by FEntryID");
}

} // namespace

class tst_OrderLists : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    void orders_data()
    {
        QTest::addColumn<QString>("card");
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        QTest::addColumn<QStringList>("ids");
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("sums"); // 订单数量, 赠送数量, 金额

        QTest::newRow("one day, interleaved")
            << "" << D << D << QStringList{"11", "11", "12", "12", "12", ""} << 2
            << QStringList{"40", "7", "1,053.00"};
        QTest::newRow("to day included")
            << "" << D << D.addDays(1) << QStringList{"11", "11", "12", "12", "12", "13", ""} << 3
            << QStringList{"41", "7", "1,055.50"};
        // The card replaces the dates: its order of a month ago shows too.
        QTest::newRow("card, any date")
            << " V1 " << D << D << QStringList{"9", "12", "12", "12", "13", ""} << 3
            << QStringList{"19", "2", "48.00"};
    }
    void orders()
    {
        QFETCH(QString, card);
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        QFETCH(QStringList, ids);
        QFETCH(int, count);
        QFETCH(QStringList, sums);
        TestDb t;
        seedOrders(t.cnstr());
        const OrderLists::Result r = OrderLists::orders(t.cnstr(), card, from, to);
        QCOMPARE(column(r, "FInterID"), ids);
        QVERIFY(!column(r, "FPreQty").contains(QString())); // a NULL gift shows 0
        QCOMPARE(r.orderCount, count);
        QCOMPARE(r.keys.size(), r.table.rows.size());
        QCOMPARE(total(r, {"FDate", "FQty", "FPreQty", "FAmount"}), QStringList{"合计"} + sums);
        QCOMPARE(r.keys.last().orderId, 0); // the total row acts on nothing
    }

    // Two open lines of one order count once; a finished line and other cards stay out; the
    // total sums the open lines only. Of 10 + gift on card V4 a NULL gift counts 0, a NULL
    // hand-out nothing out.
    void uncompletedOfCard_data()
    {
        QTest::addColumn<QString>("card");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("sums"); // 订单数量, 赠送数量, 出库数量, 未出库数量

        QTest::newRow("all cards") << "" << QStringList{"1", "3", "1", "1", "1", "1", "1", ""} << 6
                                   << QStringList{"70", "8", "34", "44"};
        QTest::newRow("one card") << "V1" << QStringList{"1", "3", ""} << 1
                                  << QStringList{"20", "4", "11", "13"};
        QTest::newRow("card without open lines") << "V3" << QStringList{} << 0 << QStringList{};
        QTest::newRow("NULL gift and hand-out") << "V4" << QStringList{"1", "1", "1", "1", ""} << 4
                                                << QStringList{"40", "4", "20", "24"};
    }
    void uncompletedOfCard()
    {
        QFETCH(QString, card);
        QFETCH(QStringList, entries);
        QFETCH(int, count);
        QFETCH(QStringList, sums);
        TestDb t;
        TestDb::insert(t.cnstr(), "t_icitem (FItemID, FName)", {{1, "鲜奶"}});
        TestDb::insert(t.cnstr(), "VipOrder (FInterID, Fdate, FVipNo)",
                       {{5, D, "V1"},
                        {6, D, "V2"},
                        {7, D, "V3"},
                        {8, D, "V4"},
                        {9, D, "V4"},
                        {10, D, "V4"},
                        {11, D, "V4"},
                        {12, D, "V4"},
                        {13, D, "V4"}});
        TestDb::insert(t.cnstr(), Lines,
                       {{5, 1, 1, 10, 2, 11, 2.5, 25, D.addDays(60)},
                        {5, 2, 1, 5, 0, 5, 2.5, 12.5, Null}, // finished
                        {5, 3, 1, 10, 2, 0, 2.5, 25, Null},
                        {6, 1, 1, 10, 0, 3, 2.5, 25, Null},
                        {7, 1, 1, 10, 0, 10, 2.5, 25, Null},
                        {8, 1, 1, 10, 2, 11, 2.5, 25, D.addDays(60)},
                        {9, 1, 1, 10, 2, 12, 2.5, 25, Null},
                        {10, 1, 1, 10, 2, Null, 2.5, 25, Null},
                        {11, 1, 1, 10, Null, 9, 2.5, 25, Null},
                        {12, 1, 1, 10, Null, 10, 2.5, 25, Null},
                        {13, 1, 1, 10, 0, 0, 2.5, 25, Null}});
        const OrderLists::Result r = OrderLists::uncompleted(t.cnstr(), card);
        QStringList got;
        for (const OrderLists::RowKey &k : r.keys)
            got << (k.orderId ? QString::number(k.entryId) : QString());
        QCOMPARE(got, entries);
        QCOMPARE(r.orderCount, count);
        if (entries.isEmpty())
            return;
        QCOMPARE(column(r, "Fyxq").mid(0, 2), (QStringList{"2026-05-09", ""})); // line 3 has none
        QCOMPARE(total(r, {"FQty", "FPreQty", "FCplQty", "FUnCplQty"}), sums);
    }

    // Two stations exchange the same line at once: the second finds it changed and refuses.
    // Afterwards a screen still showing item 1 changes nothing; the new item can be changed.
    void twoStations()
    {
        TestDb t;
        const QString c = t.cnstr();
        const QString stale = QStringLiteral("failure: 订单已被修改，请重新查询！");
        addOrder(c);
        QString second;
        {
            db::Transaction first(c);
            QCOMPARE(
                first.execute("update VipOrderEntry set FItemID=4 where FInterID=80 and FItemID=1"),
                2);
            std::thread other([&] {
                second = TestDb::refusalOf([&] { OrderExchange::exchangeItem(c, 80, 1, 5); });
                db::closeAll();
            });
            first.commit();
            other.join();
        }
        QCOMPARE(second, stale);
        QCOMPARE(linesOf(c), "6,2024-07-01;4,2024-07-01;4,2024-07-01");
        // What was handed out belongs to the order line, whatever item it holds now.
        QCOMPARE(OrderOutDetail::total(OrderOutDetail::load(c, 80, 2)), 10.0);
        QCOMPARE(OrderOutDetail::load(c, 80, 3).size(), 0); // same old item, another line

        const QDate later(2024, 9, 30);
        QCOMPARE(TestDb::refusalOf([&] { OrderValidity::set(c, 80, 1, later); }), stale);
        QCOMPARE(OrderValidity::set(c, 80, 4, later), 2);
        QCOMPARE(OrderExchange::exchangeItem(c, 80, 4, 5), 2);
        QCOMPARE(linesOf(c), "6,2024-07-01;5,2024-09-30;5,2024-09-30");
    }
};

QTEST_GUILESS_MAIN(tst_OrderLists)
#include "tst_OrderLists.moc"
