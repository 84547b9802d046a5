// Copies of a shop and their way back, new shops and joining them, on both engines; the
// files a station keeps owner-only.
#include <atomic>
#include <memory>
#include <thread>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QThread>
#include <QtTest>

#include "TestDb.h"
#include "core/db/Backup.h"
#include "core/db/Database.h"
#include "core/db/Schema.h"
#include "core/demo/DemoData.h"
#include "core/frame/AccountSets.h"
#include "core/base/CoreError.h"
#include "core/frame/KwStore.h"
#include "core/base/PrivateFiles.h"
#include "core/frame/ServerPasswords.h"
#include "core/frame/ShopSetup.h"

namespace {

QFile::Permissions mode(const QString &path)
{
    return QFileInfo(path).permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
}
const QFile::Permissions kOwnerFile = QFile::ReadOwner | QFile::WriteOwner;
const QFile::Permissions kOwnerDir = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;

QString sales(const QString &cnstr)
{
    return TestDb::dump(cnstr, "select count(*), coalesce(sum(FSumAmount),0) from ICStockBill");
}

// An empty database of its own on the test cluster, dropped afterwards.
class ServerDb
{
public:
    ServerDb()
    {
        m_admin = db::ConnectionString::parse(TestDb::postgresCnstr());
        m_name = QStringLiteral("kwb_%1_%2").arg(QCoreApplication::applicationPid())
                     .arg(QRandomGenerator::global()->generate() % 100000);
        db::execute(TestDb::postgresCnstr(), QStringLiteral("create database %1").arg(m_name));
    }
    ~ServerDb()
    {
        db::closeAll();
        try {
            db::execute(TestDb::postgresCnstr(), QStringLiteral("drop database %1 with (force)").arg(m_name));
        } catch (...) {
        }
    }
    db::ConnectionString server() const
    {
        db::ConnectionString cs = m_admin;
        cs.database = m_name;
        cs.schema.clear();
        return cs;
    }
    QString cnstr() const { return ShopSetup::cnstrOf(server()); }

private:
    db::ConnectionString m_admin;
    QString m_name;
};

} // namespace

