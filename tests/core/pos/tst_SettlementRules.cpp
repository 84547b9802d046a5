#include <QtTest>

#include "core/base/CoreError.h"
#include "core/base/Money.h"
#include "core/pos/SettlementRules.h"

namespace {

// A settlement as typed: bill, card and balance, then discount, dyq, xjq, reserve, blank and
// amount as the boxes hold them.
SettlementEntry entry(const QStringList &f)
{
    SettlementEntry e;
    e.bill = Money::parse(f[0]);
    e.vipNo = f[1];
    e.balance = Money::parse(f[2]);
    e.discount = f[3];
    e.dyq = f[4];
    e.xjq = f[5];
    e.reserve = f[6];
    e.blank = f[7];
    e.amount = f[8];
    return e;
}

} // namespace

// The settlement of a sale: the figures shown while the cashier types, refusals, the result.
class tst_SettlementRules : public QObject
{
    Q_OBJECT
private slots:
    // Taken: the receivable, "rate" or "off", the change shown and the balance left; then what
    // is saved: cash, change, stored value. Refused: the message, the box it sends the cashier
    // to, and "!" on the one that comes with an exclamation. A rate rounds to whole units half
    // to even but never above the bill; until the discount or the voucher is touched
    // (`asOpened`) the bill is charged as it came.
    void settlement_data()
    {
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<bool>("asOpened");
        QTest::addColumn<QString>("outcome");
        using L = QStringList;
        const QString over = "本次扣款金额不允许大于卡内余额！ @ txtGetReserve";
        const QString beyond = "优惠幅度不允许大于消费金额！ @ txtZk";
        // clang-format off
        QTest::newRow("*0.9 on 25.50") << L{"25.50", "", "0", "*0.9", "", "", "", "", "23"} << false << "23.00 rate 0.00 0.00 | 23.00 0.00 0.00";
        QTest::newRow("*1 on 25.50 stays") << L{"25.50", "", "0", "*1", "", "", "", "", "25.50"} << false << "25.50 rate 0.00 0.00 | 25.50 0.00 0.00";
        QTest::newRow("24.50 as opened") << L{"24.50", "", "0", "*1", "", "", "", "", "30"} << true << "24.50 rate 5.50 0.00 | 24.50 5.50 0.00";
        QTest::newRow("plain amount off") << L{"30", "", "0", "5", "", "", "", "", "25"} << false << "25.00 off 0.00 0.00 | 25.00 0.00 0.00";
        QTest::newRow("voucher and rate") << L{"100", "", "0", "*0.8", "10.50", "", "", "", "70"} << false << "70.00 rate 0.00 0.00 | 70.00 0.00 0.00";
        QTest::newRow("cash voucher and change") << L{"23", "", "0", "*1", "", "5", "", "", "50"} << false << "23.00 rate 32.00 0.00 | 18.00 32.00 0.00";
        QTest::newRow("member pays from stored value") << L{"30", "V1", "100", "*1", "", "", "30", "", ""} << false << "30.00 rate 0.00 70.00 | 0.00 0.00 30.00";
        QTest::newRow("20 paid on 23") << L{"23", "", "0", "*1", "", "", "", "", "20"} << false << "收款金额不足! @ txtAmount !";
        QTest::newRow("voucher beyond the bill") << L{"10", "", "0", "*1", "12", "", "", "", ""} << false << beyond;
        QTest::newRow("amount off beyond the bill") << L{"10", "", "0", "-12", "", "", "", "", "5"} << false << beyond;
        QTest::newRow("stored value without a card") << L{"30", "", "100", "*1", "", "", "30", "", ""} << false << "未读会员卡，不能使用储值付款！ @ txtGetReserve";
        QTest::newRow("beyond the balance") << L{"30", "V1", "20", "*1", "", "", "25", "", "5"} << false << over;
        QTest::newRow("beyond the receivable") << L{"30", "V1", "100", "*1", "", "", "40", "", ""} << false << "本次扣款金额不允许大于应收金额！ @ txtGetReserve";
        QTest::newRow("negative deduction") << L{"30", "V1", "100", "*1", "", "", "-10", "", "40"} << false << "付款金额不能为负数！ @ txtGetReserve";
        QTest::newRow("cash past the cents") << L{"30", "", "0", "*1", "", "", "", "", "30.00005"} << false << "金额最多只能有两位小数！ @ txtAmount";
        QTest::newRow("amount off past the cents") << L{"30", "", "0", "-0.005", "", "", "", "", "30"} << false << "金额最多只能有两位小数！ @ txtZk";
        QTest::newRow("stored value past the cents") << L{"30", "V1", "100", "*1", "", "", "20.001", "", "10"} << false << "金额最多只能有两位小数！ @ txtGetReserve";
        QTest::newRow("card above the receivable") << L{"30", "", "0", "*1", "", "", "", "40", ""} << false << "付款金额不能为负数！ @ txtGetBlank";
        // clang-format on
    }
    void settlement()
    {
        QFETCH(QStringList, typed);
        QFETCH(bool, asOpened);
        QFETCH(QString, outcome);
        SettlementEntry e = entry(typed);
        e.asOpened = asOpened;
        try {
            SettlementRules::check(e);
        } catch (const CoreError &refusal) {
            QCOMPARE(refusal.message() + " @ " + refusal.field() + (refusal.exclamation() ? " !" : ""),
                     outcome);
            return;
        }
        const SettlementFigures f = SettlementRules::figures(e);
        const SettlementResult r = SettlementRules::result(e);
        QCOMPARE(QStringList({f.receivable.format(), f.discountIsRate ? "rate" : "off",
                              f.change.format(), f.endBalance.format(), "|", r.cash.format(),
                              r.change.format(), r.reserve.format()})
                     .join(' '),
                 outcome);
    }

    // The stored value proposed: the bill, at most the balance, nothing without a card.
    void proposedReserve()
    {
        for (const auto &[card, balance, proposed] :
             {std::tuple{"V1", 100, 30}, {"V1", 20, 20}, {"V1", -5, 0}, {"", 100, 0}})
            QCOMPARE(
                SettlementRules::proposedReserve(card, Money::fromInt(balance), Money::fromInt(30)),
                Money::fromInt(proposed));
        // A balance past the cents proposes what may be paid: whole cents, never more.
        QCOMPARE(SettlementRules::proposedReserve("V1", Money::parse("20.125"), Money::fromInt(30)),
                 Money::parse("20.12"));
    }
};

QTEST_GUILESS_MAIN(tst_SettlementRules)
#include "tst_SettlementRules.moc"
