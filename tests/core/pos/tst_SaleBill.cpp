#include <QtTest>

#include "TestDb.h"
#include "core/frame/Money.h"
#include "core/frame/NumberText.h"
#include "core/pos/MemberOrders.h"
#include "core/pos/SaleBill.h"
#include "core/pos/SaleReceipt.h"
#include "core/pos/SettlementRules.h"

namespace {

const QDateTime PrintTime(QDate(2026, 4, 18), QTime(7, 45, 12));

OpenOrderLine orderLine(int orderId, qint64 open)
{
    OpenOrderLine l;
    l.name = "鲜牛奶 250ml";
    l.qty = 12;
    l.open = open;
    l.amount = Money::fromInt(36);
    l.orderId = orderId;
    l.validTo = QDate(2026, 5, 31);
    return l;
}

QStringList texts(const RecordSet &rs, int record, const QStringList &fields)
{
    QStringList out;
    for (const QString &f : fields)
        out << rs.text(record, f);
    return out;
}

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

class tst_SaleBill : public QObject
{
    Q_OBJECT
private slots:
    void refusals_data()
    {
        QTest::addColumn<int>("item");
        QTest::addColumn<double>("qty");
        QTest::addColumn<QString>("price");
        QTest::addColumn<QString>("refusal");
        // clang-format off
        QTest::newRow("no item") << 0 << 1.0 << "3.50" << "请输入商品！ @ txtBarcode";
        QTest::newRow("bar code as quantity") << 1 << 6901234500011.0 << "3.50" << "请输入数量！ @ txtQty";
        QTest::newRow("no price") << 1 << 2.0 << "" << "请输入单价！ @ txtPrice";
        QTest::newRow("a returned bottle") << 1 << -1.0 << "3.50" << "请输入数量！ @ txtQty";
        QTest::newRow("negative price") << 1 << 1.0 << "-3.50" << "请输入单价！ @ txtPrice";
        QTest::newRow("price past the cents") << 1 << 1.0 << "3.505" << "金额最多只能有两位小数！ @ txtPrice";
        QTest::newRow("tail past four places") << 1 << 1.0 << "3.500001" << "金额最多只能有两位小数！ @ txtPrice";
        // clang-format on
    }
    void refusals()
    {
        QFETCH(int, item);
        QFETCH(double, qty);
        QFETCH(QString, price);
        QFETCH(QString, refusal);
        SaleBill bill;
        QCOMPARE(TestDb::refusalAt(
                     [&] { bill.add(item, QStringLiteral("x"), qty, Money::parseTyped(price)); }),
                 refusal);
        QVERIFY(bill.isEmpty());
        bill.add(1, QStringLiteral("x"), SaleBill::MaxQty, Money::fromInt(1));
        QCOMPARE(bill.lines().size(), 1);
    }

    // Pick-up lines hand out paid goods: shown, never charged.
    void receivableWithoutPickups()
    {
        SaleBill bill;
        for (int order : {0, 7, 0}) {
            SaleLine l;
            l.amount = Money::fromInt(order ? 99 : 10);
            l.orderId = order;
            bill.addLine(l);
        }
        QCOMPARE((QList<Money>{bill.receivable(), bill.shownAmount()}),
                 (QList<Money>{Money::fromInt(20), Money::fromInt(119)}));
        bill.remove(1);
        bill.remove(5); // out of range: nothing
        QCOMPARE(bill.shownAmount(), Money::fromInt(20));
    }

