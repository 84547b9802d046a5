#include <QtTest>

#include "core/frame/KwStore.h"
#include "ui/widgets/WindowFit.h"

class tst_WindowFit : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        qputenv("KWPOS_CONFIG_DIR", m_dir->path().toUtf8());
    }

    // A window fits the screen it opens on, at the size this station remembers for it.
    void apply_data()
    {
        QTest::addColumn<QSize>("size");     // as the window was built
        QTest::addColumn<QString>("stored"); // remembered on this station
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QSize>("expected");
        const QRect counter(0, 0, 1024, 740); // 1024 × 768 with a panel at the bottom
        QTest::newRow("fits") << QSize(400, 300) << "" << counter << QSize(400, 300);
        QTest::newRow("second screen") << QSize(1300, 900) << "" << QRect(1280, 0, 800, 600) << QSize(800, 600);
        QTest::newRow("remembered size") << QSize(400, 300) << "700x500" << counter << QSize(700, 500);
        QTest::newRow("remembered unreadable") << QSize(400, 300) << "wide" << counter << QSize(400, 300);
    }
    void apply()
    {
        QFETCH(QSize, size);
        QFETCH(QString, stored);
        QFETCH(QRect, available);
        QFETCH(QSize, expected);
        if (!stored.isEmpty())
            KwStore::set("KwStore", "WindowSize", "frmTest", stored);
        QWidget w;
        w.setObjectName("frmTest");
        w.resize(size);
        WindowFit::apply(w, available);
        QCOMPARE(w.size(), expected);
        QVERIFY(available.contains(QRect(w.pos(), w.size())));
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_MAIN(tst_WindowFit)
#include "tst_WindowFit.moc"
