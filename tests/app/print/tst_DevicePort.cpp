#include <QtTest>

#include "ScriptedPrompts.h"
#include "TestDb.h"
#include "app/KwStore.h"
#include "app/db/DbError.h"
#include "app/print/DevicePort.h"

namespace {
void station(const QString &key, const QString &value)
{
    KwStore::set("KwStore", "Pos.Default", key, value);
}
QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
} // namespace

class tst_DevicePort : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    void drawer_data()
    {
        QTest::addColumn<QString>("useMoneyBox"); // "<absent>" leaves the key out
        QTest::addColumn<bool>("viaMap");          // PrintPort "LPT2" mapped to the file
        QTest::addColumn<QByteArray>("written");
        const QByteArray pulse = QByteArray::fromHex("1B70003CFF");
        QTest::newRow("absent") << "<absent>" << false << QByteArray();
        QTest::newRow("zero") << "0" << false << QByteArray();
        QTest::newRow("two") << "2" << false << QByteArray();
        QTest::newRow("text") << "yes" << false << QByteArray();
        QTest::newRow("one") << "1" << false << pulse;
        QTest::newRow("one as decimal") << "1.0" << false << pulse;
        QTest::newRow("one through the port map") << "1" << true << pulse;
    }
    void drawer()
    {
        QFETCH(QString, useMoneyBox);
        QFETCH(bool, viaMap);
        QFETCH(QByteArray, written);
        TestDb t;
        const QString file = t.dir() + "/drawer.bin";
        QFile(file).open(QIODevice::WriteOnly); // the "device" exists and is empty
        if (useMoneyBox != "<absent>")
            station("UseMoneyBox", useMoneyBox);
        if (viaMap) {
            station("PrintPort", "LPT2");
            KwStore::set("KwStore", "Ports", "lpt2", file);
        } else {
            station("PrintPort", file);
        }
        DevicePort::openCashDrawer();
        QCOMPARE(readAll(file), written);
    }

    void drawerDefaultsToLpt1()
    {
        TestDb t;
        station("UseMoneyBox", "1");
        KwStore::set("KwStore", "Ports", "LPT1", t.dir() + "/lpt1.bin");
        DevicePort::openCashDrawer();
        QCOMPARE(readAll(t.dir() + "/lpt1.bin"), QByteArray::fromHex("1B70003CFF"));
    }

    void unopenablePortNamesIt_data()
    {
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("named");
        QTest::newRow("missing folder") << "/nonexistent-dir/lp9" << "/nonexistent-dir/lp9";
        QTest::newRow("unknown port name") << "PRN" << "PRN";
        QTest::newRow("serial port absent") << "Com9" << "Com9";
        QTest::newRow("no port set") << "" << "端口";
        QTest::newRow("port zero") << "LPT0" << "LPT0";
    }
    void unopenablePortNamesIt()
    {
        QFETCH(QString, port);
        QFETCH(QString, named);
        TestDb t;
        station("UseMoneyBox", "1");
        station("PrintPort", port);
        try {
            DevicePort::openCashDrawer();
            QFAIL("no error");
        } catch (const db::DbError &e) {
            QVERIFY2(e.message().contains(named), qPrintable(e.message()));
        }
    }

    void portNames_data()
    {
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("path");
        QTest::newRow("lpt1") << "LPT1" << (QFile::exists("/dev/usb/lp0") ? "/dev/usb/lp0" : "/dev/lp0");
        QTest::newRow("lpt3 lower case") << "lpt3" << (QFile::exists("/dev/usb/lp2") ? "/dev/usb/lp2" : "/dev/lp2");
        QTest::newRow("com2") << "Com2" << "/dev/ttyS1";
        QTest::newRow("absolute path") << "/tmp/receipt.out" << "/tmp/receipt.out";
        QTest::newRow("spaces trimmed") << " COM1 " << "/dev/ttyS0";
    }
    void portNames()
    {
        QFETCH(QString, port);
        QFETCH(QString, path);
        TestDb t;
        QCOMPARE(DevicePort::devicePath(port), path);
    }

    void linesEncoding_data()
    {
        QTest::addColumn<QString>("encoding"); // empty: the default
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("GB18030 by default") << "" << QByteArray::fromHex("d6d0cec44131") + "\r\n" + "2\r\n";
        QTest::newRow("UTF-8 when set") << "UTF-8" << QByteArray("中文A1\r\n2\r\n");
    }
    void linesEncoding()
    {
        QFETCH(QString, encoding);
        QFETCH(QByteArray, bytes);
        TestDb t;
        if (!encoding.isEmpty())
            station("PortEncoding", encoding);
        const QString file = t.dir() + "/lines.txt";
        DevicePort::writeLines(file, {"中文A1", "2"});
        QCOMPARE(readAll(file), bytes);
    }

    void unknownEncodingIsAnError()
    {
        TestDb t;
        station("PortEncoding", "KLINGON-8");
        const QString file = t.dir() + "/lines.txt";
        QVERIFY_THROWS_EXCEPTION(db::DbError, DevicePort::writeLines(file, {"x"}));
        QVERIFY(!QFile::exists(file)); // nothing half-written
    }

    void fileStandInCollectsEverything()
    {
        TestDb t;
        const QString file = t.dir() + "/port.bin";
        DevicePort::writeBytes(file, "A");
        DevicePort::writeBytes(file, "B");
        QCOMPARE(readAll(file), QByteArray("AB"));
    }
};

QTEST_MAIN(tst_DevicePort)
#include "tst_DevicePort.moc"
