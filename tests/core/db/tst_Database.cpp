#include <numeric>
#include <optional>
#include <thread>

#include <QtTest>

#include "TestDb.h"
#include "core/base/Money.h"
#include "core/db/BillNumbers.h"
#include "core/db/Connection.h"
#include "core/db/ConnectionString.h"
#include "core/db/Database.h"
#include "core/db/DbError.h"
#include "core/db/Schema.h"
#include "core/db/Transaction.h"
#include "core/print/PrintTemplate.h"
#include "core/print/PrintTypes.h"
#include "core/print/TemplateStore.h"

class tst_Database : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    // The engine's code travels with its error. A deadlock between two connections (real
    // on PostgreSQL, SQLite's busy and locked codes by number) is a conflict, run once more;
    // a broken statement is not, and a second conflict reaches the caller.
    void conflicts()
    {
        TestDb t;
        const QString c = t.cnstr();
        for (const auto &[code, conflict] :
             {std::pair{"40P01", true}, {"40001", true}, {"5", true}, {"517", true}, {"6", true},
              {"23505", false}, {"1", false}, {"", false}})
            QCOMPARE(db::DbError::isConflictCode(code), conflict);
        try {
            db::execute(c, "insert into nowhere values (1)");
            QFAIL("no error");
        } catch (const db::DbError &e) {
            QVERIFY(!e.engineCode().isEmpty() && !e.isConflict());
        }
        int runs = 0;
        QCOMPARE(db::retryOnConflict([&] {
                     if (++runs == 1)
                         throw db::DbError("deadlock detected", 0, "40P01");
                     return runs;
                 }),
                 2);
        runs = 0;
        QVERIFY_THROWS_EXCEPTION(db::DbError, db::retryOnConflict([&] {
                                     ++runs;
                                     throw db::DbError("deadlock detected", 0, "40P01");
                                 }));
        QCOMPARE(runs, 2);
        if (t.engine() != db::Engine::PostgreSQL)
            return;
        // Two connections each holding one lock and waiting for the other's.
        std::optional<db::Transaction> first(std::in_place, c);
        first->query("select pg_advisory_xact_lock(1)");
        QString otherCode;
        std::thread other([&] {
            try {
                db::Transaction second(c);
                second.query("select pg_advisory_xact_lock(2)");
                second.query("select pg_advisory_xact_lock(1)");
            } catch (const db::DbError &e) {
                otherCode = e.engineCode();
            }
            db::closeAll();
        });
        const QString waiting = "select count(*) from pg_locks where not granted";
        for (int i = 0; i < 3000 && db::scalar(TestDb::postgresCnstr(), waiting).toInt() < 1; ++i)
            QTest::qWait(10);
        QString firstCode;
        try {
            first->query("select pg_advisory_xact_lock(2)");
        } catch (const db::DbError &e) {
            firstCode = e.engineCode();
        }
        first.reset();
        other.join();
        QCOMPARE(firstCode + otherCode, "40P01");
    }

    // A password holding the separator and quotes survives the round trip; an unknown
    // provider is refused.
    void connectionString()
    {
        const auto cs =
            db::ConnectionString::parse("provider=postgresql; host=127.0.0.1; port=5433;"
                                        " user id=pos; Password=\"a;b\"\"c\"");
        QCOMPARE(int(cs.engine), int(db::Engine::PostgreSQL));
        QCOMPARE(cs.password, "a;b\"c");
        QCOMPARE(db::ConnectionString::parse(cs.toString()).toString(), cs.toString());
        QCOMPARE(db::ConnectionString::parse("Provider=SQLite;Data Source=/tmp/a b/shop.db").path,
                 "/tmp/a b/shop.db");
        QVERIFY_THROWS_EXCEPTION(db::DbError,
                                 db::ConnectionString::parse("Provider=Oracle;Host=x"));
    }

    // Names holding quotes are stored and found intact, read back by names in another case;
    // a column not selected is an error.
    void quotesInTexts()
    {
        TestDb t;
        const QString text = "O'Neil 张丽's x'; drop table VipOrder; --";
        db::execute(t.cnstr(), "insert into VipOrder (FInterID, FVipNo, FOwner) values (1,?,?)",
                    {text, text});
        const db::Row r =
            db::query(t.cnstr(), "select FInterID, FOwner from VipOrder where FVipNo=?", {text})
                .first();
        QCOMPARE(r.text("fowner"), text);
        QCOMPARE(r.integer("FINTERID"), 1);
        QVERIFY_THROWS_EXCEPTION(db::DbError, r.value("FVipNo"));
    }

    // A station east of UTC (the test runs in Asia/Shanghai): the seconds either side of
    // midnight keep their day on both engines, read as dates and as date-times, and a day's
    // half-open range [day, next day) holds them.
    void datesAroundMidnight()
    {
        TestDb t;
        for (const char *text :
             {"2026-12-31 23:59:59", "2027-01-01 00:00:00", "2027-01-01 08:00:00",
              "2028-02-29 23:59:59"}) {
            const QDateTime at = QDateTime::fromString(text, "yyyy-MM-dd HH:mm:ss");
            db::execute(t.cnstr(), "delete from VipCzBill");
            db::execute(t.cnstr(), "insert into VipCzBill (FDate, FCreateTime) values (?,?)",
                        {at.date(), at});
            const db::Row r =
                db::query(t.cnstr(), "select FDate, FCreateTime from VipCzBill").first();
            QCOMPARE(r.date("fdate"), at.date());
            QCOMPARE(r.dateTime("FCREATETIME"), at);
            QCOMPARE(r.date("FCreateTime"), at.date());
            QCOMPARE(r.dateTime("FDate"), at.date().startOfDay());
            QCOMPARE(TestDb::dump(t.cnstr(),
                                  "select count(*) from VipCzBill where FCreateTime>=? and"
                                  " FCreateTime<? and FDate>=? and FDate<?",
                                  {at.date(), at.date().addDays(1), at.date(), at.date().addDays(1)}),
                     "1");
        }
    }

    // A kept statement reads the new column after another station altered the table (on
    // PostgreSQL its old plan is refused; it is prepared again).
    void keptStatementAfterSchemaChange()
    {
        TestDb t;
        TestDb::insert(t.cnstr(), "t_stock (FItemID, FName)", {{1, "a"}});
        const QString sql = "select * from t_stock where FItemID=?";
        QVERIFY(!db::query(t.cnstr(), sql, {1}).first().has("FExtra"));
        db::connection(t.cnstr(), "other")->run("alter table t_stock add column FExtra integer", {});
        const db::Row r = db::query(t.cnstr(), sql, {1}).first();
        QVERIFY(r.has("fextra"));
        QCOMPARE(r.text("FName"), QString("a"));
        // Inside a transaction PostgreSQL's refusal has ended it: the save runs once more.
        int runs = 0;
        const auto save = [&] {
            ++runs;
            db::Transaction tx(t.cnstr());
            const db::Rows rows = tx.query(sql, {1});
            tx.commit();
            return rows.first();
        };
        QVERIFY(!save().has("FMore"));
        db::connection(t.cnstr(), "other")->run("alter table t_stock add column FMore integer", {});
        runs = 0;
        QVERIFY(db::retryOnConflict(save).has("FMore"));
        QCOMPARE(runs, TestDb::isPostgres() ? 2 : 1);
    }

    // Amounts at both ends of the columns' range and text of every awkward kind come back
    // exactly as they went in, on either engine.
    void exactValuesRoundTrip()
    {
        TestDb t;
        const QString c = t.cnstr();
        const Money largest = Money::fromUnits(999'999'999'999'999);
        const QList<Money> amounts{Money::fromUnits(1), largest, -largest, Money::fromCents(1010),
                                   Money()};
        const QStringList texts{"O'Neil \"张\" \\ ; -- ? $1 %s '' \"",
                                QString::fromUtf8("\x01\x02\x1b\x7f\xc2\x80\xe2\x80\x8b\t\r\n end"),
                                "?", ""};
        for (int i = 0; i < amounts.size(); ++i)
            db::execute(c, "insert into VipCzBill (FInterID, FKAmount, FRemark) values (?,?,?)",
                        {i + 1, amounts[i].toVariant(), texts.value(i)});
        const db::Rows rows = db::query(c, "select FKAmount, FRemark from VipCzBill order by FInterID");
        QCOMPARE(rows.size(), amounts.size());
        for (int i = 0; i < amounts.size(); ++i) {
            QCOMPARE(rows[i].money("FKAmount").units(), amounts[i].units());
            QCOMPARE(rows[i].text("FRemark"), texts.value(i));
        }
        QCOMPARE(Money::fromVariant(db::scalar(c, "select sum(FKAmount) from VipCzBill where FInterID<=2")),
                 Money::fromInt(100'000'000'000));
        // Found by an exact amount bound as a value.
        QCOMPARE(db::scalar(c, "select FInterID from VipCzBill where FKAmount=?", {largest.toVariant()}).toInt(), 2);
        QString memo;
        for (int i = 0; i < 10000; ++i)
            memo += QChar(i % 3 ? u'奶' : u'\'');
        db::execute(c, "insert into TDBill (FTranType, FTDBillName, FTemplate) values (?,?,?)", {1, "x", memo});
        QCOMPARE(db::scalar(c, "select FTemplate from TDBill where FTDBillName=?", {"x"}).toString(), memo);
    }

    // Placeholders become PostgreSQL's numbers outside quoted text and comments only.
    void numberedPlaceholders_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("numbered");
        QTest::newRow("plain") << "a=? and b=?" << "a=$1 and b=$2";
        QTest::newRow("quoted") << "a='?' and b=? and \"c?\"=?" << "a='?' and b=$1 and \"c?\"=$2";
        QTest::newRow("doubled quote") << "a='it''s ?' and b=?" << "a='it''s ?' and b=$1";
        QTest::newRow("comment") << "a=? -- why?\nand b=?" << "a=$1 -- why?\nand b=$2";
        QTest::newRow("unclosed") << "a=? and b='?" << "a=$1 and b='?";
    }
    void numberedPlaceholders()
    {
        QFETCH(QString, sql);
        QFETCH(QString, numbered);
        QCOMPARE(QString::fromUtf8(db::detail::numberedPlaceholders(sql)), numbered);
    }

    // Statements queued in a transaction go to the server together with BEGIN and COMMIT,
    // one round trip on PostgreSQL. One failing in the middle leaves nothing behind, its
    // message reaches the caller, and the connection serves the next save.
    void queuedStatements()
    {
        TestDb t;
        const QString c = t.cnstr();
        const QString insert = "insert into t_stock (FItemID, FName) values (?,?)";
        {
            db::Transaction tx(c);
            tx.queue(insert, {1, "a"});
            const db::Queued renamed = tx.queue("update t_stock set FName=? where FItemID=?", {"b", 1});
            const db::Queued read = tx.queue("select FName from t_stock where FItemID=?", {1});
            tx.commit();
            QCOMPARE(renamed.affected(), 1);
            QCOMPARE(read.scalar().toString(), QString("b"));
            QCOMPARE(tx.roundTrips(), TestDb::isPostgres() ? 1 : 0);
        }
        try {
            db::Transaction tx(c);
            tx.queue(insert, {2, "c"});
            tx.queue(insert, {1, "the same key"});
            tx.queue(insert, {3, "d"});
            tx.commit();
            QFAIL("a duplicate key must fail the save");
        } catch (const db::DbError &e) {
            QVERIFY2(!e.engineCode().isEmpty() && !e.isConflict(), qPrintable(e.engineCode()));
        }
        QCOMPARE(TestDb::dump(c, "select FItemID, FName from t_stock order by FItemID"), "1,b");
        db::Transaction tx(c);
        tx.queue(insert, {2, "c"});
        tx.commit();
        QCOMPARE(TestDb::dump(c, "select count(*) from t_stock"), "2");
    }

    // A transaction rolled back, or one that fails, leaves nothing; a second one on the
    // connection is refused; the engine's own message reaches the caller.
    void transactions()
    {
        TestDb t;
        const QString insert = "insert into t_stock (FItemID, FName) values (?,?)";
        {
            db::Transaction tx(t.cnstr());
            tx.execute(insert, {1, "1"});
            QCOMPARE(tx.scalar("select count(*) from t_stock").toInt(), 1);
            try {
                db::Transaction inner(t.cnstr());
                QFAIL("a second transaction on the same connection must be refused");
            } catch (const db::DbError &e) {
                QCOMPARE(e.message(), QString("同一连接上已有未完成的事务。"));
            }
        } // rolled back
        try {
            db::Transaction tx(t.cnstr());
            tx.execute(insert, {2, "2"});
            tx.execute("select FNoSuchColumn from t_stock");
            QFAIL("must throw");
        } catch (const db::DbError &e) {
            QVERIFY2(e.message().contains("FNoSuchColumn", Qt::CaseInsensitive),
                     qPrintable(e.message()));
        }
        QVERIFY_THROWS_EXCEPTION(db::DbError, db::execute(t.cnstr(), insert, {3, QVariant()}));
        QCOMPARE(TestDb::dump(t.cnstr(), "select count(*) from t_stock"), "0");
    }

    // An account set written before quantities defaulted to 0 and templates were unique.
    void upgradeFillsQuantitiesAndMergesTemplates()
    {
        TestDb t;
        const QString c = t.cnstr();
        TestDb::insert(c, "VipOrderEntry (FInterID, FEntryID, FItemID, FQty, FPreQty, FCplQty)",
                       {{1, 1, 1, 10, QVariant(), QVariant()}});
        // A version-3 database knows no disabled flags and no register of bar codes; its
        // items' own and pack codes are registered by the upgrade.
        TestDb::backToVersion3(c);
        TestDb::insert(
            c, "TDBill (FTranType, FTDBillName, FTemplate)",
            {{PrintTypes::Sale, "标准格式", "first"}, {PrintTypes::Sale, "标准格式", "second"}});
        TestDb::insert(c, "t_icitem (FItemID, FName, FBar_Code)", {{1, "鲜奶", "690"}, {2, "酸奶", ""}});
        TestDb::insert(c, "t_icitem_barcode (FItemID, FBarCode, FExchange)", {{1, "6906", 6}, {2, "690", 1}});
        db::Schema::ensure(c);
        QCOMPARE(db::Schema::version(c), db::Schema::CurrentVersion);
        QCOMPARE(TestDb::dump(c, "select FCode, FItemID from t_icitem_code order by FCode"), "690,1;6906,1");
        QCOMPARE(TestDb::dump(c, "select FItemID, FDisabled from t_icitem order by FItemID"), "1,0;2,0");
        TestDb::insert(c, "VipOrderEntry (FInterID, FEntryID, FItemID, FQty)", {{1, 2, 1, 5}});
        QCOMPARE(TestDb::dump(c, "select FPreQty, FCplQty from VipOrderEntry"), "0,0;0,0");
        QCOMPARE(
            TestDb::dump(c, "select FTemplate from TDBill where FTranType=?", {PrintTypes::Sale}),
            "first");
        // Saving the same name twice keeps one template, the newer text.
        TemplateStore::save(c, PrintTypes::Sale, QStringLiteral("标准格式"), PrintTemplate());
        TemplateStore::save(c, PrintTypes::Sale, QStringLiteral("标准格式"), PrintTemplate());
        QVERIFY(TestDb::dump(c, "select FTemplate from TDBill") != "first");
    }

    // Four stations opening the same new database at once: one creates it, the others find it.
    void stationsCreateANewDatabaseAtOnce()
    {
        TestDb t(TestDb::Content::Empty);
        QCOMPARE(TestDb::runStations(QStringLiteral(DRAW_NUMBERS_EXE),
                                     QList<QStringList>(4, {t.cnstr()})),
                 QStringList{});
        QCOMPARE(db::Schema::version(t.cnstr()), db::Schema::CurrentVersion);
        QCOMPARE(TestDb::dump(t.cnstr(), "select count(*) from t_SchemaVersion"), "1");
        QCOMPARE(TestDb::dump(t.cnstr(), "select count(*) from ICMaxNum"), "2");
    }

    // A dropped server connection (a restart, a network blip) is reopened for the next read,
    // its kept statements are not used again, and a transaction can begin on the new one.
    void dropsOfTheServerConnection()
    {
        if (!TestDb::isPostgres())
            QSKIP("only a server connection can be dropped");
        TestDb t;
        TestDb::insert(t.cnstr(), "t_stock (FItemID, FName)", {{1, "a"}});
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
        tx.execute("insert into t_stock (FItemID, FName) values (?,?)", {2, "b"});
        tx.commit();
        QCOMPARE(db::scalar(t.cnstr(), "select count(*) from t_stock").toInt(), 2);
    }

    // A save rolled back gives its number back; each counter counts on its own; one that does
    // not exist is an error.
    void numbersPerCounterGivenBackOnRollback()
    {
        TestDb t;
        {
            db::Transaction tx(t.cnstr());
            QCOMPARE(db::BillNumbers::draw(tx, db::BillNumbers::SaleBill), 1);
            tx.execute("insert into ICStockBill (FInterID, FTrantype) values (?,?)", {1, 99});
            // A later statement fails: the whole save must vanish, number included.
            QVERIFY_THROWS_EXCEPTION(db::DbError, tx.execute("insert into NoSuchTable values (1)"));
        }
        QCOMPARE(TestDb::dump(t.cnstr(), "select count(*) from ICStockBill"), "0");
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
        std::sort(all.begin(), all.end());
        QList<int> gapFree(stations * each);
        std::iota(gapFree.begin(), gapFree.end(), 1);
        QCOMPARE(all, gapFree);
        QCOMPARE(TestDb::dump(t.cnstr(), "select count(distinct FInterID) from ICStockBill"),
                 QString::number(stations * each));
    }
};

QTEST_GUILESS_MAIN(tst_Database)
#include "tst_Database.moc"
