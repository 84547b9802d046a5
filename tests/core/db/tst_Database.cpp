#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

#include "TestDb.h"
#include "core/db/ConnectionString.h"
#include "core/db/Database.h"
#include "core/db/DbError.h"
#include "core/db/Schema.h"
#include "core/db/Transaction.h"

class tst_Database : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    // engine -1: refused.
    void connectionStringRoundTrip_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("engine");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("password");
        QTest::newRow("sqlite") << "Provider=SQLite;Data Source=/tmp/a b/shop.db" << 0
                                << "/tmp/a b/shop.db" << "";
        QTest::newRow("pg") << "provider=postgresql; host=127.0.0.1; port=5433; database=shop;"
                               " user id=pos; password=x"
                            << 1 << "" << "x";
        QTest::newRow("quoted") << "Provider=PostgreSQL;Host=h;Password=\"a;b\"\"c\"" << 1 << ""
                                << "a;b\"c";
        QTest::newRow("unknown provider") << "Provider=Oracle;Host=x" << -1 << "" << "";
    }
    void connectionStringRoundTrip()
    {
        QFETCH(QString, text);
        QFETCH(int, engine);
        QFETCH(QString, path);
        QFETCH(QString, password);
        if (engine < 0) {
            QVERIFY_THROWS_EXCEPTION(db::DbError, db::ConnectionString::parse(text));
            return;
        }
        const auto cs = db::ConnectionString::parse(text);
        QCOMPARE(int(cs.engine), engine);
        QCOMPARE(cs.path, path);
        QCOMPARE(cs.password, password);
        const auto again = db::ConnectionString::parse(cs.toString());
        QCOMPARE(again.toString(), cs.toString());
        QCOMPARE(again.password, password);
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
        QTest::newRow("chinese") << "张丽's 卡";
    }
    // Also read back by names in another case; a column not selected is an error.
    void quotesInTexts()
    {
        QFETCH(QString, text);
        TestDb t;
        db::execute(t.cnstr(),
                    "insert into VipOrder (FInterID, FVipNo, FOwner, FRemark) values (?,?,?,?)",
                    {1, text, text, text});
        const db::Rows rows = db::query(
            t.cnstr(), "select FInterID, FRemark from VipOrder where FVipNo=? and FOwner=?",
            {text, text});
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.first().text("fremark"), text);
        QCOMPARE(rows.first().integer("FINTERID"), 1);
        QVERIFY_THROWS_EXCEPTION(db::DbError, rows.first().value("FVipNo"));
        QCOMPARE(db::scalar(t.cnstr(), "select count(*) from VipOrder").toInt(), 1);
    }

    // A station east of UTC (the test runs in Asia/Shanghai): the seconds either side of
    // midnight keep their day on both engines, read as dates and as date-times.
    void datesAroundMidnight_data()
    {
        QTest::addColumn<QDateTime>("at");
        QTest::newRow("last second of the year") << QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59));
        QTest::newRow("midnight") << QDateTime(QDate(2027, 1, 1), QTime(0, 0, 0));
        QTest::newRow("first second after") << QDateTime(QDate(2027, 1, 1), QTime(0, 0, 1));
        QTest::newRow("UTC midnight") << QDateTime(QDate(2027, 1, 1), QTime(8, 0, 0));
        QTest::newRow("leap day") << QDateTime(QDate(2028, 2, 29), QTime(23, 59, 59));
    }
    void datesAroundMidnight()
    {
        QFETCH(QDateTime, at);
        TestDb t;
        db::execute(t.cnstr(), "insert into VipCzBill (FDate, FCreateTime) values (?,?)", {at.date(), at});
        const db::Row r = db::query(t.cnstr(), "select FDate, FCreateTime from VipCzBill").first();
        QCOMPARE(r.date("fdate"), at.date());
        QCOMPARE(r.dateTime("FCREATETIME"), at);
        QCOMPARE(r.date("FCreateTime"), at.date());
        QCOMPARE(r.dateTime("FDate"), at.date().startOfDay());
        QCOMPARE(db::scalar(t.cnstr(), "select count(*) from VipCzBill where FDate>=? and FDate<=?",
                            {at.date(), at.date()}).toInt(), 1);
        QCOMPARE(db::scalar(t.cnstr(), "select count(*) from VipCzBill where FDate<?", {at.date()}).toInt(), 0);
    }

    // Texts other programs may have written into a date column.
    void dateTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDateTime>("read");
        QTest::newRow("date") << "2026-03-01" << QDateTime(QDate(2026, 3, 1), QTime(0, 0));
        QTest::newRow("date-time") << "2026-03-01 23:59:59" << QDateTime(QDate(2026, 3, 1), QTime(23, 59, 59));
        QTest::newRow("ISO T") << "2026-03-01T07:08:09" << QDateTime(QDate(2026, 3, 1), QTime(7, 8, 9));
        QTest::newRow("minutes") << "2026-03-01 07:08" << QDateTime(QDate(2026, 3, 1), QTime(7, 8));
        QTest::newRow("padded") << " 2026-03-01 " << QDateTime(QDate(2026, 3, 1), QTime(0, 0));
        QTest::newRow("no date") << "tomorrow" << QDateTime();
        QTest::newRow("bad month") << "2026-13-01" << QDateTime();
        QTest::newRow("empty") << "" << QDateTime();
    }
    void dateTexts()
    {
        QFETCH(QString, text);
        QFETCH(QDateTime, read);
        QCOMPARE(db::Row::toDateTime(text), read);
        QCOMPARE(db::Row::toDate(text), read.date());
    }

    // A kept statement reads the new column after another station altered the table (on
    // PostgreSQL its old plan is refused; it is prepared again).
    void keptStatementAfterSchemaChange()
    {
        TestDb t;
        db::execute(t.cnstr(), "insert into t_stock (FItemID, FName) values (?,?)", {1, "a"});
        const QString sql = "select * from t_stock where FItemID=?";
        QVERIFY(!db::query(t.cnstr(), sql, {1}).first().has("FExtra"));
        {
            QSqlDatabase other = db::connection(t.cnstr(), "other");
            QSqlQuery q(other);
            QVERIFY2(q.exec("alter table t_stock add column FExtra integer"), qPrintable(q.lastError().text()));
        }
        const db::Rows rows = db::query(t.cnstr(), sql, {1});
        QCOMPARE(rows.size(), 1);
        QVERIFY(rows.first().has("fextra"));
        QCOMPARE(rows.first().text("FName"), QString("a"));
    }

    // The same insert and read again and again inside one transaction, then once more after it.
    void keptStatementInsideTransaction()
    {
        TestDb t;
        const QString insert = "insert into t_stock (FItemID, FName) values (?,?)";
        const QString count = "select count(*) from t_stock where FItemID<=?";
        {
            db::Transaction tx(t.cnstr());
            for (int i = 1; i <= 3; ++i) {
                tx.execute(insert, {i, QString::number(i)});
                QCOMPARE(tx.scalar(count, {i}).toInt(), i);
            }
            tx.commit();
        }
        {
            db::Transaction tx(t.cnstr());
            tx.execute(insert, {4, "4"});
            QCOMPARE(tx.scalar(count, {9}).toInt(), 4);
        } // rolled back
        QCOMPARE(db::scalar(t.cnstr(), count, {9}).toInt(), 3);
        QVERIFY_THROWS_EXCEPTION(db::DbError, db::execute(t.cnstr(), insert, {1, QVariant()}));
        QCOMPARE(db::scalar(t.cnstr(), count, {9}).toInt(), 3);
    }

    void nestedTransactionIsRefused()
    {
        TestDb t;
        db::Transaction outer(t.cnstr());
        try {
            db::Transaction inner(t.cnstr());
            QFAIL("a second transaction on the same connection must be refused");
        } catch (const db::DbError &e) {
            QCOMPARE(e.message(), QString("同一连接上已有未完成的事务。"));
        }
        outer.execute("insert into t_stock (FItemID, FName) values (1, 'a')");
        outer.commit();
        db::Transaction after(t.cnstr()); // the refusal left nothing behind
        QCOMPARE(after.scalar("select count(*) from t_stock").toInt(), 1);
    }

    // Four stations opening the same new database at once: one creates it, the others find it.
    void stationsCreateANewDatabaseAtOnce()
    {
        QTemporaryDir dir;
        QString cnstr = db::ConnectionString::sqlite(dir.path() + "/new.db").toString();
        QString schema;
        if (TestDb::isPostgres()) {
            schema = QString("kwt_new_%1").arg(QCoreApplication::applicationPid());
            db::execute(TestDb::postgresCnstr(), QString("create schema %1").arg(schema));
            db::ConnectionString cs = db::ConnectionString::parse(TestDb::postgresCnstr());
            cs.schema = schema;
            cnstr = cs.toString();
        }
        QList<QProcess *> procs;
        for (int i = 0; i < 4; ++i) {
            auto *p = new QProcess(this);
            p->start(QStringLiteral(ENSURE_SCHEMA_EXE), {cnstr});
            procs << p;
        }
        for (QProcess *p : procs) {
            QVERIFY(p->waitForFinished(120000));
            QVERIFY2(p->exitCode() == 0, p->readAllStandardError().constData());
        }
        QCOMPARE(db::Schema::version(cnstr), db::Schema::CurrentVersion);
        QCOMPARE(db::scalar(cnstr, "select count(*) from t_SchemaVersion").toInt(), 1);
        QCOMPARE(db::scalar(cnstr, "select count(*) from ICMaxNum").toInt(), 2);
        db::closeAll();
        if (!schema.isEmpty())
            db::execute(TestDb::postgresCnstr(), QString("drop schema %1 cascade").arg(schema));
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

    // The engine's own message reaches the caller; a server that is not there is an error.
    void engineMessageReachesCaller()
    {
        TestDb t;
        try {
            db::query(t.cnstr(), "select FNoSuchColumn from t_stock");
            QFAIL("must throw");
        } catch (const db::DbError &e) {
            QVERIFY2(e.message().contains("FNoSuchColumn", Qt::CaseInsensitive),
                     qPrintable(e.message()));
        }
        const auto nowhere = db::ConnectionString::postgres("127.0.0.1", 1, "none", "nobody", "x");
        QVERIFY_THROWS_EXCEPTION(db::DbError, db::query(nowhere.toString(), "select 1"));
    }

    // A dropped server connection (a restart, a network blip) is reopened for the next read,
    // its kept statements are not used again, and a transaction can begin on the new one.
    void dropsOfTheServerConnection()
    {
        if (!TestDb::isPostgres())
            QSKIP("only a server connection can be dropped");
        TestDb t;
        db::execute(t.cnstr(), "insert into t_stock (FItemID, FName) values (?,?)", {1, "a"});
        const QString sql = "select FName from t_stock where FItemID=?";
        QCOMPARE(db::query(t.cnstr(), sql, {1}).first().text("FName"), QString("a"));
        const auto drop = [&] {
            const int pid = db::scalar(t.cnstr(), "select pg_backend_pid()").toInt();
            db::query(TestDb::postgresCnstr(), "select pg_terminate_backend(?)", {pid});
            return pid;
        };
        int pid = drop();
        QCOMPARE(db::query(t.cnstr(), sql, {1}).first().text("FName"), QString("a"));
        QVERIFY(db::scalar(t.cnstr(), "select pg_backend_pid()").toInt() != pid);
        pid = drop();
        db::Transaction tx(t.cnstr());
        QVERIFY(tx.scalar("select pg_backend_pid()").toInt() != pid);
        tx.execute("insert into t_stock (FItemID, FName) values (2, 'b')");
        tx.commit();
        QCOMPARE(db::scalar(t.cnstr(), "select count(*) from t_stock").toInt(), 2);
    }
};

QTEST_GUILESS_MAIN(tst_Database)
#include "tst_Database.moc"
