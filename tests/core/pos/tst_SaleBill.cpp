#include <QtTest>

#include "OrderLineFixture.h"

#include "TestDb.h"
#include "core/base/Money.h"
#include "core/pos/MemberOrders.h"
#include "core/pos/SaleBill.h"

namespace {


} // namespace

// The sale bill on the counter: lines rung up and refused, pick-up lines, the scanned code.
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
};

QTEST_GUILESS_MAIN(tst_SaleBill)
#include "tst_SaleBill.moc"
