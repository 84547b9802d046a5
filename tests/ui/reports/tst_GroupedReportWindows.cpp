#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "ScriptedPrompts.h"
#include "TestDb.h"
#include "core/db/Database.h"
#include "core/frame/Routines.h"
#include "ui/reports/frmOrderHzb.h"
#include "ui/reports/frmVipReport.h"
#include "ui/reports/frmYyrbb.h"
#include "ui/widgets/KeyedGrid.h"

namespace {


// Today two items sold by the cashier and two orders taken by the manager, one open (NULL
// FClosed) and one closed.
void seed(const TestDb &t)
{
    t.addUser(1, "店长", true);
    t.addUser(2, "收银员", false, 7, {"yyrbb=1"});
    t.login(2, "收银员");
    const QString c = t.cnstr();
    const QVariant today = GetServerDate().date(), open(QMetaType::fromType<int>());
    TestDb::insert(c, "t_icitem (FItemID, FName)", {{1, "A奶"}, {2, "B奶"}});
    TestDb::insert(c, "ICStockBill (FInterID, FTrantype, Fdate, FBillerID)", {{1, 99, today, 2}});
    TestDb::insert(c, "ICStockBillEntry (FInterID, FEntryID, FItemID, FQty, FAmount, FOrderBillInterID)",
           {{1, 1, 1, 2, 1234.5, 0}, {1, 2, 2, 1, 6.5, 0}});
    TestDb::insert(c, "VipOrder (FInterID, Fdate, FBillerID, FClosed, FMonth)",
           {{1, today, 1, open, "m"}, {2, today, 1, 1, "m"}});
    TestDb::insert(c, "VipOrderEntry (FInterID, FEntryID, FItemID, FQty, FPreQty, FCplQty, FAmount)",
           {{1, 1, 1, 8, 2, 4, 80}, {2, 1, 2, 5, 0, 5, 50}});
}

const QDate D(2026, 3, 1);

// A recharge before the range, then a recharge, a refund and two payments of card V9, and a
// recharge of V8.
void seedMoves(const TestDb &t)
{
    t.addUser(1, "店长", true);
    t.login(1, "店长");
    QList<QVariantList> rows;
    int second = 0;
    for (const auto &[card, owner, type, day, k, cz, zs] :
         {std::tuple{"V9", "赵敏", 1, -10, 100.0, 100.0, 0.0}, {"V9", "赵敏", 1, 0, 550.0, 500.0, 50.0},
          {"V9", "赵敏", 1, 1, -100.0, -100.0, 20.0}, {"V9", "赵敏", 2, 2, 30.0, 0.0, 0.0},
          {"V9", "赵敏", 2, 2, 20.5, 0.0, 0.0}, {"V8", "O'Neil", 1, 3, 200.0, 200.0, 0.0}})
        rows.append({card, owner, type, D.addDays(day), QDateTime(D.addDays(day), QTime(9, 0, ++second)),
                     k, cz, zs});
    TestDb::insert(t.cnstr(),
                   "VipCzBill (FVipNo, FOwner, FTranType, FDate, FCreateTime, FKAmount, FCzAmount, FZsAmount)",
                   rows);
}

// Row r of the grid, every column.
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

    // The fields walked by Enter and the report run from the last one; without a first
    // criterion the cashier is asked for one, the focus goes there and the grid stays.
    void dailyByKeyboard()
    {
        TestDb t;
        ScriptedPrompts prompts;
        seed(t);
        frmYyrbb f;
        f.show();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        QCOMPARE(QApplication::focusWidget(), f.dtpFromDate);
        for (QWidget *next : {(QWidget *)f.dtpToDate, (QWidget *)f.cmbTotal1,
                              (QWidget *)f.cmbTotal2, (QWidget *)f.cmbBiller}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QCOMPARE(QApplication::focusWidget(), next);
        }
        QTest::keyClick(f.cmbBiller, Qt::Key_Return);
        QCOMPARE(prompts.texts(), QStringList{});
        QCOMPARE(row(*f.Flex, 1),
                 QStringList({"A奶", "", "8", "80.00", "", "2", "1,234.50", "1,314.50"}));
        QCOMPARE(row(*f.Flex, 3),
                 QStringList({"(合计)", "", "13", "130.00", "0", "3", "1,241.00", "1,371.00"}));

        f.cmbTotal1->setCurrentIndex(-1);
        f.cmdRefresh->click();
        QCOMPARE(prompts.texts(), QStringList{"请选择汇总依据！"});
        QCOMPARE(QApplication::focusWidget(), f.cmbTotal1);
        QCOMPARE(f.Flex->rows(), 4);
    }

    // Open orders only, chosen by keyboard in the status box.
    void orderSummaryOpenOrders()
    {
        TestDb t;
        ScriptedPrompts prompts;
        seed(t);
        frmOrderHzb f;
        f.show();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        f.cmbTotal1->setCurrentText("商品");
        f.cmbStatus->setFocus();
        QTest::keyClick(f.cmbStatus, Qt::Key_Down);
        QCOMPARE(f.cmbStatus->currentText(), QString("未完工"));
        QTest::keyClick(f.cmbStatus, Qt::Key_Return);
        QCOMPARE(prompts.texts(), QStringList{});
        QCOMPARE(row(*f.Flex, 1), QStringList({"A奶", "", "10", "8.00", "80.00", "2", "4", "32.00",
                                               "6", "48.00", "40.00%"}));
        QCOMPARE(f.Flex->rows(), 3);
    }

    // The card statement after a recharge, a refund and two payments, driven by the keyboard.
    void vipStatementByEnter()
    {
        TestDb t;
        seedMoves(t);
        ScriptedPrompts prompts;
        frmVipReport f(t.cnstr(), 1, 109);
        f.show();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        QCOMPARE(f.FlexReport->rows(), 1); // a statement waits for its card
        f.dtpFrom->setFocus();
        QTest::keyClick(f.dtpFrom, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), f.dtpTo);

        // Without a card: asked for one.
        f.txtVipNo->setFocus();
        QTest::keyClick(f.txtVipNo, Qt::Key_Return);
        QCOMPARE(prompts.texts(), QStringList{"请输入会员卡号！"});
        QCOMPARE(QApplication::focusWidget(), f.txtVipNo);

        prompts.clear();
        f.dtpFrom->setDate(D);
        f.dtpTo->setDate(D.addDays(10));
        QTest::keyClicks(f.txtVipNo, " V9 ");
        QTest::keyClick(f.txtVipNo, Qt::Key_Return);
        QVERIFY(prompts.shown.isEmpty());
        // The figures are the core report's; the window shows all of them, total last.
        QCOMPARE(f.FlexReport->rows(), 7);
        QVERIFY(row(*f.FlexReport, 6).join(u'|').contains("|550.00|150.50|499.50"));
        QCOMPARE(f.lblOwner->text(), QString("持卡人：赵敏"));

        // A card without a movement is said, and the last statement goes.
        f.txtVipNo->setText("V7");
        QTest::keyClick(f.txtVipNo, Qt::Key_Return);
        QCOMPARE(prompts.texts(), QStringList{"卡号不存在！"});
        QCOMPARE(f.FlexReport->rows(), 1);
        QCOMPARE(QApplication::focusWidget(), f.txtVipNo);
    }
};

QTEST_MAIN(tst_GroupedReportWindows)
#include "tst_GroupedReportWindows.moc"
