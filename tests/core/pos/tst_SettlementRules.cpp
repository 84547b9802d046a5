#include <QtTest>

#include "TestDb.h"
#include "core/pos/SettlementRules.h"

namespace {

SettlementEntry entry(const char *bill, const char *vipNo = "", const char *balance = "0")
{
    SettlementEntry e;
    e.bill = Money::parse(QString::fromLatin1(bill));
    e.vipNo = QString::fromLatin1(vipNo);
    e.balance = Money::parse(QString::fromLatin1(balance));
    e.discount = QStringLiteral("*1");
    return e;
}

} // namespace

class tst_SettlementRules : public QObject
{
    Q_OBJECT
private slots:
    void receivable_data()
    {
        QTest::addColumn<QString>("bill");
        QTest::addColumn<QString>("discount");
        QTest::addColumn<QString>("dyq");
        QTest::addColumn<QString>("receivable");
        QTest::addColumn<bool>("rate");
        QTest::newRow("*0.9 on 25.50") << "25.50" << "*0.9" << "" << "23.00" << true;
        QTest::newRow("-0.5 on 25.50") << "25.50" << "-0.5" << "" << "25.00" << false;
        // Half to even would make 26.00: never more than the bill.
        QTest::newRow("*1 on 25.50") << "25.50" << "*1" << "" << "25.50" << true;
        QTest::newRow("*1 on 24.50") << "24.50" << "*1" << "" << "24.00" << true;
        QTest::newRow("plain amount off") << "30" << "5" << "" << "25.00" << false;
        QTest::newRow("voucher equal to the bill") << "10" << "*1" << "10" << "0.00" << true;
        QTest::newRow("voucher and rate") << "100" << "*0.8" << "10.50" << "70.00" << true;
    }
    void receivable()
    {
        QFETCH(QString, bill);
        QFETCH(QString, discount);
        QFETCH(QString, dyq);
        QFETCH(QString, receivable);
        QFETCH(bool, rate);
        bool isRate = !rate;
        QCOMPARE(SettlementRules::receivable(Money::parse(bill), discount, Money::parse(dyq), &isRate).format(),
                 receivable);
        QCOMPARE(isRate, rate);
    }

    // Until the discount or the voucher is touched the bill is charged as it came; the first
    // touch rounds it, even back to "*1".
    void asOpened_data()
    {
        QTest::addColumn<QString>("bill");
        QTest::addColumn<bool>("asOpened");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("receivable");
        QTest::addColumn<QString>("cash");
        QTest::addColumn<QString>("change");
        QTest::newRow("24.50 as opened") << "24.50" << true << "30" << "24.50" << "24.50" << "5.50";
        QTest::newRow("24.50 once touched") << "24.50" << false << "30" << "24.00" << "24.00" << "6.00";
        QTest::newRow("25.50 either way") << "25.50" << true << "25.50" << "25.50" << "25.50" << "0.00";
    }
    void asOpened()
    {
        QFETCH(QString, bill);
        QFETCH(bool, asOpened);
        QFETCH(QString, amount);
        QFETCH(QString, receivable);
        QFETCH(QString, cash);
        QFETCH(QString, change);
        SettlementEntry e = entry(qPrintable(bill));
        e.asOpened = asOpened;
        e.amount = amount;
        const SettlementFigures f = SettlementRules::figures(e);
        QVERIFY(f.discountIsRate);
        QVERIFY(!SettlementRules::check(e));
        const SettlementResult r = SettlementRules::result(e);
        QCOMPARE((QStringList{f.receivable.format(), r.cash.format(), r.change.format()}),
                 (QStringList{receivable, cash, change}));
    }

    // A member with 100 on a bill of 30: 30 proposed, 70.00 left, nothing to hand back.
    void memberPaysFromStoredValue()
    {
        SettlementEntry e = entry("30", "V1", "100");
        e.reserve = SettlementRules::proposedReserve(e.vipNo, e.balance, e.bill).format();
        const SettlementFigures f = SettlementRules::figures(e);
        QCOMPARE((QStringList{e.reserve, f.endBalance.format(), f.change.format()}),
                 (QStringList{"30.00", "70.00", "0.00"}));
        QVERIFY(!f.isShort);
        QVERIFY(!SettlementRules::check(e));
        const SettlementResult r = SettlementRules::result(e);
        QCOMPARE(r.cash, Money());
        QCOMPARE(r.reserve, Money::fromInt(30));
        QCOMPARE(SettlementRules::proposedReserve("V1", Money::fromInt(20), Money::fromInt(30)), Money::fromInt(20));
        QCOMPARE(SettlementRules::proposedReserve("V1", Money::fromInt(-5), Money::fromInt(30)), Money());
        QCOMPARE(SettlementRules::proposedReserve("", Money::fromInt(100), Money::fromInt(30)), Money());
    }

