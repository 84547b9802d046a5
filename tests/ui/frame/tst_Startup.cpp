#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QtTest>

#include "ScriptedPrompts.h"
#include "TestDb.h"
#include "core/db/Database.h"
#include "core/demo/DemoData.h"
#include "core/frame/AccountSets.h"
#include "core/frame/Authenticator.h"
#include "ui/frame/Login.h"
#include "ui/frame/frmModifyPwd.h"
#include "ui/widgets/DialogRunner.h"

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

    void change_data()
    {
        QTest::addColumn<QString>("oldPwd");
        QTest::addColumn<QString>("newPwd");
        QTest::addColumn<QString>("confirm");
        QTest::addColumn<QString>("message"); // "!" first: an exclamation box
        QTest::addColumn<QString>("focus");   // where the operator types next; "" when changed and closed
        QTest::newRow("right old password") << "1234" << "56'78" << "56'78" << "密码修改成功！" << "";
        QTest::newRow("wrong old password") << "4321" << "5678" << "5678" << "原密码不正确！" << "txtOld";
        QTest::newRow("new ones differ") << "1234" << "5678" << "5679" << "两次输入的新密码不一致！" << "txtConfirm";
        QTest::newRow("empty new password") << "1234" << "" << "" << "!请输入新密码！" << "txtNew";
    }
    void change()
    {
        QFETCH(QString, oldPwd);
        QFETCH(QString, newPwd);
        QFETCH(QString, confirm);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        const bool changed = focus.isEmpty();
        TestDb t(TestDb::Content::Demo);
        ScriptedPrompts prompts;
        frmModifyPwd f(t.cnstr(), "收银员");
        f.show();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        QCOMPARE(QApplication::focusWidget(), f.txtOld);
        // Enter walks old -> new -> confirm, and confirms from the last box.
        for (const auto &[box, text] : {std::pair{f.txtOld, oldPwd}, {f.txtNew, newPwd}, {f.txtConfirm, confirm}}) {
            QCOMPARE(QApplication::focusWidget(), box);
            QTest::keyClicks(box, text);
            QTest::keyClick(box, Qt::Key_Return);
        }

        QCOMPARE(prompts.shown.size(), 1);
        const bool exclamation = message.startsWith('!');
        QCOMPARE(prompts.last(), exclamation ? message.mid(1) : message);
        QCOMPARE(prompts.shown[0].icon, exclamation ? Prompts::Icon::Exclamation : Prompts::Icon::Information);
        QCOMPARE(f.OK, changed);
        QCOMPARE(changed ? QString() : QApplication::focusWidget()->objectName(), focus);
        QCOMPARE(Authenticator::verify(t.cnstr(), "收银员", "1234").has_value(), !changed);
        QVERIFY(Authenticator::verify(t.cnstr(), "收银员", changed ? newPwd : QString("1234")).has_value());
        QVERIFY(Authenticator::verify(t.cnstr(), "店长", "8888").has_value()); // nobody else's moved
    }
};

QTEST_MAIN(tst_Startup)
#include "tst_Startup.moc"
