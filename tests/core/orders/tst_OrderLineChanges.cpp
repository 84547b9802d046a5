#include <thread>

#include <QtTest>

#include "TestDb.h"
#include "core/db/Database.h"
#include "core/db/DbError.h"
#include "core/db/Transaction.h"
#include "core/orders/OrderExchange.h"
#include "core/orders/OrderOutDetail.h"
#include "core/orders/OrderValidity.h"

namespace {

const QDate Yxq(2024, 7, 1);

// Order 80: item 6 on line 1, item 1 on lines 2 and 3; line 2 handed out 4 + 6 by two sales
// (line numbers unlike item ids, so keying by one cannot pass for the other).
void addOrder(const QString &cnstr)
{
    db::execute(cnstr, "insert into VipOrder (FInterID, Fdate, FVipNo, FClosed) values (?,?,?,0)",
                {80, QDate(2024, 4, 1), "V0009"});
    db::execute(cnstr,
                "insert into VipOrderEntry (FInterID, FEntryID, FItemID, FQty, FPreQty,"
                " FCplQty, FPrice, FAmount, FYxq) values (80, 1, 6, 10, 0, 0, 3.5, 35, ?),"
                " (80, 2, 1, 30, 0, 10, 3.5, 105, ?), (80, 3, 1, 20, 0, 0, 3.5, 70, ?)",
                {Yxq, Yxq, Yxq});
    for (const auto &[bill, qty] : {std::pair{501, 4}, {502, 6}}) {
        db::execute(
            cnstr,
            "insert into ICStockBill (FInterID, FTrantype, Fdate, FSysTime) values (?,99,?,?)",
            {bill, QDate(2024, 5, 1), QDateTime(QDate(2024, 5, 1), QTime(8, bill - 500))});
        db::execute(cnstr,
                    "insert into ICStockBillEntry (FInterID, FEntryID, FItemID, FQty,"
                    " FOrderBillInterID, FOrderBillEntryID) values (?,1,1,?,80,2)",
                    {bill, qty});
    }
}

// Each line as "item,validity", in line order.
QString linesOf(const QString &cnstr)
{
    return TestDb::dump(
        cnstr, "select FItemID, FYxq from VipOrderEntry where FInterID=80 order by FEntryID");
}

} // namespace

class tst_OrderLineChanges : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    // After item 1 became item 4, a screen still showing item 1 changes nothing.
    void afterExchange_data()
    {
        QTest::addColumn<bool>("exchange"); // else the validity date
        QTest::addColumn<int>("item");
        QTest::addColumn<int>("changed"); // 0: refused as stale
        QTest::addColumn<QString>("lines");
        const QString stale = "6,2024-07-01;4,2024-07-01;4,2024-07-01";
        // clang-format off
        QTest::newRow("exchange of the stale row") << true << 1 << 0 << stale;
        QTest::newRow("validity of the stale row") << false << 1 << 0 << stale;
        QTest::newRow("validity of the new item") << false << 4 << 2 << "6,2024-07-01;4,2024-09-30;4,2024-09-30";
        QTest::newRow("exchange of the new item") << true << 4 << 2 << "6,2024-07-01;5,2024-07-01;5,2024-07-01";
        // clang-format on
    }
    void afterExchange()
    {
        QFETCH(bool, exchange);
        QFETCH(int, item);
        QFETCH(int, changed);
        QFETCH(QString, lines);
        TestDb t;
        addOrder(t.cnstr());
        QCOMPARE(OrderExchange::exchangeItem(t.cnstr(), 80, 1, 4), 2);
        int done = 0;
        const QString message = TestDb::refusalOf([&] {
            done = exchange ? OrderExchange::exchangeItem(t.cnstr(), 80, item, 5)
                            : OrderValidity::set(t.cnstr(), 80, item, QDate(2024, 9, 30));
        });
        QCOMPARE(message,
                 changed ? QString() : QStringLiteral("failure: 订单已被修改，请重新查询！"));
        QCOMPARE(done, changed);
        QCOMPARE(linesOf(t.cnstr()), lines);
    }

    // Two stations exchange the same line at once: the second finds it changed and refuses.
    void twoStations()
    {
        TestDb t;
        addOrder(t.cnstr());
        QString second;
        {
            db::Transaction first(t.cnstr());
            QCOMPARE(
                first.execute("update VipOrderEntry set FItemID=4 where FInterID=80 and FItemID=1"),
                2);
            std::thread other([&] {
                second =
                    TestDb::refusalOf([&] { OrderExchange::exchangeItem(t.cnstr(), 80, 1, 5); });
                db::closeAll();
            });
            first.commit();
            other.join();
        }
        QCOMPARE(second, QStringLiteral("failure: 订单已被修改，请重新查询！"));
        QCOMPARE(linesOf(t.cnstr()), "6,2024-07-01;4,2024-07-01;4,2024-07-01");
        // What was handed out belongs to the order line, whatever item it holds now.
        QCOMPARE(OrderOutDetail::total(OrderOutDetail::load(t.cnstr(), 80, 2)), 10.0);
        QCOMPARE(OrderOutDetail::load(t.cnstr(), 80, 3).size(), 0); // same old item, another line
    }
};

QTEST_GUILESS_MAIN(tst_OrderLineChanges)
#include "tst_OrderLineChanges.moc"
