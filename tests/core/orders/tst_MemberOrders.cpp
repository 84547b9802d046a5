#include <atomic>
#include <optional>
#include <thread>

#include <QtTest>

#include "TestDb.h"
#include "core/db/Database.h"
#include "core/db/Transaction.h"
#include "core/members/StoredValueLedger.h"
#include "core/orders/MemberOrderStore.h"
#include "core/orders/OrderDraft.h"
#include "core/orders/OrderExchange.h"
#include "core/orders/OrderLists.h"
#include "core/orders/OrderOutDetail.h"
#include "core/orders/OrderReceipt.h"
#include "core/orders/OrderValidity.h"

namespace {

// Operator 1 is a manager, 2 holds EditOrder, 3 does not. Card V1 has an earlier order 5
// without an identity number.
void seed(const QString &c, int balance)
{
    TestDb::insert(c, "t_stock (FItemID, FName)", {{1, "门店"}});
    TestDb::insert(c, "t_icitem (FItemID, FName)", {{1, "鲜奶"}, {2, "酸奶"}});
    TestDb::insert(c, "t_user (FUserID, FUserName, FManager)",
                   {{1, "boss", 1}, {2, "clerk", 0}, {3, "temp", 0}});
    TestDb::insert(c, "t_user_grant (FUserID, FKey, FValue)",
                   {{2, "editorder", 1}, {3, "EditOrder", 0}});
    TestDb::insert(c,
                   "VipOrder (FInterID, Fdate, FVipNo, FVipID, FSumQty, FSumAmount, FGetCash,"
                   " FGetReserve, FClosed)",
                   {{5, QDate(2026, 1, 1), "V1", "", 1, 3, 3, 0, 1}});
    if (balance)
        TestDb::insert(c, "VipCzBill (FVipNo, FTranType, FDate, FKAmount, FBegAmount, FEndAmount)",
                       {{"V1", 1, QDate(2026, 3, 1), balance, 0, balance}});
}

// 10 + 2 gift of 鲜奶 for 50.00, valid to 1 May.
OrderDraft order()
{
    OrderDraft d;
    d.date = QDate(2026, 3, 10);
    d.vipNo = "V1";
    d.owner = "O'Neil";
    d.phone = "139";
    d.vipId = "ID1";
    d.add(1, "鲜奶", "4.1667", "10", "2", "50.00", QDate(2026, 5, 1));
    return d;
}

// Everything a refused or failed save must leave as it was.
QString snapshot(const QString &c)
{
    return TestDb::dump(c,
                        "select (select count(*) from VipOrder), (select count(*) from"
                        " VipOrderEntry), (select coalesce(sum(FCplQty), 0) from VipOrderEntry),"
                        " (select count(*) from VipCzBill), (select max(FMaxNum) from ICMaxNum),"
                        " (select count(*) from VipOrder where FVipID<>?)",
                        {""});
}

// Order 1 of card V1, 100 of 鲜奶 and 5 of 酸奶 paid in cash, worked on by two stations that
// begin at one moment, connected, so they really meet. Their lines, each with its action.
// A station that failed says so in a line of its own.
QStringList stations(const QString &c, const QStringList &one, const QStringList &other)
{
    seed(c, 0);
    OrderDraft d = order();
    d.remove(0);
    d.add(1, "鲜奶", "1.00", "100", "0", "100.00");
    d.add(2, "酸奶", "1.00", "5", "0", "5.00");
    MemberOrderStore::save(c, d, {Money::fromInt(105), Money()}, 1);
    qputenv("KWPOS_START_AT_MS", QByteArray::number(QDateTime::currentMSecsSinceEpoch() + 3000));
    return TestDb::runStations(QStringLiteral(SAVE_ORDERS_EXE),
                               {QStringList{c} + one, QStringList{c} + other});
}

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

} // namespace

