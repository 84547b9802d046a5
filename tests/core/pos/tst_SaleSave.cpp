#include <mutex>
#include <optional>
#include <thread>

#include <QProcess>
#include <QtTest>

#include "TestDb.h"
#include "core/db/Database.h"
#include "core/db/DbError.h"
#include "core/db/Transaction.h"
#include "core/frame/CoreError.h"
#include "core/members/StoredValueLedger.h"
#include "core/pos/ItemLookup.h"
#include "core/pos/MemberOrders.h"
#include "core/pos/SaleBillStore.h"
#include "core/pos/SaleList.h"
#include "core/pos/VipCardLookup.h"

namespace {

const QDate Day(2026, 3, 1), Today(2026, 3, 10);

const QString OrderLines =
    "VipOrderEntry (FInterID, FEntryID, FItemID, FQty, FPreQty, FCplQty, FAmount)";

// Card V1 holds 100.00 and order 1: line 1 is 10 + 2 gift for 120.00, line 2 (5) is handed
// out. Order 2 belongs to V2. Order 3 of V1 is handed out but still open: a save must not
// touch orders it did not pick from.
void seed(const QString &c)
{
    TestDb::insert(c, "t_stock (FItemID, FName)", {{1, "门店"}});
    TestDb::insert(c, "t_icitem (FItemID, FName)", {{1, "鲜奶"}, {2, "酸奶"}});
    TestDb::insert(c, "VipOrder (FInterID, Fdate, FVipNo, FSumQty, FClosed)",
           {{1, Day, "V1", 17, 0}, {2, Day, "V2", 4, 0}, {3, Day, "V1", 1, 0}});
    TestDb::insert(c, OrderLines,
           {{1, 1, 1, 10, 2, 0, 120},
            {1, 2, 2, 5, 0, 5, 20},
            {2, 1, 1, 4, 0, 0, 40},
            {3, 1, 1, 1, 0, 1, 3}});
    TestDb::insert(c, "VipCzBill (FVipNo, FTranType, FDate, FKAmount, FBegAmount, FEndAmount)",
           {{"V1", 1, Day, 100, 0, 100}});
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

// The list's rows as "FInterID|FQty1|FQty2|FAmount".
QStringList listRows(const SaleList::Result &r)
{
    QStringList out;
    for (const ReportRow &row : r.table.rows) {
        QStringList cells;
        for (const char *key : {"FInterID", "FQty1", "FQty2", "FAmount"})
            cells << row.cells.value(r.table.columnOf(key));
        out << cells.join(u'|');
    }
    return out;
}

// Two bills of one day whose lines were written in turn, one of the next day, one of another
// type and one outside the range. Line 21/2 has a NULL order reference, as other programs may
// write: an ordinary sale.
void seedList(const TestDb &t)
{
    const QString c = t.cnstr();
    const QVariant null(QMetaType::fromType<int>());
    const auto at = [](const QDate &d, int s) { return QDateTime(d, QTime(9, 30, s)); };
    TestDb::insert(c, "t_icitem (FItemID, FName)", {{1, "鲜奶"}});
    TestDb::insert(c, "ICStockBill (FInterID, FTrantype, Fdate, FVipNo, FOwner, FSysTime)",
                   {{21, 99, Today, "V1", "O'Neil", at(Today, 21)},
                    {20, 99, Today, "", "", at(Today, 20)},
                    {22, 99, Today.addDays(1), "V1", "O'Neil", at(Today.addDays(1), 22)},
                    {23, 30, Today, "V1", "O'Neil", at(Today, 23)},
                    {19, 99, Today.addDays(-1), "V1", "O'Neil", at(Today.addDays(-1), 19)}});
    TestDb::insert(c, "ICStockBillEntry (FInterID, FEntryID, FItemID, FQty, FPrice, FAmount,"
                      " FOrderBillInterID)",
                   {{21, 1, 1, 2, 3.5, 7, 7}, // hands out order 7
                    {20, 1, 1, 1, 1000, 1000, 0},
                    {21, 2, 1, 3, 3.5, 10.5, null},
                    {20, 2, 1, 4, 2.5, 10, 0},
                    {21, 3, 1, 1, 3.5, 3.5, 8},
                    {22, 1, 1, 5, 2, 10, 0},
                    {23, 1, 1, 9, 1, 9, 0},
                    {19, 1, 1, 9, 1, 9, 0}});
}

} // namespace

Q_DECLARE_METATYPE(Attempt)

using Codes = ItemLookup::Codes;

class tst_SaleSave : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    // What is left of an order line to hand out, within and past its validity date.
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
        QTest::newRow("expired, paid all out") << 60 << 10 << 60 << expired << -1;
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
        const std::optional<qint64> got =
            MemberOrders::openQuantity(qty, gift, done, validTo, Today);
        QCOMPARE(got ? int(*got) : -1, open);
    }

    // A pick-up of 3 from 10 + 2 gift for 120.00 is worth 30.00, never charged; a line of
    // ordered plus gift 0 is worth nothing rather than a division by zero.
    void pickup()
    {
        const SaleLine s = pick(4, 2, 3);
        QCOMPARE((QList<Money>{s.price1, s.amount1}),
                 (QList<Money>{Money::fromInt(10), Money::fromInt(30)}));
        QCOMPARE(s.orderBalance, qint64(9));
        QVERIFY(s.isPickup());
        QCOMPARE(pick(4, 2, 1, 0).amount1, Money());
    }

    // From the database: NULL quantities, the empty card, and units already on the bill.
    void lookup()
    {
        TestDb t;
        const QString c = t.cnstr();
        const QVariant null(QMetaType::fromType<int>()), day(QDate(2026, 3, 1));
        TestDb::insert(c, "t_icitem (FItemID, FName)", {{1, "鲜奶"}, {2, "酸奶"}});
        TestDb::insert(c, "VipOrder (FInterID, Fdate, FVipNo, FOwner)",
               {{1, day, "V1", "O'Neil"}, {2, day, "", "walk-in"}});
        TestDb::insert(c, "VipOrderEntry (FInterID, FEntryID, FItemID, FQty, FPreQty, FCplQty, FAmount)",
               {{1, 1, 1, 10, null, null, 35}, {1, 2, 2, 5, 1, 6, 18}, {2, 1, 1, 9, 0, 0, 9}});
        TestDb::insert(c, "VipCzBill (FVipNo, FTranType, FKAmount)", {{"V1", 1, 50}, {"", 1, 99}});
        MemberLookup m = MemberOrders::lookup(c, "V1", Today);
        QCOMPARE(m.owner, QStringLiteral("O'Neil"));
        QCOMPARE(m.balance, Money::fromInt(50));
        QCOMPARE(m.lines.size(), 1);
        QCOMPARE((QList<qint64>{m.lines[0].qty, m.lines[0].done, m.lines[0].open}),
                 (QList<qint64>{10, 0, 10}));
        SaleBill bill;
        bill.addLine(MemberOrders::pickup(m.lines[0], 4));
        QCOMPARE(MemberOrders::lookup(c, "V1", Today, &bill).lines[0].open, qint64(6));
        bill.addLine(MemberOrders::pickup(m.lines[0], 6));
        QVERIFY(MemberOrders::lookup(c, "V1", Today, &bill).lines.isEmpty());
        const MemberLookup empty = MemberOrders::lookup(c, "  ", Today);
        QVERIFY(empty.lines.isEmpty());
        QCOMPARE(empty.balance, Money());
    }

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
                                 " FYear, FBillerID, FMonth from VipCzBill where FTranType=2"),
                 "20,100,80,42.93,V1,2026年,7," + StoredValueLedger::monthLabel(b.date));

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
        const QString none;
        // clang-format off
        QTest::newRow("pick past ordered plus gift") << Attempt{"V1", 1, 13, 0, 0, 0} << none << over;
        QTest::newRow("pick another card's line") << Attempt{"V1", 2, 1, 0, 0, 0} << none << over;
        QTest::newRow("pay beyond the balance") << Attempt{"V1", 0, 0, 150, 120, 30} << none << balance;
        QTest::newRow("pay from no card") << Attempt{"", 0, 0, 5, 5, 0} << none << balance;
        QTest::newRow("deduction above the receivable") << Attempt{"V1", 0, 0, 5, 6, 0} << none << "本次扣款金额不允许大于应收金额！";
        QTest::newRow("negative cash") << Attempt{"V1", 0, 0, 5, 0, -1} << none << "付款金额不能为负数！";
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
        TestDb::insert(c, "VipOrder (FInterID, Fdate, FVipNo, FSumQty, FClosed)", {{4, Day, "V1", 2, 0}});
        TestDb::insert(c, OrderLines, {{4, 1, 1, 1, 0, 0, 3}, {4, 2, 1, 1, 0, 0, 3}});
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
        // On PostgreSQL, wait until both stations are queued behind the counter.
        auto waiting = [] {
            return db::scalar(TestDb::postgresCnstr(),
                              "select count(*) from pg_locks where not granted")
                .toInt();
        };
        for (int i = 0; t.engine() == db::Engine::PostgreSQL && i < 3000 && waiting() < 2; ++i)
            QTest::qWait(10);
        counter->commit();
        counter.reset();
        a.join();
        b.join();
        QCOMPARE(failures, QStringList());
        QCOMPARE(TestDb::dump(c,
                              "select sum(FCplQty), max(FClosed) from VipOrderEntry e join"
                              " VipOrder o on o.FInterID=e.FInterID where e.FInterID=?",
                              {4}),
                 "2,1");
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
        db::execute(c, "delete from VipOrderEntry where FInterID=?", {1});
        QList<QVariantList> lines;
        for (int i = 1; i <= 20; ++i)
            lines.append({1, i, 1, 1, 0, 0, 3});
        TestDb::insert(c, OrderLines, lines);
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

    // The sale list: FQty1 counts handed-out order units, FQty2 goods sold for money; the
    // last row is the total, which opens no bill.
    void saleList_data()
    {
        QTest::addColumn<QString>("card");
        QTest::addColumn<QDate>("to");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<int>("count");
        using L = QStringList;
        const L day{"20||1|1000.00", "20||4|10.00", "21|2||7.00", "21||3|10.50", "21|1||3.50"};
        // clang-format off
        QTest::newRow("one day, interleaved") << "" << Today << L(day) + L{"|3|8|1,031.00"} << 2;
        QTest::newRow("to day included") << "" << Today.addDays(1) << L(day) + L{"22||5|10.00", "|3|13|1,041.00"} << 3;
        QTest::newRow("one card") << " V1 " << Today << L{"21|2||7.00", "21||3|10.50", "21|1||3.50", "|3|3|21.00"} << 1;
        QTest::newRow("quote in a card") << "V1' or ''='" << Today << L{} << 0;
        // clang-format on
    }
    void saleList()
    {
        QFETCH(QString, card);
        QFETCH(QDate, to);
        QFETCH(QStringList, rows);
        QFETCH(int, count);
        TestDb t;
        seedList(t);
        const SaleList::Result r = SaleList::run(t.cnstr(), card, Today, to);
        QCOMPARE(listRows(r), rows);
        QCOMPARE(r.billCount, count);
        QCOMPARE(r.billIds.size(), r.table.rows.size());
        QCOMPARE(r.table.count(ReportRow::Total), rows.isEmpty() ? 0 : 1);
        if (!rows.isEmpty())
            QCOMPARE(r.billIds.last(), 0);
    }

    void saleListLineCells()
    {
        TestDb t;
        seedList(t);
        const SaleList::Result r = SaleList::run(t.cnstr(), "V1", Today, Today);
        QCOMPARE(r.table.rows.first().cells,
                 (QStringList{"2026-03-10", "V1", "O'Neil", "鲜奶", "2", "", "3.50", "7.00",
                              "2026-03-10 09:30:21", "21"}));
    }

    // Over the demo items, plus a pack bar code of item 3 without a price of its own.
    void find_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("codes");
        QTest::addColumn<QString>("found"); // item id, exchange, name, price ("-": none); "": none
        const int sale = int(Codes::ShopNumberOrBarCode);
        const int exchange = int(Codes::ShopNumberItemNumberOrBarCode);
        QTest::newRow("shop number, retail") << 1 << "101" << sale << "1|1|鲜牛奶 250ml|3.50";
        QTest::newRow("member style column") << 2 << "101" << sale << "1|1|鲜牛奶 250ml|3.20";
        QTest::newRow("no style, no price") << 0 << "102" << sale << "2|1|鲜牛奶 500ml|-";
        QTest::newRow("pack code own price")
            << 0 << "6901234510010" << sale << "1|6|鲜牛奶 250ml|19.80";
        QTest::newRow("pack without price")
            << 1 << "6909999000099" << sale << "3|1|低脂牛奶 250ml|3.80";
        QTest::newRow("item number is not a sale code") << 1 << "01.001" << sale << "";
        QTest::newRow("item number at the exchange")
            << 1 << "01.004" << exchange << "4|1|高钙牛奶 250ml|3.50";
        QTest::newRow("quote in code") << 1 << "1' or '1'='1" << exchange << "";
    }
    void find()
    {
        QFETCH(int, style);
        QFETCH(QString, code);
        QFETCH(int, codes);
        QFETCH(QString, found);
        TestDb t(TestDb::Content::Demo);
        TestDb::insert(t.cnstr(), "t_icitem_barcode (FItemID, FBarCode, FPriceStyleID, FExchange, FPrice)",
                       {{3, "6909999000099", 1, 12, QVariant()}});
        const ItemMatch m = ItemLookup::find(t.cnstr(), code, style, Codes(codes));
        QCOMPARE(m.found, !found.isEmpty());
        if (m.found)
            QCOMPARE(QStringList({QString::number(m.itemId), QString::number(m.exchange), m.name,
                                  m.hasPrice ? m.price.format() : "-"})
                         .join('|'),
                     found);
    }

    // A card by its number or by a phone of its orders or stored-value rows.
    void findCard_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("card"); // number and owner; " ": not found
        // clang-format off
        QTest::newRow("card number") << "V0001" << "V0001 张丽";
        QTest::newRow("phone of an order") << "13800000002" << "V0002 王建国";
        QTest::newRow("stored value only, phone") << "13900000009" << "V0009 赵六";
        QTest::newRow("empty matches no walk-in") << "" << " ";
        QTest::newRow("quote") << "V0001' or '1'='1" << " ";
        // clang-format on
    }
    void findCard()
    {
        QFETCH(QString, typed);
        QFETCH(QString, card);
        TestDb t(TestDb::Content::Demo);
        TestDb::insert(t.cnstr(), "VipCzBill (FVipNo, FOwner, FPhone, FTranType, FKAmount)",
                       {{"V0009", "赵六", "13900000009", 1, 100}});
        // A walk-in order with no phone must not answer an empty text.
        TestDb::insert(t.cnstr(), "VipOrder (FInterID, FVipNo, FOwner, FPhone)", {{900, "", "散客", ""}});
        const auto found = VipCardLookup::find(t.cnstr(), typed);
        QCOMPARE(found ? found->vipNo + " " + found->owner : " ", card);
    }

    void databaseFailure()
    {
        TestDb t;
        db::execute(t.cnstr(), "drop table t_icitem_barcode");
        db::execute(t.cnstr(), "drop table VipOrder");
        QVERIFY_THROWS_EXCEPTION(db::DbError, ItemLookup::find(t.cnstr(), "777", 1));
        QVERIFY_THROWS_EXCEPTION(db::DbError, VipCardLookup::find(t.cnstr(), "V0001"));
    }
};

QTEST_GUILESS_MAIN(tst_SaleSave)
#include "tst_SaleSave.moc"
