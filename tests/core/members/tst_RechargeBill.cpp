#include <atomic>
#include <thread>

#include <QtTest>

#include "TestDb.h"
#include "core/db/Database.h"
#include "core/db/DbError.h"
#include "core/db/Transaction.h"
#include "core/frame/CoreError.h"
#include "core/frame/Routines.h"
#include "core/members/RechargeBill.h"
#include "core/members/StoredValueLedger.h"
#include "core/pos/SaleBill.h"
#include "core/pos/SaleBillStore.h"

namespace {

RechargeInput bill(const QString &card, bool refund, Money amount, Money gift = Money())
{
    RechargeInput b;
    b.vipNo = card;
    b.owner = QStringLiteral("O'Neil");
    b.phone = QStringLiteral("13800000004");
    b.vipId = QStringLiteral("110101199002020057");
    b.date = QDate(2012, 10, 5);
    b.refund = refund;
    b.amount = amount;
    b.gift = gift;
    b.remark = QStringLiteral("it's paid");
    b.billerId = 7;
    return b;
}

// A sale paid wholly from stored value through the counter's own save; false when refused.
bool salePays(const QString &cnstr, const QString &card, Money pay)
{
    SaleBill sale;
    sale.date = QDate(2024, 3, 9);
    sale.vipNo = card;
    sale.stockId = 1;
    sale.add(1, QStringLiteral("鲜牛奶"), 1, pay);
    try {
        SaleBillStore::save(cnstr, sale, {Money(), pay}, 2);
        return true;
    } catch (const CoreError &e) {
        if (!e.isRefusal())
            throw;
        return false;
    }
}

QList<Money> amounts(const db::Row &r)
{
    QList<Money> out;
    for (const char *c : {"FKAmount", "FCzAmount", "FZsAmount", "FBegAmount", "FEndAmount"})
        out << r.money(QLatin1String(c));
    return out;
}

} // namespace

