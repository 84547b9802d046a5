#include <functional>

#include <QtTest>

#include "core/base/CoreError.h"
#include "core/frame/CounterFont.h"
#include "core/frame/KwStore.h"
#include "core/frame/StationSettings.h"
#include "core/frame/SystemTranslation.h"
#include "core/print/ExportFolder.h"

namespace {

using S = StationSettings;

// Each setting: how it is read and written, its default, and the section and key other
// programs on the station read it under.
struct Setting
{
    const char *name;
    std::function<QString()> read;
    std::function<void(const QString &)> write;
    const char *byDefault, *section, *key, *sample;
};

const QList<Setting> &settings()
{
    // clang-format off
    static const QList<Setting> all{
        {"receipt port", S::printPort, S::setPrintPort, "LPT1", "Pos.Default", "PrintPort", "Com2"},
        {"detail port", S::detailPrintPort, S::setDetailPrintPort, "LPT1", "DefaultValue", "PrintPort", "LPT3"},
        {"drawer", [] { return QString::number(S::useMoneyBox()); }, [](const QString &v) { S::setUseMoneyBox(v == "1"); }, "0", "Pos.Default", "UseMoneyBox", "1"},
        {"baud", [] { return QString::number(S::comBaudRate()); }, [](const QString &v) { S::setComBaudRate(v.toInt()); }, "9600", "Pos.Default", "ComBaudRate", "19200"},
        {"encoding", S::portEncoding, S::setPortEncoding, "GB18030", "Pos.Default", "PortEncoding", "UTF-8"},
        {"printer", S::receiptPrinter, S::setReceiptPrinter, "", "Pos.Default", "ReceiptPrinter", "柜台"},
        {"warehouse", S::saleStock, S::setSaleStock, "店面", "DefaultValue", "frmSaleBill.Stock", "冷库"},
        {"port map", [] { return S::mappedPort("LPT1"); }, [](const QString &v) { S::setMappedPort("LPT1", v); }, "", "Ports", "LPT1", "/dev/usb/lp1"},
        {"scan adds a line", [] { return QString::number(S::scanAddsLine()); }, [](const QString &v) { S::setScanAddsLine(v == "1"); }, "0", "Pos.Default", "ScanAddsLine", "1"},
        {"quantity asked above", [] { return QString::number(S::qtyAskAbove()); }, [](const QString &v) { S::setQtyAskAbove(v.toInt()); }, "99", "Pos.Default", "QtyAskAbove", "500"},
    };
    // clang-format on
    return all;
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

    // Each setting lands under its section and key, and every other setting still reads its
    // default: the two PrintPort keys stay apart.
    void roundTrip_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < settings().size(); ++i)
            QTest::newRow(settings()[i].name) << i;
    }
    void roundTrip()
    {
        QFETCH(int, index);
        const Setting &s = settings()[index];
        s.write(QString::fromUtf8(s.sample));
        // Files written by other programs spell sections and keys as they like.
        QCOMPARE(KwStore::get("Kwstore", QString(s.section).toLower(), QString(s.key).toUpper()),
                 QString::fromUtf8(s.sample));
        for (const Setting &o : settings())
            QCOMPARE(o.read(), QString::fromUtf8(&o == &s ? o.sample : o.byDefault));
    }

    // A store that cannot be written (its folder would sit under a file) says so and names
    // the file; nothing is taken as saved.
    void unwritable()
    {
        QFile blocker(m_dir.path() + "/blocker");
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        qputenv("KWPOS_CONFIG_DIR", (blocker.fileName() + "/config").toUtf8());
        for (const Setting &s : settings()) {
            QString message;
            try {
                s.write("1");
            } catch (const CoreError &e) {
                message = e.message();
            }
            QVERIFY2(message.startsWith("设置未保存") &&
                         message.contains(KwStore::filePath("KwStore")),
                     qPrintable(QString(s.name) + ": " + message));
            QCOMPARE(s.read(), QString::fromUtf8(s.byDefault));
        }
    }

    // The counter screens' font: the station's size when sensible, else a step above the
    // desktop's.
    void counterFont_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<double>("desktop");
        QTest::addColumn<double>("size");
        QTest::newRow("not set: a step above the desktop") << "" << 10.0 << 12.0;
        QTest::newRow("set with spaces and a fraction") << " 13.5 " << 9.0 << 13.5;
        QTest::newRow("too small") << "2" << 10.0 << 12.0;
        QTest::newRow("not a number") << "big" << 10.0 << 12.0;
    }
    void counterFont()
    {
        QFETCH(QString, setting);
        QFETCH(double, desktop);
        QFETCH(double, size);
        KwStore::set("Kwstore", "pos.default", "counterfontsize", setting);
        QCOMPARE(CounterFont::pointSize(desktop), size);
    }

    // The export dialogue starts in the last export's folder while it exists, else in the
    // documents folder.
    void exportFolder_data()
    {
        QTest::addColumn<QString>("chosen"); // "" for no export yet
        QTest::addColumn<bool>("removed");   // the folder deleted after the export
        QTest::newRow("first time") << "" << false;
        QTest::newRow("last folder") << "exports/list.xlsx" << false;
        QTest::newRow("folder gone") << "gone/list.xlsx" << true;
    }
    void exportFolder()
    {
        QFETCH(QString, chosen);
        QFETCH(bool, removed);
        const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        QString folder = documents;
        if (!chosen.isEmpty()) {
            folder = QFileInfo(m_dir.path() + "/" + chosen).absolutePath();
            QVERIFY(QDir().mkpath(folder));
            ExportFolder::remember(m_dir.path() + "/" + chosen);
            if (removed && QDir(folder).removeRecursively())
                folder = documents;
        }
        QCOMPARE(ExportFolder::start(), folder);
    }

    // The Qt translation the station's locale asks for.
    void fileName_data()
    {
        QTest::addColumn<QString>("lcAll");
        QTest::addColumn<QString>("lcMessages");
        QTest::addColumn<QString>("lang");
        QTest::addColumn<QString>("file");
        const struct
        {
            const char *tag, *lcAll, *lcMessages, *lang, *file;
        } rows[] = {
            {"C", "", "", "C", "qtbase_zh_CN"},
            {"Taiwan", "", "", "zh_TW.UTF-8", "qtbase_zh_TW"},
            {"LC_ALL over LANG", "zh_CN.UTF-8", "", "en_US.UTF-8", "qtbase_zh_CN"},
            {"LC_MESSAGES over LANG", "", "de_DE@euro", "zh_CN", "qtbase_de_DE"},
        };
        for (const auto &r : rows)
            QTest::newRow(r.tag) << r.lcAll << r.lcMessages << r.lang << r.file;
    }
    void fileName()
    {
        QFETCH(QString, lcAll);
        QFETCH(QString, lcMessages);
        QFETCH(QString, lang);
        QFETCH(QString, file);
        QCOMPARE(
            SystemTranslation::fileName(SystemTranslation::localeName(lcAll, lcMessages, lang)),
            file);
    }

    // The file really is there (the package is installed) and turns Qt's buttons Chinese.
    void installedForUnsetLocale()
    {
        qunsetenv("LC_ALL");
        qunsetenv("LC_MESSAGES");
        qputenv("LANG", "C");
        QVERIFY(SystemTranslation::install(*QCoreApplication::instance()));
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("取消"));
    }
};

QTEST_GUILESS_MAIN(tst_StationSettings)
#include "tst_StationSettings.moc"