class tst_MemberOrders : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    // A gift of 5 proposes 30 days, of 10 (a leading number counts) 60 days, any other today.
    void validity()
    {
        const QDate today(2026, 3, 10);
        for (const auto &[gift, days] : {std::pair{"5", 30}, {"10", 60}, {"12", 0}, {"10瓶", 60}})
            QCOMPARE(OrderDraft::proposedValidity(today, gift), today.addDays(days));
    }

    // A line refused on adding leaves the draft empty; the whole order is checked on saving.
    void refusals_data()
    {
        QTest::addColumn<bool>("onSave");
        QTest::addColumn<QStringList>("input"); // adding: item, qty, gift, amount; saving:
                                                // card, identity, entry and line validity
        QTest::addColumn<QString>("refusal");
        const QString validity = QStringLiteral("有效期必须大于今日！ @ ");
        // clang-format off
        QTest::newRow("no item") << false << QStringList{"0", "1", "", "5.00"} << "商品名称不存在！ @ cmbItem";
        QTest::newRow("quantity 0") << false << QStringList{"1", "0", "", "5.00"} << "请输入数量！ @ txtQty";
        QTest::newRow("bar code as quantity") << false << QStringList{"1", "6901234500011", "", "5.00"} << "请输入数量！ @ txtQty";
        QTest::newRow("negative gift") << false << QStringList{"1", "1", "-2", "5.00"} << "请输入数量！ @ txtPreQty";
        QTest::newRow("fractional quantity") << false << QStringList{"1", "2.5", "", "5.00"} << "请输入数量！ @ txtQty";
        QTest::newRow("fractional gift") << false << QStringList{"1", "2", "0.5", "5.00"} << "请输入数量！ @ txtPreQty";
        QTest::newRow("amount 0") << false << QStringList{"1", "1", "", "0.00"} << "请输入金额！ @ txtAmount";
        QTest::newRow("amount past the cents") << false << QStringList{"1", "1", "", "5.005"} << "金额最多只能有两位小数！ @ txtAmount";
        QTest::newRow("no card") << true << QStringList{" ", "ID1", "", "-"} << "请输入会员卡号！ @ txtVipNo";
        QTest::newRow("no identity number") << true << QStringList{"V1", "", "", "-"} << "请输入身份证号！ @ txtVipID";
        QTest::newRow("no lines") << true << QStringList{"V1", "ID1", "", ""} << "请输入订单商品！ @ ";
        QTest::newRow("entry validity at the order date") << true << QStringList{"V1", "ID1", "0", "-"} << validity + "dtpYxq";
        QTest::newRow("line validity at the order date") << true << QStringList{"V1", "ID1", "", "0"} << validity + "FlexOrder";
        QTest::newRow("both later") << true << QStringList{"V1", "ID1", "1", "1"} << "";
        // clang-format on
    }
    void refusals()
    {
        QFETCH(bool, onSave);
        QFETCH(QStringList, input);
        QFETCH(QString, refusal);
        OrderDraft d;
        if (!onSave) {
            QCOMPARE(TestDb::refusalAt([&] {
                         d.add(input[0].toInt(), "鲜奶", "5.00", input[1], input[2], input[3]);
                     }),
                     refusal);
            QVERIFY(d.isEmpty());
            return;
        }
        d.date = QDate(2026, 3, 10);
        d.vipNo = input[0];
        d.vipId = input[1];
        // Line validity: "-" none, a number of days after the order date; "" no line at all.
        if (!input[3].isEmpty())
            d.add(1, "鲜奶", "5.00", "10", "2", "50.00",
                  input[3] == "-" ? QDate() : d.date.addDays(input[3].toInt()));
        QCOMPARE(TestDb::refusalAt([&] {
                     d.checkForSave(!input[2].isEmpty(), d.date.addDays(input[2].toInt()));
                 }),
                 refusal);
    }

    // 20.00 in the grid and 10.00 in the entry box: the label shows 30.00, the order is 20.00.
    // An empty gift counts 0; a typed amount wins over price × quantity. Line numbers are
    // those of the rows when added: deleting the second of three leaves 1 and 3, and the next
    // line is numbered by its row again.
    void totalsAndNumbers()
    {
        QCOMPARE(OrderDraft::entryAmount("4", "2.50"), Money::fromInt(10));
        QCOMPARE(OrderDraft::entryAmount("3", "1.115"), Money::parse("3.35"));
        OrderDraft d;
        d.add(1, "鲜奶", "2.50", "4", "", "12.00");
        d.add(2, "酸奶", "2.00", "4", "2", "8");
        d.add(1, "鲜奶", "5.00", "1", "0", "5.00");
        QCOMPARE(std::pair(d.lines()[0].gift, d.lines()[1].amountText),
                 std::pair(qint64(0), QString("8")));
        d.remove(2);
        QCOMPARE(
            std::tuple(d.sumAmount(), d.shownTotal("10.00"), d.sumQty(), d.due()),
            std::tuple(Money::fromInt(20), Money::fromInt(30), qint64(10), Money::fromInt(20)));
        d.add(1, "鲜奶", "5.00", "1", "0", "5.00");
        d.remove(1);
        d.remove(7);
        QCOMPARE(std::pair(d.lines().size(), d.lines()[1].number), std::pair(qsizetype(2), 3));
        QCOMPARE(d.add(2, "酸奶", "2.00", "1", "", "2.00").number, 3);
        QCOMPARE(d.sumAmount(), Money::fromInt(19));
    }

    // A stored order as the screen loads it: every line, also one whose item was deleted
    // elsewhere; amounts exact whatever their shown form; NULL validity and NULL hand-outs.
    void load()
    {
        TestDb t;
        const QString c = t.cnstr();
        TestDb::insert(c, "t_icitem (FItemID, FName)", {{1, "鲜奶"}, {2, "酸奶"}});
        TestDb::insert(
            c, "VipOrder (FInterID, Fdate, FVipNo, FOwner, FPhone, FVipID, FGetCash, FGetReserve)",
            {{7, QDate(2026, 3, 1), "V1", "王五", "139", "ID1", 1000, 244}});
        TestDb::insert(c, Lines,
                       {{7, 1, 1, 10, 2, 0, 5, 50, QDate(2026, 5, 1)},
                        {7, 2, 2, 1000, 0, Null, 1.194, 1194, Null}});
        const OrderDraft d = OrderDraft::load(c, 7);
        QCOMPARE(
            (QStringList{QString::number(d.id), d.vipNo, d.owner, d.phone, d.vipId,
                         d.date.toString(Qt::ISODate), QString::number(d.lines().size()),
                         d.lines()[0].validTo.toString(Qt::ISODate), QString::number(d.sumQty()),
                         d.sumAmount().format(), d.due().format()}),
            (QStringList{"7", "V1", "王五", "139", "", "2026-03-01", "2", "2026-05-01", "1012",
                         "1244.00", "0.00"}));
        const OrderDraftLine &l = d.lines()[1];
        QCOMPARE((QStringList{l.priceText, l.amountText, l.qtyText, l.giftText, l.validText(),
                              QString::number(l.itemId)}),
                 (QStringList{"1.19", "1,194.00", "1000", "0", "", "2"}));
        QCOMPARE(l.amount, Money::fromInt(1194));
        QCOMPARE(OrderDraft::load(c, 8).id, 0);
        // A NULL hand-out locks nothing; no right to edit, a unit out or an item deleted
        // elsewhere locks the screen.
        QCOMPARE(std::pair(d.isLocked(true), d.isLocked(false)), std::pair(false, true));
        db::execute(c, "update VipOrderEntry set FCplQty=? where FEntryID=2", {1});
        QVERIFY(OrderDraft::load(c, 7).isLocked(true));
        db::execute(c, "update VipOrderEntry set FCplQty=? where FEntryID=2", {0});
        db::execute(c, "delete from t_icitem where FItemID=?", {2});
        const OrderDraft missing = OrderDraft::load(c, 7);
        QCOMPARE(std::tuple(missing.lines().size(), missing.lines()[1].itemMissing,
                            missing.isLocked(true)),
                 std::tuple(2, true, true));
    }

    // Holder, phone and identity number come from the card's first order, else from its
    // first recharge bill; the balance from its movements. An empty card finds nothing,
    // though the walk-in rows have no card either.
    void member()
    {
        TestDb t;
        const QString c = t.cnstr();
        const QDate d1(2026, 3, 1);
        TestDb::insert(
            c, "VipOrder (FInterID, Fdate, FVipNo, FOwner, FPhone, FVipID)",
            {{1, d1, "V1", "O'Neil 王", "139", "ID1"}, {2, d1.addDays(1), "V1", "别人", "", "X"}});
        TestDb::insert(c, "VipCzBill (FVipNo, FOwner, FVipID, FTranType, FDate, FKAmount)",
                       {{"V1", "", "", 1, d1, 100},
                        {"V1", "", "", 2, d1, 20},
                        {"V2", "李四", "ID2", 1, d1, 30},
                        {"", "散客", "", 2, d1, 5}});
        for (const auto &[vipNo, found] : {std::pair{"V1", "1,O'Neil 王,ID1,80.00"},
                                           {"V2", "1,李四,ID2,30.00"},
                                           {"", "0,,,0.00"}}) {
            const OrderMember m = OrderDraft::member(c, vipNo);
            QCOMPARE(QStringList({QString::number(m.found), m.owner, m.vipId, m.balance.format()})
                         .join(u','),
                     found);
        }
    }

    // The template reads the fields by name and type, one record per line in grid order:
    // quantities, prices and amounts as the grid shows them; the totals, payment and balance
    // on every record; the number always 0.
    void records()
    {
        OrderDraft d = order();
        d.add(2, "酸奶", "1.00", "5", "", "1,234.00"); // typed: stored as 1.00
        const RecordSet rs =
            OrderReceipt::build(d, "clerk", Money::fromInt(21), Money::fromInt(30),
                                Money::fromInt(50), QDateTime(d.date, QTime(8, 15)),
                                Money::fromInt(12));
        QStringList records; // the field names first
        for (int r = -1; r < rs.recordCount(); ++r) {
            QStringList values;
            for (const RecordSet::Field &f : rs.fields())
                values << (r < 0 ? f.name : rs.text(r, f.name));
            records << values.join('|');
        }
        QCOMPARE(records,
                 (QStringList{"FDate|FVipNo|FOwner|FPhone|FName|FQty|FPreQty|FPrice|FAmount|"
                              "FSumQty|FSumAmount|Fyxq|FInterID|FBiller|FPrintTime|FGetCash|"
                              "FGetReserve|FReserveBal|FCashBack",
                              "2026-03-10|V1 O'Neil|O'Neil|139|鲜奶|10|2|4.1667|50.00|17|51.00|"
                              "2026-05-01|0|clerk|2026-03-10 08:15|21.00|30.00|50.00|12.00",
                              "2026-03-10|V1 O'Neil|O'Neil|139|酸奶|5||1.00|1,234.00|17|51.00|"
                              "|0|clerk|2026-03-10 08:15|21.00|30.00|50.00|12.00"}));
    }

    // 10 + 2 gift for 50.00, new or saved first for 30.00 cash + 20.00 stored value and then
    // again for another total. A new order paying only cash from an empty card
    // writes no movement; one from a card holding money writes a movement of 0; a deduction
    // is debited even when the screen showed no balance. A re-save settles only the
    // difference and keeps the cumulative payment; a lower total goes back to stored value up
    // to what stored value paid, the rest back in cash.
    void save_data()
    {
        QTest::addColumn<int>("balance");  // the card's balance
        QTest::addColumn<int>("resaveAs"); // the total it is saved again for; 0: saved new
        QTest::addColumn<int>("cash");
        QTest::addColumn<int>("reserve");
        QTest::addColumn<QString>("header"); // FSumAmount, FGetCash, FGetReserve
        // The card's movements newest first: FKAmount, FBegAmount, FEndAmount, FSumAmount.
        QTest::addColumn<QString>("movements");
        QTest::addColumn<int>("after"); // the balance after
        QTest::addColumn<int>("cashBack");
        const QString first = ";20,100,80,50";
        // clang-format off
        QTest::newRow("balance 0, cash") << 0 << 0 << 50 << 0 << "50,50,0" << "" << 0 << 0;
        QTest::newRow("balance 80, cash") << 80 << 0 << 50 << 0 << "50,50,0" << "0,80,80,50" << 80 << 0;
        QTest::newRow("deduction with no balance shown") << 40 << 0 << 30 << 20 << "50,30,20" << "20,40,20,50" << 20 << 0;
        QTest::newRow("unchanged charges nothing") << 100 << 50 << 0 << 0 << "50,30,20" << "0,80,80,50" + first << 80 << 0;
        QTest::newRow("higher, the difference") << 100 << 60 << 4 << 6 << "60,34,26" << "6,80,74,60" + first << 74 << 0;
        QTest::newRow("lower, back to stored value") << 100 << 35 << 0 << 0 << "35,30,5" << "-15,80,95,35" + first << 95 << 0;
        QTest::newRow("lower than stored value paid") << 100 << 10 << 0 << 0 << "10,10,0" << "-20,80,100,10" + first << 100 << 20;
        // clang-format on
    }
    void save()
    {
        QFETCH(int, balance);
        QFETCH(int, resaveAs);
        QFETCH(int, cash);
        QFETCH(int, reserve);
        QFETCH(QString, header);
        QFETCH(QString, movements);
        QFETCH(int, after);
        QFETCH(int, cashBack);
        TestDb t;
        const QString c = t.cnstr();
        seed(c, balance);
        OrderDraft d = order();
        if (resaveAs) {
            MemberOrderStore::save(c, d, {Money::fromInt(30), Money::fromInt(20)}, 2);
            d = OrderDraft::load(c, 1);
            d.vipId = "ID1";
            d.remove(0);
            d.add(1, "鲜奶", "5.00", "10", "2", QString::number(resaveAs));
        }
        const qint64 trips = TestDb::saveRoundTrips(c);
        const SavedOrder s =
            MemberOrderStore::save(c, d, {Money::fromInt(cash), Money::fromInt(reserve)}, 2);
        // A new order goes to PostgreSQL in one round trip and its commit in a second; a
        // re-save takes one more for its locks and checks.
        QCOMPARE(TestDb::saveRoundTrips(c) - trips, TestDb::isPostgres() ? (resaveAs ? 3 : 2) : 0);
        QCOMPARE(std::tuple(s.orderId, s.movementWritten, s.balanceAfter, s.cashBack),
                 std::tuple(1, !movements.isEmpty(), Money::fromInt(after),
                            Money::fromInt(cashBack)));
        // The identity number reaches the card's earlier order 5 too; the number is taken.
        QCOMPARE(TestDb::dump(c,
                              "select FSumQty, FSumAmount, FGetCash, FGetReserve, FVipNo, FOwner,"
                              " FMonth, FVipID, FBillerID, FClosed, FRemark, Fdate,"
                              " (select FVipID from VipOrder where FInterID=5),"
                              " (select FMaxNum from ICMaxNum where FTranType=30)"
                              " from VipOrder where FInterID=1"),
                 "12," + header + ",V1,O'Neil,2026年3月,ID1,2,0,,2026-03-10,ID1,1");
        // A line re-entered without a validity stores none.
        QCOMPARE(TestDb::dump(c, "select FEntryID, FQty, FPreQty, FCplQty, FPrice, FAmount, FYxq"
                                 " from VipOrderEntry"),
                 resaveAs ? QString("1,10,2,0,5,%1,").arg(resaveAs)
                            : "1,10,2,0,4.1667,50,2026-05-01");
        QCOMPARE(TestDb::dump(c, "select FKAmount, FBegAmount, FEndAmount, FSumAmount from"
                                 " VipCzBill where FTranType=2 order by FInterID desc"),
                 movements);
        QCOMPARE(TestDb::dump(c, "select distinct FYear, FSeason, FMonth, FBillerID from VipCzBill"
                                 " where FTranType=2"),
                 movements.isEmpty() ? "" : "2026年,2026年1季度,2026年03月,2");
        QCOMPARE(TestDb::dump(c, "select count(*) from VipOrder where FInterID=1 and FRemark=?",
                              {""}),
                 "1");
        // Still open: refused, the money stays paid for its units. Closed: the order goes with
        // its lines, the movements stay as history.
        const QString history = TestDb::dump(c, "select count(*) from VipCzBill");
        QCOMPARE(TestDb::refusalOf([&] { MemberOrderStore::remove(c, 1, 2); }),
                 "禁止删除未完工订单！");
        db::execute(c, "update VipOrder set FClosed=1 where FInterID=1");
        QCOMPARE(TestDb::refusalOf([&] { MemberOrderStore::remove(c, 1, 3); }), "没有权限！");
        MemberOrderStore::remove(c, 1, 2);
        QCOMPARE(TestDb::dump(c, "select (select count(*) from VipOrder where FInterID=1),"
                                 " (select count(*) from VipOrderEntry), (select count(*) from"
                                 " VipCzBill)"),
                 "0,0," + history);
    }

    // Settled 20.00 in cash and 30.00 otherwise (bank card, vouchers, discount): reopened, the
    // order owes nothing; raised to 60 it owes 10; lowered to 10 the 40 comes back in cash,
    // off the cash paid first. FSumAmount, FGetCash, FGetReserve, FGetOther after each.
    void paidOtherwise()
    {
        TestDb t;
        const QString c = t.cnstr();
        seed(c, 0);
        MemberOrderStore::save(c, order(), {Money::fromInt(20), Money(), Money::fromInt(30)}, 2);
        const QString header = "select FSumAmount, FGetCash, FGetReserve, FGetOther from VipOrder"
                               " where FInterID=1";
        QCOMPARE(TestDb::dump(c, header), "50,20,0,30");
        OrderDraft d = OrderDraft::load(c, 1);
        d.vipId = "ID1";
        QCOMPARE(d.due(), Money());
        MemberOrderStore::save(c, d, {}, 2);
        d = OrderDraft::load(c, 1);
        d.vipId = "ID1";
        d.add(2, "酸奶", "10.00", "1", "", "10.00");
        QCOMPARE(d.due(), Money::fromInt(10));
        MemberOrderStore::save(c, d, {Money(), Money(), Money::fromInt(10)}, 2);
        QCOMPARE(TestDb::dump(c, header), "60,20,0,40");
        d = OrderDraft::load(c, 1);
        d.vipId = "ID1";
        d.remove(0);
        QCOMPARE(MemberOrderStore::save(c, d, {}, 2).cashBack, Money::fromInt(50));
        QCOMPARE(TestDb::dump(c, header), "10,0,0,10");
    }

    // An order paid from V1's stored value keeps its card: changed to V2 and lowered, it is
    // refused, and V2 gains nothing. An order paid in cash may change its card.
    void cardOfAPaidOrder()
    {
        TestDb t;
        const QString c = t.cnstr();
        seed(c, 100);
        MemberOrderStore::save(c, order(), {Money::fromInt(30), Money::fromInt(20)}, 2);
        OrderDraft d = OrderDraft::load(c, 1);
        d.vipNo = "V2";
        d.vipId = "ID1";
        d.remove(0);
        d.add(1, "鲜奶", "1.00", "10", "", "10.00");
        const QString before = snapshot(c);
        QCOMPARE(TestDb::refusalAt([&] { MemberOrderStore::save(c, d, {}, 2); }),
                 MemberOrderStore::cardChangeMessage() + " @ txtVipNo");
        QCOMPARE(snapshot(c), before);
        QCOMPARE(StoredValueLedger::balance(c, "V2"), Money());
        MemberOrderStore::save(c, order(), {Money::fromInt(50), Money()}, 2);
        d = OrderDraft::load(c, 2);
        d.vipNo = " V2 ";
        d.vipId = "ID1";
        QCOMPARE(MemberOrderStore::save(c, d, {}, 2).cashBack, Money());
        QCOMPARE(TestDb::dump(c, "select FVipNo from VipOrder where FInterID=2"), "V2");
        QCOMPARE(StoredValueLedger::balance(c, "V2"), Money());
        // A negative total pays nothing out, new or saved again.
        OrderDraft negative = order();
        negative.add(2, "酸奶", "-60.00", "1", "", "-60.00");
        QCOMPARE(TestDb::refusalAt([&] { MemberOrderStore::save(c, negative, {}, 2); }),
                 MemberOrderStore::negativeTotalMessage() + " @ FlexOrder");
    }

    // Two stations save order 1 again at one moment, each with its own change that leaves the
    // total as it was: one goes through, the other is refused, and the first one's change is
    // what the order holds.
    void lostUpdate()
    {
        TestDb t;
        const QStringList out = stations(t.cnstr(), {"edit", "1"}, {"edit", "2"});
        QVERIFY2(out.filter("station failed").isEmpty(), qPrintable(out.join('\n')));
        QCOMPARE(out.count("edit ok"), 1);
        QCOMPARE(out.count("edit " + MemberOrderStore::staleMessage()), 1);
        QCOMPARE(TestDb::dump(t.cnstr(), "select count(*) from VipOrder where FInterID=1 and"
                                         " FPhone in ('P1','P2') and FGetCash=105"),
                 "1");
    }

    // A refused or failed save, new or again, leaves nothing behind, the number included.
    // Saved again, order 1 was paid 50.00 in cash and gets another identity number.
    void refused_data()
    {
        QTest::addColumn<int>("balance"); // the card's balance
        // The change made to stored order 1 before it is saved again; null: a new order.
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("user");
        QTest::addColumn<int>("cash");
        QTest::addColumn<int>("reserve");
        QTest::addColumn<QString>("failing"); // a statement made to fail: "event table"
        QTest::addColumn<QString>("message");
        const QString locked = MemberOrderStore::lockedMessage();
        const QString none;
        // clang-format off
        QTest::newRow("a unit handed out") << 0 << "update VipOrderEntry set FCplQty=1" << 2 << 0 << 0 << none << locked;
        QTest::newRow("closed") << 0 << "update VipOrder set FClosed=1" << 2 << 0 << 0 << none << locked;
        QTest::newRow("right withdrawn") << 0 << "" << 3 << 0 << 0 << none << locked;
        QTest::newRow("deleted elsewhere") << 0 << "delete from VipOrder" << 1 << 0 << 0 << none << locked;
        QTest::newRow("paid at another station") << 0 << "update VipOrder set FGetCash=40" << 2 << 0 << 0 << none << MemberOrderStore::staleMessage();
        QTest::newRow("phone changed at another station") << 0 << "update VipOrder set FPhone='1'" << 2 << 0 << 0 << none << MemberOrderStore::staleMessage();
        QTest::newRow("validity changed at another station") << 0 << "update VipOrderEntry set FYxq=null" << 2 << 0 << 0 << none << MemberOrderStore::staleMessage();
        QTest::newRow("beyond the balance") << 30 << none << 1 << 0 << 50 << none << "本次扣款金额不允许大于卡内余额！";
        QTest::newRow("above the total") << 100 << none << 1 << 0 << 60 << none << "本次扣款金额不允许大于应收金额！";
        QTest::newRow("paid more than the total") << 100 << none << 1 << 40 << 20 << none << "付款金额不允许大于应收金额！";
        QTest::newRow("negative cash") << 0 << none << 1 << -5 << 0 << none << "付款金额不能为负数！";
        for (const char *f : {"update ICMaxNum", "insert VipOrderEntry", "insert VipOrder", "update VipOrder", "insert VipCzBill"})
            QTest::newRow(f) << 80 << none << 1 << 0 << 50 << f << "";
        // clang-format on
    }
    void refused()
    {
        QFETCH(int, balance);
        QFETCH(QString, change);
        QFETCH(int, user);
        QFETCH(int, cash);
        QFETCH(int, reserve);
        QFETCH(QString, failing);
        QFETCH(QString, message);
        TestDb t;
        const QString c = t.cnstr();
        seed(c, balance);
        OrderDraft d = order();
        if (!change.isNull()) {
            MemberOrderStore::save(c, d, {Money::fromInt(50), Money()}, 1);
            db::execute(c, "update VipOrder set FVipID=? where FInterID=5", {""});
            d = OrderDraft::load(c, 1);
            d.vipId = "ID2";
            if (!change.isEmpty())
                db::execute(c, change + " where FInterID=1");
        }
        if (!failing.isEmpty())
            t.failOn(failing.section(' ', 0, 0), failing.section(' ', 1));
        const QString before = snapshot(c);
        const QString got = TestDb::refusalOf([&] {
            MemberOrderStore::save(c, d, {Money::fromInt(cash), Money::fromInt(reserve)},
                                   user);
        });
        QVERIFY2(failing.isEmpty()
                     ? got == message
                     : got.startsWith("failure: ") && got.contains("forced failure"),
                 qPrintable(got));
        QCOMPARE(snapshot(c), before);
        // A closed order may go; any other locked one is refused by the delete too.
        if (message == MemberOrderStore::lockedMessage() && !change.contains("FClosed")) {
            QVERIFY(!TestDb::refusalOf([&] { MemberOrderStore::remove(c, 1, user); }).isEmpty());
            QCOMPARE(snapshot(c), before);
        }
    }

    // A sale at another station holds the header of the card's earlier order: a new order of
    // the card whose identity number is already right on it saves without waiting for that.
    void newOrderBesideASaleOfTheCard()
    {
        TestDb t;
        const QString c = t.cnstr();
        seed(c, 0);
        db::execute(c, "update VipOrder set FVipID=? where FInterID=5", {"ID1"});
        std::optional<db::Transaction> sale(std::in_place, c);
        sale->execute("update VipOrder set FClosed=coalesce(FClosed,0) where FInterID=5");
        std::atomic<bool> done{false};
        QString failure;
        std::thread station([&] {
            failure = TestDb::refusalOf([&] {
                MemberOrderStore::save(c, order(), {Money::fromInt(50), Money()}, 1);
            });
            done = true;
            db::closeAll();
        });
        // SQLite lets one writer in at a time: the order waits for the sale whatever it locks.
        const bool pg = t.engine() == db::Engine::PostgreSQL;
        for (int i = 0; pg && i < 3000 && !done; ++i)
            QTest::qWait(10);
        const bool savedBeforeTheSale = done || !pg;
        sale->commit();
        station.join();
        QCOMPARE(failure, QString());
        QVERIFY(savedBeforeTheSale);
        QCOMPARE(TestDb::dump(c, "select count(*) from VipOrder where FVipID=?", {"ID1"}), "2");
    }

    // One station saving order 1 again and again, unchanged, while another hands units out of
    // its first line: every hand-out that was saved is still booked, so no re-save came
    // after one, and the order keeps all its lines.
    void resaveWhileHandingOut()
    {
        const QString locked = "resave " + MemberOrderStore::lockedMessage();
        TestDb t;
        const QStringList out = stations(t.cnstr(), {"resave", "150"}, {"handout", "20"});
        QVERIFY2(out.filter("station failed").isEmpty(), qPrintable(out.join('\n')));
        const int handedOut = int(out.count("handout ok"));
        QCOMPARE(handedOut + out.count("handout 出库数量不允许大于剩余数量！"), 20);
        const QStringList resaves = out.filter(QRegularExpression("^resave "));
        QCOMPARE(resaves.count("resave ok") + resaves.count(locked), 150);
        QCOMPARE(TestDb::dump(t.cnstr(), "select (select coalesce(sum(FCplQty), 0) from"
                                         " VipOrderEntry), (select count(*) from ICStockBill),"
                                         " (select count(*) from VipOrderEntry where FInterID=1)"),
                 QString("%1,%1,2").arg(handedOut));
        // Once a unit is out, every later re-save was refused.
        const int firstRefused = int(resaves.indexOf(locked));
        if (firstRefused >= 0)
            QCOMPARE(resaves.mid(firstRefused).count("resave ok"), 0);
    }

    // One station deleting order 1 from the list while another hands units out of it: an open
    // order is never deleted, and every unit that went out is still booked on its lines.
    void removeWhileHandingOut()
    {
        TestDb t;
        const QStringList out = stations(t.cnstr(), {"handout", "20"}, {"remove", "200"});
        QVERIFY2(out.filter("station failed").isEmpty(), qPrintable(out.join('\n')));
        const int handedOut = int(out.count("handout ok"));
        const bool removed = out.contains("remove ok");
        const QStringList removes = out.filter(QRegularExpression("^remove "));
        QCOMPARE(removes.count("remove " + MemberOrderStore::openOrderMessage()), removes.size());
        QVERIFY(!removed);
        QCOMPARE(TestDb::dump(t.cnstr(), "select (select count(*) from ICStockBill), (select"
                                         " count(*) from VipOrderEntry where FInterID=1), (select"
                                         " coalesce(sum(FCplQty), 0) from VipOrderEntry),"
                                         " (select count(*) from VipOrder where FInterID=1)"),
                 QString("%1,%2,%1,%3").arg(handedOut).arg(removed ? 0 : 2).arg(removed ? 0 : 1));
    }

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

    // Order 80: item 6 on line 1, item 1 on lines 2 and 3; line 2 handed out 4 + 6 by two
    // sales (line numbers unlike item ids, so keying by one cannot pass for the other).
    // Two stations exchange item 1 at once: the second finds it changed and refuses.
    // Afterwards a screen still showing item 1 changes nothing; the new item can be changed.
    void twoStations()
    {
        TestDb t;
        const QString c = t.cnstr();
        const QString stale = QStringLiteral("failure: 订单已被修改，请重新查询！");
        const QDate validTo(2024, 7, 1), sold(2024, 5, 1);
        TestDb::insert(c, "VipOrder (FInterID, Fdate, FVipNo, FClosed)",
                       {{80, QDate(2024, 4, 1), "V0009", 0}});
        TestDb::insert(c, Lines,
                       {{80, 1, 6, 10, 0, 0, 3.5, 35, validTo},
                        {80, 2, 1, 30, 0, 10, 3.5, 105, validTo},
                        {80, 3, 1, 20, 0, 0, 3.5, 70, validTo}});
        TestDb::insert(c, "ICStockBill (FInterID, FTrantype, Fdate)",
                       {{501, 99, sold}, {502, 99, sold}});
        TestDb::insert(c,
                       "ICStockBillEntry (FInterID, FEntryID, FItemID, FQty, FOrderBillInterID,"
                       " FOrderBillEntryID)",
                       {{501, 1, 1, 4, 80, 2}, {502, 1, 1, 6, 80, 2}});
        const auto lines = [&] { // each line as "item,validity"
            return TestDb::dump(c, "select FItemID, FYxq from VipOrderEntry order by FEntryID");
        };
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
        QCOMPARE(lines(), "6,2024-07-01;4,2024-07-01;4,2024-07-01");
        // What was handed out belongs to the order line, whatever item it holds now.
        QCOMPARE(OrderOutDetail::total(OrderOutDetail::load(c, 80, 2)), 10.0);
        QCOMPARE(OrderOutDetail::load(c, 80, 3).size(), 0); // same old item, another line

        const QDate later(2024, 9, 30);
        QCOMPARE(TestDb::refusalOf([&] { OrderValidity::set(c, 80, 1, later); }), stale);
        QCOMPARE(OrderValidity::set(c, 80, 4, later), 2);
        QCOMPARE(OrderExchange::exchangeItem(c, 80, 4, 5), 2);
        QCOMPARE(lines(), "6,2024-07-01;5,2024-09-30;5,2024-09-30");
    }
};

QTEST_GUILESS_MAIN(tst_MemberOrders)
#include "tst_MemberOrders.moc"