class tst_RechargeBill : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    void save_data()
    {
        QTest::addColumn<Money>("before"); // what the card holds first
        QTest::addColumn<bool>("refund");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("gift");
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QList<Money>>("row"); // FKAmount, FCzAmount, FZsAmount, FBeg, FEnd
        const auto m = [](const char *t) { return Money::parse(QLatin1String(t)); };
        const QString amountField = "txtCzAmount";
        QTest::newRow("recharge with gift") << Money() << false << "100" << "20" << "" << ""
                                            << QList<Money>{m("120"), m("100"), m("20"), m("0"), m("120")};
        QTest::newRow("refund drops the hidden gift")
            << m("120") << true << "50" << "30" << "" << ""
            << QList<Money>{m("-50"), m("-50"), m("0"), m("120"), m("70")};
        QTest::newRow("refund of the whole balance")
            << m("120.50") << true << "120.5" << "" << "" << ""
            << QList<Money>{m("-120.5"), m("-120.5"), m("0"), m("120.5"), m("0")};
        QTest::newRow("refund beyond the balance")
            << m("120") << true << "120.01" << "" << "退款金额不允许大于卡内余额！" << amountField << QList<Money>{};
        QTest::newRow("refund from an empty card")
            << Money() << true << "1" << "" << "退款金额不允许大于卡内余额！" << amountField << QList<Money>{};
        QTest::newRow("recharge of 0") << Money() << false << "0" << "20" << "请输入充值金额！" << amountField
                                       << QList<Money>{};
        QTest::newRow("recharge of -50 is no refund")
            << m("120") << false << "-50" << "" << "请输入充值金额！" << amountField << QList<Money>{};
        QTest::newRow("refund of -50") << m("120") << true << "-50" << "" << "请输入充值金额！" << amountField
                                       << QList<Money>{};
        QTest::newRow("negative gift") << Money() << false << "100" << "-20" << "请输入充值金额！"
                                       << "txtZsAmount" << QList<Money>{};
        QTest::newRow("typed text") << Money() << false << "abc" << "" << "请输入充值金额！" << amountField
                                    << QList<Money>{};
    }

    void save()
    {
        QFETCH(Money, before);
        QFETCH(bool, refund);
        QFETCH(QString, amount);
        QFETCH(QString, gift);
        QFETCH(QString, refusal);
        QFETCH(QString, field);
        QFETCH(QList<Money>, row);
        TestDb t;
        const QString card = "V'1";
        if (!before.isZero())
            RechargeBill::save(t.cnstr(), bill(card, false, before));
        const int written = db::scalar(t.cnstr(), "select count(*) from VipCzBill").toInt();
        const RechargeInput b = bill(card, refund, Money::parse(amount), Money::parse(gift));
        try {
            const PostedMovement p = RechargeBill::save(t.cnstr(), b);
            QVERIFY2(refusal.isEmpty(), "saved what should be refused");
            const db::Row r = db::query(t.cnstr(), "select * from VipCzBill where FInterID=?", {p.id}).first();
            QCOMPARE(amounts(r), row);
            QCOMPARE(p.before, row[3]);
            QCOMPARE(p.after, row[4]);
            QCOMPARE(StoredValueLedger::balance(t.cnstr(), card), row[4]);
        } catch (const CoreError &e) {
            QCOMPARE(e.message(), refusal);
            QCOMPARE(e.field(), field);
            QVERIFY(e.isRefusal());
            QCOMPARE(db::scalar(t.cnstr(), "select count(*) from VipCzBill").toInt(), written);
        }
    }

    // The whole row of a bill saved on 5 October 2012, quotes and all, and its slip.
    void rowAndSlip()
    {
        TestDb t;
        const PostedMovement p =
            RechargeBill::save(t.cnstr(), bill("V'1", false, Money::fromInt(100), Money::fromInt(20)));
        QVERIFY(p.id > 0);
        const db::Row r = db::query(t.cnstr(), "select * from VipCzBill").first();
        QCOMPARE(r.integer("FInterID"), p.id);
        QCOMPARE((QStringList{r.text("FVipNo"), r.text("FVipID"), r.text("FOwner"), r.text("FPhone"),
                              r.text("FTranType"), r.text("FBillerID"), r.text("FRemark"), r.text("FYear"),
                              r.text("FSeason"), r.text("FMonth")}),
                 (QStringList{"V'1", "110101199002020057", "O'Neil", "13800000004", "1", "7", "it's paid",
                              "2012年", "2012年4季度", "2012年10月"}));
        QCOMPARE(r.date("FDate"), QDate(2012, 10, 5));
        QVERIFY(r.dateTime("FCreateTime").isValid());

        const QDateTime at(QDate(2024, 3, 9), QTime(10, 15));
        RecordSet rs = RechargeBill::printData("V'1", QDate(2012, 10, 5), "O'Neil", Money(), Money::fromInt(100),
                                               Money::fromInt(20), Money::fromInt(120), "收银员", at);
        QStringList names;
        for (const RecordSet::Field &f : rs.fields())
            names << f.name;
        QCOMPARE(names, (QStringList{"FVipNo", "FDate", "FInterID", "FOwner", "FBegBal", "FCzAmount", "FZsAmount",
                                     "FEndBal", "FBiller", "FPrintTime"}));
        QCOMPARE(rs.recordCount(), 1);
        QCOMPARE((QStringList{rs.text(0, "FVipNo"), rs.text(0, "FDate"), rs.text(0, "FOwner"), rs.text(0, "FBegBal"),
                              rs.text(0, "FCzAmount"), rs.text(0, "FZsAmount"), rs.text(0, "FEndBal"),
                              rs.text(0, "FBiller"), rs.text(0, "FInterID")}),
                 (QStringList{"V'1", "2012-10-05", "O'Neil", "0.00", "100.00", "20.00", "120.00", "收银员", ""}));
        QCOMPARE(rs.value(0, "FPrintTime").toDateTime(), at);
    }

    // Orders first, then stored-value bills; an empty card finds nothing, not the walk-ins.
    void memberLookup()
    {
        TestDb t;
        const char *order = "insert into VipOrder (FInterID, FVipNo, FOwner, FPhone, FVipID) values (?,?,?,?,?)";
        db::execute(t.cnstr(), order, {2, "V1", "张丽", "138", "ID1"});
        db::execute(t.cnstr(), order, {3, "V1", "张丽2", "139", "ID2"});
        db::execute(t.cnstr(), order, {4, "", "散客", "", ""});
        StoredValueMovement m;
        m.owner = "散客";
        m.date = QDate(2024, 1, 1);
        m.amount = Money::fromInt(5);
        {
            db::Transaction tx(t.cnstr());
            StoredValueLedger::post(tx, m);
            tx.commit();
        }
        RechargeBill::save(t.cnstr(), bill("V2", false, Money::fromInt(5)));
        const auto v1 = RechargeBill::member(t.cnstr(), "V1");
        QVERIFY(v1);
        QCOMPARE((QStringList{v1->owner, v1->phone, v1->vipId}), (QStringList{"张丽", "138", "ID1"}));
        const auto v2 = RechargeBill::member(t.cnstr(), "V2");
        QVERIFY(v2);
        QCOMPARE(v2->owner, QStringLiteral("O'Neil"));
        QVERIFY(!RechargeBill::member(t.cnstr(), ""));
        QVERIFY(!RechargeBill::member(t.cnstr(), "  "));
        QVERIFY(!RechargeBill::member(t.cnstr(), "V3"));
        QCOMPARE(StoredValueLedger::balance(t.cnstr(), ""), Money());
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
        QCOMPARE(GetNavBillID(1, 0, false), last);
        QCOMPARE(GetNavBillID(1, 0, true), last);
        QCOMPARE(GetNavBillID(1, last, false), first);
        QCOMPARE(GetNavBillID(1, first, true), last);
        for (const auto &[from, forward] : {std::pair{last, true}, std::pair{first, false}}) {
            try {
                GetNavBillID(1, from, forward);
                QFAIL("stepped off the end");
            } catch (const db::DbError &e) {
                QCOMPARE(e.message(), QStringLiteral("无记录！"));
                QCOMPARE(e.number(), 1001);
            }
        }
        const auto shown = RechargeBill::load(t.cnstr(), last);
        QVERIFY(shown);
        QVERIFY(shown->isRefund());
        QCOMPARE(shown->phone, QStringLiteral("13999999999"));
        QCOMPARE((QList<Money>{shown->begAmount, shown->czAmount, shown->zsAmount, shown->endAmount}),
                 (QList<Money>{Money::fromInt(90), Money::fromInt(-40), Money(), Money::fromInt(50)}));
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
                try {
                    RechargeBill::save(cnstr, bill("V1", true, each));
                    ++paid;
                } catch (const CoreError &e) {
                    if (e.message() != QStringLiteral("退款金额不允许大于卡内余额！"))
                        qWarning("%s", qPrintable(e.message()));
                }
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
        Money end;
        for (const db::Row &r : db::query(cnstr, "select FBegAmount, FEndAmount from VipCzBill order by FInterID")) {
            QCOMPARE(r.money("FBegAmount"), end);
            end = r.money("FEndAmount");
            QVERIFY(!end.isNegative());
        }
        QCOMPARE(end, Money::fromInt(10));
        QCOMPARE(StoredValueLedger::balance(cnstr, "V1"), end);
    }
};

QTEST_GUILESS_MAIN(tst_RechargeBill)
#include "tst_RechargeBill.moc"