    void refusals_data()
    {
        QTest::addColumn<QString>("bill");
        QTest::addColumn<QString>("vipNo");
        QTest::addColumn<QString>("balance");
        QTest::addColumn<QStringList>("typed"); // discount, dyq, xjq, reserve, blank, amount
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("field");
        QTest::newRow("20 paid on 23") << "23" << "" << "0" << QStringList{"*1", "", "", "", "", "20"}
                                       << "收款金额不足!" << "txtAmount";
        QTest::newRow("voucher beyond the bill") << "10" << "" << "0" << QStringList{"*1", "12", "", "", "", ""}
                                                 << "优惠幅度不允许大于消费金额！" << "txtZk";
        QTest::newRow("amount off beyond the bill") << "10" << "" << "0" << QStringList{"-12", "", "", "", "", "5"}
                                                    << "优惠幅度不允许大于消费金额！" << "txtZk";
        QTest::newRow("stored value without a card") << "30" << "" << "100" << QStringList{"*1", "", "", "30", "", ""}
                                                     << "本次扣款金额不允许大于卡内余额！" << "txtGetReserve";
        QTest::newRow("beyond the balance") << "30" << "V1" << "20" << QStringList{"*1", "", "", "25", "", "5"}
                                            << "本次扣款金额不允许大于卡内余额！" << "txtGetReserve";
        QTest::newRow("balance 0 is no licence") << "30" << "V1" << "0" << QStringList{"*1", "", "", "10", "", "20"}
                                                 << "本次扣款金额不允许大于卡内余额！" << "txtGetReserve";
        QTest::newRow("beyond the receivable") << "30" << "V1" << "100" << QStringList{"*1", "", "", "40", "", ""}
                                               << "本次扣款金额不允许大于应收金额！" << "txtGetReserve";
        QTest::newRow("negative deduction") << "30" << "V1" << "100" << QStringList{"*1", "", "", "-10", "", "40"}
                                            << "付款金额不能为负数！" << "txtGetReserve";
        QTest::newRow("negative cash") << "30" << "" << "0" << QStringList{"*1", "", "", "", "", "-5"}
                                       << "付款金额不能为负数！" << "txtAmount";
        QTest::newRow("card above the receivable") << "30" << "" << "0" << QStringList{"*1", "", "", "", "40", ""}
                                                   << "付款金额不能为负数！" << "txtGetBlank";
    }
    void refusals()
    {
        QFETCH(QString, bill);
        QFETCH(QString, vipNo);
        QFETCH(QString, balance);
        QFETCH(QStringList, typed);
        QFETCH(QString, message);
        QFETCH(QString, field);
        SettlementEntry e = entry(qPrintable(bill), qPrintable(vipNo), qPrintable(balance));
        e.discount = typed[0];
        e.dyq = typed[1];
        e.xjq = typed[2];
        e.reserve = typed[3];
        e.blank = typed[4];
        e.amount = typed[5];
        const std::optional<SettlementRefusal> r = SettlementRules::check(e);
        QVERIFY(r);
        QCOMPARE(r->message, message);
        QCOMPARE(r->field, field);
        QCOMPARE(r->exclamation, message == QStringLiteral("收款金额不足!"));
    }

    void shortAndPaidInFull()
    {
        SettlementEntry e = entry("23");
        e.amount = "20";
        SettlementFigures f = SettlementRules::figures(e);
        QVERIFY(f.isShort);
        QCOMPARE(f.change.format(), QStringLiteral("3.00"));
        e.amount = "50";
        e.xjq = "5";
        f = SettlementRules::figures(e);
        QVERIFY(!f.isShort);
        QCOMPARE(f.change.format(), QStringLiteral("32.00"));
        QVERIFY(!SettlementRules::check(e));
        QCOMPARE(SettlementRules::result(e).cash, Money::fromInt(18));
        // A voucher equal to the bill settles with no cash at all.
        SettlementEntry v = entry("10");
        v.dyq = "10";
        QVERIFY(!SettlementRules::check(v));
        QCOMPARE(SettlementRules::result(v).cash, Money());
    }
};

QTEST_GUILESS_MAIN(tst_SettlementRules)
#include "tst_SettlementRules.moc"
