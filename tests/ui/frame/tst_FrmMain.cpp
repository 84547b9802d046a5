#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTextEdit>
#include <QToolBar>
#include <QtTest>

#include "ScriptedPrompts.h"
#include "TestDb.h"
#include "core/db/DbError.h"
#include "core/demo/DemoData.h"
#include "core/frame/AccountSets.h"
#include "core/frame/Authenticator.h"
#include "core/frame/UserGrants.h"
#include "ui/frame/FrmMain.h"
#include "ui/frame/Login.h"
#include "ui/frame/frmGrant.h"
#include "ui/frame/frmModifyPwd.h"
#include "ui/tools/Screenshots.h"
#include "ui/widgets/DialogRunner.h"
#include "ui/widgets/WindowFit.h"

namespace {

// Every tool (its dispatch row is its name in lower case), its right key ("" none,
// "@manager", otherwise the grant key) and its refusal.
struct Tool
{
    const char *name, *right, *refusal;
};

// clang-format off
const Tool Tools[] = {
    {"Order", "NewOrder", "无权限！"}, {"sale", "NewSale", "无权限！"}, {"bk", "bk", "没有权限！"},
    {"orderchange", "OrderAdjItem", "无权限！"}, {"czbill", "", ""}, {"Grant", "@manager", "没有权限！"},
    {"modifypwd", "", ""}, {"editvip", "", ""}, {"tdsj", "", ""}, {"accountsets", "@manager", "没有权限！"}, {"OrderList", "ordermxb", "没有权限！"},
    {"orderhzb", "OrderHzb", "没有权限！"}, {"SaleList", "salemxb", "没有权限！"}, {"yyrbb", "yyrbb", "没有权限！"},
    {"uncplorder", "", ""}, {"czmxb", "", ""}, {"czhzb", "", ""}, {"viplsz", "", ""}, {"vipdzd", "", ""},
    {"item", "BaseData", "没有权限！"}, {"pricestyle", "BaseData", "没有权限！"}, {"stock", "BaseData", "没有权限！"},
    {"user", "BaseData", "没有权限！"}, {"viplist", "BaseData", "没有权限！"}, {"import", "BaseData", "没有权限！"},
};
// clang-format on

// Replaces every row's action by a recorder, so the test sees which row acted.
void record(FrmMain &main, QStringList &ran)
{
    for (const Tool &t : Tools)
        QVERIFY(main.setCommandAction(t.name, [&ran, row = QString::fromLatin1(t.name).toLower()] {
            ran << row;
        }));
}

// What an operator cannot reach in a window as it stands: a tool hidden behind a tool bar's
// "»", a field or button cut off by the window's edge or squeezed to nothing. What lies inside
// a scrolling area is reached by scrolling and not looked at.
QStringList outOfReach(QWidget &w)
{
    QStringList out;
    for (const QToolBar *bar : w.findChildren<QToolBar *>()) {
        if (!bar->isVisibleTo(&w))
            continue;
        for (QAction *a : bar->actions()) {
            const QWidget *tool = bar->widgetForAction(a);
            if (a->isSeparator() || !a->isVisible() || (tool && tool->isVisible()))
                continue;
            // A label or list put on the bar has no text of its own.
            const QString name = !a->text().isEmpty() || !tool ? a->text()
                                 : tool->objectName().isEmpty() ? tool->metaObject()->className()
                                                                : tool->objectName();
            out << "tool " + name;
        }
    }
    for (QWidget *c : w.findChildren<QWidget *>()) {
        const bool field = qobject_cast<QLineEdit *>(c) || qobject_cast<QComboBox *>(c) ||
                           qobject_cast<QAbstractButton *>(c) || qobject_cast<QAbstractSpinBox *>(c) ||
                           qobject_cast<QAbstractItemView *>(c) || qobject_cast<QTextEdit *>(c);
        if (!field || !c->isVisibleTo(&w) || c->objectName().startsWith("qt_"))
            continue;
        bool scrolled = false, inner = false;
        for (QWidget *p = c->parentWidget(); p && p != &w; p = p->parentWidget()) {
            scrolled = scrolled || qobject_cast<QAbstractScrollArea *>(p);
            inner = inner || qobject_cast<QComboBox *>(p) || qobject_cast<QAbstractSpinBox *>(p) ||
                    qobject_cast<QToolBar *>(p);
        }
        if (scrolled || inner)
            continue;
        const QRect r(c->mapTo(&w, QPoint()), c->size());
        if (r.width() < 6 || r.height() < 6 || !w.rect().contains(r))
            out << QString("%1 %2 at %3,%4 %5x%6")
                       .arg(c->metaObject()->className(), c->objectName())
                       .arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
    }
    return out;
}

} // namespace

