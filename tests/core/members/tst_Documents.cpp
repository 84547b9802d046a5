#include <atomic>
#include <thread>

#include <QtTest>

#include "TestDb.h"
#include "core/db/Database.h"
#include "core/db/DbError.h"
#include "core/db/Schema.h"
#include "core/db/Transaction.h"
#include "core/frame/CoreError.h"
#include "core/frame/Routines.h"
#include "core/members/RechargeBill.h"
#include "core/members/StoredValueLedger.h"
#include "core/pos/SaleBill.h"
#include "core/pos/SaleBillStore.h"
#include "core/print/PrintTemplate.h"
#include "core/print/TemplateStore.h"

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

} // namespace

// The document stores against a real account set: recharge and refund bills, the stored-value
// ledger under them, and the upgrade of an account set written by an older version.
class tst_Documents : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

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
        const QString over = "退款金额不允许大于卡内余额！ @ txtCzAmount";
        const QString none = "请输入充值金额！ @ txtCzAmount";
        // clang-format off
        QTest::newRow("recharge with gift") << "0" << false << "100" << "20" << "120,100,20,0,120";
        QTest::newRow("refund drops the hidden gift") << "120" << true << "50" << "30" << "-50,-50,0,120,70";
        QTest::newRow("refund of the whole balance") << "120.50" << true << "120.5" << "" << "-120.5,-120.5,0,120.5,0";
        QTest::newRow("refund beyond the balance") << "120" << true << "120.01" << "" << over;
        QTest::newRow("recharge of -50 is no refund") << "120" << false << "-50" << "" << none;
        QTest::newRow("negative gift") << "0" << false << "100" << "-20" << "请输入充值金额！ @ txtZsAmount";
        // clang-format on
    }
    void save()
    {
        QFETCH(QString, before);
        QFETCH(bool, refund);
        QFETCH(QString, amount);
        QFETCH(QString, gift);
        QFETCH(QString, outcome);
        TestDb t;
        const QString c = t.cnstr();
        if (before != "0")
            RechargeBill::save(c, bill("V'1", false, Money::parse(before)));
        const QString fields = "FKAmount, FCzAmount, FZsAmount, FBegAmount, FEndAmount";
        const QString old = TestDb::dump(c, "select " + fields + " from VipCzBill");
        const RechargeInput in = bill("V'1", refund, Money::parse(amount), Money::parse(gift));
        PostedMovement p;
        QString field;
        const QString refusal = TestDb::refusalOf([&] { p = RechargeBill::save(c, in); }, &field);
        if (!refusal.isEmpty()) {
            QCOMPARE(refusal + " @ " + field, outcome);
            QCOMPARE(TestDb::dump(c, "select " + fields + " from VipCzBill"), old);
            return;
        }
        QCOMPARE(TestDb::dump(c,
                              "select " + fields + ", FVipNo, FVipID, FOwner, FPhone, FTranType,"
                              " FBillerID, FRemark, FYear, FSeason, FMonth, FDate from VipCzBill"
                              " where FInterID=?",
                              {p.id}),
                 outcome + ",V'1,110101199002020057,O'Neil,13800000004,1,7,it's paid,2012年,"
                           "2012年4季度,2012年10月,2012-10-05");
        const Money end = Money::parse(outcome.section(',', 4));
        QCOMPARE((QList<Money>{p.before, p.after, StoredValueLedger::balance(c, "V'1")}),
                 (QList<Money>{Money::parse(outcome.section(',', 3, 3)), end, end}));
    }

    // Stepping through the recharge bills passes over payments and stops at both ends.
    void navigation()
    {
        TestDb t;
        t.login(7, "店长");
        QVERIFY_THROWS_EXCEPTION(db::DbError, GetNavBillID(1, 0, false));
        const int first = RechargeBill::save(t.cnstr(), bill("V1", false, Money::fromInt(100))).id;
        QVERIFY(salePays(t.cnstr(), "V1", Money::fromInt(10)));
        RechargeInput r = bill("V1", true, Money::fromInt(40));
        r.phone = "13999999999";
        const int last = RechargeBill::save(t.cnstr(), r).id;
        QCOMPARE((QList<int>{GetNavBillID(1, 0, false), GetNavBillID(1, 0, true),
                             GetNavBillID(1, last, false), GetNavBillID(1, first, true)}),
                 (QList<int>{last, last, first, last}));
        QCOMPARE(TestDb::refusalOf([&] { GetNavBillID(1, last, true); }) + " " +
                     TestDb::refusalOf([&] { GetNavBillID(1, first, false); }),
                 "failure: 无记录！ failure: 无记录！");
        const auto shown = RechargeBill::load(t.cnstr(), last);
        QVERIFY(shown && shown->isRefund());
        QCOMPARE((QStringList{shown->phone, shown->begAmount.format(), shown->czAmount.format(),
                              shown->zsAmount.format(), shown->endAmount.format()}),
                 (QStringList{"13999999999", "90.00", "-40.00", "0.00", "50.00"}));
        QVERIFY(!RechargeBill::load(t.cnstr(), last + 100));
    }

    // Two stations: refunds at one, sales paying from the card at the other. Whatever the
    // interleaving, the card never goes below 0 and the movements chain.
    void refundRacesSale()
    {
        TestDb t;
        const QString cnstr = t.cnstr();
        RechargeBill::save(cnstr, bill("V1", false, Money::fromInt(100)));
        const Money each = Money::fromInt(30);
        std::atomic<int> paid{0};
        auto refunds = [&] {
            for (int i = 0; i < 5; ++i) {
                const QString r =
                    TestDb::refusalOf([&] { RechargeBill::save(cnstr, bill("V1", true, each)); });
                if (r.isEmpty())
                    ++paid;
            }
            db::closeAll();
        };
        auto sales = [&] {
            for (int i = 0; i < 5; ++i)
                if (salePays(cnstr, "V1", each))
                    ++paid;
            db::closeAll();
        };
        std::thread a(refunds), b(sales);
        a.join();
        b.join();
        QCOMPARE(paid.load(), 3);
        QCOMPARE(TestDb::movementChain(cnstr, "V1"), "10.00");
        QCOMPARE(StoredValueLedger::balance(cnstr, "V1"), Money::fromInt(10));
    }

    // Two stations paying from one card at once: the begin and end balances still chain.
    void ledgerRace()
    {
        TestDb t;
        const QString cnstr = t.cnstr();
        const int each = 25;
        auto station = [cnstr] {
            for (int i = 0; i < each; ++i) {
                db::Transaction tx(cnstr);
                StoredValueMovement m;
                m.vipNo = "V1";
                m.type = i == 0 ? StoredValueMovement::Recharge : StoredValueMovement::Payment;
                m.date = QDate(2024, 3, 9);
                m.amount = Money::fromCents(i == 0 ? 10000 : 110);
                StoredValueLedger::post(tx, m);
                tx.commit();
            }
            db::closeAll();
        };
        std::thread a(station), b(station);
        a.join();
        b.join();
        QCOMPARE(TestDb::dump(cnstr, "select count(*) from VipCzBill"), QString::number(2 * each));
        const Money left = Money::fromCents(2 * 10000 - 2 * (each - 1) * 110);
        QCOMPARE(TestDb::movementChain(cnstr, "V1"), left.format());
        QCOMPARE(StoredValueLedger::balance(cnstr, "V1"), left);
    }

    // An account set written before quantities defaulted to 0 and templates were unique.
    void upgradeFillsQuantitiesAndMergesTemplates()
    {
        TestDb t;
        const QString c = t.cnstr();
        TestDb::insert(c, "VipOrderEntry (FInterID, FEntryID, FItemID, FQty, FPreQty, FCplQty)",
                       {{1, 1, 1, 10, QVariant(), QVariant()}});
        db::execute(c, "drop index ux_tdbill_type_name");
        TestDb::insert(c, "TDBill (FTranType, FTDBillName, FTemplate)",
                       {{1002, "标准格式", "first"}, {1002, "标准格式", "second"}});
        db::execute(c, "update t_SchemaVersion set FVersion=?", {3});
        db::Schema::ensure(c);
        QCOMPARE(db::Schema::version(c), db::Schema::CurrentVersion);
        TestDb::insert(c, "VipOrderEntry (FInterID, FEntryID, FItemID, FQty)", {{1, 2, 1, 5}});
        QCOMPARE(TestDb::dump(c, "select FPreQty, FCplQty from VipOrderEntry"), "0,0;0,0");
        QCOMPARE(TestDb::dump(c, "select FTemplate from TDBill where FTranType=?", {1002}), "first");
        // Saving the same name twice keeps one template, the newer text.
        TemplateStore::save(c, 1002, QStringLiteral("标准格式"), PrintTemplate());
        TemplateStore::save(c, 1002, QStringLiteral("标准格式"), PrintTemplate());
        QVERIFY(TestDb::dump(c, "select FTemplate from TDBill") != "first");
    }
};

QTEST_GUILESS_MAIN(tst_Documents)
#include "tst_Documents.moc"
