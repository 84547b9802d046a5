#include <QtTest>

#include "core/base/Money.h"
#include "core/base/NumberText.h"

// Exact money and the numbers of the text boxes: reading, formatting, rounding.
class tst_Money : public QObject
{
    Q_OBJECT
private slots:
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

QTEST_GUILESS_MAIN(tst_Money)
#include "tst_Money.moc"
