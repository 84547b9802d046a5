#include <atomic>
#include <optional>
#include <thread>

#include <QtTest>

#include "TestDb.h"
#include "core/db/Database.h"
#include "core/db/DbError.h"
#include "core/db/Schema.h"
#include "core/db/Transaction.h"
#include "core/frame/CoreError.h"
#include "core/frame/Routines.h"
#include "core/frame/TextLimits.h"
#include "core/members/CardNumbers.h"
#include "core/members/CardReplacement.h"
#include "core/members/MemberDetails.h"
#include "core/members/RechargeBill.h"
#include "core/members/StoredValueLedger.h"
#include "core/orders/MemberOrderStore.h"
#include "core/orders/OrderDraft.h"
#include "core/pos/MemberOrders.h"
#include "core/pos/SaleBill.h"
#include "core/pos/SaleBillStore.h"
#include "core/pos/VipCardLookup.h"
#include "core/print/PrintTemplate.h"
#include "core/print/PrintTypes.h"
#include "core/print/TemplateStore.h"
#include "core/reports/CardMovements.h"
#include "core/reports/GroupedReport.h"
#include "core/reports/StoredValueReport.h"

namespace {

RechargeInput bill(const QString &card, bool refund, Money amount, Money gift = Money())
{
    return {card,   "O'Neil", "13800000004", "110101199002020057", QDate(2012, 10, 5),
            refund, amount,   gift,          "it's paid",          7};
}

// A sale paid wholly from stored value through the counter's own save; false when refused.
bool salePays(const QString &cnstr, const QString &card, Money pay)
{
    SaleBill sale;
    sale.date = QDate(2024, 3, 9);
    sale.vipNo = card;
    sale.stockId = 1;
    sale.add(1, QStringLiteral("鲜牛奶"), 1, pay);
    const QString refusal = TestDb::refusalOf([&] {
        SaleBillStore::save(cnstr, sale, {Money(), pay}, 2);
    });
    if (refusal.startsWith("failure: "))
        throw CoreError(refusal);
    return refusal.isEmpty();
}

// A sale of one bottle for `pay` from stored value, or 0.50 in cash; its refusal or "".
QString saleOf(const QString &cnstr, const QString &card, Money pay = Money(),
               const QString &owner = QString())
{
    SaleBill sale;
    sale.date = QDate(2024, 3, 9);
    sale.vipNo = card;
    sale.owner = owner;
    sale.stockId = 1;
    sale.add(1, QStringLiteral("鲜牛奶"), 1, pay.isZero() ? Money::fromCents(50) : pay);
    return TestDb::refusalAt([&] {
        SaleBillStore::save(cnstr, sale, {pay.isZero() ? Money::fromCents(50) : Money(), pay}, 2);
    });
}

// A new order of one bottle for 5.00 in cash; its refusal or "".
QString orderOf(const QString &cnstr, const QString &card, const QString &phone = "138")
{
    OrderDraft d;
    d.date = QDate(2024, 3, 9);
    d.vipNo = card;
    d.owner = "王五";
    d.phone = phone;
    d.vipId = "ID1";
    d.add(1, "鲜牛奶", "5.00", "1", "", "5.00");
    return TestDb::refusalAt([&] { MemberOrderStore::save(cnstr, d, {Money::fromInt(5), Money()}, 1); });
}

// 王五 ("ID1") holds cards V'2 and V1 on orders; V1 also has stored value and a sale;
// "used" numbers occur in one table each; a walk-in order carries no identity number.
void addMembers(const QString &c)
{
    const QDate day(2024, 3, 1);
    TestDb::insert(c, "VipOrder (FInterID, FVipNo, FOwner, FPhone, FVipID)",
                   {{1, "V1", "王五", "138", "ID1"}, {2, "V'2", "王五", "138", "ID1"},
                    {3, "V1", "王五", "138", "ID1"}, {4, "ORDERED", "赵六", "139", "ID2"},
                    {5, "", "散客", "", ""}});
    TestDb::insert(c, "ICStockBill (FInterID, FTrantype, FVipNo)", {{1, 99, "V1"}, {2, 99, "SOLD"}});
    db::execute(c, "update ICMaxNum set FMaxNum=? where FTranType=?", {2, 0});
    db::execute(c, "update ICMaxNum set FMaxNum=? where FTranType=?", {5, 30});
    TestDb::insert(c, "VipCzBill (FVipNo, FTranType, FDate, FKAmount, FBegAmount, FEndAmount)",
                   {{"V1", 1, day, 100, 0, 100}});
}

// Orders, movements and sale bills on a card.
QString countsOn(const QString &c, const QString &card)
{
    return TestDb::dump(c,
                        "select (select count(*) from VipOrder where FVipNo=?), (select"
                        " count(*) from VipCzBill where FVipNo=?), (select count(*) from"
                        " ICStockBill where FVipNo=?)", {card, card, card});
}

// On PostgreSQL, waits until `n` connections wait for a lock; SQLite lets one writer in at a
// time, so there the others simply queue.
void waitForBlocked(const TestDb &t, int n)
{
    const QString waiting = "select count(*) from pg_locks where not granted";
    for (int i = 0; t.engine() == db::Engine::PostgreSQL && i < 3000 &&
                    db::scalar(TestDb::postgresCnstr(), waiting).toInt() < n;
         ++i)
        QTest::qWait(10);
}

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
                   " FZsAmount)", rows);
}

} // namespace

