#include <QDialog>
#include <QScreen>
#include <QtTest>

#include "core/frame/KwStore.h"
#include "ui/widgets/DialogRunner.h"
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

    void apply_data()
    {
        QTest::addColumn<QSize>("size");     // as the window was built
        QTest::addColumn<QString>("stored"); // remembered on this station
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QSize>("expected");
        const QRect counter(0, 0, 1024, 740); // 1024 × 768 with a panel at the bottom
        QTest::newRow("fits") << QSize(400, 300) << "" << counter << QSize(400, 300);
        QTest::newRow("designer on a counter screen")
            << QSize(1300, 760) << "" << counter << QSize(1024, 740);
        QTest::newRow("too wide only") << QSize(1300, 500) << "" << counter << QSize(1024, 500);
        QTest::newRow("second screen to the right")
            << QSize(1300, 900) << "" << QRect(1280, 0, 800, 600) << QSize(800, 600);
        QTest::newRow("remembered size")
            << QSize(400, 300) << "700x500" << counter << QSize(700, 500);
        QTest::newRow("remembered on a larger screen")
            << QSize(400, 300) << "1600x1000" << counter << QSize(1024, 740);
        QTest::newRow("remembered text unreadable")
            << QSize(400, 300) << "wide" << counter << QSize(400, 300);
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
        QVERIFY2(available.contains(QRect(w.pos(), w.size())),
                 qPrintable(QString("%1,%2").arg(w.pos().x()).arg(w.pos().y())));
    }

    // A dialog opened through the runner fits the screen, and opens next time at the size the
    // operator left it at.
    void dialogFittedAndSizeRemembered()
    {
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QSize opened;
        DialogRunner::setScript([&](QDialog &d) {
            d.show();
            opened = d.size();
            if (!screen.contains(d.frameGeometry()))
                return -1;
            d.resize(screen.width() / 2, screen.height() / 2);
            return int(QDialog::Accepted);
        });
        {
            QDialog d;
            d.setObjectName("frmBig");
            d.resize(screen.width() + 300, screen.height() + 100);
            QCOMPARE(DialogRunner::exec(d), int(QDialog::Accepted));
        }
        // Shrunk by the frame the window system put round it, not merely to the screen's size.
        QVERIFY(opened.width() < screen.width() && opened.height() < screen.height());
        DialogRunner::setScript([&](QDialog &d) {
            opened = d.size();
            return int(QDialog::Rejected);
        });
        QDialog again;
        again.setObjectName("frmBig");
        again.resize(screen.width() + 300, screen.height() + 100);
        DialogRunner::exec(again);
        DialogRunner::setScript({});
        QCOMPARE(opened, QSize(screen.width() / 2, screen.height() / 2));
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_MAIN(tst_WindowFit)
#include "tst_WindowFit.moc"
