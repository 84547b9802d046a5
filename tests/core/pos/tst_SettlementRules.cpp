#include <QtTest>

#include "TestDb.h"
#include "core/pos/SettlementRules.h"

namespace {

// A settlement as typed: bill, card and balance, then discount, dyq, xjq, reserve, blank and
// amount as the boxes hold them. Both tables start with these columns.
void entryColumns()
{
    QTest::addColumn<QString>("bill");
    QTest::addColumn<QString>("vipNo");
    QTest::addColumn<QString>("balance");
    QTest::addColumn<QStringList>("typed");
}
SettlementEntry fetchEntry()
{
    QFETCH(QString, bill);
    QFETCH(QString, vipNo);
    QFETCH(QString, balance);
    QFETCH(QStringList, typed);
    SettlementEntry e;
    e.bill = Money::parse(bill);
    e.vipNo = vipNo;
    e.balance = Money::parse(balance);
    e.discount = typed[0];
    e.dyq = typed[1];
    e.xjq = typed[2];
    e.reserve = typed[3];
    e.blank = typed[4];
    e.amount = typed[5];
    return e;
}

} // namespace

class tst_SettlementRules : public QObject
{
    Q_OBJECT
private slots:
    // `figures`: receivable, "rate" or "off", "short" or "paid", change shown, balance left;
    // then what is saved: cash, change, stored value. A rate rounds to whole units half to
    // even but never above the bill; until the discount or the voucher is touched the bill
    // is charged as it came.
    void figures_data()
    {
        entryColumns();
        QTest::addColumn<bool>("asOpened");
        QTest::addColumn<QString>("figures");
        using L = QStringList;
        // clang-format off
        QTest::newRow("*0.9 on 25.50") << "25.50" << "" << "0" << L{"*0.9", "", "", "", "", "23"} << false << "23.00 rate paid 0.00 0.00 | 23.00 0.00 0.00";
        QTest::newRow("-0.5 on 25.50") << "25.50" << "" << "0" << L{"-0.5", "", "", "", "", "25"} << false << "25.00 off paid 0.00 0.00 | 25.00 0.00 0.00";
        QTest::newRow("*1 on 25.50 stays") << "25.50" << "" << "0" << L{"*1", "", "", "", "", "25.50"} << false << "25.50 rate paid 0.00 0.00 | 25.50 0.00 0.00";
        QTest::newRow("*1 on 24.50") << "24.50" << "" << "0" << L{"*1", "", "", "", "", "30"} << false << "24.00 rate paid 6.00 0.00 | 24.00 6.00 0.00";
        QTest::newRow("24.50 as opened") << "24.50" << "" << "0" << L{"*1", "", "", "", "", "30"} << true << "24.50 rate paid 5.50 0.00 | 24.50 5.50 0.00";
        QTest::newRow("plain amount off") << "30" << "" << "0" << L{"5", "", "", "", "", "25"} << false << "25.00 off paid 0.00 0.00 | 25.00 0.00 0.00";
        QTest::newRow("voucher equal to the bill") << "10" << "" << "0" << L{"*1", "10", "", "", "", ""} << false << "0.00 rate paid 0.00 0.00 | 0.00 0.00 0.00";
        QTest::newRow("voucher and rate") << "100" << "" << "0" << L{"*0.8", "10.50", "", "", "", "70"} << false << "70.00 rate paid 0.00 0.00 | 70.00 0.00 0.00";
        QTest::newRow("short") << "23" << "" << "0" << L{"*1", "", "", "", "", "20"} << false << "23.00 rate short 3.00 0.00 | refused";
        QTest::newRow("cash voucher and change") << "23" << "" << "0" << L{"*1", "", "5", "", "", "50"} << false << "23.00 rate paid 32.00 0.00 | 18.00 32.00 0.00";
        QTest::newRow("member pays from stored value") << "30" << "V1" << "100" << L{"*1", "", "", "30", "", ""} << false << "30.00 rate paid 0.00 70.00 | 0.00 0.00 30.00";
        // clang-format on
    }
    void figures()
    {
        QFETCH(bool, asOpened);
        QFETCH(QString, figures);
        SettlementEntry e = fetchEntry();
        e.asOpened = asOpened;
        const SettlementFigures f = SettlementRules::figures(e);
        QString got =
            QStringList{f.receivable.format(), f.discountIsRate ? "rate" : "off",
                        f.isShort ? "short" : "paid", f.change.format(), f.endBalance.format()}
                .join(' ');
        if (SettlementRules::check(e)) {
            got += " | refused";
        } else {
            const SettlementResult r = SettlementRules::result(e);
            got += " | " +
                   QStringList{r.cash.format(), r.change.format(), r.reserve.format()}.join(' ');
        }
        QCOMPARE(got, figures);
    }

    // The stored value proposed: the bill, at most the balance, nothing without a card.
    void proposedReserve()
    {
        for (const auto &[card, balance, proposed] :
             {std::tuple{"V1", 100, 30}, {"V1", 20, 20}, {"V1", -5, 0}, {"", 100, 0}})
            QCOMPARE(
                SettlementRules::proposedReserve(card, Money::fromInt(balance), Money::fromInt(30)),
                Money::fromInt(proposed));
    }

    // The refusal and the box it sends the cashier to; only "short" comes with an exclamation.
    void refusals_data()
    {
        entryColumns();
        QTest::addColumn<QString>("refusal");
        using L = QStringList;
        const QString over = "本次扣款金额不允许大于卡内余额！ @ txtGetReserve";
        const QString beyond = "优惠幅度不允许大于消费金额！ @ txtZk";
        // clang-format off
        QTest::newRow("20 paid on 23") << "23" << "" << "0" << L{"*1", "", "", "", "", "20"} << "收款金额不足! @ txtAmount !";
        QTest::newRow("voucher beyond the bill") << "10" << "" << "0" << L{"*1", "12", "", "", "", ""} << beyond;
        QTest::newRow("amount off beyond the bill") << "10" << "" << "0" << L{"-12", "", "", "", "", "5"} << beyond;
        QTest::newRow("stored value without a card") << "30" << "" << "100" << L{"*1", "", "", "30", "", ""} << over;
        QTest::newRow("beyond the balance") << "30" << "V1" << "20" << L{"*1", "", "", "25", "", "5"} << over;
        QTest::newRow("balance 0 is no licence") << "30" << "V1" << "0" << L{"*1", "", "", "10", "", "20"} << over;
        QTest::newRow("beyond the receivable") << "30" << "V1" << "100" << L{"*1", "", "", "40", "", ""} << "本次扣款金额不允许大于应收金额！ @ txtGetReserve";
        QTest::newRow("negative deduction") << "30" << "V1" << "100" << L{"*1", "", "", "-10", "", "40"} << "付款金额不能为负数！ @ txtGetReserve";
        QTest::newRow("negative cash") << "30" << "" << "0" << L{"*1", "", "", "", "", "-5"} << "付款金额不能为负数！ @ txtAmount";
        QTest::newRow("card above the receivable") << "30" << "" << "0" << L{"*1", "", "", "", "40", ""} << "付款金额不能为负数！ @ txtGetBlank";
        // clang-format on
    }
    void refusals()
    {
        QFETCH(QString, refusal);
        const std::optional<SettlementRefusal> r = SettlementRules::check(fetchEntry());
        QVERIFY(r);
        QCOMPARE(r->message + " @ " + r->field + (r->exclamation ? " !" : ""), refusal);
    }
};

QTEST_GUILESS_MAIN(tst_SettlementRules)
#include "tst_SettlementRules.moc"
