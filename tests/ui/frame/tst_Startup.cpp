#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QtTest>

#include "ScriptedPrompts.h"
#include "TestDb.h"
#include "core/frame/AccountSets.h"
#include "core/frame/Authenticator.h"
#include "ui/widgets/DialogRunner.h"
#include "ui/frame/FrmMain.h"
#include "core/frame/KwStore.h"
#include "ui/frame/Login.h"
#include "core/frame/PasswordHash.h"
#include "core/frame/Session.h"
#include "core/db/Database.h"
#include "core/demo/DemoData.h"

class tst_Startup : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    void kwStoreIgnoresCase()
    {
        TestDb t;
        QCOMPARE(KwStore::get("KwStore", "Pos.Default", "PrintPort", "LPT1"), QStringLiteral("LPT1"));
        KwStore::set("KwStore", "DefaultValue", "frmSaleBill.Stock", QStringLiteral("冷库"));
        QCOMPARE(KwStore::get("Kwstore", "Defaultvalue", "FRMSALEBILL.STOCK"), QStringLiteral("冷库"));
    }

    void passwordHashes()
    {
        const QString h = PasswordHash::hash("s3cret");
        QVERIFY(h.startsWith("$argon2id$"));
        QVERIFY(PasswordHash::verify(h, "s3cret"));
        QVERIFY(!PasswordHash::verify(h, "S3cret"));
        QVERIFY(!PasswordHash::verify(QString(), ""));
    }

    void demoAccountSetIsListedOnce()
    {
        TestDb t; // fresh config and data folders
        QVERIFY(AccountSets::list().isEmpty());
        AccountSets::ensureDemo();
        QCOMPARE(AccountSets::list().size(), 1);
        QCOMPARE(AccountSets::list().first().name, QStringLiteral("演示帐套"));
        AccountSets::ensureDemo();
        QCOMPARE(AccountSets::list().size(), 1);
        const QString cnstr = AccountSets::cnstrOf(QStringLiteral("演示帐套"));
        QVERIFY(db::scalar(cnstr, "select count(*) from t_icitem").toInt() >= 8);
        db::closeAll();
    }

    void demoDataIsConsistent()
    {
        TestDb t(TestDb::Content::Demo);
        const QString c = t.cnstr();
        QCOMPARE(db::scalar(c, "select count(*) from TDBill where FTranType=1002 and FTDBillName=?", {QStringLiteral("标准格式")}).toInt(), 1);
        QCOMPARE(db::scalar(c, "select count(*) from TDBill where FTranType=250").toInt(), 2);
        QCOMPARE(db::scalar(c, "select count(*) from t_stock where FName=?", {QStringLiteral("店面")}).toInt(), 1);
        QVERIFY(db::scalar(c, "select count(*) from t_icitem_barcode where FExchange>1").toInt() > 0);
        QVERIFY(db::scalar(c, "select count(*) from VipOrder where coalesce(FClosed,0)=0").toInt() > 0);
        QVERIFY(db::scalar(c, "select count(*) from VipOrder where FClosed=1").toInt() > 0);
        // Every movement's closing balance equals its opening plus or minus the amount.
        for (const db::Row &r : db::query(c, "select * from VipCzBill")) {
            const double sign = r.integer("FTranType") == 1 ? 1 : -1;
            QCOMPARE(r.number("FEndAmount"), r.number("FBegAmount") + sign * r.number("FKAmount"));
        }
        // Handed-out quantities of the demo orders match the demo sales.
        QCOMPARE(db::scalar(c, "select sum(FQty) from ICStockBillEntry where FOrderBillInterID<>0").toDouble(),
                 db::scalar(c, "select sum(FCplQty) from VipOrderEntry e inner join VipOrder o on o.FInterID=e.FInterID where coalesce(o.FClosed,0)=0").toDouble());
        QVERIFY(Authenticator::verify(c, db::DemoData::ManagerName, db::DemoData::ManagerPassword));
        QVERIFY(!Authenticator::verify(c, db::DemoData::ManagerName, "wrong"));
    }

    void scriptedLogin_data()
    {
        QTest::addColumn<QString>("account");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("ok");
        QTest::newRow("right") << "测试" << "店长" << "8888" << true;
        QTest::newRow("wrong password") << "测试" << "店长" << "8889" << false;
        QTest::newRow("unknown user") << "测试" << "nobody" << "8888" << false;
        QTest::newRow("unknown account") << "其他" << "店长" << "8888" << false;
    }
    void scriptedLogin()
    {
        QFETCH(QString, account);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(bool, ok);
        TestDb t(TestDb::Content::Demo);
        AccountSets::add(QStringLiteral("测试"), t.cnstr());
        Login login;
        login.loginScripted(account, user, password);
        QCOMPARE(login.OK.toBool(), ok);
        if (ok) {
            QCOMPARE(login.UserID, 1);
            QCOMPARE(login.UserName, user);
            QCOMPARE(login.acctname, account);
            QCOMPARE(login.Cnstr, t.cnstr());
        } else {
            QVERIFY(!login.error().isEmpty());
        }
    }

    // The login dialogue: Enter with the right password logs in; a wrong one keeps the
    // dialogue open with a message; cancel reports not OK.
    void loginDialog_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("prompt");
        QTest::newRow("cashier") << "收银员" << "1234" << true << "";
        QTest::newRow("wrong password") << "收银员" << "8888" << false << "操作员或密码错误！";
        QTest::newRow("cancel") << "" << "" << false << "";
    }
    void loginDialog()
    {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(bool, ok);
        QFETCH(QString, prompt);
        TestDb t(TestDb::Content::Demo);
        AccountSets::add(QStringLiteral("测试"), t.cnstr());
        ScriptedPrompts prompts;
        bool stayedOpen = false;
        DialogRunner::setScript([&](QDialog &d) {
            d.show();
            if (user.isEmpty()) {
                d.reject();
                return d.result();
            }
            d.findChild<QComboBox *>("cmbUser")->setCurrentText(user);
            auto *pw = d.findChild<QLineEdit *>("txtPassword");
            pw->setFocus();
            QTest::keyClicks(pw, password);
            QTest::keyClick(pw, Qt::Key_Return);
            stayedOpen = d.isVisible();
            if (stayedOpen)
                d.reject();
            return d.result();
        });
        Login login;
        login.login("7.1.20120102", "7.1.0");
        DialogRunner::setScript({});
        QCOMPARE(login.OK.toBool(), ok);
        QCOMPARE(prompts.last(), prompt);
        QCOMPARE(stayedOpen, !prompt.isEmpty());
        if (ok) {
            QCOMPARE(login.UserID, 2);
            QCOMPARE(login.acctname, QStringLiteral("测试"));
            QCOMPARE(login.Cnstr, t.cnstr());
        }
    }

    void mainWindowLoad_data()
    {
        QTest::addColumn<bool>("withRetail");
        QTest::newRow("retail style") << true;
        QTest::newRow("no retail style") << false;
    }
    void mainWindowLoad()
    {
        QFETCH(bool, withRetail);
        TestDb t(TestDb::Content::Demo);
        if (!withRetail)
            db::execute(t.cnstr(), "update t_pricestyle set FName='旧零售价' where FName=?", {QStringLiteral("零售价")});
        t.login(1, QStringLiteral("店长"));
        FrmMain w;
        w.Form_Load();
        QCOMPARE(w.findChild<QLabel *>("curuser")->text(), QStringLiteral("操作员：店长"));
        QCOMPARE(w.findChild<QLabel *>("acctname")->text(), QStringLiteral("帐套：测试帐套"));
        QCOMPARE(Session::current().RetailPriceStyleID, withRetail ? 1 : 0);
    }

    // The program itself starts on the demo account set with a scripted login.
    void programStartsOnDemo()
    {
        QTemporaryDir dir;
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("KWPOS_CONFIG_DIR", dir.path() + "/config");
        env.insert("KWPOS_DATA_DIR", dir.path() + "/data");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("KWPOS_PASSWORD", db::DemoData::ManagerPassword);
        p.setProcessEnvironment(env);
        p.start(KWPOS_MAIN_EXE, {"--account", QStringLiteral("演示帐套"), "--user", db::DemoData::ManagerName, "--quit-after-start"});
        QVERIFY(p.waitForFinished(120000));
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(QString::fromUtf8(p.readAllStandardOutput()).contains(QStringLiteral("演示帐套 / 店长")));

        env.insert("KWPOS_PASSWORD", "wrong");
        p.setProcessEnvironment(env);
        p.start(KWPOS_MAIN_EXE, {"--account", QStringLiteral("演示帐套"), "--user", db::DemoData::ManagerName, "--quit-after-start"});
        QVERIFY(p.waitForFinished(120000));
        QCOMPARE(p.exitCode(), 2);
    }
};

QTEST_MAIN(tst_Startup)
#include "tst_Startup.moc"
