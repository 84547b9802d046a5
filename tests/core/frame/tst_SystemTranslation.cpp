#include <QtTest>

#include "core/frame/SystemTranslation.h"

class tst_SystemTranslation : public QObject
{
    Q_OBJECT
private slots:
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

QTEST_GUILESS_MAIN(tst_SystemTranslation)
#include "tst_SystemTranslation.moc"
