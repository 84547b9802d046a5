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

    // Each counter counts on its own; one that does not exist is an error.
    void drawsFromEachCounter()
    {
        TestDb t;
        for (int counter : {db::BillNumbers::SaleBill, db::BillNumbers::MemberOrder}) {
            db::Transaction tx(t.cnstr());
            QCOMPARE(db::BillNumbers::draw(tx, counter), 1);
            QCOMPARE(db::BillNumbers::draw(tx, counter), 2);
            tx.commit();
        }
        QCOMPARE(
            TestDb::dump(t.cnstr(), "select FTranType, FMaxNum from ICMaxNum order by FTranType"),
            "0,2;30,2");
        db::Transaction tx(t.cnstr());
        QVERIFY_THROWS_EXCEPTION(db::DbError, db::BillNumbers::draw(tx, 7));
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
        QCOMPARE(TestDb::dump(t.cnstr(), "select (select FMaxNum from ICMaxNum where FTranType=0),"
                                         " (select count(*) from ICStockBill)"),
                 "0,0");
        db::Transaction tx(t.cnstr());
        QCOMPARE(db::BillNumbers::draw(tx, 0), 1);
    }

    // Four stations saving at the same moment never share a number and leave no gap.
    void concurrentStationsDrawDistinctGapFreeNumbers()
    {
        TestDb t;
        const int stations = 4, each = 200;
        const QStringList args{t.cnstr(), QStringLiteral("0"), QString::number(each)};
        QList<int> all;
        for (const QString &n : TestDb::runStations(QStringLiteral(DRAW_NUMBERS_EXE),
                                                    QList<QStringList>(stations, args)))
            all << n.trimmed().toInt();
        QCOMPARE(all.size(), stations * each);
        std::sort(all.begin(), all.end());
        for (int i = 0; i < all.size(); ++i)
            QCOMPARE(all[i], i + 1);
        QCOMPARE(TestDb::dump(t.cnstr(), "select count(distinct FInterID) from ICStockBill"),
                 QString::number(stations * each));
    }
};

QTEST_GUILESS_MAIN(tst_BillNumbers)
#include "tst_BillNumbers.moc"
