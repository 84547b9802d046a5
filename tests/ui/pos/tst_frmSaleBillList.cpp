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

namespace {

QStringList column(const KeyedGrid &g, const QString &key)
{
    QStringList out;
    for (int r = 1; r < g.rows(); ++r)
        out << g.text(r, key);
    return out;
}

} // namespace

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
        db::execute(t.cnstr(), "insert into t_icitem (FItemID, FName) values (1, '鲜奶')");
        for (int id : {51, 52})
            db::execute(
                t.cnstr(),
                "insert into ICStockBill (FInterID, FTrantype, Fdate, FVipNo) values (?,99,?,?)",
                {id, d, id == 51 ? "V1" : ""});
        const QString sql =
            "insert into ICStockBillEntry (FInterID, FEntryID, FItemID, FQty, FPrice,"
            " FAmount, FOrderBillInterID) values (?,?,1,?,2.5,?,?)";
        db::execute(t.cnstr(), sql, {52, 1, 4, 10.0, 0});
        db::execute(t.cnstr(), sql, {51, 1, 2, 5.0, 7});
        db::execute(t.cnstr(), sql, {52, 2, 1, 2.5, 0});

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
        const KeyedGrid &g = *f.Flex;
        QCOMPARE(column(g, "FInterID"), QStringList({"51", "52", "52", ""}));
        QCOMPARE(column(g, "FQty1"), QStringList({"2", "", "", "2"}));
        QCOMPARE(column(g, "FQty2"), QStringList({"", "4", "1", "5"}));
        QCOMPARE(column(g, "FAmount"), QStringList({"5.00", "10.00", "2.50", "17.50"}));
        QCOMPARE(f.lblCount->text(), QString("共2张单据"));
        QCOMPARE(g.backColor(4, "FDate"), QColor(240, 244, 255));

        f.dtpFromDate->setDate(today.addDays(-7));
        f.dtpToDate->setFocus();
        QTest::keyClick(f.dtpToDate, Qt::Key_Return);
        QCOMPARE(prompts.texts(), QStringList{"您只允许查询最近7天的数据!"});
        QCOMPARE(f.dtpFromDate->date(), today);
        QCOMPARE(f.dtpToDate->date(), today);
        QCOMPARE(g.rows(), 1); // nothing today
        QCOMPARE(f.lblCount->text(), QString("共0张单据"));
    }
};

QTEST_MAIN(tst_frmSaleBillList)
#include "tst_frmSaleBillList.moc"
