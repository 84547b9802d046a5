#include <QtTest>

#include "core/db/DbError.h"
#include "core/frame/KwStore.h"
#include "core/frame/StationSettings.h"

namespace {

const QStringList Names{"printPort",    "detailPrintPort", "useMoneyBox", "comBaudRate",
                        "portEncoding", "receiptPrinter",  "saleStock",   "mappedPort"};

QString readSetting(const QString &name)
{
    if (name == "printPort")
        return StationSettings::printPort();
    if (name == "detailPrintPort")
        return StationSettings::detailPrintPort();
    if (name == "useMoneyBox")
        return StationSettings::useMoneyBox() ? "1" : "0";
    if (name == "comBaudRate")
        return QString::number(StationSettings::comBaudRate());
    if (name == "portEncoding")
        return StationSettings::portEncoding();
    if (name == "receiptPrinter")
        return StationSettings::receiptPrinter();
    if (name == "saleStock")
        return StationSettings::saleStock();
    return StationSettings::mappedPort("LPT1");
}

void writeSetting(const QString &name, const QString &value)
{
    if (name == "printPort")
        StationSettings::setPrintPort(value);
    else if (name == "detailPrintPort")
        StationSettings::setDetailPrintPort(value);
    else if (name == "useMoneyBox")
        StationSettings::setUseMoneyBox(value == "1");
    else if (name == "comBaudRate")
        StationSettings::setComBaudRate(value.toInt());
    else if (name == "portEncoding")
        StationSettings::setPortEncoding(value);
    else if (name == "receiptPrinter")
        StationSettings::setReceiptPrinter(value);
    else if (name == "saleStock")
        StationSettings::setSaleStock(value);
    else
        StationSettings::setMappedPort("LPT1", value);
}

QMap<QString, QString> defaults()
{
    return {{"printPort", "LPT1"},   {"detailPrintPort", "LPT1"}, {"useMoneyBox", "0"},
            {"comBaudRate", "9600"}, {"portEncoding", "GB18030"}, {"receiptPrinter", ""},
            {"saleStock", "店面"},   {"mappedPort", ""}};
}

} // namespace

class tst_StationSettings : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void init()
    {
        const QString dir =
            m_dir.path() + "/" + QTest::currentTestFunction() + "-" + QTest::currentDataTag();
        qputenv("KWPOS_CONFIG_DIR", dir.toUtf8());
    }

    // Each setting lands under the section and key other programs on the station read, and
    // every other setting still reads its default: the two PrintPort keys stay apart.
    void roundTrip_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        const struct
        {
            const char *tag, *name, *value, *section, *key;
        } rows[] = {
            {"receipt port", "printPort", "Com2", "Pos.Default", "PrintPort"},
            {"detail port", "detailPrintPort", "LPT3", "DefaultValue", "PrintPort"},
            {"drawer", "useMoneyBox", "1", "Pos.Default", "UseMoneyBox"},
            {"baud", "comBaudRate", "19200", "Pos.Default", "ComBaudRate"},
            {"encoding", "portEncoding", "UTF-8", "Pos.Default", "PortEncoding"},
            {"printer", "receiptPrinter", "柜台", "Pos.Default", "ReceiptPrinter"},
            {"warehouse", "saleStock", "冷库", "DefaultValue", "frmSaleBill.Stock"},
            {"port map", "mappedPort", "/dev/usb/lp1", "Ports", "LPT1"},
        };
        for (const auto &r : rows)
            QTest::newRow(r.tag) << r.name << QString::fromUtf8(r.value) << r.section << r.key;
    }
    void roundTrip()
    {
        QFETCH(QString, name);
        QFETCH(QString, value);
        QFETCH(QString, section);
        QFETCH(QString, key);
        writeSetting(name, value);
        QCOMPARE(KwStore::get("KwStore", section, key), value);
        QMap<QString, QString> expected = defaults();
        expected[name] = value;
        for (const QString &n : Names)
            QCOMPARE(readSetting(n), expected[n]);
    }

    // Files written by other programs on the station spell sections and keys as they like.
    void namesInAnyCase()
    {
        QCOMPARE(KwStore::get("KwStore", "Pos.Default", "PrintPort", "LPT1"), QString("LPT1"));
        KwStore::set("KwStore", "DefaultValue", "frmSaleBill.Stock", QStringLiteral("冷库"));
        QCOMPARE(KwStore::get("Kwstore", "Defaultvalue", "FRMSALEBILL.STOCK"), QString("冷库"));
        QCOMPARE(StationSettings::saleStock(), QStringLiteral("冷库"));
    }

    // A store that cannot be written (its folder would sit under a file) says so and names
    // the file; nothing is taken as saved.
    void unwritable()
    {
        QFile blocker(m_dir.path() + "/blocker");
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        qputenv("KWPOS_CONFIG_DIR", (blocker.fileName() + "/config").toUtf8());
        for (const QString &name : Names) {
            QString message;
            try {
                writeSetting(name, "1");
            } catch (const db::DbError &e) {
                message = e.message();
            }
            QVERIFY2(message.startsWith("设置未保存") &&
                         message.contains(KwStore::filePath("KwStore")),
                     qPrintable(name + ": " + message));
            QCOMPARE(readSetting(name), defaults()[name]);
        }
    }
};

QTEST_GUILESS_MAIN(tst_StationSettings)
#include "tst_StationSettings.moc"
