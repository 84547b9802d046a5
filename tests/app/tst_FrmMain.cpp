#include <QAction>
#include <QDialog>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QtTest>

#include "ScriptedPrompts.h"
#include "TestDb.h"
#include "app/DialogRunner.h"
#include "pos/frmSaleBill.h"
#include "app/FrmMain.h"
#include "app/Screenshots.h"
#include "app/Session.h"
#include "app/db/Database.h"
#include "app/db/DbError.h"
#include "app/frmGrant.h"

namespace {

// Stands in for a modeless document form of later work.
class FakeForm : public QWidget
{
public:
    explicit FakeForm(QWidget *parent) : QWidget(parent) { ++made; }
    static int made;
};
int FakeForm::made = 0;

// Every tool with the dispatch row it must reach, its right key and its refusal.
struct Tool
{
    const char *name;
    const char *row;
    const char *right; // "" none, "@manager", otherwise the HasGrant key
    const char *refusal;
};

const Tool Tools[] = {
    {"Order", "order", "NewOrder", "无权限！"},
    {"sale", "sale", "NewSale", "无权限！"},
    {"bk", "bk", "bk", "没有权限！"},
    {"orderchange", "orderchange", "OrderAdjItem", "无权限！"},
    {"czbill", "czbill", "", ""},
    {"Grant", "grant", "@manager", "没有权限！"},
    {"modifypwd", "modifypwd", "", ""},
    {"editvip", "editvip", "", ""},
    {"tdsj", "tdsj", "", ""},
    {"OrderList", "orderlist", "ordermxb", "没有权限！"},
    {"orderhzb", "orderhzb", "OrderHzb", "没有权限！"},
    {"SaleList", "salelist", "salemxb", "没有权限！"},
    {"yyrbb", "yyrbb", "yyrbb", "没有权限！"},
    {"uncplorder", "uncplorder", "", ""},
    {"czmxb", "czmxb", "", ""},
    {"czhzb", "czhzb", "", ""},
    {"viplsz", "viplsz", "", ""},
    {"vipdzd", "vipdzd", "", ""},
};

// Replaces every row's action by a recorder, so the test sees which row acted.
void record(FrmMain &main, QStringList &ran)
{
    for (const Tool &t : Tools)
        QVERIFY(main.setCommandAction(t.row, [&ran, row = QString::fromLatin1(t.row)] { ran << row; }));
}

QStringList captionsOf(const QMenu *menu)
{
    QStringList out;
    for (const QAction *a : menu->actions())
        out << (a->isSeparator() ? QStringLiteral("-") : a->text() + "=" + a->objectName());
    return out;
}

} // namespace

