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
                   " (1, '2026-03-01', 'V1', 17, 0), (2, '2026-03-01', 'V2', 4, 0), (3, '2026-03-01', 'V1', 1, 0)");
    db::execute(c, "insert into VipOrderEntry (FInterID, FEntryID, FItemID, FQty, FPreQty, FCplQty, FAmount) values"
                   " (1, 1, 1, 10, 2, 0, 120), (1, 2, 2, 5, 0, 5, 20), (2, 1, 1, 4, 0, 0, 40), (3, 1, 1, 1, 0, 1, 3)");
    db::execute(c, "insert into VipCzBill (FVipNo, FTranType, FDate, FKAmount, FBegAmount, FEndAmount)"
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

int count(const QString &c, const char *table)
{
    return db::scalar(c, QStringLiteral("select count(*) from %1").arg(QLatin1String(table))).toInt();
}

double cplQty(const QString &c, int order, int entry)
{
    return db::scalar(c, "select FCplQty from VipOrderEntry where FInterID=? and FEntryID=?", {order, entry}).toDouble();
}

// Nothing of a failed save is left: no bill, no line, no booking, no movement, no number.
void verifyNothingWritten(const QString &c)
{
    QCOMPARE(count(c, "ICStockBill") + count(c, "ICStockBillEntry"), 0);
    QCOMPARE(count(c, "VipCzBill"), 1);
    QCOMPARE(db::scalar(c, "select FMaxNum from ICMaxNum where FTranType=0").toInt(), 0);
    QCOMPARE(cplQty(c, 1, 1), 0.0);
    QCOMPARE(db::scalar(c, "select sum(FClosed) from VipOrder").toInt(), 0);
}

} // namespace

