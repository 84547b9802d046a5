#include <mutex>
#include <optional>
#include <thread>

#include <QProcess>
#include <QtTest>

#include "TestDb.h"
#include "core/db/Database.h"
#include "core/db/Transaction.h"
#include "core/frame/CoreError.h"
#include "core/members/StoredValueLedger.h"
#include "core/pos/MemberOrders.h"
#include "core/pos/SaleBillStore.h"

namespace {

// Card V1 holds 100.00 and order 1: line 1 is 10 + 2 gift for 120.00, line 2 (5) is handed
// out. Order 2 belongs to V2. Order 3 of V1 is handed out but still open: a save must not
// touch orders it did not pick from.
void seed(const QString &c)
{
    db::execute(c, "insert into t_stock (FItemID, FName) values (1, '门店')");
    db::execute(c, "insert into t_icitem (FItemID, FName) values (1, '鲜奶'), (2, '酸奶')");
    db::execute(c, "insert into VipOrder (FInterID, Fdate, FVipNo, FSumQty, FClosed) values"
                   " (1, '2026-03-01', 'V1', 17, 0), (2, '2026-03-01', 'V2', 4, 0), (3, "
                   "'2026-03-01', 'V1', 1, 0)");
    db::execute(c, "insert into VipOrderEntry (FInterID, FEntryID, FItemID, FQty, FPreQty, "
                   "FCplQty, FAmount) values"
                   " (1, 1, 1, 10, 2, 0, 120), (1, 2, 2, 5, 0, 5, 20), (2, 1, 1, 4, 0, 0, 40), (3, "
                   "1, 1, 1, 0, 1, 3)");
    db::execute(c,
                "insert into VipCzBill (FVipNo, FTranType, FDate, FKAmount, FBegAmount, FEndAmount)"
                " values ('V1', 1, '2026-03-01', 100, 0, 100)");
}

SaleBill bill(const QString &vipNo = "V1")
{
    SaleBill b;
    b.date = QDate(2026, 3, 10);
    b.vipNo = vipNo;
    b.stockId = 1;
    return b;
}

SaleLine pick(int order, int entry, qint64 q, qint64 total = 12, int amount = 120)
{
    OpenOrderLine l;
    l.qty = total;
    l.amount = Money::fromInt(amount);
    l.open = total;
    l.orderId = order;
    l.entryId = entry;
    l.itemId = 1;
    return MemberOrders::pickup(l, q);
}

// A bill the refusal rows try to save: a pick-up of `qty` from (order, 1) when `order` is
// set, an ordinary line of `price` when that is, paid so.
struct Attempt
{
    QString vipNo;
    int order, qty, price, reserve, cash;
    int billId = 0;
    int stockId = 1;
};

// Everything a refused or failed save must leave as it was: no bill, no line, no booking, no
// movement, no number, no order closed.
QString snapshot(const QString &c)
{
    return TestDb::dump(c, "select (select count(*) from ICStockBill), (select count(*) from"
                           " ICStockBillEntry), (select count(*) from VipCzBill), (select"
                           " max(FMaxNum) from ICMaxNum), (select sum(FCplQty) from VipOrderEntry),"
                           " (select sum(FClosed) from VipOrder)");
}

} // namespace

Q_DECLARE_METATYPE(Attempt)

