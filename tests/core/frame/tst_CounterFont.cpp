#include <QtTest>

#include "core/frame/CounterFont.h"
#include "core/frame/KwStore.h"

class tst_CounterFont : public QObject
{
    Q_OBJECT
private slots:
    void pointSize_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<double>("desktop");
        QTest::addColumn<double>("size");
        QTest::newRow("not set: a step above the desktop") << "" << 10.0 << 12.0;
        QTest::newRow("desktop in pixels") << "" << -1.0 << 11.0;
        QTest::newRow("set") << "16" << 10.0 << 16.0;
        QTest::newRow("set with spaces and a fraction") << " 13.5 " << 9.0 << 13.5;
        QTest::newRow("smaller than the desktop is allowed") << "8" << 10.0 << 8.0;
        QTest::newRow("too small") << "2" << 10.0 << 12.0;
        QTest::newRow("too large") << "200" << 10.0 << 12.0;
        QTest::newRow("not a number") << "big" << 10.0 << 12.0;
    }
    void pointSize()
    {
        QFETCH(QString, setting);
        QFETCH(double, desktop);
        QFETCH(double, size);
        QCOMPARE(CounterFont::pointSize(setting, desktop), size);
    }

    // The station's setting is the one the screens read.
    void readFromStation()
    {
        QTemporaryDir dir;
        qputenv("KWPOS_CONFIG_DIR", dir.path().toUtf8());
        QCOMPARE(CounterFont::pointSize(10), 12.0);
        KwStore::set("Kwstore", "pos.default", "counterfontsize", "15");
        QCOMPARE(CounterFont::pointSize(10), 15.0);
    }
};

QTEST_GUILESS_MAIN(tst_CounterFont)
#include "tst_CounterFont.moc"