class tst_FrmMain : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }
    void cleanup() { DialogRunner::setScript({}); }

    void commandBar()
    {
        TestDb t(TestDb::Content::Demo);
        t.login(1, QStringLiteral("店长"));
        FrmMain main;
        QStringList top;
        for (const QAction *a : main.menuBar()->actions())
            top << (a->isSeparator() ? QStringLiteral("-") : a->text() + "=" + a->objectName());
        QCOMPARE(top, (QStringList{"业务管理(&A)=MnuFunction", "报表中心(&R)=MnuSg", "-",
                                   "退出系统(&X)=MnuExit"}));
        QCOMPARE(captionsOf(main.findChild<QMenu *>("myFunction")),
                 (QStringList{"订单=Order", "出库单=sale", "会员补卡=bk", "订单更换奶种=orderchange",
                              "会员充值=czbill", "-", "权限设置=Grant", "修改登录密码=modifypwd",
                              "修改会员信息=editvip", "调用套打设计器=tdsj"}));
        QCOMPARE(captionsOf(main.findChild<QMenu *>("myReport")),
                 (QStringList{"订单明细表=OrderList", "订单汇总表=orderhzb", "销售明细表=SaleList",
                              "营业日报表=yyrbb", "未完成订单明细表=uncplorder", "充值明细表=czmxb",
                              "充值消费汇总表=czhzb", "充值消费流水帐=viplsz", "会员对账单=vipdzd"}));
    }

    void loadFillsStatusBar()
    {
        TestDb t(TestDb::Content::Demo);
        t.login(2, QStringLiteral("收银员"));
        FrmMain main;
        main.Form_Load();
        QCOMPARE(main.findChild<QLabel *>("curuser")->text(), QStringLiteral("操作员：收银员"));
        QCOMPARE(main.findChild<QLabel *>("acctname")->text(), QStringLiteral("帐套：测试帐套"));
        QVERIFY(Session::current().RetailPriceStyleID != 0);
    }

    void dispatch_data()
    {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<QString>("row");
        QTest::addColumn<QString>("right");
        QTest::addColumn<QString>("refusal");
        for (const Tool &t : Tools)
            QTest::newRow(t.name) << QString::fromLatin1(t.name) << QString::fromLatin1(t.row)
                                  << QString::fromLatin1(t.right) << QString::fromUtf8(t.refusal);
    }
    void dispatch()
    {
        QFETCH(QString, tool);
        QFETCH(QString, row);
        QFETCH(QString, right);
        QFETCH(QString, refusal);
        TestDb t;
        t.addUser(1, QStringLiteral("经理"), true); // no rows at all
        t.addUser(2, QStringLiteral("无权"), false, 0, {"deletebill=1"});
        // Every right but the one asked for, and that one written as 0.
        QStringList others{"NewOrder=1", "EditOrder=1", "NewSale=1", "yyrbb=1", "salemxb=1",
                           "ordermxb=1", "bk=1", "EditOrderYxq=1", "OrderHzb=1", "OrderAdjItem=1"};
        if (!right.isEmpty() && !right.startsWith('@'))
            others.replaceInStrings(QRegularExpression("^" + right + "=1$"), right + "=0");
        t.addUser(3, QStringLiteral("缺一项"), false, 0, others);
        t.addUser(4, QStringLiteral("有此权"), false, 0, {right.toLower() + "=1"}); // key in other case
        ScriptedPrompts prompts;

        struct Who
        {
            int id;
            bool passes;
        };
        const bool guarded = !right.isEmpty();
        const bool grantKey = guarded && !right.startsWith('@');
        const QList<Who> who{{1, true}, {2, !guarded}, {3, !guarded}, {4, !guarded || grantKey}};
        for (const Who &w : who) {
            t.login(w.id, QStringLiteral("op"));
            FrmMain main;
            QStringList ran;
            record(main, ran);
            prompts.clear();
            main.tool(tool)->trigger();
            const QString ctx = QStringLiteral("user %1").arg(w.id);
            if (w.passes) {
                QVERIFY2(prompts.shown.isEmpty(), qPrintable(ctx + ": " + prompts.last()));
                QCOMPARE(ran, QStringList{row});
            } else {
                QVERIFY2(ran.isEmpty(), qPrintable(ctx));
                QCOMPARE(prompts.shown.size(), 1);
                QCOMPARE(prompts.shown[0].icon, Prompts::Icon::Information);
                QCOMPARE(prompts.shown[0].text, refusal);
            }
        }
    }

    void namesWithoutRowDoNothing_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("menu title") << "MnuFunction";
        QTest::newRow("report menu title") << "MnuSg";
        QTest::newRow("empty") << "";
        QTest::newRow("unknown") << "deletebill";
    }
    void namesWithoutRowDoNothing()
    {
        QFETCH(QString, name);
        TestDb t;
        t.addUser(2, QStringLiteral("无权"), false);
        t.login(2, QStringLiteral("无权"));
        ScriptedPrompts prompts;
        FrmMain main;
        QStringList ran;
        record(main, ran);
        main.actBar_ToolClick(name);
        QVERIFY(ran.isEmpty());
        QVERIFY(prompts.shown.isEmpty());
    }

    void grantOpensRightsFormModally()
    {
        TestDb t(TestDb::Content::Demo);
        t.login(1, QStringLiteral("店长"));
        ScriptedPrompts prompts;
        FrmMain main;
        main.show();
        QStringList seen;
        DialogRunner::setScript([&](QDialog &d) {
            seen << d.objectName() + "/" + d.windowTitle();
            auto *f = qobject_cast<frmGrant *>(&d);
            if (f)
                QTest::mouseClick(f->Command1, Qt::LeftButton);
            return int(QDialog::Accepted);
        });
        main.tool("Grant")->trigger();
        QCOMPARE(seen, QStringList{"frmGrant/权限控制"});
        QCOMPARE(main.openForm<frmGrant>(), nullptr); // gone once closed
        main.tool("Grant")->trigger(); // and made anew
        QCOMPARE(seen.size(), 2);
        QVERIFY(prompts.shown.isEmpty());
    }

    // The tools reach their real windows: dialogs through the dialog runner, the sale
    // screen beside the main window and only once.
    void toolsOpenTheirWindows_data()
    {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<QString>("dialogClass");
        QTest::newRow("exchange") << "orderchange" << "frmOrderAdjBill";
        QTest::newRow("designer") << "tdsj" << "frmTdDesigner";
        QTest::newRow("password") << "modifypwd" << "frmModifyPwd";
        QTest::newRow("report 103") << "czmxb" << "frmVipReport";
        QTest::newRow("report 104") << "czhzb" << "frmVipReport";
        QTest::newRow("report 106") << "viplsz" << "frmVipReport";
        QTest::newRow("report 109") << "vipdzd" << "frmVipReport";
    }
    void toolsOpenTheirWindows()
    {
        QFETCH(QString, tool);
        QFETCH(QString, dialogClass);
        TestDb t(TestDb::Content::Demo);
        t.login(1, QStringLiteral("店长"));
        ScriptedPrompts prompts;
        FrmMain main;
        main.show();
        QStringList seen;
        DialogRunner::setScript([&](QDialog &d) {
            seen << QString::fromLatin1(d.metaObject()->className());
            return int(QDialog::Rejected);
        });
        main.actBar_ToolClick(tool);
        QCOMPARE(seen, QStringList{dialogClass});
        QCOMPARE(prompts.texts(), QStringList{});
    }

    void saleScreenOpensOnce()
    {
        TestDb t(TestDb::Content::Demo);
        t.login(1, QStringLiteral("店长"));
        ScriptedPrompts prompts;
        FrmMain main;
        main.show();
        main.actBar_ToolClick("sale");
        QPointer<frmSaleBill> sale = main.openForm<frmSaleBill>();
        QVERIFY(sale && sale->isVisible() && sale->isWindow());
        main.actBar_ToolClick("sale");
        QCOMPARE(main.openForm<frmSaleBill>(), sale.data());
        sale->close();
        QTRY_VERIFY(sale.isNull());
        QCOMPARE(prompts.texts(), QStringList{});
    }

    void modelessFormOpensOnce()
    {
        TestDb t(TestDb::Content::Demo);
        t.login(1, QStringLiteral("店长"));
        FrmMain main;
        main.show();
        QList<FakeForm *> returned;
        main.setCommandAction("order", [&] { returned << main.showForm<FakeForm>(false); });
        FakeForm::made = 0;
        main.tool("Order")->trigger();
        QCOMPARE(FakeForm::made, 1);
        QVERIFY(returned[0]->isVisible());
        QVERIFY(returned[0]->isWindow());
        returned[0]->setWindowTitle("as left"); // content stays as the operator left it
        returned[0]->showMinimized();
        main.tool("Order")->trigger();
        QCOMPARE(FakeForm::made, 1);
        QCOMPARE(returned[1], returned[0]);
        QCOMPARE(returned[1]->windowTitle(), QStringLiteral("as left"));
        QVERIFY(!returned[1]->isMinimized());
        QCOMPARE(main.openForm<FakeForm>(), returned[0]);
        // Closed, it is gone; the next command makes a new one.
        const QPointer<FakeForm> first = returned[0];
        first->close();
        QTRY_VERIFY(first.isNull());
        main.tool("Order")->trigger();
        QCOMPARE(FakeForm::made, 2);
        QVERIFY(main.openForm<FakeForm>()->isVisible());
    }

    void failingCommandKeepsWindowUsable_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("database error") << 0 << "连接已断开";
        QTest::newRow("other error") << 1 << "component missing";
    }
    void failingCommandKeepsWindowUsable()
    {
        QFETCH(int, kind);
        QFETCH(QString, message);
        TestDb t(TestDb::Content::Demo);
        t.login(1, QStringLiteral("店长"));
        ScriptedPrompts prompts;
        FrmMain main;
        main.show();
        QStringList ran;
        record(main, ran);
        main.setCommandAction("sale", [&] {
            if (kind == 0)
                throw db::DbError(message);
            throw std::runtime_error(message.toStdString());
        });
        main.tool("sale")->trigger();
        QCOMPARE(prompts.shown.size(), 1);
        QCOMPARE(prompts.shown[0].icon, Prompts::Icon::Information);
        QCOMPARE(prompts.shown[0].text, message);
        QVERIFY(main.isVisible());
        main.tool("czbill")->trigger();
        QCOMPARE(ran, QStringList{"czbill"});
    }

    void failingRightsCheckIsShown()
    {
        TestDb t;
        t.addUser(2, QStringLiteral("收银"), false, 0, {"NewSale=1"});
        t.login(2, QStringLiteral("收银"));
        ScriptedPrompts prompts;
        FrmMain main;
        QStringList ran;
        record(main, ran);
        db::execute(t.cnstr(), "drop table t_user_grant");
        main.tool("sale")->trigger();
        QVERIFY(ran.isEmpty());
        QCOMPARE(prompts.shown.size(), 1);
        QVERIFY(!prompts.last().isEmpty());
        QVERIFY(prompts.last() != QStringLiteral("无权限！"));
        main.tool("uncplorder")->trigger();
        QCOMPARE(ran, QStringList{"uncplorder"});
    }

    void exitEndsWithEveryForm_data()
    {
        QTest::addColumn<bool>("byCloseBox");
        QTest::newRow("退出系统") << false;
        QTest::newRow("close box") << true;
    }
    void exitEndsWithEveryForm()
    {
        QFETCH(bool, byCloseBox);
        TestDb t(TestDb::Content::Demo);
        t.login(1, QStringLiteral("店长"));
        ScriptedPrompts prompts;
        FrmMain main;
        main.show();
        main.setCommandAction("order", [&] { main.showForm<FakeForm>(false); });
        main.tool("Order")->trigger();
        const QPointer<FakeForm> form = main.openForm<FakeForm>();
        QVERIFY(form && form->isVisible());
        if (byCloseBox)
            main.close();
        else
            main.tool("MnuExit")->trigger();
        QVERIFY(!main.isVisible());
        QTRY_VERIFY(form.isNull());
        QVERIFY(prompts.shown.isEmpty()); // no question asked
    }

    void screenshots()
    {
        TestDb t(TestDb::Content::Demo);
        t.login(1, QStringLiteral("店长"));
        FrmMain main;
        main.Form_Load();
        const QString dir = t.dir() + "/shots";
        QCOMPARE(Screenshots::run(dir, main), 0);
        for (const Screenshots::Entry &e : Screenshots::entries()) {
            const QImage img(QDir(dir).filePath(e.file + ".png"));
            QVERIFY2(!img.isNull(), qPrintable(e.file));
            QVERIFY(img.width() > 100 && img.height() > 100);
        }
        QCOMPARE(QImage(dir + "/FrmMain.png").size(), main.size());
        QVERIFY(QFile::exists(dir + "/frmGrant.png"));
        QVERIFY(main.findChildren<frmGrant *>().isEmpty()); // shown, grabbed and gone
        QVERIFY(main.tool("Order")); // the menus stay
        QVERIFY(main.findChild<QMenu *>("myReport"));
        QVERIFY(main.isVisible());
    }
};

QTEST_MAIN(tst_FrmMain)
#include "tst_FrmMain.moc"
