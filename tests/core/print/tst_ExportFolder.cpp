#include <QtTest>

#include "core/print/ExportFolder.h"

class tst_ExportFolder : public QObject
{
    Q_OBJECT
private slots:
    void init() { qputenv("KWPOS_CONFIG_DIR", (m_dir.path() + "/config").toUtf8()); }

    void start_data()
    {
        QTest::addColumn<QString>("chosen"); // relative to the test folder; "" for none yet
        QTest::addColumn<bool>("removed");   // the folder deleted after the export
        QTest::addColumn<bool>("documents"); // the dialogue starts in the documents folder
        QTest::newRow("first time") << "" << false << true;
        QTest::newRow("last folder") << "exports/list.xlsx" << false << false;
        QTest::newRow("folder gone") << "gone/list.xlsx" << true << true;
    }
    void start()
    {
        QFETCH(QString, chosen);
        QFETCH(bool, removed);
        QFETCH(bool, documents);
        QDir(m_dir.path()).removeRecursively();
        QString folder;
        if (!chosen.isEmpty()) {
            folder = QFileInfo(m_dir.path() + "/" + chosen).absolutePath();
            QVERIFY(QDir().mkpath(folder));
            ExportFolder::remember(m_dir.path() + "/" + chosen);
            if (removed)
                QVERIFY(QDir(folder).removeRecursively());
        }
        QCOMPARE(ExportFolder::start(),
                 documents ? QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
                           : folder);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(tst_ExportFolder)
#include "tst_ExportFolder.moc"
