#include <atomic>
#include <optional>
#include <thread>

#include <QtTest>

#include "MemberFixtures.h"
#include "TestDb.h"
#include "core/db/Database.h"
#include "core/frame/Routines.h"
#include "core/frame/TextLimits.h"
#include "core/members/CardReplacement.h"
#include "core/members/RechargeBill.h"
#include "core/members/StoredValueLedger.h"

// Recharge and refund bills against a real account set, the stored-value ledger under them,
// and the length of the texts every member document takes.
class tst_RechargeBill : public QObject
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
        const qint64 trips = TestDb::saveRoundTrips(c);
        const int last = RechargeBill::save(c, bill("V1", true, Money::fromInt(40))).id;
        QCOMPARE(TestDb::saveRoundTrips(c) - trips, TestDb::isPostgres() ? 2 : 0);
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

private:
    std::optional<TestDb> t;
    QString c;
};

QTEST_GUILESS_MAIN(tst_RechargeBill)
#include "tst_RechargeBill.moc"
