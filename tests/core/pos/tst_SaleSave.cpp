#include <thread>

#include <QtTest>

#include "TestDb.h"
#include "core/db/Database.h"
#include "core/db/DbError.h"
#include "core/db/Transaction.h"
#include "core/base/CoreError.h"
#include "core/members/CardHolders.h"
#include "core/members/StoredValueLedger.h"
#include "core/pos/ItemLookup.h"
#include "core/pos/MemberOrders.h"
#include "core/pos/SaleBillStore.h"
#include "core/pos/SaleList.h"

namespace {

const QDate Day(2026, 3, 1), Today(2026, 3, 10);

const QVariant Null(QMetaType::fromType<int>());

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
                   {{1, 1, 1, 10, 2, 0, 120}, {1, 2, 2, 5, 0, 5, 20}, {2, 1, 1, 4, 0, 0, 40},
                    {3, 1, 1, 1, 0, 1, 3}});
    TestDb::insert(c, "VipCzBill (FVipNo, FTranType, FDate, FKAmount, FBegAmount, FEndAmount)",
           {{"V1", 1, Day, 100, 0, 100}});
}

SaleBill bill()
{
    SaleBill b;
    b.date = QDate(2026, 3, 10);
    b.vipNo = "V1";
    b.stockId = 1;
    return b;
}

SaleLine pick(int order, int entry, qint64 q, qint64 total = 12, int amount = 120)
{
    OpenOrderLine l;
    l.qty = l.open = total;
    l.amount = Money::fromInt(amount);
    l.itemId = 1;
    l.orderId = order;
    l.entryId = entry;
    return MemberOrders::pickup(l, q);
}

// The list's rows as "bill a double click opens|FQty1|FQty2|FAmount".
QStringList listRows(const SaleList::Result &r)
{
    QStringList out;
    for (int i = 0; i < r.table.rows.size(); ++i) {
        QStringList cells{QString::number(r.billIds.value(i, -1))};
        for (const char *key : {"FQty1", "FQty2", "FAmount"})
            cells << r.table.rows[i].cells.value(r.table.columnOf(key));
        out << cells.join(u'|');
    }
    return out;
}

} // namespace

using Codes = ItemLookup::Codes;

