// The account-set verbs of the program itself, on both engines, and the account-set manager
// window driven from the keyboard.
#include <memory>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>

#include "ScriptedPrompts.h"
#include "TestDb.h"
#include "core/db/Database.h"
#include "core/db/Schema.h"
#include "core/frame/AccountSets.h"
#include "core/frame/ShopSetup.h"
#include "ui/frame/Login.h"
#include "ui/frame/frmAccountSets.h"
#include "ui/widgets/DialogRunner.h"
#include "ui/widgets/KeyedGrid.h"

namespace {

struct Result
{
    int code = -1;
    QString out, err;
};

// One run of the program as a script would run it: its own station folders, no display.
Result kwpos(const QString &station, const QStringList &args, const QString &password = QString())
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("KWPOS_CONFIG_DIR", station + "/config");
    env.insert("KWPOS_DATA_DIR", station + "/data");
    env.insert("PGPASSFILE", station + "/pgpass");
    env.insert("KWPOS_PASSWORD", password);
    // The verbs run with no display at all; a login opens the main window offscreen.
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    if (args.contains("--quit-after-start"))
        env.insert("QT_QPA_PLATFORM", "offscreen");
    else
        env.remove("QT_QPA_PLATFORM");
    p.setProcessEnvironment(env);
    p.start(KWPOS_MAIN_EXE, args);
    Result r;
    if (!p.waitForFinished(120000))
        return r;
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    r.err = QString::fromUtf8(p.readAllStandardError()).trimmed();
    return r;
}

// Starts several runs at once and waits for all.
QList<Result> together(const QList<std::pair<QString, QStringList>> &runs, const QString &password)
{
    std::vector<std::unique_ptr<QProcess>> ps;
    for (const auto &[station, args] : runs) {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("KWPOS_CONFIG_DIR", station + "/config");
        env.insert("KWPOS_DATA_DIR", station + "/data");
        env.insert("PGPASSFILE", station + "/pgpass");
        env.insert("KWPOS_PASSWORD", password);
        p->setProcessEnvironment(env);
        p->start(KWPOS_MAIN_EXE, args);
        ps.push_back(std::move(p));
    }
    QList<Result> results;
    for (auto &p : ps) {
        Result r;
        if (p->waitForFinished(120000))
            r = {p->exitCode(), QString::fromUtf8(p->readAllStandardOutput()).trimmed(),
                 QString::fromUtf8(p->readAllStandardError()).trimmed()};
        results << r;
    }
    return results;
}

// The connection string a station lists a shop under, read from that station's own list.
QString listedAt(const QString &station, const QString &name)
{
    const QByteArray was = qgetenv("KWPOS_CONFIG_DIR");
    qputenv("KWPOS_CONFIG_DIR", (station + "/config").toUtf8());
    const QString cnstr = AccountSets::cnstrOf(name);
    qputenv("KWPOS_CONFIG_DIR", was);
    return cnstr;
}

} // namespace

