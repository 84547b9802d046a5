#include <QProcess>
#include <QtTest>

#include "TestDb.h"
#include "core/db/BillNumbers.h"
#include "core/db/Database.h"
#include "core/db/DbError.h"
#include "core/db/Transaction.h"

class tst_BillNumbers : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    void drawsFromEachCounter()
    {
        TestDb t;
        for (int counter : {db::BillNumbers::SaleBill, db::BillNumbers::MemberOrder}) {
            db::Transaction tx(t.cnstr());
            QCOMPARE(db::BillNumbers::draw(tx, counter), 1);
            QCOMPARE(db::BillNumbers::draw(tx, counter), 2);
            tx.commit();
        }
        QCOMPARE(db::scalar(t.cnstr(), "select FMaxNum from ICMaxNum where FTranType=0").toInt(), 2);
        QCOMPARE(db::scalar(t.cnstr(), "select FMaxNum from ICMaxNum where FTranType=30").toInt(), 2);
    }

    void rolledBackSaveGivesNumberBack()
    {
        TestDb t;
        {
            db::Transaction tx(t.cnstr());
            QCOMPARE(db::BillNumbers::draw(tx, 0), 1);
            tx.execute("insert into ICStockBill (FInterID, FTrantype) values (1, 99)");
            // A later statement fails: the whole save must vanish, number included.
            QVERIFY_THROWS_EXCEPTION(db::DbError, tx.execute("insert into NoSuchTable values (1)"));
        }
        QCOMPARE(db::scalar(t.cnstr(), "select FMaxNum from ICMaxNum where FTranType=0").toInt(), 0);
        QCOMPARE(db::scalar(t.cnstr(), "select count(*) from ICStockBill").toInt(), 0);
        db::Transaction tx(t.cnstr());
        QCOMPARE(db::BillNumbers::draw(tx, 0), 1);
    }

    void unknownCounterIsAnError()
    {
        TestDb t;
        db::Transaction tx(t.cnstr());
        QVERIFY_THROWS_EXCEPTION(db::DbError, db::BillNumbers::draw(tx, 7));
    }

    // Four stations saving at the same moment never share a number and leave no gap.
    void concurrentStationsDrawDistinctGapFreeNumbers()
    {
        TestDb t;
        const int stations = 4, each = 200;
        QList<QProcess *> procs;
        for (int i = 0; i < stations; ++i) {
            auto *p = new QProcess(this);
            p->start(QStringLiteral(DRAW_NUMBERS_EXE), {t.cnstr(), QStringLiteral("0"), QString::number(each)});
            procs << p;
        }
        QList<int> all;
        for (QProcess *p : procs) {
            QVERIFY(p->waitForFinished(300000));
            QVERIFY2(p->exitCode() == 0, p->readAllStandardError().constData());
            for (const QByteArray &line : p->readAllStandardOutput().split('\n'))
                if (!line.trimmed().isEmpty())
                    all << line.trimmed().toInt();
        }
        QCOMPARE(all.size(), stations * each);
        std::sort(all.begin(), all.end());
        for (int i = 0; i < all.size(); ++i)
            QCOMPARE(all[i], i + 1);
        QCOMPARE(db::scalar(t.cnstr(), "select count(distinct FInterID) from ICStockBill").toInt(),
                 stations * each);
    }
};

QTEST_GUILESS_MAIN(tst_BillNumbers)
#include "tst_BillNumbers.moc"