class tst_SaleSave : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    // What is left of an order line of qty + gift with `done` handed out, within and past its
    // validity date; -1: not listed.
    void openQuantity()
    {
        const QDate expired = Today.addDays(-1);
        // clang-format off
        const QList<std::tuple<QString, int, int, int, QDate, int>> lines{
            {"no validity", 60, 10, 25, QDate(), 45},
            {"expired, 25 out", 60, 10, 25, expired, 40},
            {"expired, paid all out", 60, 10, 60, expired, -1},
            {"last valid day", 60, 10, 25, Today, 45},
            {"all out", 10, 2, 12, QDate(), -1}};
        // clang-format on
        for (const auto &[line, qty, gift, done, validTo, open] : lines) {
            const auto got = MemberOrders::openQuantity(qty, gift, done, validTo, Today);
            QCOMPARE(line + ": " + QString::number(got ? *got : -1),
                     line + ": " + QString::number(open));
        }
    }

    // A line of ordered plus gift 0 is worth nothing rather than a division by zero.
    void pickupOfNothing() { QCOMPARE(pick(4, 2, 1, 0).amount1, Money()); }

    // From the database: NULL quantities, the empty card, and units already on the bill.
    void lookup()
    {
        TestDb t;
        const QString c = t.cnstr();
        TestDb::insert(c, "t_icitem (FItemID, FName)", {{1, "鲜奶"}, {2, "酸奶"}});
        TestDb::insert(c, "VipOrder (FInterID, Fdate, FVipNo, FOwner)",
                       {{1, Day, "V1", "O'Neil"}, {2, Day, "", "walk-in"}});
        TestDb::insert(c, OrderLines,
                       {{1, 1, 1, 10, Null, Null, 35}, {1, 2, 2, 5, 1, 6, 18},
                        {2, 1, 1, 9, 0, 0, 9}});
        TestDb::insert(c, "VipCzBill (FVipNo, FTranType, FKAmount)", {{"V1", 1, 50}, {"", 1, 99}});
        const MemberLookup m = MemberOrders::lookup(c, "V1", Today);
        QCOMPARE(m.owner + " " + m.balance.format(), "O'Neil 50.00");
        QCOMPARE(m.lines.size(), 1);
        QCOMPARE((QList<qint64>{m.lines[0].qty, m.lines[0].done, m.lines[0].open}),
                 (QList<qint64>{10, 0, 10}));
        SaleBill bill;
        bill.addLine(MemberOrders::pickup(m.lines[0], 4));
        QCOMPARE(MemberOrders::lookup(c, "V1", Today, &bill).lines[0].open, qint64(6));
        bill.addLine(MemberOrders::pickup(m.lines[0], 6));
        QVERIFY(MemberOrders::lookup(c, "V1", Today, &bill).lines.isEmpty());
        const MemberLookup empty = MemberOrders::lookup(c, "  ", Today);
        QVERIFY(empty.lines.isEmpty() && empty.balance.isZero());
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
        const qint64 trips = TestDb::saveRoundTrips(c);
        const SavedSale s =
            SaleBillStore::save(c, b, {Money::parse("22.93"), Money::fromInt(20)}, 7);
        // On PostgreSQL the whole save goes in one round trip and the commit in a second.
        QCOMPARE(TestDb::saveRoundTrips(c) - trips, TestDb::isPostgres() ? 2 : 0);
        QCOMPARE(QStringLiteral("%1 %2 %3").arg(s.billId).arg(s.balanceBefore.format(),
                                                             s.balanceAfter.format()),
                 "1 100.00 80.00");
        // Order, closed, handed out of its first line.
        const QString orders = "select o.FInterID, o.FClosed, e.FCplQty from VipOrder o join"
                               " VipOrderEntry e on e.FInterID=o.FInterID and e.FEntryID=1"
                               " order by o.FInterID";
        QCOMPARE(TestDb::dump(c, orders), "1,0,3;2,0,0;3,0,1");
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
        QCOMPARE(TestDb::dump(c, "select FKAmount, FBegAmount, FEndAmount, FSumAmount, FVipNo,"
                                 " FYear, FBillerID, FMonth from VipCzBill where FTranType=2"),
                 "20,100,80,42.93,V1,2026年,7," + StoredValueLedger::monthLabel(b.date));

        // Picks of 4 and 5 from that line book 9: the bill hands out the last unit and closes
        // the order, and only that order. A pick-up-only bill still writes its movement of 0.
        b = bill();
        b.addLine(pick(1, 1, 4));
        b.addLine(pick(1, 1, 5));
        SaleBillStore::save(c, b, {}, 1);
        QCOMPARE(TestDb::dump(c, orders), "1,1,12;2,0,0;3,0,1");
        QCOMPARE(TestDb::dump(c, "select FKAmount, FBegAmount, FEndAmount from VipCzBill where"
                                 " FTranType=2 order by FInterID"),
                 "20,100,80;0,80,80");
    }

    // A refused save, or one failing at any statement (`failing`: "event table"), leaves
    // nothing behind, the number included.
    void refusals_data()
    {
        // The bill tried: a pick-up of `qty` from (order, 1) when `order` is set, an ordinary
        // line of `price` when that is, paid so, under this number and warehouse.
        QTest::addColumn<int>("order");
        QTest::addColumn<int>("qty");
        QTest::addColumn<int>("price");
        QTest::addColumn<int>("reserve");
        QTest::addColumn<int>("cash");
        QTest::addColumn<int>("billId");
        QTest::addColumn<int>("stockId");
        QTest::addColumn<QString>("failing");
        QTest::addColumn<QString>("message");
        const QString over = QStringLiteral("出库数量不允许大于剩余数量！");
        const QString balance = QStringLiteral("本次扣款金额不允许大于卡内余额！");
        const QString none;
        // clang-format off
        QTest::newRow("pick past ordered plus gift") << 1 << 13 << 0 << 0 << 0 << 0 << 1 << none << over;
        QTest::newRow("pick another card's line") << 2 << 1 << 0 << 0 << 0 << 0 << 1 << none << over;
        // Another station exchanged the line's item since the screen listed it.
        QTest::newRow("line holds another item now") << 1 << 1 << 0 << 0 << 0 << 0 << 1 << "exchanged" << "订单已被修改，请重新查询！";
        QTest::newRow("pay beyond the balance") << 0 << 0 << 150 << 120 << 30 << 0 << 1 << none << balance;
        QTest::newRow("deduction above the receivable") << 0 << 0 << 5 << 6 << 0 << 0 << 1 << none << "本次扣款金额不允许大于应收金额！";
        QTest::newRow("negative cash") << 0 << 0 << 5 << 0 << -1 << 0 << 1 << none << "付款金额不能为负数！";
        QTest::newRow("a bill already saved") << 0 << 0 << 5 << 0 << 5 << 7 << 1 << none << "这张单据已经保存，不能再次保存！";
        QTest::newRow("unknown warehouse") << 0 << 0 << 5 << 0 << 5 << 0 << 0 << none << "仓库名称不存在！";
        QTest::newRow("empty bill") << 0 << 0 << 0 << 0 << 0 << 0 << 1 << none << "请输入商品！";
        // The pick-up finishes order 1, so the closing statement writes too.
        for (const char *f : {"update VipOrderEntry", "update ICMaxNum", "insert ICStockBillEntry",
                              "insert ICStockBill", "update VipOrder", "insert VipCzBill"})
            QTest::newRow(f) << 1 << 12 << 10 << 6 << 4 << 0 << 1 << f << "failure: forced failure";
        // clang-format on
    }
    void refusals()
    {
        QFETCH(int, order);
        QFETCH(int, qty);
        QFETCH(int, price);
        QFETCH(int, reserve);
        QFETCH(int, cash);
        QFETCH(int, billId);
        QFETCH(int, stockId);
        QFETCH(QString, failing);
        QFETCH(QString, message);
        TestDb t;
        const QString c = t.cnstr();
        seed(c);
        SaleBill b = bill();
        b.billId = billId;
        b.stockId = stockId;
        if (price)
            b.add(1, "鲜奶", 1, Money::fromInt(price));
        if (order)
            b.addLine(pick(order, 1, qty));
        if (failing == "exchanged")
            db::execute(c, "update VipOrderEntry set FItemID=2 where FInterID=1 and FEntryID=1");
        else if (!failing.isEmpty())
            t.failOn(failing.section(' ', 0, 0), failing.section(' ', 1));
        // Everything a refused or failed save must leave as it was: no bill, no line, no
        // booking, no movement, no number, no order closed.
        const QString snapshot = "select (select count(*) from ICStockBill), (select count(*) from"
                                 " ICStockBillEntry), (select count(*) from VipCzBill), (select"
                                 " max(FMaxNum) from ICMaxNum), (select sum(FCplQty) from"
                                 " VipOrderEntry), (select sum(FClosed) from VipOrder)";
        const QString before = TestDb::dump(c, snapshot);
        const QString got = TestDb::refusalOf([&] {
            SaleBillStore::save(c, b, {Money::fromInt(cash), Money::fromInt(reserve)}, 1);
        });
        const bool forced = got.startsWith("failure: ") && got.contains("forced failure");
        QCOMPARE(forced ? "failure: forced failure" : got, message);
        QCOMPARE(TestDb::dump(c, snapshot), before);
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
        QString failed[2];
        auto station = [&](int entry) {
            try {
                SaleBill b = bill();
                b.addLine(pick(4, entry, 1, 1, 3));
                SaleBillStore::save(c, b, {}, 1);
            } catch (const CoreError &e) {
                failed[entry - 1] = e.message();
            }
            db::closeAll();
        };
        db::Transaction counter(c);
        counter.execute("update ICMaxNum set FMaxNum=FMaxNum where FTranType=0");
        std::thread a(station, 1), b(station, 2);
        // On PostgreSQL, wait until both stations are queued behind the counter.
        const QString queued = "select count(*) from pg_locks where not granted";
        for (int i = 0; TestDb::isPostgres() && i < 3000
                        && db::scalar(TestDb::postgresCnstr(), queued).toInt() < 2; ++i)
            QTest::qWait(10);
        counter.commit();
        a.join();
        b.join();
        QCOMPARE(failed[0] + failed[1], QString());
        QCOMPARE(TestDb::dump(c,
                              "select sum(FCplQty), max(FClosed) from VipOrderEntry e join"
                              " VipOrder o on o.FInterID=e.FInterID where e.FInterID=?",
                              {4}),
                 "2,1");
    }

    // Two stations at once: one picking the last unit of each of 20 lines, one paying 3.00 a
    // time from a card that holds 100.00. Every bill is saved or refused with the one message.
    void twoStations_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<int>("n");
        QTest::addColumn<QString>("outcome");
        // clang-format off
        QTest::newRow("last units of an order line") << "pick" << 20 << "20 saved, 20 bills, refused 出库数量不允许大于剩余数量！; 20 lines out, 100.00 left";
        QTest::newRow("stored value beyond the balance") << "pay" << 40 << "33 saved, 33 bills, refused 本次扣款金额不允许大于卡内余额！; 0 lines out, 1.00 left";
        // clang-format on
    }
    void twoStations()
    {
        QFETCH(QString, mode);
        QFETCH(int, n);
        QFETCH(QString, outcome);
        TestDb t;
        const QString c = t.cnstr();
        seed(c);
        db::execute(c, "delete from VipOrderEntry where FInterID=?", {1});
        QList<QVariantList> lines;
        for (int i = 1; i <= 20; ++i)
            lines.append({1, i, 1, 1, 0, 0, 3});
        TestDb::insert(c, OrderLines, lines);
        const QStringList args{c, mode, QString::number(n)};
        QStringList refused = TestDb::runStations(QStringLiteral(SAVE_SALES_EXE), {args, args});
        QCOMPARE(refused.size(), 2 * n);
        const qsizetype saved = refused.removeAll("ok");
        refused.removeDuplicates();
        QCOMPARE(QStringLiteral("%1 saved, %2 bills, refused %3; %4 lines out, %5 left")
                     .arg(saved)
                     .arg(TestDb::dump(c, "select count(*) from ICStockBill"), refused.join(" | "),
                          TestDb::dump(c, "select count(*) from VipOrderEntry where FInterID=1"
                                          " and FCplQty=1"),
                          TestDb::movementChain(c, "V1")),
                 outcome);
    }

    // The sale list: FQty1 counts handed-out order units, FQty2 goods sold for money; the
    // last row is the total, which opens no bill. Both days are included; a card is trimmed.
    void saleList()
    {
        TestDb t;
        const QString c = t.cnstr();
        // Two bills of one day whose lines were written in turn, one of the next day, one of
        // another type and one outside the range. Line 21/2 has a NULL order reference, as
        // other programs may write: an ordinary sale.
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
                        {21, 2, 1, 3, 3.5, 10.5, Null},
                        {20, 2, 1, 4, 2.5, 10, 0},
                        {21, 3, 1, 1, 3.5, 3.5, 8},
                        {22, 1, 1, 5, 2, 10, 0},
                        {23, 1, 1, 9, 1, 9, 0},
                        {19, 1, 1, 9, 1, 9, 0}});
        using L = QStringList;
        const L day{"20||1|1000.00", "20||4|10.00", "21|2||7.00", "21||3|10.50", "21|1||3.50"};
        // clang-format off
        const QList<std::tuple<QString, QDate, L, QString>> runs{
            {"", Today, L(day) + L{"0|3|8|1,031.00"}, "2"}, // bills interleaved, counted once each
            {"", Today.addDays(1), L(day) + L{"22||5|10.00", "0|3|13|1,041.00"}, "3"},
            {" V1 ", Today, L{"21|2||7.00", "21||3|10.50", "21|1||3.50", "0|3|3|21.00"}, "1"},
            {"V1' or ''='", Today, L{}, "0"}};
        // clang-format on
        // The rows, then the number of bills.
        for (const auto &[card, to, rows, bills] : runs) {
            const SaleList::Result r = SaleList::run(c, card, Today, to);
            QCOMPARE(listRows(r) << QString::number(r.billCount), rows + L{bills});
        }
        QCOMPARE(SaleList::run(c, "V1", Today, Today).table.rows.first().cells,
                 (L{"2026-03-10", "V1", "O'Neil", "鲜奶", "2", "", "3.50", "7.00",
                    "2026-03-10 09:30:21", "21"}));
    }

    // Over the demo items, plus a pack bar code of item 3 without a price of its own: the
    // style's price column (1 retail, 2 member, 0 none), a pack code's own price and pieces,
    // the item number only where the exchange takes it. Found: item, pieces, name, price.
    void find()
    {
        TestDb t(TestDb::Content::Demo);
        TestDb::insert(t.cnstr(), "t_icitem_barcode (FItemID, FBarCode, FPriceStyleID, FExchange, FPrice)",
                       {{3, "6909999000099", 1, 12, QVariant()}});
        const Codes sale = Codes::ShopNumberOrBarCode;
        const Codes exchange = Codes::ShopNumberItemNumberOrBarCode;
        // clang-format off
        const QList<std::tuple<QString, int, QString, Codes, QString>> lookups{
            {"shop number, retail", 1, "101", sale, "1|1|鲜牛奶 250ml|3.50"},
            {"member style column", 2, "101", sale, "1|1|鲜牛奶 250ml|3.20"},
            {"no style, no price", 0, "102", sale, "2|1|鲜牛奶 500ml|-"},
            {"pack code own price", 0, "6901234510010", sale, "1|6|鲜牛奶 250ml|19.80"},
            {"pack without price", 1, "6909999000099", sale, "3|1|低脂牛奶 250ml|3.80"},
            {"item number is not a sale code", 1, "01.001", sale, "none"},
            {"item number at the exchange", 1, "01.004", exchange, "4|1|高钙牛奶 250ml|3.50"},
            {"quote in code", 1, "1' or '1'='1", exchange, "none"}};
        // clang-format on
        for (const auto &[lookup, style, code, codes, found] : lookups) {
            const ItemMatch m = ItemLookup::find(t.cnstr(), code, style, codes);
            const QString got = QStringList({QString::number(m.itemId), QString::number(m.exchange),
                                             m.name, m.hasPrice ? m.price.format() : "-"})
                                    .join('|');
            QCOMPARE(lookup + ": " + (m.found ? got : "none"), lookup + ": " + found);
        }
    }

    // A card by its number or by a phone of its orders or stored-value rows; an empty text
    // matches no walk-in order.
    void findCard()
    {
        TestDb t(TestDb::Content::Demo);
        TestDb::insert(t.cnstr(), "VipCzBill (FVipNo, FOwner, FPhone, FTranType, FKAmount)",
                       {{"V0009", "赵六", "13900000009", 1, 100}});
        TestDb::insert(t.cnstr(), "VipOrder (FInterID, FVipNo, FOwner, FPhone)", {{900, "", "散客", ""}});
        const QList<std::pair<QString, QString>> cards{
            {"V0001", "V0001 张丽"}, {"13800000002", "V0002 王建国"}, {"13900000009", "V0009 赵六"},
            {"", ""}, {"V0001' or '1'='1", ""}};
        for (const auto &[typed, card] : cards) {
            const auto found = CardHolders::find(t.cnstr(), typed, CardHolders::Search::NumberOrPhone);
            QCOMPARE(typed + QString(": ") + (found ? found->vipNo + " " + found->owner : ""),
                     typed + QString(": ") + card);
        }
        // By number only; a member who never ordered is found among the recharges unless the
        // lookup keeps to the orders (the member details change orders only).
        using S = CardHolders::Search;
        QStringList got;
        for (const auto &[typed, search] : {std::pair{"13800000002", S::OrdersThenRecharges},
                                            {"V0009", S::OrdersThenRecharges},
                                            {"V0009", S::OrdersOnly}, {" V0001 ", S::OrdersOnly}}) {
            const auto h = CardHolders::find(t.cnstr(), typed, search);
            got << (h ? h->owner + "/" + h->phone : "-");
        }
        QCOMPARE(got.join(' '), "- 赵六/13900000009 - 张丽/13800000001");
    }

    void databaseFailure()
    {
        TestDb t;
        db::execute(t.cnstr(), "drop table t_icitem_barcode");
        db::execute(t.cnstr(), "drop table VipOrder");
        QVERIFY_THROWS_EXCEPTION(db::DbError, ItemLookup::find(t.cnstr(), "777", 1));
        QVERIFY_THROWS_EXCEPTION(db::DbError, CardHolders::find(t.cnstr(), "V0001"));
    }
};

QTEST_GUILESS_MAIN(tst_SaleSave)
#include "tst_SaleSave.moc"