// The member documents against a real account set: recharge and refund bills and the
// stored-value ledger under them, card replacement and the holder's details, the upgrade of
// an account set written by an older version; then the reports over them: grouped (daily
// business, order summary) and stored-value.
class tst_Documents : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }
    // Every case, and every row of a table, on an account set of its own.
    void init() { t.emplace(); c = t->cnstr(); }
    void cleanup() { t.reset(); }

    // `outcome`: the movement written (FKAmount, FCzAmount, FZsAmount, FBegAmount, FEndAmount,
    // then the rest of the row, the same for every bill) or the refusal and the field it sends
    // the cashier to; a refusal writes nothing.
    void save_data()
    {
        QTest::addColumn<QString>("before"); // what the card holds first
        QTest::addColumn<bool>("refund");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("gift");
        QTest::addColumn<QString>("outcome");
        // clang-format off
        QTest::newRow("recharge with gift") << "0" << false << "100" << "20" << "120,100,20,0,120";
        QTest::newRow("refund drops the hidden gift") << "120" << true << "50" << "30" << "-50,-50,0,120,70";
        QTest::newRow("refund of the whole balance") << "120.50" << true << "120.5" << "" << "-120.5,-120.5,0,120.5,0";
        QTest::newRow("refund beyond the balance") << "120" << true << "120.01" << "" << "退款金额不允许大于卡内余额！ @ txtCzAmount";
        QTest::newRow("recharge of -50 is no refund") << "120" << false << "-50" << "" << "请输入充值金额！ @ txtCzAmount";
        QTest::newRow("negative gift") << "0" << false << "100" << "-20" << "请输入充值金额！ @ txtZsAmount";
        QTest::newRow("a twentieth of a cent") << "0" << false << "0.00005" << "" << "金额最多只能有两位小数！ @ txtCzAmount";
        QTest::newRow("gift past the cents") << "0" << false << "100" << "0.125" << "金额最多只能有两位小数！ @ txtZsAmount";
        // clang-format on
    }
    void save()
    {
        QFETCH(QString, before);
        QFETCH(bool, refund);
        QFETCH(QString, amount);
        QFETCH(QString, gift);
        QFETCH(QString, outcome);
        if (before != "0")
            RechargeBill::save(c, bill("V'1", false, Money::parse(before)));
        const RechargeInput in =
            bill("V'1", refund, Money::parseTyped(amount), Money::parseTyped(gift));
        PostedMovement p;
        const QString refusal = TestDb::refusalAt([&] { p = RechargeBill::save(c, in); });
        const QString written = "select FKAmount, FCzAmount, FZsAmount, FBegAmount, FEndAmount, FVipNo,"
                                " FVipID, FOwner, FPhone, FTranType, FBillerID, FRemark, FYear, FSeason,"
                                " FMonth, FDate from VipCzBill where FInterID=?";
        const QString rest = ",V'1,110101199002020057,O'Neil,13800000004,1,7,it's paid,2012年,"
                             "2012年4季度,2012年10月,2012-10-05";
        QCOMPARE(refusal.isEmpty() ? TestDb::dump(c, written, {p.id}) : refusal,
                 refusal.isEmpty() ? outcome + rest : outcome);
        QCOMPARE(TestDb::dump(c, "select count(*) from VipCzBill"),
                 QString::number((before != "0") + refusal.isEmpty()));
    }

    // The slip handed over with a recharge: balances as the cashier saw them, quotes kept.
    void rechargeSlip()
    {
        const RecordSet rs = RechargeBill::printData(
            "V'1", QDate(2012, 10, 5), "O'Neil", Money(), Money::fromInt(100), Money::fromInt(20),
            Money::fromInt(120), "收银员", QDateTime(QDate(2024, 3, 9), QTime(10, 15)));
        QStringList fields;
        for (const RecordSet::Field &f : rs.fields())
            fields << f.name + "=" + rs.text(0, f.name);
        QCOMPARE(fields.join(','), "FVipNo=V'1,FDate=2012-10-05,FInterID=,FOwner=O'Neil,"
                                   "FBegBal=0.00,FCzAmount=100.00,FZsAmount=20.00,FEndBal=120.00,"
                                   "FBiller=收银员,FPrintTime=2024-03-09 10:15");
    }

    // Stepping through the recharge bills passes over payments and stops at the end.
    void navigation()
    {
        t->login(7, "店长");
        const int first = RechargeBill::save(c, bill("V1", false, Money::fromInt(100))).id;
        QVERIFY(salePays(c, "V1", Money::fromInt(10)));
        const int last = RechargeBill::save(c, bill("V1", true, Money::fromInt(40))).id;
        QCOMPARE((QList<int>{GetNavBillID(1, 0, false), GetNavBillID(1, 0, true),
                             GetNavBillID(1, last, false), GetNavBillID(1, first, true)}),
                 (QList<int>{last, last, first, last}));
        QCOMPARE(TestDb::refusalOf([&] { GetNavBillID(1, last, true); }), "failure: 无记录！");
        const auto shown = RechargeBill::load(c, last);
        QVERIFY(shown && shown->isRefund());
        QCOMPARE(shown->czAmount.format() + " " + shown->endAmount.format(), "-40.00 50.00");
    }

    // Two stations: refunds at one, sales paying from the card at the other. Whatever the
    // interleaving, the card never goes below 0 and the movements chain.
    void refundRacesSale()
    {
        RechargeBill::save(c, bill("V1", false, Money::fromInt(100)));
        const Money each = Money::fromInt(30);
        std::atomic<int> paid{0};
        auto refunds = [&] {
            for (int i = 0; i < 5; ++i)
                paid += TestDb::refusalOf([&] { RechargeBill::save(c, bill("V1", true, each)); })
                            .isEmpty();
            db::closeAll();
        };
        auto sales = [&] {
            for (int i = 0; i < 5; ++i)
                paid += salePays(c, "V1", each);
            db::closeAll();
        };
        std::thread a(refunds), b(sales);
        a.join();
        b.join();
        QCOMPARE(paid.load(), 3);
        QCOMPARE(TestDb::movementChain(c, "V1"), "10.00");
        QCOMPARE(StoredValueLedger::balance(c, "V1"), Money::fromInt(10));
    }

    // Two stations paying from one card at once: the begin and end balances still chain.
    void ledgerRace()
    {
        const int each = 25;
        auto station = [this] {
            RechargeBill::save(c, bill("V1", false, Money::fromInt(100)));
            for (int i = 1; i < each; ++i)
                salePays(c, "V1", Money::fromCents(110));
            db::closeAll();
        };
        std::thread a(station), b(station);
        a.join();
        b.join();
        QCOMPARE(TestDb::dump(c, "select count(*) from VipCzBill"), QString::number(2 * each));
        const Money left = Money::fromCents(2 * 10000 - 2 * (each - 1) * 110);
        QCOMPARE(TestDb::movementChain(c, "V1"), left.format());
        QCOMPARE(StoredValueLedger::balance(c, "V1"), left);
    }

    // An account set written before quantities defaulted to 0 and templates were unique.
    void upgradeFillsQuantitiesAndMergesTemplates()
    {
        TestDb::insert(c, "VipOrderEntry (FInterID, FEntryID, FItemID, FQty, FPreQty, FCplQty)",
                       {{1, 1, 1, 10, QVariant(), QVariant()}});
        // A version-3 database knows no disabled flags and no register of bar codes; its
        // items' own and pack codes are registered by the upgrade.
        TestDb::backToVersion3(c);
        TestDb::insert(
            c, "TDBill (FTranType, FTDBillName, FTemplate)",
            {{PrintTypes::Sale, "标准格式", "first"}, {PrintTypes::Sale, "标准格式", "second"}});
        TestDb::insert(c, "t_icitem (FItemID, FName, FBar_Code)", {{1, "鲜奶", "690"}, {2, "酸奶", ""}});
        TestDb::insert(c, "t_icitem_barcode (FItemID, FBarCode, FExchange)", {{1, "6906", 6}, {2, "690", 1}});
        db::Schema::ensure(c);
        QCOMPARE(db::Schema::version(c), db::Schema::CurrentVersion);
        QCOMPARE(TestDb::dump(c, "select FCode, FItemID from t_icitem_code order by FCode"), "690,1;6906,1");
        QCOMPARE(TestDb::dump(c, "select FItemID, FDisabled from t_icitem order by FItemID"), "1,0;2,0");
        TestDb::insert(c, "VipOrderEntry (FInterID, FEntryID, FItemID, FQty)", {{1, 2, 1, 5}});
        QCOMPARE(TestDb::dump(c, "select FPreQty, FCplQty from VipOrderEntry"), "0,0;0,0");
        QCOMPARE(
            TestDb::dump(c, "select FTemplate from TDBill where FTranType=?", {PrintTypes::Sale}),
            "first");
        // Saving the same name twice keeps one template, the newer text.
        TemplateStore::save(c, PrintTypes::Sale, QStringLiteral("标准格式"), PrintTemplate());
        TemplateStore::save(c, PrintTypes::Sale, QStringLiteral("标准格式"), PrintTemplate());
        QVERIFY(TestDb::dump(c, "select FTemplate from TDBill") != "first");
    }

    // A holder's cards by identity number; none for an empty, unknown or quoted number. A
    // replacement moves everything of the card; a refused or failed one nothing. `between`
    // runs after the cashier's check and before the replacement.
    void replace_data()
    {
        QTest::addColumn<QString>("oldNo");
        QTest::addColumn<QString>("newNo");
        QTest::addColumn<QString>("between");
        QTest::addColumn<QString>("outcome");
        const QString used = "新的会员卡号已经被使用！ @ txtNewVipNo";
        const QString none;
        // clang-format off
        QTest::newRow("free number") << "V1" << "N'9" << none << "";
        QTest::newRow("number only in sales") << "V1" << "SOLD" << none << used;
        QTest::newRow("no old card") << "" << "N9" << none << "请输入身份证号！ @ txtID";
        QTest::newRow("no new number") << "V1" << " " << none << "请输入新的卡号！ @ txtNewVipNo";
        QTest::newRow("number given out after the check") << "V1" << "N9" << "give out" << used;
        QTest::newRow("sale bills refuse to move") << "V1" << "N9" << "fail update ICStockBill" << "failure: forced failure";
        QTest::newRow("old card holds nothing") << "GONE" << "N9" << none << "原来卡号已不存在，请重新输入身份证号！ @ cmbVipNo";
        // clang-format on
    }
    void replace()
    {
        QFETCH(QString, oldNo);
        QFETCH(QString, newNo);
        QFETCH(QString, between);
        QFETCH(QString, outcome);
        addMembers(c);
        const CardReplacement::Holder h = CardReplacement::cards(c, "ID1");
        QCOMPARE(h.owner + ": " + h.cards.join(','), QStringLiteral("王五: V'2,V1"));
        for (const char *id : {"", "ID9", "' or '1'='1"})
            QVERIFY(CardReplacement::cards(c, id).cards.isEmpty());
        QString field;
        QString got = TestDb::refusalOf([&] { CardReplacement::check(c, oldNo, newNo); }, &field);
        if (got.isEmpty()) {
            if (between.startsWith("fail "))
                t->failOn(between.section(' ', 1, 1), between.section(' ', 2));
            else if (!between.isEmpty()) // another station charges the new number first
                TestDb::insert(c, "VipCzBill (FVipNo, FTranType, FKAmount)", {{newNo, 1, 5}});
            got = TestDb::refusalOf([&] { CardReplacement::replace(c, oldNo, newNo); }, &field);
        }
        const QString shown = field.isEmpty() ? got : got + " @ " + field;
        if (outcome.startsWith("failure"))
            QVERIFY2(shown.startsWith("failure: ") && shown.contains("forced failure"),
                     qPrintable(shown));
        else
            QCOMPARE(shown, outcome);
        QCOMPARE(countsOn(c, "V1"), outcome.isEmpty() ? "0,0,0" : "2,1,1");
        QCOMPARE(countsOn(c, "V'2"), "1,0,0");
        if (outcome.isEmpty())
            QCOMPARE(countsOn(c, newNo), "2,1,1");
    }

    // Two stations replace the same lost card from the same list: one moves everything, the
    // other is refused instead of handing out an empty card.
    void twoReplacementsOfOneCard()
    {
        addMembers(c);
        int moved[2] = {0, 0};
        QString refused[2];
        auto replace = [&](int i, const QString &newNo) {
            refused[i] =
                TestDb::refusalOf([&] { moved[i] = CardReplacement::replace(c, "V1", newNo); });
            db::closeAll();
        };
        std::thread a(replace, 0, QStringLiteral("N8")), b(replace, 1, QStringLiteral("N9"));
        a.join();
        b.join();
        QCOMPARE(moved[0] + moved[1], 4);
        QCOMPARE(refused[0] + refused[1],
                 CardNumbers::replacedMessage(refused[0].isEmpty() ? "N8" : "N9"));
        // Everything on the one that went through, nothing split between the two.
        QCOMPARE(countsOn(c, "N8") + " " + countsOn(c, "N9"),
                 refused[0].isEmpty() ? "2,1,1 0,0,0" : "0,0,0 2,1,1");
    }

    // A station hands out from the old card's order while the card is replaced: the sale
    // holds the order's header and waits for the card, the replacement must not hold the card
    // and wait for the header. Another connection holds the card until both are queued on it,
    // the replacement first.
    void replacementRacesPickup()
    {
        addMembers(c);
        TestDb::insert(c, "t_stock (FItemID, FName)", {{1, "门店"}});
        TestDb::insert(c, "VipOrderEntry (FInterID, FEntryID, FItemID, FQty, FPreQty, FCplQty, FAmount)",
                       {{1, 1, 1, 5, 0, 0, 15}});
        QString replaceFailure, saleRefusal;
        std::optional<db::Transaction> holder(std::in_place, c);
        StoredValueLedger::lockCard(*holder, "V1");
        std::thread r([&] {
            replaceFailure = TestDb::refusalOf([&] { CardReplacement::replace(c, "V1", "N9"); });
            db::closeAll();
        });
        waitForBlocked(*t, 1);
        std::thread s([&] {
            SaleBill b;
            b.date = QDate(2024, 3, 9);
            b.vipNo = "V1";
            b.stockId = 1;
            SaleLine l; // a pick-up of 1 unit of order line (1, 1)
            l.itemId = l.orderId = l.orderEntryId = 1;
            l.qty = 1;
            b.addLine(l);
            saleRefusal = TestDb::refusalOf([&] { SaleBillStore::save(c, b, {}, 1); });
            db::closeAll();
        });
        waitForBlocked(*t, 2);
        holder->commit();
        holder.reset();
        r.join();
        s.join();
        // The sale either handed out before the move or was refused after it; never an
        // engine's deadlock message.
        QCOMPARE(replaceFailure, QString());
        QVERIFY2(saleRefusal.isEmpty() || saleRefusal == CardNumbers::replacedMessage("N9"),
                 qPrintable(saleRefusal));
        QVERIFY(countsOn(c, "V1").startsWith("0,"));
        QCOMPARE(TestDb::dump(c, "select count(*) from ICStockBill where FVipNo<>?", {"SOLD"}),
                 saleRefusal.isEmpty() ? "2" : "1");
    }

    // A station keeps saving on the old card while another replaces it: every sale, recharge
    // or order lands before the replacement (and moves with it) or is refused after it,
    // naming the new card; nothing is left on the old number.
    void replacementRaces_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("sale") << "sale";
        QTest::newRow("recharge") << "recharge";
        QTest::newRow("order") << "order";
    }
    void replacementRaces()
    {
        QFETCH(QString, kind);
        addMembers(c);
        std::atomic<bool> replaced{false};
        std::atomic<int> savedAfter{0};
        QStringList odd;
        auto saves = [&] {
            for (int i = 0; i < 40; ++i) {
                const bool after = replaced.load();
                const QString refusal =
                    kind == "sale"       ? saleOf(c, "V1", Money::fromInt(1))
                    : kind == "recharge" ? TestDb::refusalAt([&] {
                          RechargeBill::save(c, bill("V1", false, Money::fromInt(1)));
                      })
                                         : orderOf(c, "V1");
                if (refusal.isEmpty() && after)
                    ++savedAfter;
                else if (!refusal.isEmpty() && refusal != CardNumbers::replacedMessage("N9") + " @ txtVipNo")
                    odd << refusal;
            }
            db::closeAll();
        };
        auto replacement = [&] {
            QTest::qSleep(20);
            CardReplacement::replace(c, "V1", "N9");
            replaced = true;
            db::closeAll();
        };
        std::thread a(saves), b(replacement);
        a.join();
        b.join();
        QVERIFY2(odd.isEmpty(), qPrintable(odd.value(0)));
        QCOMPARE(savedAfter.load(), 0);
        QCOMPARE(countsOn(c, "V1"), "0,0,0");
        QCOMPARE(TestDb::movementChain(c, "N9"), StoredValueLedger::balance(c, "N9").format());
    }

    // V1 replaced by N8, N8 by N9 (typed with blanks): every save and lookup naming V1 says
    // where the card went and writes nothing; the replacements are recorded, and V1 is never
    // handed out again. The new number works, blanks and all.
    void replacedNumberRefused()
    {
        addMembers(c);
        CardReplacement::replace(c, "V1", "N8", 7);
        CardReplacement::replace(c, " N8 ", "N9 ", 8);
        QCOMPARE(TestDb::dump(c, "select FOldVipNo, FNewVipNo, FUserID from t_VipCardReplaced"
                                 " order by FUserID"),
                 "V1,N8,7;N8,N9,8");
        const QString said = CardNumbers::replacedMessage("N9");
        const QString before = countsOn(c, "V1") + " " + countsOn(c, "N9");
        QCOMPARE(before, "0,0,0 2,1,1");
        const std::function<void()> uses[] = {
            [&] { RechargeBill::save(c, bill(" V1", false, Money::fromInt(10))); },
            [&] { QCOMPARE(saleOf(c, "V1 "), said + " @ txtVipNo"); throw CoreError::refusal(said); },
            [&] { QCOMPARE(orderOf(c, "V1"), said + " @ txtVipNo"); throw CoreError::refusal(said); },
            [&] { MemberDetails::update(c, {"V1", "王五", "138", "ID1"}); },
            [&] { CardReplacement::replace(c, "V1", "N7"); },
            [&] { RechargeBill::member(c, "V1"); },
            [&] { MemberDetails::find(c, "V1"); },
            [&] { VipCardLookup::find(c, "V1"); },
            [&] { MemberOrders::lookup(c, " V1", QDate(2024, 3, 9)); },
            [&] { OrderDraft::member(c, "V1"); },
        };
        for (const auto &use : uses)
            QCOMPARE(TestDb::refusalOf(use), said);
        QCOMPARE(countsOn(c, "V1") + " " + countsOn(c, "N9"), before);
        QCOMPARE(TestDb::refusalAt([&] { CardReplacement::check(c, "V'2", "V1"); }),
                 "新的会员卡号已经被使用！ @ txtNewVipNo");
        RechargeBill::save(c, bill(" N9 ", false, Money::fromInt(10)));
        QCOMPARE(saleOf(c, "N9\t", Money::fromInt(5)), QString());
        QCOMPARE(countsOn(c, "N9"), "2,3,2");
        QCOMPARE(StoredValueLedger::balance(c, " N9"), Money::fromInt(105));
    }

    // Texts longer than their column are refused by every save, in the same words on both
    // engines, naming the field; nothing is written.
    void textsLongerThanTheirColumn()
    {
        const QString tooLong(256, u'牛'), said = TextLimits::message(255) + " @ ";
        RechargeInput r = bill("V1", false, Money::fromInt(10));
        r.remark = tooLong;
        QCOMPARE(TestDb::refusalAt([&] { RechargeBill::save(c, r); }), said + "txtRemark");
        QCOMPARE(saleOf(c, "V1", Money(), tooLong), said + "txtOwner");
        QCOMPARE(saleOf(c, tooLong), said + "txtVipNo");
        QCOMPARE(orderOf(c, "V1", tooLong), said + "txtPhone");
        QCOMPARE(TestDb::refusalAt([&] { CardReplacement::check(c, "V1", tooLong); }),
                 said + "txtNewVipNo");
        QCOMPARE(TestDb::dump(c, "select (select count(*) from VipCzBill) + (select count(*) from"
                                 " ICStockBill) + (select count(*) from VipOrder)"),
                 "0");
    }

    // A holder's details changed on every order of the card; a refusal changes nothing.
    void update_data()
    {
        QTest::addColumn<QString>("vipNo");
        QTest::addColumn<QString>("owner");
        QTest::addColumn<QString>("vipId");
        QTest::addColumn<QString>("outcome"); // orders changed, or "refusal @ field"
        // clang-format off
        QTest::newRow("every order of the card") << "V'1" << "O'Neil" << "ID'9" << "2";
        QTest::newRow("card without orders") << "V9" << "王五" << "ID9" << "0";
        QTest::newRow("no card") << "" << "王五" << "ID9" << "请输入会员卡号！ @ txtVipNo";
        QTest::newRow("no holder") << "V'1" << " " << "ID9" << "请输入持卡人！ @ txtOwner";
        QTest::newRow("no identity number") << "V'1" << "王五" << "" << "请输入身份证号！ @ txtCardID";
        // Counted in characters, as PostgreSQL's varchar(255) counts them: an emoji is one.
        QTest::newRow("longest holder") << "V'1" << QString(254, u'牛') + "🐄" << "ID9" << "2";
        QTest::newRow("holder too long") << "V'1" << QString(256, u'牛') << "ID9" << "输入的内容太长（最多255个字）！ @ txtOwner";
        // clang-format on
    }
    void update()
    {
        QFETCH(QString, vipNo);
        QFETCH(QString, owner);
        QFETCH(QString, vipId);
        QFETCH(QString, outcome);
        TestDb::insert(c, "VipOrder (FInterID, FVipNo, FOwner, FPhone, FVipID)",
                       {{1, "V'1", "王五", "138", "ID1"}, {2, "V'1", "王五", "138", "ID1"},
                        {3, "V2", "赵六", "138", "ID2"}});
        TestDb::insert(c, "VipCzBill (FVipNo, FOwner, FPhone, FTranType)", {{"V'1", "王五", "138", 1}});
        int changed = 0;
        const QString refusal = TestDb::refusalAt(
            [&] { changed = MemberDetails::update(c, {vipNo, owner, "139'0", vipId}); });
        QCOMPARE(refusal.isEmpty() ? QString::number(changed) : refusal, outcome);
        // Both orders of the card changed, or neither; the other card and the stored-value copy
        // keep theirs.
        const QString now = outcome == "2" ? owner + ",139'0," + vipId : "王五,138,ID1";
        QCOMPARE(TestDb::dump(c, "select FOwner, FPhone, FVipID from VipOrder order by FInterID") +
                     " " + TestDb::dump(c, "select FOwner from VipCzBill"),
                 now + ";" + now + ";赵六,138,ID2 王五");
    }

    // A sale holds the header of the card's order 1 and goes on to order 2 while the details
    // are changed at another station. Order 2 was written first, so its row comes first: the
    // change must not hold order 2 while it waits for order 1.
    void changeBesideASaleOfTwoOrders()
    {
        TestDb::insert(c, "VipOrder (FInterID, FVipNo, FOwner, FPhone, FVipID)",
                       {{2, "V1", "王五", "138", "ID1"}, {1, "V1", "王五", "138", "ID1"}});
        std::optional<db::Transaction> sale(std::in_place, c);
        const QString touch = "update VipOrder set FClosed=coalesce(FClosed,0) where FInterID=?";
        sale->execute(touch, {1});
        QString failure, saleFailure;
        std::thread station([&] {
            failure = TestDb::refusalOf([&] {
                MemberDetails::update(c, {"V1", "赵六", "139", "ID1"});
            });
            db::closeAll();
        });
        if (t->engine() == db::Engine::PostgreSQL) {
            waitForBlocked(*t, 1);
            saleFailure = TestDb::refusalOf([&] { sale->execute(touch, {2}); });
        }
        sale->commit();
        sale.reset();
        station.join();
        QCOMPARE(saleFailure, QString());
        QCOMPARE(failure, QString());
        QCOMPARE(TestDb::dump(c, "select count(*) from VipOrder where FOwner=?", {"赵六"}), "2");
    }

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
        seedMovements(*t);
        const QDate to = D.addDays(number == 106 ? 30 : 10);
        const auto r = StoredValueReport::run(c, number, {D, to, card});
        QStringList got;
        for (const QStringList &l : r.lines)
            got << l.join(u'|');
        QCOMPARE(got << r.total.join(u'|'), lines);
    }

    // A date column written with a time of day by another program still counts on its last
    // day: ranges are half-open on both engines.
    void lastDayWithTimeOfDay()
    {
        const QDate last = D.addDays(10), next = last.addDays(1);
        TestDb::insert(c, "VipCzBill (FVipNo, FOwner, FTranType, FDate, FKAmount, FCzAmount)",
                       {{"V7", "x", 1, QDateTime(last, QTime(18, 30)), 40, 40}});
        QCOMPARE(StoredValueReport::run(c, 103, {last, last, ""}).total.value(7) + " " +
                     StoredValueReport::run(c, 103, {next, next, ""}).total.value(1),
                 "40.00 0笔");
    }

    // An unknown report, a range ending before it starts, no date, a statement without a
    // card.
    void badRequests()
    {
        for (const auto &[number, from, card] :
             {std::tuple{105, D, ""}, {103, D.addDays(1), ""}, {104, QDate(), ""}, {109, D, "  "}})
            QVERIFY_THROWS_EXCEPTION(db::DbError,
                                     StoredValueReport::run(c, number, {from, D, card}));
    }

    // A card has a movement to report when it has a recharge or a payment, no other kind of
    // row; the number is trimmed and bound.
    void anyMovement()
    {
        TestDb::insert(c, "VipCzBill (FVipNo, FTranType)", {{"V1", 1}, {"V2", 2}, {"V3", 0}});
        QCOMPARE((QList<bool>{CardMovements::any(c, "V1"), CardMovements::any(c, " V2 "),
                              CardMovements::any(c, "V3"), CardMovements::any(c, "V1' or '1'='1")}),
                 (QList<bool>{true, true, false, false}));
    }

private:
    std::optional<TestDb> t;
    QString c;
};

QTEST_GUILESS_MAIN(tst_Documents)
#include "tst_Documents.moc"