    // 2 at 3.50, a pack of six twice at 30.00 (one pack on the receipt), picks of 3 and 2 from
    // two order lines, never priced; the member's orders hold 7 + 3 + 4 (a line not picked
    // from) afterwards. Paid 50.00 in cash and 17.00 from the card, which keeps 326.60.
    void receipt()
    {
        SaleBill bill;
        bill.date = QDate(2026, 4, 18);
        bill.vipNo = "V0001";
        bill.owner = "张丽";
        bill.add(1, "鲜牛奶 250ml", 2, Money::parse("3.50"));
        bill.add(3, "低脂牛奶 250ml", 2, Money::fromInt(30), 6);
        QList<OpenOrderLine> grid{orderLine(7, 10), orderLine(8, 5), orderLine(9, 4)};
        for (const auto &[index, q] : {std::pair{0, 3}, std::pair{1, 2}}) {
            bill.addLine(MemberOrders::pickup(grid[index], q));
            grid[index].open -= q;
        }
        const RecordSet rs =
            SaleReceipt::build(bill, SaleReceipt::openAfterTotal(grid), "收银员", PrintTime,
                               {Money::fromInt(50), Money::fromInt(17), Money::parse("326.60")});
        QCOMPARE(rs.position(), 0); // printing starts at the current record
        QStringList lines;
        for (int r = 0; r < rs.recordCount(); ++r) {
            lines << texts(rs, r, {"FVipNo", "FQty", "FPrice", "FAmount", "FBegBal", "FEndBal", "Fyxq"})
                         .join('|');
            QCOMPARE(texts(rs, r,
                           {"FDate", "FSumQty", "FSumAmount", "FSumBegBal", "FSumEndBal",
                            "FInterID", "FBiller", "FGetCash", "FGetReserve", "FReserveBal"}),
                     QStringList({"2026-04-18", "19", "67.00", "19", "14", "0", "收银员", "50.00",
                                  "17.00", "326.60"}));
            QCOMPARE(rs.value(r, "FPrintTime").toDateTime(), PrintTime);
        }
        QCOMPARE(lines, (QStringList{"V0001 张丽|2|3.50|7.00|2|0|", "V0001 张丽|1|30.00|60.00|12|0|",
                                     "V0001 张丽|3|||10|7|2026-05-31", "V0001 张丽|2|||5|3|2026-05-31"}));
    }

    // A quantity typed before the scan: "3*" multiplies; anything else is the code as it is.
    void scanSplit()
    {
        QStringList got;
        for (const char *typed : {"3*6901234", " 2 * 101 ", "6901234", "*101", "1.5*101", "3*"}) {
            const auto [qty, code] = SaleBill::splitScan(typed);
            got << qty + "|" + code;
        }
        QCOMPARE(got, (QStringList{"3|6901234", "2|101", "|6901234", "|*101", "1.5|101", "|3*"}));
        QVERIFY(SaleBill::looksLikeCode(201, 99) && !SaleBill::looksLikeCode(99, 99) &&
                !SaleBill::looksLikeCode(SaleBill::MaxQty + 1, 99));
    }

