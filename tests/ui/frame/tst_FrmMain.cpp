#include <QAction>
#include <QDir>
#include <QImage>
#include <QtTest>

#include "ScriptedPrompts.h"
#include "TestDb.h"
#include "ui/widgets/DialogRunner.h"
#include "ui/frame/FrmMain.h"
#include "ui/tools/Screenshots.h"
#include "core/db/DbError.h"
#include "ui/frame/frmGrant.h"
#include "ui/pos/frmSaleBill.h"

namespace {

// Every tool with the dispatch row it must reach, its right key ("" none, "@manager",
// otherwise the grant key) and its refusal.
struct Tool
{
    const char *name, *row, *right, *refusal;
};

const Tool Tools[] = {
    {"Order", "order", "NewOrder", "无权限！"}, {"sale", "sale", "NewSale", "无权限！"},
    {"bk", "bk", "bk", "没有权限！"}, {"orderchange", "orderchange", "OrderAdjItem", "无权限！"},
    {"czbill", "czbill", "", ""}, {"Grant", "grant", "@manager", "没有权限！"},
    {"modifypwd", "modifypwd", "", ""}, {"editvip", "editvip", "", ""},
    {"tdsj", "tdsj", "", ""}, {"OrderList", "orderlist", "ordermxb", "没有权限！"},
    {"orderhzb", "orderhzb", "OrderHzb", "没有权限！"}, {"SaleList", "salelist", "salemxb", "没有权限！"},
    {"yyrbb", "yyrbb", "yyrbb", "没有权限！"}, {"uncplorder", "uncplorder", "", ""},
    {"czmxb", "czmxb", "", ""}, {"czhzb", "czhzb", "", ""},
    {"viplsz", "viplsz", "", ""}, {"vipdzd", "vipdzd", "", ""},
};

// Replaces every row's action by a recorder, so the test sees which row acted.
void record(FrmMain &main, QStringList &ran)
{
    for (const Tool &t : Tools)
        QVERIFY(main.setCommandAction(t.row, [&ran, row = QString::fromLatin1(t.row)] { ran << row; }));
}

// The shown main window of the logged-in manager, message boxes scripted.
struct Window
{
    Window() { t.login(1, QStringLiteral("店长")), main.show(); }
    TestDb t{TestDb::Content::Demo};
    ScriptedPrompts prompts;
    FrmMain main;
    QStringList ran;
};

} // namespace

class tst_FrmMain : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    void dispatch_data()
    {
        QTest::addColumn<int>("i");
        for (const Tool &t : Tools)
            QTest::newRow(t.name) << int(&t - Tools);
    }
    void dispatch()
    {
        QFETCH(int, i);
        const QString tool = QString::fromLatin1(Tools[i].name), row = QString::fromLatin1(Tools[i].row);
        const QString right = QString::fromLatin1(Tools[i].right);
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
        const bool guarded = !right.isEmpty(), grantKey = guarded && !right.startsWith('@');
        const bool passes[] = {true, !guarded, !guarded, !guarded || grantKey};
        for (int user = 1; user <= 4; ++user) {
            t.login(user, QStringLiteral("op"));
            FrmMain main;
            QStringList ran;
            record(main, ran);
            prompts.clear();
            main.tool(tool)->trigger();
            const QString ctx = QStringLiteral("user %1: ").arg(user);
            if (passes[user - 1]) {
                QVERIFY2(prompts.shown.isEmpty(), qPrintable(ctx + prompts.last()));
                QCOMPARE(ran, QStringList{row});
            } else {
                QVERIFY2(ran.isEmpty(), qPrintable(ctx));
                QCOMPARE(prompts.texts(), QStringList{QString::fromUtf8(Tools[i].refusal)});
            }
        }
    }

    // Modal windows run through the dialog runner and are gone once closed: a second
    // command makes a new one.
    void toolsOpenTheirWindows_data()
    {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<QString>("dialogClass");
        QTest::newRow("grant") << "Grant" << "frmGrant";
        QTest::newRow("exchange") << "orderchange" << "frmOrderAdjBill";
        QTest::newRow("password") << "modifypwd" << "frmModifyPwd";
        QTest::newRow("recharge") << "czbill" << "frmVipCz";
        QTest::newRow("card replacement") << "bk" << "frmVip";
        QTest::newRow("member details") << "editvip" << "frmEditVip";
        QTest::newRow("report 103") << "czmxb" << "frmVipReport";
        QTest::newRow("report 109") << "vipdzd" << "frmVipReport";
        QTest::newRow("daily report") << "yyrbb" << "frmYyrbb";
        QTest::newRow("order summary") << "orderhzb" << "frmOrderHzb";
    }
    void toolsOpenTheirWindows()
    {
        QFETCH(QString, tool);
        QFETCH(QString, dialogClass);
        Window w;
        QStringList seen;
        DialogRunner::setScript([&](QDialog &d) {
            seen << QString::fromLatin1(d.metaObject()->className());
            return int(QDialog::Rejected);
        });
        w.main.actBar_ToolClick(tool);
        QCOMPARE(seen, QStringList{dialogClass});
        QVERIFY(w.main.findChildren<QDialog *>().isEmpty());
        w.main.tool(tool)->trigger();
        QCOMPARE(seen, (QStringList{dialogClass, dialogClass}));
        QCOMPARE(w.prompts.texts(), QStringList{});
    }

    // The sale screen opens beside the main window, once: a second command brings the same
    // one forward as it was left; once closed, the next command makes a new one.
    void modelessFormOpensOnce()
    {
        Window w;
        w.main.tool("sale")->trigger();
        const QPointer<frmSaleBill> sale = w.main.openForm<frmSaleBill>();
        QVERIFY(sale && sale->isVisible() && sale->isWindow());
        sale->showMinimized();
        w.main.actBar_ToolClick("sale");
        QCOMPARE(w.main.openForm<frmSaleBill>(), sale.data());
        QVERIFY(!sale->isMinimized());
        sale->close();
        QTRY_VERIFY(sale.isNull());
        w.main.actBar_ToolClick("sale");
        QVERIFY(w.main.openForm<frmSaleBill>() && w.main.openForm<frmSaleBill>()->isVisible());
    }

    // A failing command shows the error's own text and the window keeps working.
    void failingCommandKeepsWindowUsable()
    {
        Window w;
        record(w.main, w.ran);
        w.main.setCommandAction("sale", [] { throw db::DbError("连接已断开"); });
        w.main.tool("sale")->trigger();
        QCOMPARE(w.prompts.texts(), QStringList{"连接已断开"});
        w.main.tool("uncplorder")->trigger();
        QCOMPARE(w.ran, QStringList{"uncplorder"});
    }

    void screenshots()
    {
        TestDb t{TestDb::Content::Demo};
        t.login(1, QStringLiteral("店长"));
        FrmMain main;
        main.Form_Load();
        const QString dir = t.dir() + "/shots";
        QCOMPARE(Screenshots::run(dir, main), 0);
        for (const Screenshots::Entry &e : Screenshots::entries()) {
            const QImage img(QDir(dir).filePath(e.file + ".png"));
            QVERIFY2(img.width() > 100 && img.height() > 100, qPrintable(e.file));
        }
        QVERIFY(main.findChildren<frmGrant *>().isEmpty()); // shown, grabbed and gone
    }
};

QTEST_MAIN(tst_FrmMain)
#include "tst_FrmMain.moc"
