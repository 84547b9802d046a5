#include <QtTest>

#include "TestDb.h"
#include "core/frame/KwStore.h"
#include "core/db/DbError.h"
#include "ui/print/DevicePort.h"

namespace {
const QByteArray kPulse = QByteArray::fromHex("1B70003CFF");

void station(const QString &key, const QString &value)
{
    KwStore::set("KwStore", "Pos.Default", key, value);
}
QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
// The error text a call raises, empty when it raises none.
template <class F> QString errorOf(F call)
{
    try {
        call();
    } catch (const db::DbError &e) {
        return e.message();
    }
    return {};
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
        QTest::addColumn<QString>("printPort");   // "<file>" names the file itself, else mapped to it
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("absent") << "<absent>" << "<file>" << QByteArray();
        QTest::newRow("zero") << "0" << "<file>" << QByteArray();
        QTest::newRow("two") << "2" << "<file>" << QByteArray();
        QTest::newRow("text") << "yes" << "<file>" << QByteArray();
        QTest::newRow("one") << "1" << "<file>" << kPulse;
        QTest::newRow("one as decimal") << "1.0" << "<file>" << kPulse;
        QTest::newRow("one through the port map") << "1" << "LPT2" << kPulse;
        QTest::newRow("no port set means LPT1") << "1" << "<absent>" << kPulse;
    }
    void drawer()
    {
        QFETCH(QString, useMoneyBox);
        QFETCH(QString, printPort);
        QFETCH(QByteArray, written);
        TestDb t;
        const QString file = t.dir() + "/drawer.bin";
        QFile(file).open(QIODevice::WriteOnly); // the "device" exists and is empty
        if (useMoneyBox != "<absent>")
            station("UseMoneyBox", useMoneyBox);
        if (printPort == "<file>")
            station("PrintPort", file);
        else if (printPort != "<absent>")
            station("PrintPort", printPort);
        if (printPort != "<file>")
            KwStore::set("KwStore", "Ports", printPort == "<absent>" ? "LPT1" : printPort.toLower(), file);
        DevicePort::openCashDrawer();
        QCOMPARE(readAll(file), written);
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
        const QString error = errorOf(DevicePort::openCashDrawer);
        QVERIFY2(error.startsWith("打开钱箱失败：") && error.contains(named), qPrintable(error));
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
        QTest::addColumn<QByteArray>("bytes");  // "<missing>": refused, nothing half-written
        QTest::newRow("GB18030 by default") << "" << QByteArray::fromHex("d6d0cec44131") + "\r\n" + "2\r\n";
        QTest::newRow("UTF-8 when set") << "UTF-8" << QByteArray("中文A1\r\n2\r\n");
        QTest::newRow("unknown encoding") << "KLINGON-8" << QByteArray("<missing>");
    }
    void linesEncoding()
    {
        QFETCH(QString, encoding);
        QFETCH(QByteArray, bytes);
        TestDb t;
        if (!encoding.isEmpty())
            station("PortEncoding", encoding);
        const QString file = t.dir() + "/lines.txt";
        QCOMPARE(!errorOf([&] { DevicePort::writeLines(file, {"中文A1", "2"}); }).isEmpty(), bytes == "<missing>");
        QCOMPARE(readAll(file), bytes);
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