class tst_FrmMain : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    // The manager reaches every row; an operator holding every right but this tool's (that
    // one written as 0) reaches only the unguarded ones and sees the refusal otherwise.
    // Every window of the program (the screenshot tour's list), at the size it opens at and
    // fitted to a 1024 × 768 screen: each tool and field in reach.
    void everyToolAndFieldInReach()
    {
        TestDb t(TestDb::Content::Demo);
        ScriptedPrompts prompts;
        qputenv("KWPOS_SPOOL_DIR", (t.dir() + "/spool").toUtf8());
        t.login(1, QStringLiteral("店长"));
        FrmMain main;
        main.show();
        QStringList failures;
        for (const Screenshots::Entry &e : Screenshots::entries()) {
            QWidget *w = e.build(main);
            if (w->isWindow() && w->windowType() != Qt::Popup) {
                w->show();
                QApplication::processEvents();
                for (const QString &f : outOfReach(*w))
                    failures << e.file + " opening " + QString("%1x%2").arg(w->width()).arg(w->height()) + ": " + f;
                WindowFit::apply(*w, QRect(0, 0, 1024, 768));
                QApplication::processEvents();
                for (const QString &f : outOfReach(*w))
                    failures << e.file + " at 1024x768: " + f;
            }
            if (w != &main)
                w->hide();
            if (e.dispose)
                delete w;
        }
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join('\n')));
    }

    void dispatch_data()
    {
        QTest::addColumn<int>("i");
        for (const Tool &t : Tools)
            QTest::newRow(t.name) << int(&t - Tools);
    }
    void dispatch()
    {
        QFETCH(int, i);
        const Tool &tool = Tools[i];
        const QString right = QString::fromLatin1(tool.right);
        TestDb t;
        t.addUser(1, QStringLiteral("经理"), true); // no rows at all
        QStringList others;
        for (const UserGrants::Right &r : UserGrants::rights())
            others << r.key + (r.key == right ? "=0" : "=1");
        t.addUser(3, QStringLiteral("缺一项"), false, 0, others);
        ScriptedPrompts prompts;
        QStringList got;
        for (int user : {1, 3}) {
            t.login(user, QStringLiteral("op"));
            FrmMain main;
            QStringList ran;
            record(main, ran);
            prompts.clear();
            main.tool(tool.name)->trigger();
            got << ran.join(',') + prompts.texts().join(',');
        }
        const QString row = QString::fromLatin1(tool.name).toLower();
        QCOMPARE(got, (QStringList{row, right.isEmpty() ? row : QString::fromUtf8(tool.refusal)}));
    }

    // A failing command shows the error's own text and the window keeps working.
    void failingCommandKeepsWindowUsable()
    {
        TestDb t;
        t.addUser(1, QStringLiteral("店长"), true);
        t.login(1, QStringLiteral("店长"));
        ScriptedPrompts prompts;
        FrmMain main;
        QStringList ran;
        record(main, ran);
        main.setCommandAction("sale", [] { throw db::DbError("连接已断开"); });
        main.tool("sale")->trigger();
        QCOMPARE(prompts.texts(), QStringList{"连接已断开"});
        main.tool("uncplorder")->trigger();
        QCOMPARE(ran, QStringList{"uncplorder"});
    }

    // The boxes as loaded and clicked are the rights granted: a row of 0 or 1 per right, the form
    // kept open. When the database refuses, the engine's text is shown, no row has changed
    // and the manager's ticks stay.
    void chooseAndGrant()
    {
        TestDb t;
        t.addUser(1, QStringLiteral("店长"), true);
        t.addUser(5, QStringLiteral("张三"), false, 0, {"orderhzb=1", "NEWSALE=1", "bk=0", "deletebill=1"});
        t.login(1, QStringLiteral("店长"));
        ScriptedPrompts prompts;
        const QString rows = "select FKey, FValue from t_user_grant where FUserID=5 order by FKey";
        frmGrant f;
        f.show();
        f.cmbUser->setCurrentIndex(f.cmbUser->findText(QStringLiteral("张三")));
        QTest::mouseClick(f.rightBox("NewOrder"), Qt::LeftButton);
        QTest::mouseClick(f.rightBox("OrderAdjItem"), Qt::LeftButton);
        f.rightBox("NewSale")->setChecked(false);
        QTest::mouseClick(f.cmdGrant, Qt::LeftButton);
        QCOMPARE(prompts.texts(), QStringList{"授权完成！"});
        const QString granted = "BaseData,0;EditOrder,0;EditOrderYxq,0;NewOrder,1;NewSale,0;OrderAdjItem,1;"
                                "OrderHzb,1;bk,0;ordermxb,0;salemxb,0;yyrbb,0";
        QCOMPARE(TestDb::dump(t.cnstr(), rows), granted);
        QVERIFY(f.isVisible());

        t.failOn("insert", "t_user_grant");
        prompts.clear();
        f.rightBox("bk")->setChecked(true);
        QTest::mouseClick(f.cmdGrant, Qt::LeftButton);
        QVERIFY2(prompts.shown.size() == 1 && prompts.last().contains("forced failure"),
                 qPrintable(prompts.last()));
        QCOMPARE(TestDb::dump(t.cnstr(), rows), granted);
        QVERIFY(f.rightBox("bk")->isChecked());
    }

    // The login dialogue by keyboard: a wrong password is refused with the dialogue still open
    // and the password ready to be typed over; Enter with the right one logs in.
    void loginDialog()
    {
        TestDb t(TestDb::Content::Demo);
        AccountSets::add(QStringLiteral("测试"), t.cnstr());
        ScriptedPrompts prompts;
        QStringList wrong;
        DialogRunner::setScript([&](QDialog &d) {
            d.show();
            d.findChild<QComboBox *>("cmbUser")->setCurrentText("收银员");
            auto *pw = d.findChild<QLineEdit *>("txtPassword");
            pw->setFocus();
            QTest::keyClicks(pw, "8888");
            QTest::keyClick(pw, Qt::Key_Return);
            wrong = prompts.texts() << QString::number(d.isVisible());
            QTest::keyClicks(pw, "1234");
            QTest::keyClick(pw, Qt::Key_Return);
            return d.result();
        });
        Login login;
        login.login("7.1.20120102", "7.1.0");
        DialogRunner::setScript({});
        QCOMPARE(wrong, (QStringList{"操作员或密码错误！", "1"}));
        QCOMPARE((QStringList{login.OK.toString(), QString::number(login.UserID), login.acctname, login.Cnstr}),
                 (QStringList{"true", "2", "测试", t.cnstr()}));
    }

    // The program itself starts on the demo account set with a scripted login; a wrong
    // password ends it with code 2.
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
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");   // where the operator types next; "" when changed and closed
        QTest::newRow("right old password") << "1234" << "56'78" << "56'78" << "密码修改成功！" << "";
        QTest::newRow("wrong old password") << "4321" << "5678" << "5678" << "原密码不正确！" << "txtOld";
        QTest::newRow("new ones differ") << "1234" << "5678" << "5679" << "两次输入的新密码不一致！" << "txtConfirm";
        QTest::newRow("empty new password") << "1234" << "" << "" << "请输入新密码！" << "txtNew";
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
        // Enter walks old -> new -> confirm, and confirms from the last box.
        for (const auto &[box, text] : {std::pair{f.txtOld, oldPwd}, {f.txtNew, newPwd}, {f.txtConfirm, confirm}}) {
            QCOMPARE(QApplication::focusWidget(), box);
            QTest::keyClicks(box, text);
            QTest::keyClick(box, Qt::Key_Return);
        }

        QCOMPARE(prompts.texts(), QStringList{message});
        QCOMPARE(f.OK, changed);
        QCOMPARE(changed ? QString() : QApplication::focusWidget()->objectName(), focus);
        QVERIFY(Authenticator::verify(t.cnstr(), "收银员", changed ? newPwd : QString("1234")).has_value());
        QVERIFY(Authenticator::verify(t.cnstr(), "店长", "8888").has_value()); // nobody else's moved
    }
};

QTEST_MAIN(tst_FrmMain)
#include "tst_FrmMain.moc"
