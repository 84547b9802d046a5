#include <QComboBox>
#include <QDateEdit>
#include <QPushButton>
#include <QtTest>

#include "ScriptedPrompts.h"
#include "TestDb.h"
#include "core/db/Database.h"
#include "core/frame/Routines.h"
#include "ui/reports/frmOrderHzb.h"
#include "ui/reports/frmYyrbb.h"
#include "ui/widgets/KeyedGrid.h"

namespace {

// Today two items sold by the cashier and an order taken by the manager; yesterday one sale.
QDate seed(const TestDb &t)
{
    t.addUser(1, "店长", true);
    t.addUser(2, "收银员", false, 7, {"yyrbb=1"});
    t.login(2, "收银员");
    const QDate today = GetServerDate().date();
    for (const auto &[id, name] : {std::pair{1, "A奶"}, {2, "B奶"}})
        db::execute(t.cnstr(), "insert into t_icitem (FItemID, FName) values (?,?)",
                    {id, QString::fromUtf8(name)});
    const char *bill =
        "insert into ICStockBill (FInterID, FTrantype, Fdate, FBillerID) values (?,99,?,?)";
    const char *line = "insert into ICStockBillEntry (FInterID, FEntryID, FItemID, FQty, FAmount, "
                       "FOrderBillInterID)"
                       " values (?,?,?,?,?,0)";
    db::execute(t.cnstr(), bill, {1, today, 2});
    db::execute(t.cnstr(), line, {1, 1, 1, 2, 1234.5});
    db::execute(t.cnstr(), line, {1, 2, 2, 1, 6.5});
    db::execute(t.cnstr(), bill, {2, today.addDays(-1), 2});
    db::execute(t.cnstr(), line, {2, 1, 1, 9, 9});
    db::execute(t.cnstr(),
                "insert into VipOrder (FInterID, Fdate, FBillerID, FClosed, FMonth) values "
                "(1,?,1,NULL,'m')",
                {today});
    db::execute(
        t.cnstr(),
        "insert into VipOrder (FInterID, Fdate, FBillerID, FClosed, FMonth) values (2,?,1,1,'m')",
        {today});
    const char *entry =
        "insert into VipOrderEntry (FInterID, FEntryID, FItemID, FQty, FPreQty, FCplQty, FAmount)"
        " values (?,1,?,?,?,?,?)";
    db::execute(t.cnstr(), entry, {1, 1, 8, 2, 4, 80});
    db::execute(t.cnstr(), entry, {2, 2, 5, 0, 5, 50});
    return today;
}

QStringList row(const KeyedGrid &g, int r)
{
    QStringList out;
    for (int c = 0; c < g.cols(); ++c)
        out << g.text(r, g.colKey(c));
    return out;
}

} // namespace

class tst_GroupedReportWindows : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    // A cashier with 7 days walks the fields by Enter and runs the report from the last one:
    // a week back is refused and both dates become today; six days back is allowed.
    void dailyByKeyboard()
    {
        TestDb t;
        ScriptedPrompts prompts;
        const QDate today = seed(t);
        frmYyrbb f;
        f.show();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        QCOMPARE(f.cmbTotal1->currentText(), QString("商品"));
        QCOMPARE(f.cmbTotal2->currentText(), QString());
        QCOMPARE(f.cmbBiller->currentText(), QString("(全部)"));
        QCOMPARE(f.cmbBiller->count(), 3);
        QCOMPARE(f.Flex->cols(), 2);
        QCOMPARE(QApplication::focusWidget(), f.dtpFromDate);

        f.dtpFromDate->setDate(today.addDays(-7));
        for (QWidget *next : {(QWidget *)f.dtpToDate, (QWidget *)f.cmbTotal1,
                              (QWidget *)f.cmbTotal2, (QWidget *)f.cmbBiller}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QCOMPARE(QApplication::focusWidget(), next);
        }
        QTest::keyClick(f.cmbBiller, Qt::Key_Return);
        QCOMPARE(prompts.texts(), QStringList{"您只允许查询最近7天的数据!"});
        QCOMPARE(f.dtpFromDate->date(), today);
        QCOMPARE(f.Flex->header("FTotal1"), QString("商品"));
        QVERIFY(f.Flex->isColHidden("FTotal2"));
        QCOMPARE(row(*f.Flex, 1),
                 QStringList({"A奶", "", "8", "80.00", "", "2", "1,234.50", "1,314.50"}));
        QCOMPARE(row(*f.Flex, 3),
                 QStringList({"(合计)", "", "13", "130.00", "0", "3", "1,241.00", "1,371.00"}));
        QCOMPARE(f.Flex->rows(), 4);

        // Six days back: no message, yesterday's sale counts; by date and item, one subtotal.
        prompts.clear();
        f.dtpFromDate->setDate(today.addDays(-6));
        f.cmbTotal1->setCurrentText("日期");
        f.cmbTotal2->setCurrentText("商品");
        f.cmbBiller->setFocus();
        QTest::keyClick(f.cmbBiller, Qt::Key_Return);
        QCOMPARE(prompts.texts(), QStringList{});
        QCOMPARE(f.Flex->rows(), 6);
        QCOMPARE(f.Flex->text(4, "FTotal2"), QString("(小计)"));
        QCOMPARE(f.Flex->item(3, 0)->background().color(), QColor(240, 244, 255));
        QCOMPARE(f.Flex->item(4, 0)->background().color(), QColor(247, 255, 244));
        QCOMPARE(f.Flex->text(5, "FNoVipQty"), QString("12"));

        // No first criterion: asked for one, the focus goes there, the grid stays.
        f.cmbTotal1->setCurrentIndex(-1);
        f.cmdRefresh->click();
        QCOMPARE(prompts.texts(), QStringList{"请选择汇总依据！"});
        QCOMPARE(prompts.shown.last().icon, Prompts::Icon::Exclamation);
        QCOMPARE(QApplication::focusWidget(), f.cmbTotal1);
        QCOMPARE(f.Flex->rows(), 6);
    }

    // Open orders only (a NULL FClosed is open), chosen by keyboard in the status box.
    void orderSummaryOpenOrders()
    {
        TestDb t;
        ScriptedPrompts prompts;
        seed(t);
        frmOrderHzb f;
        f.show();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        QCOMPARE(f.cmbTotal1->currentText(), QString("月份"));
        QCOMPARE(f.cmbStatus->currentText(), QString("(全部)"));
        f.cmbTotal1->setCurrentText("商品");
        f.cmbStatus->setFocus();
        QTest::keyClick(f.cmbStatus, Qt::Key_Down);
        QCOMPARE(f.cmbStatus->currentText(), QString("未完工"));
        QTest::keyClick(f.cmbStatus, Qt::Key_Return);
        QCOMPARE(prompts.texts(), QStringList{});
        QCOMPARE(f.Flex->header("FRate"), QString("完成比"));
        QCOMPARE(row(*f.Flex, 1), QStringList({"A奶", "", "10", "8.00", "80.00", "2", "4", "32.00",
                                               "6", "48.00", "40.00%"}));
        QCOMPARE(f.Flex->text(2, "FTotal1"), QString("(合计)"));
        QCOMPARE(f.Flex->rows(), 3);
    }
};

QTEST_MAIN(tst_GroupedReportWindows)
#include "tst_GroupedReportWindows.moc"
