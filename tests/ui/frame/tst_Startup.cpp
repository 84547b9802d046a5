#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QProcess>
#include <QtTest>

#include "ScriptedPrompts.h"
#include "TestDb.h"
#include "core/frame/AccountSets.h"
#include "ui/widgets/DialogRunner.h"
#include "ui/frame/Login.h"
#include "core/db/Database.h"
#include "core/demo/DemoData.h"

class tst_Startup : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

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
            if ((stayedOpen = d.isVisible()))
                d.reject();
            return d.result();
        });
        Login login;
        login.login("7.1.20120102", "7.1.0");
        DialogRunner::setScript({});
        QCOMPARE(login.OK.toBool(), ok);
        QCOMPARE(prompts.last(), prompt);
        QCOMPARE(stayedOpen, !prompt.isEmpty());
        if (ok)
            QCOMPARE((QStringList{QString::number(login.UserID), login.acctname, login.Cnstr}),
                     (QStringList{"2", "测试", t.cnstr()}));
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
        for (const auto &[password, code] : {std::pair{QString(DemoData::ManagerPassword), 0}, {"wrong", 2}}) {
            env.insert("KWPOS_PASSWORD", password);
            p.setProcessEnvironment(env);
            p.start(KWPOS_MAIN_EXE, {"--account", QStringLiteral("演示帐套"), "--user", DemoData::ManagerName, "--quit-after-start"});
            QVERIFY(p.waitForFinished(120000));
            QCOMPARE(p.exitCode(), code);
            QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()).contains(QStringLiteral("演示帐套 / 店长")), code == 0);
        }
    }
};

QTEST_MAIN(tst_Startup)
#include "tst_Startup.moc"