class tst_Backup : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        KWPOS_REQUIRE_ENGINE();
        m_pgpass.reset(new QTemporaryDir);
        qputenv("PGPASSFILE", (m_pgpass->path() + QStringLiteral("/pgpass")).toUtf8());
    }

    // A copy taken while another connection writes is a whole shop of its own.
    void backupWhileWriting()
    {
        TestDb t;
        TestDb::saveCashSale(t.cnstr(), Money::fromCents(300));
        std::atomic<bool> stop{false};
        std::atomic<int> written{0};
        QString failure;
        std::thread writer([&] {
            try {
                while (!stop) {
                    TestDb::saveCashSale(t.cnstr(), Money::fromCents(100));
                    ++written;
                }
            } catch (const CoreError &e) {
                failure = e.message();
            }
            db::closeAll();
        });
        while (written < 3 && failure.isEmpty())
            QThread::msleep(5);
        QString file;
        QString error = TestDb::refusalOf([&] {
            const QString target = t.engine() == db::Engine::SQLite
                                       ? QString()
                                       : t.dir() + QStringLiteral("/copy.dump");
            file = db::Backup::make(t.cnstr(), db::Backup::Kind::Manual, target);
        });
        stop = true;
        writer.join();
        QVERIFY2(error.isEmpty() && failure.isEmpty(), qPrintable(error + failure));
        QVERIFY(QFileInfo(file).size() > 0);
        QVERIFY(!QFileInfo::exists(file + QStringLiteral(".part")));
        if (t.engine() == db::Engine::SQLite) {
            QCOMPARE(db::Backup::check(file), db::Schema::CurrentVersion);
            QCOMPARE(mode(file), kOwnerFile);
            QCOMPARE(mode(QFileInfo(file).absolutePath()), kOwnerDir);
        }
    }

    // What is offered for restore is checked first; the shop stays as it was when refused.
    void restoreRefuses_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("truncated") << "truncated" << (TestDb::isPostgres() ? "恢复失败" : "已损坏");
        QTest::newRow("text") << "text" << (TestDb::isPostgres() ? "恢复失败" : "不是帐套备份文件");
        if (!TestDb::isPostgres()) {
            QTest::newRow("another program's") << "foreign" << "不是本程序的帐套";
            QTest::newRow("newer") << "newer" << "高于本程序支持的版本";
        }
    }
    void restoreRefuses()
    {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        TestDb t;
        TestDb::saveCashSale(t.cnstr(), Money::fromCents(250));
        const QString before = sales(t.cnstr());
        const QString good = db::Backup::make(t.cnstr(), db::Backup::Kind::Manual,
                                              t.isPostgres() ? t.dir() + "/good.dump" : QString());
        const QString bad = t.dir() + "/offered.bak";
        if (kind == u"truncated") {
            QFile::copy(good, bad);
            QFile f(bad);
            QVERIFY(f.open(QIODevice::ReadWrite));
            // The header survives, the pages behind it do not.
            QVERIFY(f.resize(f.size() / 3));
        } else if (kind == u"text") {
            QFile f(bad);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("这不是备份\n");
        } else if (kind == u"foreign") {
            const QString other = db::ConnectionString::sqlite(bad).toString();
            db::execute(other, "create table accounts (id integer)");
            db::closeAll();
        } else if (kind == u"newer") {
            QFile::copy(good, bad);
            QFile::setPermissions(bad, kOwnerFile);
            const QString other = db::ConnectionString::sqlite(bad).toString();
            db::execute(other, "update t_SchemaVersion set FVersion=?", {db::Schema::CurrentVersion + 1});
            db::closeAll();
        }
        const QString error = TestDb::refusalOf([&] { db::Backup::restore(t.cnstr(), bad); });
        QVERIFY2(error.contains(message), qPrintable(error));
        QCOMPARE(sales(t.cnstr()), before);
        if (!t.isPostgres())
            QVERIFY(!QFileInfo::exists(QFileInfo(db::ConnectionString::parse(t.cnstr()).path).absoluteFilePath() + ".restore"));
    }

    // The day's first copy is made once; only the last 14 daily copies stay, other copies
    // are never pruned.
    void dailyCopies()
    {
        if (TestDb::isPostgres())
            QSKIP("daily copies are made of SQLite shops");
        TestDb t;
        const QString folder = db::Backup::folderFor(t.cnstr());
        QVERIFY(PrivateFiles::makeDir(folder));
        for (int d = 1; d <= 15; ++d) {
            QFile f(folder + QStringLiteral("/shop-daily-%1-080000000.db")
                                 .arg(QDate::currentDate().addDays(-d).toString("yyyyMMdd")));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        QFile upgrade(folder + "/shop-before-upgrade-v3-20200101-080000000.db");
        QVERIFY(upgrade.open(QIODevice::WriteOnly));
        const QString first = db::Backup::daily(t.cnstr());
        QVERIFY(first.contains(QDate::currentDate().toString("yyyyMMdd")));
        QCOMPARE(db::Backup::daily(t.cnstr()), QString());
        const QStringList daily = QDir(folder).entryList({"shop-daily-*.db"}, QDir::Files, QDir::Name);
        QCOMPARE(daily.size(), db::Backup::DailyKept);
        QCOMPARE(daily.first(), QStringLiteral("shop-daily-%1-080000000.db")
                                    .arg(QDate::currentDate().addDays(-13).toString("yyyyMMdd")));
        QVERIFY(upgrade.exists());
    }

    // An older shop is copied before it is upgraded; a newer one is refused untouched.
    void upgradeAndNewer()
    {
        TestDb t;
        TestDb::saveCashSale(t.cnstr(), Money::fromCents(120));
        db::execute(t.cnstr(), "update t_SchemaVersion set FVersion=?", {db::Schema::CurrentVersion + 1});
        QVERIFY(TestDb::refusalOf([&] { db::Schema::ensure(t.cnstr()); }).contains("高于本程序支持的版本"));
        TestDb::backToVersion3(t.cnstr());
        db::Schema::ensure(t.cnstr());
        QCOMPARE(db::Schema::version(t.cnstr()), db::Schema::CurrentVersion);
        QCOMPARE(QDir(db::Backup::folderFor(t.cnstr())).entryList({"*before-upgrade-v3-*"}, QDir::Files).size(), 1);
        QCOMPARE(sales(t.cnstr()), QStringLiteral("1,1.2"));
    }

    // Tables of another program are never taken for an empty shop.
    void foreignRefused()
    {
        TestDb t(TestDb::Content::Empty);
        db::execute(t.cnstr(), "create table accounts (id integer)");
        const QString error = TestDb::refusalOf([&] { db::Schema::ensure(t.cnstr()); });
        QVERIFY2(error.contains("其他程序"), qPrintable(error));
        QCOMPARE(TestDb::dump(t.cnstr(), "select count(*) from accounts"), "0");
    }

    // A PostgreSQL shop goes out with pg_dump and back into an empty database only.
    void serverDumpAndRestore()
    {
        if (!TestDb::isPostgres())
            QSKIP("PostgreSQL only");
        TestDb settings; // settings and data folders of this test
        ServerDb shop, empty;
        QCOMPARE(ShopSetup::openServer("总店", shop.server(), "老板", "pw", true), ShopSetup::Outcome::Created);
        TestDb::saveCashSale(shop.cnstr(), Money::fromCents(880));
        const QString file = db::Backup::make(shop.cnstr(), db::Backup::Kind::Manual, settings.dir() + "/shop.dump");
        QCOMPARE(mode(file), kOwnerFile);
        db::Backup::restore(empty.cnstr(), file);
        QCOMPARE(sales(empty.cnstr()), "1,8.8");
        QCOMPARE(db::Schema::version(empty.cnstr()), db::Schema::CurrentVersion);
        const QString again = TestDb::refusalOf([&] { db::Backup::restore(empty.cnstr(), file); });
        QVERIFY2(again.contains("不是空的"), qPrintable(again));
        QCOMPARE(sales(empty.cnstr()), "1,8.8");

        // A dump cut short goes in whole or not at all: the database stays empty.
        ServerDb third;
        const QString cut = settings.dir() + "/cut.dump";
        QVERIFY(QFile::copy(file, cut));
        {
            QFile f(cut);
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.resize(f.size() * 2 / 3));
        }
        const QString truncated = TestDb::refusalOf([&] { db::Backup::restore(third.cnstr(), cut); });
        QVERIFY2(truncated.contains("恢复失败"), qPrintable(truncated));
        QCOMPARE(db::Schema::version(third.cnstr()), 0);
        QVERIFY(!db::Schema::foreign(third.cnstr()));
    }

    // New shops and joining: the password goes to libpq's file, never to the station list.
    void serverJoinAndPasswords()
    {
        if (!TestDb::isPostgres())
            QSKIP("PostgreSQL only");
        TestDb settings;
        ServerDb shop;
        db::ConnectionString server = shop.server();
        server.password = QStringLiteral("s3cr:et\\");
        QCOMPARE(ShopSetup::openServer("总店", server, "老板", "pw", true), ShopSetup::Outcome::Created);
        QCOMPARE(ShopSetup::openServer("总店二号", server, "别人", "x", true), ShopSetup::Outcome::Joined);
        QCOMPARE(TestDb::dump(shop.cnstr(), "select FUserID, FUserName, FManager from t_user"), "1,老板,1");
        QVERIFY(TestDb::refusalOf([&] { ShopSetup::openServer("总店", server, {}, {}, false); }).contains("已有名为"));
        QFile list(AccountSets::settingsFile());
        QVERIFY(list.open(QIODevice::ReadOnly));
        QVERIFY(!list.readAll().contains("s3cr"));
        QCOMPARE(mode(list.fileName()), kOwnerFile);
        QFile pass(ServerPasswords::filePath());
        QVERIFY(pass.open(QIODevice::ReadOnly));
        QVERIFY(pass.readAll().contains(QStringLiteral(":%1:postgres:s3cr\\:et\\\\").arg(server.database).toUtf8()));
        QCOMPARE(mode(pass.fileName()), kOwnerFile);

        ServerDb other;
        db::execute(other.cnstr(), "create table accounts (id integer)");
        db::closeAll();
        const QString foreign = TestDb::refusalOf([&] { ShopSetup::openServer("别家", other.server(), "老板", "pw", true); });
        QVERIFY2(foreign.contains("其他程序"), qPrintable(foreign));
        QVERIFY(AccountSets::cnstrOf("别家").isEmpty());
    }

    // Settings and data written owner-only, and earlier ones tightened at start.
    void filesOwnerOnly()
    {
        TestDb t;
        KwStore::set("KwStore", "Pos.Default", "PrintPort", "LPT1");
        QCOMPARE(mode(KwStore::filePath("KwStore")), kOwnerFile);
        QCOMPARE(mode(KwStore::configDir()), kOwnerDir);
        const QString folder = t.dir() + "/shops/a";
        ShopSetup::newSqlite("新店", folder + "/new.db", "老板", "pw");
        QCOMPARE(mode(folder), kOwnerDir);
        QCOMPARE(mode(folder + "/new.db"), kOwnerFile);
        QCOMPARE(TestDb::dump(AccountSets::cnstrOf("新店"),
                              "select (select count(*) from t_icitem), (select count(*) from t_user),"
                              " (select count(*) from VipOrder), (select count(*) from t_pricestyle)"),
                 "0,1,0,1");
        QFile::setPermissions(folder + "/new.db", kOwnerFile | QFile::ReadGroup | QFile::ReadOther);
        QFile::setPermissions(AccountSets::settingsFile(), kOwnerFile | QFile::ReadOther);
        AccountSets::tightenAtStart();
        QCOMPARE(mode(folder + "/new.db"), kOwnerFile);
        QCOMPARE(mode(AccountSets::settingsFile()), kOwnerFile);
        const QString again = TestDb::refusalOf([&] { ShopSetup::newSqlite("又一家", folder + "/new.db", "老板", "pw"); });
        QVERIFY2(again.contains("已存在"), qPrintable(again));
        // A folder that cannot be made is said so; one the operator chose keeps its mode.
        const QString blocked = TestDb::refusalOf([&] { ShopSetup::newSqlite("又一家", folder + "/new.db/x/y.db", "老板", "pw"); });
        QVERIFY2(blocked.contains("无法创建或不可写"), qPrintable(blocked));
        const QString open = t.dir() + "/open";
        QVERIFY(QDir().mkpath(open));
        QFile::setPermissions(open, kOwnerDir | QFile::ReadOther | QFile::ExeOther);
        ShopSetup::newSqlite("又一家", open + "/y.db", "老板", "pw");
        QCOMPARE(mode(open), kOwnerDir | QFile::ReadOther | QFile::ExeOther);
        QCOMPARE(mode(open + "/y.db"), kOwnerFile);
    }

    // The demo shop taken off the list comes back as it was at the next start.
    void demoListedAgain()
    {
        if (TestDb::isPostgres())
            QSKIP("the demo shop is a SQLite file");
        TestDb t;
        DemoData::ensureListed();
        const QString cnstr = AccountSets::cnstrOf(AccountSets::DemoName);
        const QString before = sales(cnstr);
        AccountSets::remove(AccountSets::DemoName);
        QVERIFY(AccountSets::list().isEmpty());
        DemoData::ensureListed();
        QCOMPARE(sales(AccountSets::cnstrOf(AccountSets::DemoName)), before);
    }

    void conninfo_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("parsed"); // host|port|db|user|password|sslmode, or the error
        QTest::newRow("plain") << "host=db.shop port=5433 dbname=kw user=pos password=x sslmode=require"
                               << "db.shop|5433|kw|pos|x|require";
        QTest::newRow("quoted") << "host=h dbname='my shop' user=pos password='a\\'b c'"
                                << "h|5432|my shop|pos|a'b c|";
        QTest::newRow("no database") << "host=h user=pos" << "连接参数无效：缺少 dbname";
        QTest::newRow("bad port") << "host=h port=x dbname=d" << "连接参数无效：端口“x”";
        QTest::newRow("unknown key") << "host=h dbname=d options=-c" << "连接参数无效：不支持“options”";
        QTest::newRow("unclosed") << "dbname='d" << "连接参数无效：引号未闭合";
    }
    void conninfo()
    {
        QFETCH(QString, text);
        QFETCH(QString, parsed);
        QString got;
        const QString error = TestDb::refusalOf([&] {
            const db::ConnectionString cs = db::ConnectionString::fromLibpq(text);
            got = QStringList{cs.host, QString::number(cs.port), cs.database, cs.user, cs.password, cs.sslMode}.join('|');
            // What the tools are handed reads back the same, without the password.
            const db::ConnectionString back = db::ConnectionString::fromLibpq(cs.toLibpq());
            QCOMPARE(back.database, cs.database);
            QVERIFY(back.password.isEmpty());
        });
        QCOMPARE(error.isEmpty() ? got : error.mid(error.indexOf("连接")), parsed);
    }

private:
    std::unique_ptr<QTemporaryDir> m_pgpass;
};

QTEST_GUILESS_MAIN(tst_Backup)
#include "tst_Backup.moc"