class tst_AccountSets : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    // Without a display: help prints the options; the exit codes are the manual's.
    void commandLineWithoutDisplay()
    {
        if (TestDb::isPostgres())
            QSKIP("no database involved");
        QTemporaryDir station;
        const Result help = kwpos(station.path(), {"--help"});
        QCOMPARE(help.code, 0);
        QVERIFY2(help.out.contains("--new-account") && help.out.contains("--restore"), qPrintable(help.out));
        const Result none = kwpos(station.path(), {"--backup", "无此帐套"});
        QCOMPARE(none.code, 1);
        QCOMPARE(none.err, QStringLiteral("帐套“无此帐套”不存在"));
        const Result noPassword = kwpos(station.path(), {"--new-account", "店", "--sqlite", station.path() + "/a.db", "--manager", "老板"});
        QCOMPARE(noPassword.code, 1);
        QCOMPARE(noPassword.err.count('\n'), 0);
        QVERIFY(!QFile::exists(station.path() + "/a.db"));
    }

    // A new shop from the command line: logged into, a sale, a copy, the file damaged, the
    // copy put back, the sale there.
    void sqliteShopFromCommandLine()
    {
        if (TestDb::isPostgres())
            QSKIP("a SQLite shop");
        TestDb settings;
        const QString station = settings.dir();
        const QString file = station + "/shops/新店.db";
        Result r = kwpos(station, {"--new-account", "新店", "--sqlite", file, "--manager", "老板"}, "pw1");
        QVERIFY2(r.code == 0, qPrintable(r.err));
        r = kwpos(station, {"--account", "新店", "--user", "老板", "--quit-after-start"}, "pw1");
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(kwpos(station, {"--account", "新店", "--user", "老板", "--quit-after-start"}, "wrong").code, 2);
        QCOMPARE(kwpos(station, {"--account", "别家", "--user", "老板", "--quit-after-start"}, "pw1").code, 1);
        const QString cnstr = listedAt(station, "新店");
        QCOMPARE(TestDb::dump(cnstr, "select (select count(*) from t_icitem), (select count(*) from VipOrder),"
                                     " (select count(*) from ICStockBill)"),
                 "0,0,0");
        TestDb::saveCashSale(cnstr, Money::fromCents(450));
        db::closeAll();
        r = kwpos(station, {"--backup", "新店", station + "/copy.db"});
        QVERIFY2(r.code == 0, qPrintable(r.err));

        // A broken disk: the middle of the file overwritten, and a log left beside it.
        {
            QFile f(file);
            QVERIFY(f.open(QIODevice::ReadWrite));
            f.seek(f.size() / 4);
            f.write(QByteArray(int(f.size() / 2), '\x5a'));
            QFile wal(file + "-wal");
            QVERIFY(wal.open(QIODevice::WriteOnly));
            wal.write("stale log");
        }
        r = kwpos(station, {"--restore", "新店", station + "/copy.db"});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QVERIFY(!QFile::exists(file + "-wal"));
        QCOMPARE(TestDb::dump(cnstr, "select count(*), sum(FSumAmount) from ICStockBill"), "1,4.5");
        QCOMPARE(TestDb::dump(cnstr, "PRAGMA quick_check"), "ok");
        QCOMPARE(QDir(station + "/shops/backups").entryList({"*before-restore*.db"}, QDir::Files).size(), 1);
        db::closeAll();
        r = kwpos(station, {"--list-accounts"});
        QVERIFY2(r.code == 0 && r.out.startsWith("新店\tsqlite\t"), qPrintable(r.out));
        QVERIFY(r.out.contains(QStringLiteral("\t%1\t").arg(db::Schema::CurrentVersion)));
    }

    // Moving in by script: a file with a refused row is told row by row and writes nothing;
    // a dry run writes nothing; the import, then the export read back by a dry run.
    void importAndExportFromCommandLine()
    {
        if (TestDb::isPostgres())
            QSKIP("a SQLite shop");
        TestDb settings;
        const QString station = settings.dir();
        Result r = kwpos(station, {"--new-account", "新店", "--sqlite", station + "/新店.db", "--manager", "老板"}, "pw1");
        QVERIFY2(r.code == 0, qPrintable(r.err));
        const QString cnstr = listedAt(station, "新店");
        const auto csv = [&](const QString &name, const QByteArray &text) {
            QFile f(station + u'/' + name);
            f.open(QIODevice::WriteOnly);
            f.write(text);
            return f.fileName();
        };
        const QString bad = csv("bad.csv", "卡号,期初余额\nV1,10\nV2,-5\nV1,3\n");
        r = kwpos(station, {"--import", "members", bad, "--account", "新店"});
        QCOMPARE(r.code, 1);
        QCOMPARE(r.err, QStringLiteral("第3行 期初余额：金额不能为负数\n第4行 卡号：与第2行重复\n"
                                       "2 行不能导入，没有写入任何数据"));
        const QString good = csv("good.csv", "卡号,持卡人,期初余额\n007,王五,12.50\n");
        r = kwpos(station, {"--import", "members", good, "--account", "新店", "--dry-run"});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(TestDb::dump(cnstr, "select count(*) from VipCzBill"), "0");
        r = kwpos(station, {"--import", "members", good, "--account", "新店"});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(r.out, QStringLiteral("已导入会员：新增 1，更新 0，未变 0"));
        QCOMPARE(TestDb::dump(cnstr, "select FVipNo, FOwner, FKAmount, FRemark from VipCzBill"), "007,王五,12.5,期初余额");
        db::closeAll();
        r = kwpos(station, {"--export", "members", station + "/out.xlsx", "--account", "新店"});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        r = kwpos(station, {"--import", "members", station + "/out.xlsx", "--account", "新店"});
        QCOMPARE(r.out, QStringLiteral("已导入会员：新增 0，更新 0，未变 1"));
        QCOMPARE(kwpos(station, {"--import", "stock", good, "--account", "新店"}).code, 1);
    }

    // Two counters set up one empty server database at the same moment: one creates the
    // shop, the other joins it, and each sees the other's sale.
    void serverShopTwoStations()
    {
        if (!TestDb::isPostgres())
            QSKIP("a PostgreSQL shop");
        TestDb settings;
        const QString dbName = QStringLiteral("kwa_%1_%2").arg(QCoreApplication::applicationPid())
                                   .arg(QRandomGenerator::global()->generate() % 100000);
        db::execute(TestDb::postgresCnstr(), QStringLiteral("create database %1").arg(dbName));
        const db::ConnectionString admin = db::ConnectionString::parse(TestDb::postgresCnstr());
        const QString conninfo = QStringLiteral("host=%1 port=%2 dbname=%3 user=%4 password=pw")
                                     .arg(admin.host).arg(admin.port).arg(dbName, admin.user);
        const QString one = settings.dir() + "/one", two = settings.dir() + "/two";
        const QList<Result> rs = together({{one, {"--new-account", "总店", "--pg", conninfo, "--manager", "老板"}},
                                           {two, {"--new-account", "总店", "--pg", conninfo, "--manager", "老板"}}},
                                          "pw1");
        QVERIFY2(rs[0].code == 0 && rs[1].code == 0, qPrintable(rs[0].err + rs[1].err));
        QCOMPARE(QStringList({rs[0].out.left(3), rs[1].out.left(3)}).join(' ').count("已新建"), 1);
        const QString c1 = listedAt(one, "总店"), c2 = listedAt(two, "总店");
        QCOMPARE(TestDb::dump(c1, "select (select count(*) from t_SchemaVersion), (select count(*) from t_user)"), "1,1");
        QVERIFY(!c1.contains("pw") && QFile(two + "/pgpass").exists());
        TestDb::saveCashSale(c1, Money::fromCents(660));
        db::closeAll();
        QCOMPARE(kwpos(two, {"--account", "总店", "--user", "老板", "--quit-after-start"}, "pw1").code, 0);
        QCOMPARE(TestDb::dump(c2, "select count(*), sum(FSumAmount) from ICStockBill"), "1,6.6");
        // A third counter joins the shop as it is.
        const QString three = settings.dir() + "/three";
        const Result joined = kwpos(three, {"--join-account", "总店", "--pg", conninfo});
        QVERIFY2(joined.code == 0, qPrintable(joined.err));
        db::closeAll();
        db::execute(TestDb::postgresCnstr(), QStringLiteral("drop database %1 with (force)").arg(dbName));
    }

    // The day's copy that cannot be made is told in the status bar; the login goes on.
    void failedDailyCopyIsTold()
    {
        if (TestDb::isPostgres())
            QSKIP("daily copies are made of SQLite shops");
        TestDb t;
        QFile blocker(t.dir() + "/backups"); // a file where the folder would go
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        const QString told = Login::dailyBackup(t.cnstr());
        QVERIFY2(told.startsWith("今日自动备份失败：备份失败：无法创建备份目录"), qPrintable(told));
        QVERIFY(QFile::remove(blocker.fileName()));
        QCOMPARE(Login::dailyBackup(t.cnstr()), QString());
        QCOMPARE(QDir(t.dir() + "/backups").entryList({"shop-daily-*.db"}, QDir::Files).size(), 1);
    }

    // The manager window from the keyboard: a new shop, a copy of it, Delete asks first.
    void managerWindowByKeyboard()
    {
        if (TestDb::isPostgres())
            QSKIP("the window's own work is the same on both engines");
        TestDb t;
        ScriptedPrompts prompts;
        const QString folder = t.dir() + "/shops";
        QStringList seen;
        QString scriptNote;
        DialogRunner::setScript([&](QDialog &d) {
            seen << d.objectName();
            d.show();
            if (d.objectName() != u"frmNewAccount")
                return int(QDialog::Rejected);
            // The name field has the focus; Tab walks the fields, Enter confirms.
            d.activateWindow();
            if (!QTest::qWaitForWindowActive(&d)) {
                scriptNote = "never active";
                return -1;
            }
            if (d.focusWidget() != d.findChild<QLineEdit *>("txtName")) {
                scriptNote = "the name field is not first";
                return -1;
            }
            for (const QString &text : {QStringLiteral("分店"), folder, QStringLiteral("店长"),
                                        QStringLiteral("pw"), QStringLiteral("pw")}) {
                auto *edit = qobject_cast<QLineEdit *>(d.focusWidget());
                if (!edit) {
                    scriptNote = QStringLiteral("focus on %1").arg(d.focusWidget() ? d.focusWidget()->objectName() : "nothing");
                    return -1;
                }
                edit->selectAll();
                // Chinese arrives through the input method, as on a counter.
                QInputMethodEvent typed;
                typed.setCommitString(text);
                QApplication::sendEvent(edit, &typed);
                QTest::keyClick(edit, Qt::Key_Tab);
            }
            QTest::keyClick(d.findChild<QLineEdit *>("txtConfirm"), Qt::Key_Return);
            return d.result();
        });
        frmAccountSets w;
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w.grid()));
        // A button's Alt key clicks it a moment later, as a mouse would.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_N, Qt::AltModifier);
        QTRY_COMPARE(seen, QStringList{"frmNewAccount"});
        QVERIFY2(w.grid()->rows() == 2, qPrintable(prompts.texts().join('|') + scriptNote));
        QCOMPARE(w.grid()->text(1, "name"), "分店");
        QCOMPARE(w.grid()->text(1, "version"), QString::number(db::Schema::CurrentVersion));
        QCOMPARE(w.grid()->text(1, "backup"), "无");
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w.grid()));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_B, Qt::AltModifier);
        QTRY_VERIFY2(prompts.last().startsWith("备份完成"), qPrintable(prompts.texts().join('|')));
        QVERIFY(w.grid()->text(1, "backup") != u"无");
        prompts.answers = {false};
        QTest::keyClick(w.grid(), Qt::Key_Delete);
        QVERIFY(prompts.last().contains("不会删除"));
        QCOMPARE(AccountSets::list().size(), 1);
        QVERIFY(w.width() <= 1024 && w.height() <= 768);
        DialogRunner::setScript({});
    }
};

QTEST_MAIN(tst_AccountSets)
#include "tst_AccountSets.moc"