class tst_SaleSave : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    // Four lines and a pick-up, paid 20.00 from stored value and the rest in cash.
    void writesEveryTable()
    {
        TestDb t;
        const QString c = t.cnstr();
        seed(c);
        SaleBill b = bill();
        b.add(1, "鲜奶", 2, Money::parse("3.50"));
        b.add(2, "酸奶", 1.5, Money::parse("1.15"));
        b.add(2, "酸奶", 1, Money::fromInt(30), 6); // a pack of six
        b.add(1, "鲜奶", 1, Money::parse("4.20"));
        b.addLine(pick(1, 1, 3));
        const SavedSale s =
            SaleBillStore::save(c, b, {Money::parse("22.93"), Money::fromInt(20)}, 7);
        QCOMPARE(s.billId, 1);
        QCOMPARE(s.balanceBefore, Money::fromInt(100));
        QCOMPARE(s.balanceAfter, Money::fromInt(80));
        QCOMPARE(TestDb::dump(c,
                              "select FSumAmount, FGetReserve, FGetCash, FSumQty, FVipNo, FMonth,"
                              " FBillerID from ICStockBill"),
                 "42.93,20,22.93,13.5,V1,2026年3月,7");
        QCOMPARE(TestDb::dump(c,
                              "select FEntryID, FMainQty, FQty, FPrice, FAmount,"
                              " FOrderBillInterID, FOrderBillEntryID, FOutStockID,"
                              " FBeforeZkAmount from ICStockBillEntry where FEntryID in (2, 3, 5)"
                              " order by FEntryID"),
                 "2,0,1.5,1.15,1.73,0,0,1,1.73;3,1,6,30,30,0,0,1,30;5,0,3,10,30,1,1,1,30");
        QCOMPARE(TestDb::dump(c, "select FCplQty, FClosed from VipOrderEntry e join VipOrder o on"
                                 " o.FInterID=e.FInterID where e.FInterID=1 and FEntryID=1"),
                 "3,0");
        QCOMPARE(TestDb::dump(c, "select FKAmount, FBegAmount, FEndAmount, FSumAmount, FVipNo,"
                                 " FYear, FBillerID from VipCzBill where FTranType=2"),
                 "20,100,80,42.93,V1,2026年,7");
        QCOMPARE(TestDb::dump(c, "select FMonth from VipCzBill where FTranType=2"),
                 StoredValueLedger::monthLabel(b.date));

        // Picks of 4 and 5 from that line book 9: the bill hands out the last unit and closes
        // the order, and only that order. A pick-up-only bill still writes its movement of 0.
        b = bill();
        b.addLine(pick(1, 1, 4));
        b.addLine(pick(1, 1, 5));
        SaleBillStore::save(c, b, {}, 1);
        QCOMPARE(
            TestDb::dump(c, "select FCplQty from VipOrderEntry where FInterID=1 and FEntryID=1"),
            "12");
        QCOMPARE(TestDb::dump(c, "select FInterID, FClosed from VipOrder order by FInterID"),
                 "1,1;2,0;3,0");
        QCOMPARE(TestDb::dump(c, "select FKAmount, FBegAmount, FEndAmount, b.FGetCash from"
                                 " VipCzBill m join ICStockBill b on b.FInterID=2 where"
                                 " m.FTranType=2 order by m.FInterID desc"),
                 "0,80,80,0;20,100,80,0");
    }

    // A refused save, or one failing at any statement (`failing`: "event table"), leaves
    // nothing behind, the number included.
    void refusals_data()
    {
        QTest::addColumn<Attempt>("a");
        QTest::addColumn<QString>("failing");
        QTest::addColumn<QString>("message");
        const QString over = QStringLiteral("出库数量不允许大于剩余数量！");
        const QString balance = QStringLiteral("本次扣款金额不允许大于卡内余额！");
        const QString negative = QStringLiteral("付款金额不能为负数！");
        const QString none;
        // clang-format off
        QTest::newRow("pick past ordered plus gift") << Attempt{"V1", 1, 13, 0, 0, 0} << none << over;
        QTest::newRow("pick another card's line") << Attempt{"V1", 2, 1, 0, 0, 0} << none << over;
        QTest::newRow("pick without a card") << Attempt{"", 1, 1, 0, 0, 0} << none << over;
        QTest::newRow("pay beyond the balance") << Attempt{"V1", 0, 0, 150, 120, 30} << none << balance;
        QTest::newRow("pay from no card") << Attempt{"", 0, 0, 5, 5, 0} << none << balance;
        QTest::newRow("deduction above the receivable") << Attempt{"V1", 0, 0, 5, 6, 0} << none << "本次扣款金额不允许大于应收金额！";
        QTest::newRow("negative cash") << Attempt{"V1", 0, 0, 5, 0, -1} << none << negative;
        QTest::newRow("negative deduction") << Attempt{"V1", 0, 0, 5, -5, 10} << none << negative;
        QTest::newRow("a bill already saved") << Attempt{"V1", 0, 0, 5, 0, 5, 7} << none << "这张单据已经保存，不能再次保存！";
        QTest::newRow("unknown warehouse") << Attempt{"V1", 0, 0, 5, 0, 5, 0, 0} << none << "仓库名称不存在！";
        QTest::newRow("empty bill") << Attempt{"V1", 0, 0, 0, 0, 0} << none << "请输入商品！";
        // The pick-up finishes order 1, so the closing statement writes too.
        for (const char *f : {"update VipOrderEntry", "update ICMaxNum", "insert ICStockBillEntry",
                              "insert ICStockBill", "update VipOrder", "insert VipCzBill"})
            QTest::newRow(f) << Attempt{"V1", 1, 12, 10, 6, 4} << f << "failure: forced failure";
        // clang-format on
    }
    void refusals()
    {
        QFETCH(Attempt, a);
        QFETCH(QString, failing);
        QFETCH(QString, message);
        TestDb t;
        const QString c = t.cnstr();
        seed(c);
        SaleBill b = bill(a.vipNo);
        b.billId = a.billId;
        b.stockId = a.stockId;
        if (a.price)
            b.add(1, "鲜奶", 1, Money::fromInt(a.price));
        if (a.order)
            b.addLine(pick(a.order, 1, a.qty));
        if (!failing.isEmpty())
            t.failOn(failing.section(' ', 0, 0), failing.section(' ', 1));
        const QString before = snapshot(c);
        const QString got = TestDb::refusalOf([&] {
            SaleBillStore::save(c, b, {Money::fromInt(a.cash), Money::fromInt(a.reserve)}, 1);
        });
        QVERIFY2(failing.isEmpty() ? got == message
                                   : got.startsWith("failure: ") && got.contains("forced failure"),
                 qPrintable(got));
        QCOMPARE(snapshot(c), before);
        QCOMPARE(StoredValueLedger::balance(c, "V1"), Money::fromInt(100));
    }

    // Two stations hand out the last unit of each of an order's two lines at the same moment:
    // whichever commits second finds the order handed out and closes it. The number counter is
    // held meanwhile, so both have booked their line before either can commit.
    void twoStationsFinishOneOrder()
    {
        TestDb t;
        const QString c = t.cnstr();
        seed(c);
        db::execute(c, "insert into VipOrder (FInterID, Fdate, FVipNo, FSumQty, FClosed) values"
                       " (4, '2026-03-01', 'V1', 2, 0)");
        db::execute(c, "insert into VipOrderEntry (FInterID, FEntryID, FItemID, FQty, FPreQty, FCplQty,"
                       " FAmount) values (4, 1, 1, 1, 0, 0, 3), (4, 2, 1, 1, 0, 0, 3)");
        QStringList failures;
        std::mutex m;
        auto station = [&](int entry) {
            try {
                SaleBill b = bill();
                b.addLine(pick(4, entry, 1, 1, 3));
                SaleBillStore::save(c, b, {}, 1);
            } catch (const CoreError &e) {
                const std::lock_guard<std::mutex> lock(m);
                failures << e.message();
            }
            db::closeAll();
        };
        std::optional<db::Transaction> counter(std::in_place, c);
        counter->execute("update ICMaxNum set FMaxNum=FMaxNum where FTranType=0");
        std::thread a(station, 1), b(station, 2);
        if (t.engine() == db::Engine::PostgreSQL)
            for (int i = 0; i < 3000 && db::scalar(TestDb::postgresCnstr(),
                                                   "select count(*) from pg_locks where not granted")
                                                .toInt() < 2;
                 ++i)
                QTest::qWait(10);
        counter->commit();
        counter.reset();
        a.join();
        b.join();
        QCOMPARE(failures, QStringList());
        QCOMPARE(db::scalar(c, "select sum(FCplQty) from VipOrderEntry where FInterID=4").toInt(), 2);
        QCOMPARE(db::scalar(c, "select FClosed from VipOrder where FInterID=4").toInt(), 1);
    }

    // Two stations at once: one picking the last unit of each of 20 lines, one paying 3.00 a
    // time from a card that holds 100.00.
    void twoStations_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::newRow("last units of an order line") << "pick";
        QTest::newRow("stored value beyond the balance") << "pay";
    }
    void twoStations()
    {
        QFETCH(QString, mode);
        TestDb t;
        const QString c = t.cnstr();
        const QString n = mode == "pick" ? "20" : "40";
        seed(c);
        db::execute(c, "delete from VipOrderEntry where FInterID=1");
        for (int i = 1; i <= 20; ++i)
            db::execute(c,
                        "insert into VipOrderEntry (FInterID, FEntryID, FItemID, FQty, FPreQty,"
                        " FCplQty, FAmount) values (1, ?, 1, 1, 0, 0, 3)",
                        {i});
        const QStringList results =
            TestDb::runStations(QStringLiteral(SAVE_SALES_EXE), {{c, mode, n}, {c, mode, n}});
        QCOMPARE(results.size(), 2 * n.toInt());
        const int saved = int(results.count("ok"));
        QCOMPARE(TestDb::dump(c, "select count(*) from ICStockBill"), QString::number(saved));
        if (mode == "pick") {
            QCOMPARE(saved, 20);
            QCOMPARE(results.count("出库数量不允许大于剩余数量！"), 20);
            QCOMPARE(TestDb::dump(c, "select count(*) from VipOrderEntry where FInterID=1 and"
                                     " FCplQty=1"),
                     "20");
            return;
        }
        QCOMPARE(saved, 33);
        QCOMPARE(results.count("本次扣款金额不允许大于卡内余额！"), 80 - 33);
        QCOMPARE(TestDb::movementChain(c, "V1"), "1.00");
    }
};

QTEST_GUILESS_MAIN(tst_SaleSave)
#include "tst_SaleSave.moc"
