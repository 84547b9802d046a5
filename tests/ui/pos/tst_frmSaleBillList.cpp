#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "ScriptedPrompts.h"
#include "TestDb.h"
#include "core/db/Database.h"
#include "ui/pos/frmSaleBillList.h"
#include "ui/widgets/KeyedGrid.h"

class tst_frmSaleBillList : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    // An operator allowed 7 days: six days back lists, two bills of one day whose lines were
    // written in turn count twice; seven days back is refused and both dates come to today.
    void sevenDaysByEnter()
    {
        TestDb t;
        t.addUser(2, "收银员", false, 7);
        t.login(2, "收银员");
        const QDate today = QDate::currentDate(), d = today.addDays(-6);
        db::execute(t.cnstr(), "insert into t_icitem (FItemID, FName) values (?,?)", {1, "鲜奶"});
        for (int id : {51, 52})
            db::execute(t.cnstr(),
                        "insert into ICStockBill (FInterID, FTrantype, Fdate, FVipNo)"
                        " values (?,?,?,?)",
                        {id, 99, d, id == 51 ? "V1" : ""});
        for (const QVariantList &l : {QVariantList{52, 1, 4, 0}, {51, 1, 2, 7}, {52, 2, 1, 0}})
            db::execute(t.cnstr(),
                        "insert into ICStockBillEntry (FInterID, FEntryID, FItemID, FQty, FPrice,"
                        " FAmount, FOrderBillInterID) values (?,?,?,?,?,?,?)",
                        {l[0], l[1], 1, l[2], 2.5, l[2].toInt() * 2.5, l[3]});

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
        QStringList shown;
        for (int r = 1; r < f.Flex->rows(); ++r)
            shown << f.Flex->text(r, "FInterID") + "|" + f.Flex->text(r, "FAmount");
        QCOMPARE(shown, QStringList({"51|5.00", "52|10.00", "52|2.50", "|17.50"}));
        QCOMPARE(f.lblCount->text(), QString("共2张单据"));

        f.dtpFromDate->setDate(today.addDays(-7));
        f.dtpToDate->setFocus();
        QTest::keyClick(f.dtpToDate, Qt::Key_Return);
        QCOMPARE(prompts.texts(), QStringList{"您只允许查询最近7天的数据!"});
        QCOMPARE(f.dtpFromDate->date(), today);
        QCOMPARE(f.dtpToDate->date(), today);
        QCOMPARE(f.Flex->rows(), 1); // nothing today
        QCOMPARE(f.lblCount->text(), QString("共0张单据"));
    }
};

QTEST_MAIN(tst_frmSaleBillList)
#include "tst_frmSaleBillList.moc"
