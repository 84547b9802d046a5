#include <QtTest>

#include "TestDb.h"
#include "core/db/ConnectionString.h"
#include "core/db/Database.h"
#include "core/db/DbError.h"
#include "core/db/Dialect.h"
#include "core/db/Schema.h"
#include "core/db/Transaction.h"

class tst_Database : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    void connectionStringRoundTrip_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("engine");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("password");
        QTest::newRow("sqlite") << "Provider=SQLite;Data Source=/tmp/a b/shop.db" << 0 << "/tmp/a b/shop.db" << "";
        QTest::newRow("pg") << "provider=postgresql; host=127.0.0.1; port=5433; database=shop; user id=pos; password=x"
                            << 1 << "" << "x";
        QTest::newRow("quoted") << "Provider=PostgreSQL;Host=h;Password=\"a;b\"\"c\"" << 1 << "" << "a;b\"c";
    }
    void connectionStringRoundTrip()
    {
        QFETCH(QString, text);
        QFETCH(int, engine);
        QFETCH(QString, path);
        QFETCH(QString, password);
        const auto cs = db::ConnectionString::parse(text);
        QCOMPARE(int(cs.engine), engine);
        QCOMPARE(cs.path, path);
        QCOMPARE(cs.password, password);
        const auto again = db::ConnectionString::parse(cs.toString());
        QCOMPARE(again.toString(), cs.toString());
        QCOMPARE(again.password, password);
    }
    void unknownProviderIsRefused()
    {
        QVERIFY_THROWS_EXCEPTION(db::DbError, db::ConnectionString::parse("Provider=Oracle;Host=x"));
    }

    void schemaCreatesEveryTableAndVersion()
    {
        TestDb t;
        QCOMPARE(db::Schema::version(t.cnstr()), db::Schema::CurrentVersion);
        for (const char *table : {"t_icitem", "t_icitem_barcode", "t_pricestyle", "t_stock", "t_user",
                                  "t_user_grant", "TDBill", "ICStockBill", "ICStockBillEntry",
                                  "VipOrder", "VipOrderEntry", "VipCzBill", "vwCZBill", "ICMaxNum"})
            QCOMPARE(db::scalar(t.cnstr(), QStringLiteral("select count(*) from %1").arg(table)).toInt(),
                     QString::fromLatin1(table).compare("ICMaxNum", Qt::CaseInsensitive) == 0 ? 2 : 0);
        db::Schema::ensure(t.cnstr()); // a second run changes nothing
        QCOMPARE(db::Schema::version(t.cnstr()), db::Schema::CurrentVersion);
    }

    void priceStyleAddsItsColumn()
    {
        TestDb t;
        const int id = db::Schema::addPriceStyle(t.cnstr(), QStringLiteral("零售价"));
        db::execute(t.cnstr(), QStringLiteral("insert into t_icitem (FItemID, FName, FPrice_%1) values (1, 'x', 3.5)").arg(id));
        QCOMPARE(db::query(t.cnstr(), "select * from t_icitem").first().number(QStringLiteral("FPRICE_%1").arg(id)), 3.5);
    }

    // Names and remarks holding quotes are stored and found intact.
    void quotesInTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("apostrophe") << "O'Neil";
        QTest::newRow("sql") << "x'; drop table VipOrder; --";
        QTest::newRow("double") << "say \"hi\"";
        QTest::newRow("chinese") << "张丽's 卡";
    }
    void quotesInTexts()
    {
        QFETCH(QString, text);
        TestDb t;
        db::execute(t.cnstr(), "insert into VipOrder (FInterID, FVipNo, FOwner, FRemark) values (?,?,?,?)",
                    {1, text, text, text});
        const db::Rows rows = db::query(t.cnstr(), "select * from VipOrder where FVipNo=? and FOwner=?", {text, text});
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.first().text("fremark"), text);
        QCOMPARE(db::scalar(t.cnstr(), "select count(*) from VipOrder").toInt(), 1);
    }

    void rowsReadByNameInAnyCase()
    {
        TestDb t;
        db::execute(t.cnstr(), "insert into t_stock (FItemID, FName, FNumber) values (?,?,?)", {5, QStringLiteral("店面"), "01"});
        const db::Row r = db::query(t.cnstr(), "select FItemID, FName from t_stock").first();
        QCOMPARE(r.integer("fitemid"), 5);
        QCOMPARE(r.text("FNAME"), QStringLiteral("店面"));
        QVERIFY_THROWS_EXCEPTION(db::DbError, r.value("FNumber"));
    }

    void datesAndAmountsRoundTrip()
    {
        TestDb t;
        const QDate d(2012, 9, 30);
        const QDateTime dt(QDate(2012, 10, 1), QTime(8, 5, 9));
        db::execute(t.cnstr(), "insert into ICStockBill (FInterID, Fdate, FSysTime, FSumAmount) values (?,?,?,?)",
                    {1, d, dt, 1234.56});
        const db::Row r = db::query(t.cnstr(), "select * from ICStockBill").first();
        QCOMPARE(r.date("Fdate"), d);
        QCOMPARE(r.dateTime("FSysTime"), dt);
        QCOMPARE(r.number("FSumAmount"), 1234.56);
        QCOMPARE(db::scalar(t.cnstr(), "select count(*) from ICStockBill where Fdate between ? and ?",
                            {QDate(2012, 9, 30), QDate(2012, 9, 30)}).toInt(), 1);
    }

    void failedTransactionLeavesNothing()
    {
        TestDb t;
        try {
            db::Transaction tx(t.cnstr());
            tx.execute("insert into VipOrder (FInterID, FVipNo) values (1, 'A')");
            tx.execute("insert into VipOrderEntry (FInterID, FEntryID, FItemID) values (1, 1, 1)");
            tx.execute("insert into VipOrderEntry (FInterID, FEntryID, FItemID) values (1, 1, 2)"); // duplicate key
            tx.commit();
            QFAIL("the duplicate key must fail");
        } catch (const db::DbError &e) {
            QVERIFY(!e.message().isEmpty());
        }
        QCOMPARE(db::scalar(t.cnstr(), "select count(*) from VipOrder").toInt(), 0);
        QCOMPARE(db::scalar(t.cnstr(), "select count(*) from VipOrderEntry").toInt(), 0);
    }

    void committedTransactionIsVisible()
    {
        TestDb t;
        {
            db::Transaction tx(t.cnstr());
            tx.execute("insert into t_stock (FItemID, FName) values (1, 'a')");
            tx.commit();
        }
        QCOMPARE(db::scalar(t.cnstr(), "select count(*) from t_stock").toInt(), 1);
    }

    void engineMessageReachesCaller()
    {
        TestDb t;
        try {
            db::query(t.cnstr(), "select FNoSuchColumn from t_stock");
            QFAIL("must throw");
        } catch (const db::DbError &e) {
            QVERIFY2(e.message().contains("FNoSuchColumn", Qt::CaseInsensitive), qPrintable(e.message()));
        }
    }

    void unreachableServerIsAnError()
    {
        const QString cnstr = db::ConnectionString::postgres("127.0.0.1", 1, "none", "nobody", "x").toString();
        QVERIFY_THROWS_EXCEPTION(db::DbError, db::query(cnstr, "select 1"));
    }

    // A dropped server connection (a restart, a network blip) is reopened for the next read.
    void readsSurviveADroppedConnection()
    {
        if (!TestDb::isPostgres())
            QSKIP("only a server connection can be dropped");
        TestDb t;
        QCOMPARE(db::scalar(t.cnstr(), "select count(*) from t_stock").toInt(), 0);
        const int pid = db::scalar(t.cnstr(), "select pg_backend_pid()").toInt();
        db::query(TestDb::postgresCnstr(), "select pg_terminate_backend(?)", {pid});
        QCOMPARE(db::scalar(t.cnstr(), "select count(*) from t_stock").toInt(), 0);
        QVERIFY(db::scalar(t.cnstr(), "select pg_backend_pid()").toInt() != pid);
    }

    void serverClockAndBalance()
    {
        TestDb t;
        const QDateTime now = db::Dialect::serverDateTime(t.cnstr());
        QVERIFY(qAbs(now.secsTo(QDateTime::currentDateTime())) < 120);
        QCOMPARE(db::Dialect::vipBalance(t.cnstr(), "nobody"), Money());
    }
};

QTEST_GUILESS_MAIN(tst_Database)
#include "tst_Database.moc"
