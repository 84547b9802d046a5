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
} // namespace

class tst_DevicePort : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    // Only UseMoneyBox 1 opens the drawer, with the five-byte pulse on the receipt port.
    void drawer_data()
    {
        QTest::addColumn<QString>("useMoneyBox"); // "<absent>" leaves the key out
        QTest::addColumn<QString>("printPort");   // "<file>" names the file itself, else mapped to it
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("absent") << "<absent>" << "<file>" << QByteArray();
        QTest::newRow("zero") << "0" << "<file>" << QByteArray();
        QTest::newRow("text") << "yes" << "<file>" << QByteArray();
        QTest::newRow("one") << "1" << "<file>" << kPulse;
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

    // The cashier is told which port failed.
    void unopenablePortNamesIt_data()
    {
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("named");
        QTest::newRow("missing folder") << "/nonexistent-dir/lp9" << "/nonexistent-dir/lp9";
        QTest::newRow("serial port absent") << "Com9" << "Com9";
        QTest::newRow("no port set") << "" << "端口";
    }
    void unopenablePortNamesIt()
    {
        QFETCH(QString, port);
        QFETCH(QString, named);
        TestDb t;
        station("UseMoneyBox", "1");
        station("PrintPort", port);
        QString error;
        try {
            DevicePort::openCashDrawer();
        } catch (const db::DbError &e) {
            error = e.message();
        }
        QVERIFY2(error.startsWith("打开钱箱失败：") && error.contains(named), qPrintable(error));
    }
};

QTEST_MAIN(tst_DevicePort)
#include "tst_DevicePort.moc"
