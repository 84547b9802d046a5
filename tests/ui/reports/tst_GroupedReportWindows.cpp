#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "ScriptedPrompts.h"
#include "TestDb.h"
#include "ui/reports/frmOrderHzb.h"
#include "ui/reports/frmVipReport.h"
#include "ui/reports/frmYyrbb.h"
#include "ui/widgets/KeyedGrid.h"

namespace {

// Row r of the grid, every column; the last row when r is -1.
QString row(const KeyedGrid &g, int r)
{
    QStringList out;
    for (int c = 0; c < g.cols(); ++c)
        out << g.text(r < 0 ? g.rows() - 1 : r, g.colKey(c));
    return out.join(u'|');
}

} // namespace

// The report windows on the demo account set, whose sales, orders and movements are dated
// back from today; the figures themselves are the core reports' case.
class tst_GroupedReportWindows : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    // The fields walked by Enter and today's report run from the last one; without a first
    // criterion the cashier is asked for one, the focus goes there and the grid stays.
    void dailyByKeyboard()
    {
        TestDb t(TestDb::Content::Demo);
        t.login(1, "店长");
        ScriptedPrompts prompts;
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
        QCOMPARE(f.Flex->rows(), 5);
        QCOMPARE(row(*f.Flex, -1), "(合计)||0|0.00|0|6|23.50|23.50");

        f.cmbTotal1->setCurrentIndex(-1);
        f.cmdRefresh->click();
        QCOMPARE(prompts.texts(), QStringList{"请选择汇总依据！"});
        QCOMPARE(QApplication::focusWidget(), f.cmbTotal1);
        QCOMPARE(f.Flex->rows(), 5);
    }

    // Open orders of the last 45 days, chosen by keyboard in the status box, where Enter runs
    // the report: the order picked up in full 45 days ago is left out.
    void orderSummaryOpenOrders()
    {
        TestDb t(TestDb::Content::Demo);
        t.login(1, "店长");
        ScriptedPrompts prompts;
        frmOrderHzb f;
        f.show();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        f.dtpFromDate->setDate(f.dtpToDate->date().addDays(-45));
        f.cmbTotal1->setCurrentText("商品");
        f.cmbStatus->setFocus();
        QTest::keyClick(f.cmbStatus, Qt::Key_Down);
        QTest::keyClick(f.cmbStatus, Qt::Key_Return);
        QCOMPARE(prompts.texts(), QStringList{});
        QCOMPARE(f.Flex->rows(), 7);
        QCOMPARE(row(*f.Flex, -1), "(合计)||238|3.42|813.00|18|25|84.49|213|728.51|10.50%");
    }

    // A card statement by keyboard: without a card the cashier is asked for one; O'Neil's
    // card shows its movements, total last; a card without any is said to be unknown.
    void vipStatementByEnter()
    {
        TestDb t(TestDb::Content::Demo);
        t.login(1, "店长");
        ScriptedPrompts prompts;
        frmVipReport f(t.cnstr(), 1, 109);
        f.show();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        f.txtVipNo->setFocus();
        QTest::keyClick(f.txtVipNo, Qt::Key_Return);
        QCOMPARE(prompts.texts(), QStringList{"请输入会员卡号！"});
        QCOMPARE(QApplication::focusWidget(), f.txtVipNo);

        prompts.clear();
        f.dtpFrom->setDate(f.dtpTo->date().addDays(-40));
        QTest::keyClicks(f.txtVipNo, " V0004 ");
        QTest::keyClick(f.txtVipNo, Qt::Key_Return);
        QVERIFY(prompts.shown.isEmpty());
        QCOMPARE(f.FlexReport->rows(), 5);
        QCOMPARE(row(*f.FlexReport, -1), "合计||500.00|100.00|400.00||");
        QCOMPARE(f.lblOwner->text(), QString("持卡人：O'Neil"));

        f.txtVipNo->setText("V7");
        QTest::keyClick(f.txtVipNo, Qt::Key_Return);
        QCOMPARE(prompts.texts(), QStringList{"卡号不存在！"});
        QCOMPARE(f.FlexReport->rows(), 1);
        QCOMPARE(QApplication::focusWidget(), f.txtVipNo);
    }
};

QTEST_MAIN(tst_GroupedReportWindows)
#include "tst_GroupedReportWindows.moc"
