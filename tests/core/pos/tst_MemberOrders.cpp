#include <QtTest>

#include "TestDb.h"
#include "core/db/Database.h"
#include "core/pos/MemberOrders.h"

namespace {

const QDate Today(2026, 3, 10);

} // namespace

class tst_MemberOrders : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    void openQuantity_data()
    {
        QTest::addColumn<int>("qty");
        QTest::addColumn<int>("gift");
        QTest::addColumn<int>("done");
        QTest::addColumn<QDate>("validTo");
        QTest::addColumn<int>("open"); // -1: not listed
        const QDate expired = Today.addDays(-1);
        QTest::newRow("no validity") << 60 << 10 << 25 << QDate() << 45;
        QTest::newRow("expired, 25 out") << 60 << 10 << 25 << expired << 40;
        QTest::newRow("expired, 40 out") << 60 << 10 << 40 << expired << 20;
        QTest::newRow("expired, paid all out") << 60 << 10 << 60 << expired << -1;
        QTest::newRow("expired, 65 out") << 60 << 10 << 65 << expired << -1;
        QTest::newRow("expired without gift") << 60 << 0 << 25 << expired << 35;
        QTest::newRow("last valid day") << 60 << 10 << 25 << Today << 45;
        QTest::newRow("gift left below the deduction") << 10 << 10 << 2 << expired << 13;
        QTest::newRow("all out") << 10 << 2 << 12 << QDate() << -1;
    }
    void openQuantity()
    {
        QFETCH(int, qty);
        QFETCH(int, gift);
        QFETCH(int, done);
        QFETCH(QDate, validTo);
        QFETCH(int, open);
        const std::optional<qint64> got = MemberOrders::openQuantity(qty, gift, done, validTo, Today);
        QCOMPARE(got ? int(*got) : -1, open);
    }

    void pickup()
    {
        OpenOrderLine l;
        l.qty = 12; // 10 + 2 gift
        l.amount = Money::fromInt(120);
        l.open = 12;
        l.orderId = 4;
        l.entryId = 2;
        const SaleLine s = MemberOrders::pickup(l, 3);
        QCOMPARE(s.price1, Money::fromInt(10));
        QCOMPARE(s.amount1, Money::fromInt(30));
        QCOMPARE(s.orderBalance, qint64(9));
        QVERIFY(s.isPickup());
        l.qty = 0;
        QCOMPARE(MemberOrders::pickup(l, 1).amount1, Money());
    }

    // From the database: NULL quantities, the empty card, and units already on the bill.
    void lookup()
    {
        TestDb t;
        db::execute(t.cnstr(), "insert into t_icitem (FItemID, FName) values (1, '鲜奶'), (2, '酸奶')");
        db::execute(t.cnstr(), "insert into VipOrder (FInterID, Fdate, FVipNo, FOwner) values"
                               " (1, '2026-03-01', 'V1', 'O''Neil'), (2, '2026-03-01', '', 'walk-in')");
        db::execute(t.cnstr(), "insert into VipOrderEntry (FInterID, FEntryID, FItemID, FQty, FPreQty, FCplQty,"
                               " FAmount) values (1, 1, 1, 10, null, null, 35), (1, 2, 2, 5, 1, 6, 18),"
                               " (2, 1, 1, 9, 0, 0, 9)");
        db::execute(t.cnstr(), "insert into VipCzBill (FVipNo, FTranType, FKAmount) values ('V1', 1, 50), ('', 1, 99)");
        MemberLookup m = MemberOrders::lookup(t.cnstr(), "V1", Today);
        QCOMPARE(m.owner, QStringLiteral("O'Neil"));
        QCOMPARE(m.balance, Money::fromInt(50));
        QCOMPARE(m.lines.size(), 1);
        QCOMPARE((QList<qint64>{m.lines[0].qty, m.lines[0].done, m.lines[0].open}), (QList<qint64>{10, 0, 10}));
        SaleBill bill;
        bill.addLine(MemberOrders::pickup(m.lines[0], 4));
        QCOMPARE(MemberOrders::lookup(t.cnstr(), "V1", Today, &bill).lines[0].open, qint64(6));
        bill.addLine(MemberOrders::pickup(m.lines[0], 6));
        QVERIFY(MemberOrders::lookup(t.cnstr(), "V1", Today, &bill).lines.isEmpty());
        const MemberLookup empty = MemberOrders::lookup(t.cnstr(), "  ", Today);
        QVERIFY(empty.lines.isEmpty());
        QCOMPARE(empty.balance, Money());
    }
};

QTEST_GUILESS_MAIN(tst_MemberOrders)
#include "tst_MemberOrders.moc"
