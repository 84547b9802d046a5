#include <QtTest>

#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ScriptedPrompts.h"
#include "TestDb.h"
#include "core/frame/KwStore.h"
#include "core/frame/Session.h"
#include "ui/pos/frmInputQty.h"
#include "ui/pos/frmSaleBill.h"
#include "ui/pos/frmSaleBillList.h"
#include "ui/pos/frmVipSettle.h"
#include "ui/widgets/DialogRunner.h"
#include "ui/widgets/KeyedGrid.h"

namespace {

// A sale screen on the demo account set, shown and active so focus moves as at the counter.
struct Screen
{
    Screen() : db(TestDb::Content::Demo)
    {
        db.login(2, QStringLiteral("收银员"));
        Session::current().RetailPriceStyleID = 1;
        form = new frmSaleBill;
        form->show();
        form->activateWindow();
    }
    ~Screen() { delete form; }

    TestDb db;
    ScriptedPrompts prompts;
    frmSaleBill *form;
};

// The quantity asked for a pick-up: 3.
int pickThree(QDialog &dialog)
{
    auto &q = dynamic_cast<frmInputQty &>(dialog);
    q.txtQty2->setText("3");
    q.cmdOk_Click();
    return int(QDialog::Accepted);
}

} // namespace

class tst_frmSaleBill : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }
    void cleanup() { DialogRunner::setScript({}); }

    // The sale by keyboard: the card typed and left with Enter lists the member's open order
    // lines and balance; a pick-up of 3 adds an uncharged line at the order's unit value. "+"
    // opens the settlement, a second "+" meanwhile starts nothing, 5.00 goes on stored value
    // and 2.00 in cash. The drawer's port is gone: the bill is still saved once, the receipt
    // still printed, the screen cleared, and the cashier told.
    void saleByKeyboard()
    {
        Screen s;
        QVERIFY(QTest::qWaitForWindowActive(s.form));
        qputenv("KWPOS_SPOOL_DIR", (s.db.dir() + "/spool").toUtf8());
        KwStore::set("KwStore", "Pos.Default", "UseMoneyBox", "1");
        KwStore::set("KwStore", "Pos.Default", "PrintPort", "/nonexistent-dir/lp9");
        const QString c = s.db.cnstr();
        const QString counts = "select (select count(*) from ICStockBill), (select sum(FCplQty)"
                               " from VipOrderEntry)";
        const QString before = TestDb::dump(c, counts);
        int settlements = 0;
        DialogRunner::setScript([&](QDialog &dialog) {
            if (auto *d = qobject_cast<frmVipSettle *>(&dialog)) {
                ++settlements;
                d->show();
                if (!QTest::qWaitForWindowActive(d))
                    return 0;
                QTest::keyClick(s.form->txtBarcode, Qt::Key_Plus);
                d->txtGetReserve->setFocus();
                d->txtGetReserve->selectAll();
                QTest::keyClicks(d->txtGetReserve, "5");
                d->txtAmount->setFocus();
                QTest::keyClicks(d->txtAmount, "2");
                QTest::keyClick(d->txtAmount, Qt::Key_Plus);
                return d->result();
            }
            return pickThree(dialog);
        });
        s.form->txtVipNo->setFocus();
        QTest::keyClicks(s.form->txtVipNo, "V0001");
        QTest::keyClick(s.form->txtVipNo, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), s.form->txtBarcode);
        QCOMPARE(s.form->lblCzBal->text() + " " + s.form->txtOwner->text(),
                 QStringLiteral("充值余额：343.60 张丽"));
        QCOMPARE(s.form->FlexOrder->text(1, "FUnCplQty"), QStringLiteral("54"));
        // The cashier holds no right to change a validity date.
        QTest::mouseClick(s.form->cmdEditDate, Qt::LeftButton);
        QCOMPARE(s.prompts.texts(), QStringList{"没有权限！"});
        s.prompts.clear();
        s.form->FlexOrder->setCurrentGridRow(1);
        s.form->FlexOrder_DblClick();
        QStringList picked;
        for (const char *key : {"FQty", "FPrice", "FAmount", "FPrice1", "FBal"})
            picked << s.form->FlexSale->text(1, key);
        QCOMPARE(picked, (QStringList{"3", "", "", "2.91", "51"}));
        s.form->txtBarcode->setFocus();
        s.form->txtBarcode->setText("101"); // left with Enter as a scanner does
        QTest::keyClick(s.form->txtBarcode, Qt::Key_Return);
        s.form->txtQty->setText("2");
        QTest::keyClick(s.form->txtQty, Qt::Key_Return);
        QTest::keyClick(s.form->txtBarcode, Qt::Key_Plus);

        QCOMPARE(settlements, 1);
        QCOMPARE(TestDb::dump(c, counts), QString("%1,%2")
                                              .arg(before.section(',', 0, 0).toInt() + 1)
                                              .arg(before.section(',', 1).toInt() + 3));
        QCOMPARE(TestDb::dump(c, "select FSumAmount, FGetReserve, FGetCash, (select count(*) from"
                                 " ICStockBillEntry e where e.FInterID=b.FInterID) from"
                                 " ICStockBill b order by FInterID desc")
                     .section(';', 0, 0),
                 "7,5,2,2");
        QCOMPARE(TestDb::dump(c, "select FKAmount, FBegAmount, FEndAmount from VipCzBill order by"
                                 " FInterID desc")
                     .section(';', 0, 0),
                 "5,343.6,338.6");
        const QStringList told = s.prompts.texts();
        QCOMPARE(told.size(), 2);
        QVERIFY2(told[1].startsWith("单据已保存。\n打开钱箱失败：") && told[1].contains("lp9"),
                 qPrintable(told[1]));
        QVERIFY2(QFile::exists(told[0].section('\n', 1)), qPrintable(told[0])); // the receipt
        QCOMPARE(s.form->FlexSale->rows(), 1);
        QVERIFY(s.form->txtVipNo->text().isEmpty() && s.form->txtBarcode->text().isEmpty());
        QCOMPARE(QApplication::focusWidget(), s.form->txtBarcode);
    }

    // The sale list, for an operator allowed 7 days: six days back lists, two bills of one
    // day whose lines were written in turn count twice; seven days back is refused.
    void listSevenDaysByEnter()
    {
        TestDb t;
        t.addUser(2, "收银员", false, 7);
        t.login(2, "收银员");
        const QDate today = QDate::currentDate(), d = today.addDays(-6);
        TestDb::insert(t.cnstr(), "t_icitem (FItemID, FName)", {{1, "鲜奶"}});
        TestDb::insert(t.cnstr(), "ICStockBill (FInterID, FTrantype, Fdate, FVipNo)",
                       {{51, 99, d, "V1"}, {52, 99, d, ""}});
        TestDb::insert(t.cnstr(),
                       "ICStockBillEntry (FInterID, FEntryID, FItemID, FQty, FPrice, FAmount,"
                       " FOrderBillInterID)",
                       {{52, 1, 1, 4, 2.5, 10, 0}, {51, 1, 1, 2, 2.5, 5, 7}, {52, 2, 1, 1, 2.5, 2.5, 0}});

        ScriptedPrompts prompts;
        frmSaleBillList f;
        f.show();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        QCOMPARE(f.dtpFromDate->date(), today);
        f.dtpFromDate->setDate(d);
        QCOMPARE(QApplication::focusWidget(), f.txtVipNo);
        QTest::keyClick(f.txtVipNo, Qt::Key_Return);
        QTest::keyClick(f.dtpFromDate, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), f.dtpToDate);
        QTest::keyClick(f.dtpToDate, Qt::Key_Return);
        QVERIFY2(prompts.shown.isEmpty(), qPrintable(prompts.last()));
        QCOMPARE(f.Flex->rows(), 5);
        QCOMPARE(f.Flex->text(4, "FAmount"), QString("17.50"));
        QCOMPARE(f.lblCount->text(), QString("共2张单据"));

        f.dtpFromDate->setDate(today.addDays(-7));
        f.dtpToDate->setFocus();
        QTest::keyClick(f.dtpToDate, Qt::Key_Return);
        QCOMPARE(prompts.texts(), QStringList{"您只允许查询最近7天的数据!"});
        QCOMPARE(f.dtpFromDate->date(), today);
        QCOMPARE(f.dtpToDate->date(), today);
    }
};

QTEST_MAIN(tst_frmSaleBill)
#include "tst_frmSaleBill.moc"
