#include <QtTest>

#include "TestDb.h"
#include "core/pos/SaleBill.h"

class tst_SaleBill : public QObject
{
    Q_OBJECT
private slots:
    void refusals_data()
    {
        QTest::addColumn<int>("item");
        QTest::addColumn<double>("qty");
        QTest::addColumn<QString>("price");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("field");
        // clang-format off
        QTest::newRow("no item") << 0 << 1.0 << "3.50" << "请输入商品！" << "txtBarcode";
        QTest::newRow("quantity 0") << 1 << 0.0 << "3.50" << "请输入数量！" << "txtQty";
        QTest::newRow("bar code as quantity") << 1 << 6901234500011.0 << "3.50" << "请输入数量！" << "txtQty";
        QTest::newRow("just above the limit") << 1 << 9999.5 << "3.50" << "请输入数量！" << "txtQty";
        QTest::newRow("no price") << 1 << 2.0 << "" << "请输入单价！" << "txtPrice";
        // clang-format on
    }
    void refusals()
    {
        QFETCH(int, item);
        QFETCH(double, qty);
        QFETCH(QString, price);
        QFETCH(QString, message);
        QFETCH(QString, field);
        SaleBill bill;
        QString got;
        QCOMPARE(TestDb::refusalOf(
                     [&] { bill.add(item, QStringLiteral("x"), qty, Money::parse(price)); }, &got),
                 message);
        QCOMPARE(got, field);
        QVERIFY(bill.isEmpty());
        bill.add(1, QStringLiteral("x"), SaleBill::MaxQty, Money::fromInt(1));
        QCOMPARE(bill.lines().size(), 1);
    }

    // A pack of six at 30.00 scanned twice: twelve pieces, one pack line, 60.00 charged.
    void packLine()
    {
        SaleBill bill;
        const SaleLine &l = bill.add(3, QStringLiteral("低脂牛奶"), 2, Money::fromInt(30), 6);
        QCOMPARE((QList<double>{l.qty, double(l.mainQty)}), (QList<double>{12, 1}));
        QCOMPARE((QList<Money>{l.price, l.amount, l.price1, l.amount1}),
                 (QList<Money>{Money::fromInt(30), Money::fromInt(60), Money::fromInt(30),
                               Money::fromInt(60)}));
        QCOMPARE(bill.add(1, QStringLiteral("鲜牛奶"), 1.5, Money::parse("1.15")).amount,
                 Money::fromCents(173));
        QCOMPARE(bill.totalQty(), 13.5);
        QCOMPARE(bill.receivable(), Money::fromCents(6173));
        QCOMPARE(SaleBill::monthLabel(QDate(2024, 3, 9)) + SaleBill::monthLabel(QDate(2012, 10, 5)),
                 QStringLiteral("2024年3月2012年10月"));
    }

    // Pick-up lines hand out paid goods: shown, never charged, wherever they stand.
    void receivableWithoutPickups_data()
    {
        QTest::addColumn<int>("pickupAt");
        QTest::newRow("first") << 0;
        QTest::newRow("middle") << 1;
        QTest::newRow("last") << 2;
    }
    void receivableWithoutPickups()
    {
        QFETCH(int, pickupAt);
        SaleBill bill;
        for (int i = 0; i < 3; ++i) {
            SaleLine l;
            l.itemId = 1;
            l.qty = i + 1;
            l.amount = i == pickupAt ? Money::fromInt(99) : Money::fromInt(10);
            l.orderId = i == pickupAt ? 7 : 0;
            bill.addLine(l);
        }
        QCOMPARE(bill.receivable(), Money::fromInt(20));
        QCOMPARE(bill.shownAmount(), Money::fromInt(119));
        QCOMPARE(bill.totalQty(), 6.0);
        bill.remove(pickupAt);
        bill.remove(5); // out of range: nothing
        QCOMPARE(bill.lines().size(), 2);
        QCOMPARE(bill.shownAmount(), Money::fromInt(20));
    }
};

QTEST_GUILESS_MAIN(tst_SaleBill)
#include "tst_SaleBill.moc"
