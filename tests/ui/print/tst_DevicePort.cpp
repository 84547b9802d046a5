#include <QtTest>

#include "TestDb.h"
#include "core/frame/KwStore.h"
#include "ui/print/DevicePort.h"

class tst_DevicePort : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    // Only UseMoneyBox 1 opens the drawer, with the five-byte pulse on the receipt port; a
    // port that cannot be opened is named to the cashier.
    void drawer_data()
    {
        QTest::addColumn<QString>("useMoneyBox"); // "<absent>" leaves the key out
        QTest::addColumn<QString>("printPort"); // "<file>" names the file itself, else mapped to it
        QTest::addColumn<QString>("outcome");   // the bytes written, in hex, or the error
        // clang-format off
        QTest::newRow("absent") << "<absent>" << "<file>" << "";
        QTest::newRow("one") << "1" << "<file>" << "1b70003cff";
        QTest::newRow("one through the port map") << "1" << "LPT2" << "1b70003cff";
        QTest::newRow("no port set means LPT1") << "1" << "<absent>" << "1b70003cff";
        QTest::newRow("missing folder") << "1" << "/nonexistent-dir/lp9" << "failure: 打开钱箱失败：/nonexistent-dir/lp9";
        QTest::newRow("serial port absent") << "1" << "Com9" << "failure: 打开钱箱失败：Com9";
        QTest::newRow("no port set") << "1" << "" << "failure: 打开钱箱失败：端口";
        // clang-format on
    }
    void drawer()
    {
        QFETCH(QString, useMoneyBox);
        QFETCH(QString, printPort);
        QFETCH(QString, outcome);
        TestDb t;
        const QString file = t.dir() + "/drawer.bin";
        QFile(file).open(QIODevice::WriteOnly); // the "device" exists and is empty
        if (useMoneyBox != "<absent>")
            KwStore::set("KwStore", "Pos.Default", "UseMoneyBox", useMoneyBox);
        if (printPort != "<absent>")
            KwStore::set("KwStore", "Pos.Default", "PrintPort", printPort == "<file>" ? file : printPort);
        if (printPort == "LPT2" || printPort == "<absent>")
            KwStore::set("KwStore", "Ports", printPort == "<absent>" ? "lpt1" : "lpt2", file);
        const QString error = TestDb::refusalOf([] { DevicePort::openCashDrawer(); });
        if (!error.isEmpty()) {
            // The engine's reason follows the port's name.
            QVERIFY2(error.startsWith(outcome.section("：", 0, 0)) &&
                         error.contains(outcome.section("：", 1)),
                     qPrintable(error));
            return;
        }
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromLatin1(f.readAll().toHex()), outcome);
    }
};

QTEST_MAIN(tst_DevicePort)
#include "tst_DevicePort.moc"