class tst_SaleSave : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    // Four lines and a pick-up, paid 20.00 from stored value and the rest in cash.
    void writesEveryTable()
    {
        TestDb t;
        seed(t.cnstr());
        SaleBill b = bill();
        b.add(1, "鲜奶", 2, Money::parse("3.50"));
        b.add(2, "酸奶", 1.5, Money::parse("1.15"));
        b.add(2, "酸奶", 1, Money::fromInt(30), 6); // a pack of six
        b.add(1, "鲜奶", 1, Money::parse("4.20"));
        b.addLine(pick(1, 1, 3));
        const SavedSale s = SaleBillStore::save(t.cnstr(), b, {Money::parse("22.93"), Money::fromInt(20)}, 7);
        QCOMPARE(s.billId, 1);
        QCOMPARE(s.balanceBefore, Money::fromInt(100));
        QCOMPARE(s.balanceAfter, Money::fromInt(80));

        const db::Row h = db::query(t.cnstr(), "select * from ICStockBill").first();
        QCOMPARE((QList<Money>{h.money("FSumAmount"), h.money("FGetReserve"), h.money("FGetCash")}),
                 (QList<Money>{Money::parse("42.93"), Money::fromInt(20), Money::parse("22.93")}));
        QCOMPARE(h.number("FSumQty"), 13.5);
        QCOMPARE((QStringList{h.text("FVipNo"), h.text("FMonth"), h.text("FBillerID")}),
                 (QStringList{"V1", "2026年3月", "7"}));
        const db::Rows lines = db::query(t.cnstr(), "select * from ICStockBillEntry order by FEntryID");
        QCOMPARE(lines.size(), 5);
        QCOMPARE((QList<int>{lines[2].integer("FMainQty"), lines[2].integer("FQty"), lines[4].integer("FOrderBillInterID"),
                             lines[4].integer("FOrderBillEntryID"), lines[4].integer("FEntryID"), lines[4].integer("FOutStockID")}),
                 (QList<int>{1, 6, 1, 1, 5, 1}));
        QCOMPARE((QList<Money>{lines[1].money("FAmount"), lines[2].money("FPrice"), lines[4].money("FPrice"),
                               lines[4].money("FBeforeZkAmount")}),
                 (QList<Money>{Money::parse("1.73"), Money::fromInt(30), Money::fromInt(10), Money::fromInt(30)}));
        QCOMPARE(cplQty(t.cnstr(), 1, 1), 3.0);
        QCOMPARE(db::scalar(t.cnstr(), "select FClosed from VipOrder where FInterID=1").toInt(), 0);
        const db::Row m = db::query(t.cnstr(), "select * from VipCzBill where FTranType=2").first();
        QCOMPARE((QList<Money>{m.money("FKAmount"), m.money("FBegAmount"), m.money("FEndAmount"), m.money("FSumAmount")}),
                 (QList<Money>{Money::fromInt(20), Money::fromInt(100), Money::fromInt(80), Money::parse("42.93")}));
        QCOMPARE((QStringList{m.text("FVipNo"), m.text("FYear"), m.text("FMonth"), m.text("FBillerID")}),
                 (QStringList{"V1", "2026年", StoredValueLedger::monthLabel(b.date), "7"}));
    }

    // Picks of 2 and 3 from one line book 5; the bill that hands out the last unit closes the
    // order, and only that order. A pick-up-only bill still writes its movement of 0.
    void bookingClosesFinishedOrders()
    {
        TestDb t;
        seed(t.cnstr());
        SaleBill b = bill();
        b.addLine(pick(1, 1, 2));
        b.addLine(pick(1, 1, 3));
        SaleBillStore::save(t.cnstr(), b, {}, 1);
        QCOMPARE(cplQty(t.cnstr(), 1, 1), 5.0);
        QCOMPARE(db::scalar(t.cnstr(), "select FClosed from VipOrder where FInterID=1").toInt(), 0);
        const db::Row m = db::query(t.cnstr(), "select * from VipCzBill where FTranType=2").first();
        QCOMPARE((QList<Money>{m.money("FKAmount"), m.money("FBegAmount"), m.money("FEndAmount")}),
                 (QList<Money>{Money(), Money::fromInt(100), Money::fromInt(100)}));
        QCOMPARE(db::query(t.cnstr(), "select FGetCash from ICStockBill").first().money("FGetCash"), Money());

        b = bill();
        b.addLine(pick(1, 1, 7));
        SaleBillStore::save(t.cnstr(), b, {}, 1);
        QCOMPARE(cplQty(t.cnstr(), 1, 1), 12.0);
        QCOMPARE(db::scalar(t.cnstr(), "select FClosed from VipOrder where FInterID=1").toInt(), 1);
        QCOMPARE(db::scalar(t.cnstr(), "select FClosed from VipOrder where FInterID=3").toInt(), 0);
    }

    void refusals_data()
    {
        QTest::addColumn<QString>("vipNo");
        QTest::addColumn<int>("order"); // a pick-up from (order, 1); 0: none
        QTest::addColumn<int>("qty");
        QTest::addColumn<int>("price"); // an ordinary line of this amount; 0: none
        QTest::addColumn<int>("reserve");
        QTest::addColumn<int>("cash");
        QTest::addColumn<int>("billId");
        QTest::addColumn<int>("stockId");
        QTest::addColumn<QString>("message");
        const QString over = QStringLiteral("出库数量不允许大于剩余数量！");
        const QString balance = QStringLiteral("本次扣款金额不允许大于卡内余额！");
        QTest::newRow("pick past ordered plus gift") << "V1" << 1 << 13 << 0 << 0 << 0 << 0 << 1 << over;
        QTest::newRow("pick another card's line") << "V1" << 2 << 1 << 0 << 0 << 0 << 0 << 1 << over;
        QTest::newRow("pick without a card") << "" << 1 << 1 << 0 << 0 << 0 << 0 << 1 << over;
        QTest::newRow("pay beyond the balance") << "V1" << 0 << 0 << 150 << 120 << 30 << 0 << 1 << balance;
        QTest::newRow("pay from no card") << "" << 0 << 0 << 5 << 5 << 0 << 0 << 1 << balance;
        QTest::newRow("deduction above the receivable") << "V1" << 0 << 0 << 5 << 6 << 0 << 0 << 1
                                                        << "本次扣款金额不允许大于应收金额！";
        QTest::newRow("negative cash") << "V1" << 0 << 0 << 5 << 0 << -1 << 0 << 1 << "付款金额不能为负数！";
        QTest::newRow("negative deduction") << "V1" << 0 << 0 << 5 << -5 << 10 << 0 << 1 << "付款金额不能为负数！";
        QTest::newRow("a bill already saved") << "V1" << 0 << 0 << 5 << 0 << 5 << 7 << 1
                                              << "这张单据已经保存，不能再次保存！";
        QTest::newRow("unknown warehouse") << "V1" << 0 << 0 << 5 << 0 << 5 << 0 << 0 << "仓库名称不存在！";
        QTest::newRow("empty bill") << "V1" << 0 << 0 << 0 << 0 << 0 << 0 << 1 << "请输入商品！";
    }
    void refusals()
    {
        QFETCH(QString, vipNo);
        QFETCH(int, order);
        QFETCH(int, qty);
        QFETCH(int, price);
        QFETCH(int, reserve);
        QFETCH(int, cash);
        QFETCH(int, billId);
        QFETCH(int, stockId);
        QFETCH(QString, message);
        TestDb t;
        seed(t.cnstr());
        SaleBill b = bill(vipNo);
        b.billId = billId;
        b.stockId = stockId;
        if (price)
            b.add(1, "鲜奶", 1, Money::fromInt(price));
        if (order)
            b.addLine(pick(order, 1, qty));
        try {
            SaleBillStore::save(t.cnstr(), b, {Money::fromInt(cash), Money::fromInt(reserve)}, 1);
            QFAIL("saved");
        } catch (const CoreError &e) {
            QVERIFY(e.isRefusal());
            QCOMPARE(e.message(), message);
        }
        verifyNothingWritten(t.cnstr());
    }

    // A failure at any statement of the save leaves nothing behind, the number included.
    void failureLeavesNothing_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("event");
        QTest::newRow("booking") << "VipOrderEntry" << "update";
        QTest::newRow("number") << "ICMaxNum" << "update";
        QTest::newRow("lines") << "ICStockBillEntry" << "insert";
        QTest::newRow("header") << "ICStockBill" << "insert";
        QTest::newRow("closing") << "VipOrder" << "update";
        QTest::newRow("movement") << "VipCzBill" << "insert";
    }
    void failureLeavesNothing()
    {
        QFETCH(QString, table);
        QFETCH(QString, event);
        TestDb t;
        seed(t.cnstr());
        if (t.engine() == db::Engine::PostgreSQL) {
            db::execute(t.cnstr(), "create function kwpos_fail() returns trigger language plpgsql as"
                                   " $$ begin raise exception 'forced failure'; end $$");
            db::execute(t.cnstr(), QStringLiteral("create trigger kwpos_fail before %1 on %2 for each row"
                                                  " execute function kwpos_fail()").arg(event, table));
        } else {
            db::execute(t.cnstr(), QStringLiteral("create trigger kwpos_fail before %1 on %2"
                                                  " begin select raise(abort, 'forced failure'); end").arg(event, table));
        }
        SaleBill b = bill();
        b.add(1, "鲜奶", 1, Money::fromInt(10));
        b.addLine(pick(1, 1, 12)); // finishes order 1, so the closing statement writes
        try {
            SaleBillStore::save(t.cnstr(), b, {Money::fromInt(4), Money::fromInt(6)}, 1);
            QFAIL("saved");
        } catch (const CoreError &e) {
            QVERIFY(!e.isRefusal());
            QVERIFY2(e.message().contains("forced failure"), qPrintable(e.message()));
        }
        verifyNothingWritten(t.cnstr());
        QCOMPARE(StoredValueLedger::balance(t.cnstr(), "V1"), Money::fromInt(100));
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
        const int n = mode == "pick" ? 20 : 40;
        seed(c);
        db::execute(c, "delete from VipOrderEntry where FInterID=1");
        for (int i = 1; i <= 20; ++i)
            db::execute(c, "insert into VipOrderEntry (FInterID, FEntryID, FItemID, FQty, FPreQty, FCplQty, FAmount)"
                           " values (1, ?, 1, 1, 0, 0, 3)", {i});
        QList<QProcess *> stations;
        for (int i = 0; i < 2; ++i) {
            auto *p = new QProcess(this);
            p->start(QStringLiteral(SAVE_SALES_EXE), {c, mode, QString::number(n)});
            stations << p;
        }
        QStringList results;
        for (QProcess *p : stations) {
            QVERIFY(p->waitForFinished(300000));
            QVERIFY2(p->exitCode() == 0, p->readAllStandardError().constData());
            results << QString::fromUtf8(p->readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        }
        QCOMPARE(results.size(), 2 * n);
        const int saved = int(results.count("ok"));
        QCOMPARE(count(c, "ICStockBill"), saved);
        if (mode == "pick") {
            QCOMPARE(saved, 20);
            QCOMPARE(results.count("出库数量不允许大于剩余数量！"), 20);
            QCOMPARE(db::scalar(c, "select count(*) from VipOrderEntry where FInterID=1 and FCplQty=1").toInt(), 20);
            return;
        }
        QCOMPARE(saved, 33);
        QCOMPARE(results.count("本次扣款金额不允许大于卡内余额！"), 2 * n - 33);
        Money end;
        for (const db::Row &r : db::query(c, "select FBegAmount, FEndAmount from VipCzBill order by FInterID")) {
            QCOMPARE(r.money("FBegAmount"), end);
            end = r.money("FEndAmount");
            QVERIFY(end >= Money());
        }
        QCOMPARE(end, Money::fromInt(1));
        QCOMPARE(StoredValueLedger::balance(c, "V1"), Money::fromInt(1));
    }
};

QTEST_GUILESS_MAIN(tst_SaleSave)
#include "tst_SaleSave.moc"
