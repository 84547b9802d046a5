#include <QtTest>

#include "core/frame/NumberText.h"

class tst_NumberText : public QObject
{
    Q_OBJECT
private slots:
    void val_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("unit after number") << "3.5kg" << 3.5;
        QTest::newRow("grouped stops at comma") << "1,234.00" << 1.0;
        QTest::newRow("sign") << "-1" << -1.0;
        QTest::newRow("point first") << ".5" << 0.5;
        QTest::newRow("second point ends it") << "1.2.3" << 1.2;
        QTest::newRow("two signs") << "--1" << 0.0;
        QTest::newRow("full-width digits") << "１２" << 0.0;
        QTest::newRow("huge") << QString(400, u'9') << 0.0;
    }
    void val()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(NumberText::val(text), value);
    }

    void formats_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("money");
        QTest::addColumn<QString>("grouped");
        QTest::addColumn<QString>("plain");
        // clang-format off
        QTest::newRow("zero") << 0.0 << "0.00" << "0.00" << "0";
        QTest::newRow("no minus zero") << -0.001 << "0.00" << "0.00" << "-0.001";
        QTest::newRow("price") << 16.8 << "16.80" << "16.80" << "16.8";
        QTest::newRow("thousands") << 1234567.891 << "1234567.89" << "1,234,567.89" << "1234567.891";
        QTest::newRow("negative") << -1234.5 << "-1234.50" << "-1,234.50" << "-1234.5";
        // clang-format on
    }
    void formats()
    {
        QFETCH(double, value);
        QFETCH(QString, money);
        QFETCH(QString, grouped);
        QFETCH(QString, plain);
        QCOMPARE(NumberText::money(value) + " " + NumberText::moneyGrouped(value) + " " +
                     NumberText::plain(value),
                 money + " " + grouped + " " + plain);
    }

    void roundHalfEven_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<qlonglong>("rounded");
        QTest::newRow("2.5 down") << 2.5 << 2LL;
        QTest::newRow("3.5 up") << 3.5 << 4LL;
        QTest::newRow("-2.5") << -2.5 << -2LL;
    }
    void roundHalfEven()
    {
        QFETCH(double, value);
        QFETCH(qlonglong, rounded);
        QCOMPARE(NumberText::roundHalfEven(value), rounded);
    }
};

QTEST_GUILESS_MAIN(tst_NumberText)
#include "tst_NumberText.moc"