    // After a lookup each pick-up line shows what its order line holds after it and the
    // earlier picks, and the line's validity as it now stands. Of 10 and 4 open, picks of 3, 4
    // and 2: the lookup lists 5 open on the first, nothing on the second (all picked here).
    void pickupsRefreshed()
    {
        SaleBill bill;
        OpenOrderLine a = orderLine(7, 10), b = orderLine(8, 4);
        for (const auto &[line, q] : {std::pair{a, 3}, {b, 4}, {a, 2}})
            bill.addLine(MemberOrders::pickup(line, q));
        bill.add(1, "x", 1, Money::fromInt(1)); // an ordinary line has no balance
        a.open = 5;
        a.validTo = QDate(2026, 6, 30);
        MemberOrders::refreshPickups(bill, {a});
        QStringList got;
        for (const SaleLine &l : bill.lines())
            got << QStringLiteral("%1 %2").arg(l.orderBalance).arg(l.validTo.toString(Qt::ISODate));
        QCOMPARE(got, (QStringList{"7 2026-06-30", "0 2026-05-31", "5 2026-06-30", "0 "}));
        QVERIFY(bill.hasPickups());
        QCOMPARE(bill.removePickups(), 3);
        QVERIFY(!bill.hasPickups() && bill.lines().size() == 1);
    }

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
        if (const std::optional<SettlementRefusal> refusal = SettlementRules::check(e)) {
            QCOMPARE(refusal->message + " @ " + refusal->field + (refusal->exclamation ? " !" : ""),
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

    // Typed text keeps the leading-number rule; a cell's thousands separators are skipped.
    // The double-based reader of the text boxes follows the typed rule. `read`: the units typed
    // and in a cell, then the double.
    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("read");
        // clang-format off
        QTest::newRow("not a number") << "abc" << "0 0 0";
        QTest::newRow("grouped") << "1,234.00" << "10000 12340000 1";
        QTest::newRow("negative") << "-10" << "-100000 -100000 -10";
        QTest::newRow("unit after number") << "3.5kg" << "35000 35000 3.5";
        QTest::newRow("fifth decimal rounds") << "0.00005" << "1 1 5e-05";
        QTest::newRow("full-width digits") << "９９" << "0 0 0";
        QTest::newRow("too large") << QString(400, u'9') << "0 0 0";
        QTest::newRow("exponent stops") << "1e309" << "10000 10000 1";
        // clang-format on
    }
    void parse()
    {
        QFETCH(QString, text);
        QFETCH(QString, read);
        QCOMPARE(QStringLiteral("%1 %2 %3")
                     .arg(Money::parse(text).units())
                     .arg(Money::parseCell(text).units())
                     .arg(NumberText::val(text)),
                 read);
    }

    // "0.00" and "#,0.00", from money and from a double; a grouped text reads back as typed.
    void formats_data()
    {
        QTest::addColumn<qlonglong>("units");
        QTest::addColumn<QString>("plain");
        QTest::addColumn<QString>("grouped");
        // clang-format off
        QTest::newRow("no minus zero") << -49LL << "0.00" << "0.00";
        QTest::newRow("half cent away from zero") << 12350LL << "1.24" << "1.24";
        QTest::newRow("thousands") << 12345678900LL << "1234567.89" << "1,234,567.89";
        // clang-format on
    }
    void formats()
    {
        QFETCH(qlonglong, units);
        QFETCH(QString, plain);
        QFETCH(QString, grouped);
        const Money m = Money::fromUnits(units);
        QCOMPARE(m.format() + " " + m.formatGrouped(), plain + " " + grouped);
        QCOMPARE(Money::parseCell(grouped).roundedToCents(), m.roundedToCents());
        const double d = units / 10000.0;
        QCOMPARE(NumberText::money(d), plain);
    }

    // price × quantity to cents, half away from zero; quantity 0: whole units, half to even,
    // the settlement's own rounding.
    void rounding_data()
    {
        QTest::addColumn<QString>("amount");
        QTest::addColumn<double>("qty");
        QTest::addColumn<QString>("rounded");
        QTest::newRow("1.5 x 1.15") << "1.15" << 1.5 << "1.73";
        QTest::newRow("negative quantity") << "1.15" << -1.5 << "-1.73";
        QTest::newRow("tenth of a cent") << "0.333" << 3.0 << "1.00";
        QTest::newRow("25.50 to even") << "25.50" << 0.0 << "26.00";
        QTest::newRow("24.50 to even") << "24.50" << 0.0 << "24.00";
        QTest::newRow("-2.50") << "-2.50" << 0.0 << "-2.00";
    }
    void rounding()
    {
        QFETCH(QString, amount);
        QFETCH(double, qty);
        QFETCH(QString, rounded);
        const Money m = Money::parse(amount);
        QCOMPARE((qty ? Money::lineAmount(m, qty) : m.roundedToWholeUnitHalfEven()).format(),
                 rounded);
        if (!qty) // quantities round the same way
            QCOMPARE(NumberText::roundHalfEven(m.toDouble()), rounded.toDouble());
    }

    void boundary()
    {
        QCOMPARE(Money::fromDouble(1.10 + 2.20), Money::fromCents(330));
        QCOMPARE(Money::fromVariant(QVariant(QStringLiteral("123.4500"))),
                 Money::fromUnits(1234500));
        QCOMPARE(Money::fromVariant(QVariant()), Money());
        QCOMPARE(Money::fromDouble(qInf()), Money());
        QCOMPARE(Money::fromInt(120).dividedBy(0), Money());
        QCOMPARE(Money::parse("25.50").times(0.9).format(), QStringLiteral("22.95"));
        QCOMPARE(NumberText::plain(-1234.5) + " " + NumberText::plain(0), QString("-1234.5 0"));
    }
};

QTEST_GUILESS_MAIN(tst_SaleBill)
#include "tst_SaleBill.moc"
