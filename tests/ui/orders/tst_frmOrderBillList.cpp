#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "ScriptedPrompts.h"
#include "TestDb.h"
#include "core/db/Database.h"
#include "ui/orders/frmOrderBillList.h"
#include "ui/widgets/KeyedGrid.h"

namespace {

const QDate D = QDate::currentDate();

// Orders 31 (two lines, nothing handed out) and 32 (one of its lines started) of one day,
// entered line by line in turn.
void seed(const TestDb &t)
{
    t.addUser(1, "店长", true);
    t.login(1, "店长");
    db::execute(t.cnstr(), "insert into t_icitem (FItemID, FName) values (1, '鲜奶')");
    for (int id : {31, 32})
        db::execute(
            t.cnstr(),
            "insert into VipOrder (FInterID, Fdate, FVipNo, FOwner, FClosed) values (?,?,?,?,0)",
            {id, D, QString("V%1").arg(id), "O'Neil"});
    for (const QVariantList &line : {QVariantList{31, 1, 10, 2, 0, 2.5, 25.0},
                                     {32, 1, 20, 0, 3, 50.0, 1000.0},
                                     {31, 2, 4, 0, 0, 3.0, 12.0}})
        db::execute(t.cnstr(),
                    "insert into VipOrderEntry (FInterID, FEntryID, FItemID, FQty, FPreQty,"
                    " FCplQty, FPrice, FAmount) values (?,?,1,?,?,?,?,?)",
                    line);
}

QStringList column(const KeyedGrid &g, const QString &key)
{
    QStringList out;
    for (int r = 1; r < g.rows(); ++r)
        out << g.text(r, key);
    return out;
}

int orders(const TestDb &t)
{
    return db::scalar(t.cnstr(), "select count(*) from VipOrder").toInt();
}

} // namespace

class tst_frmOrderBillList : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    // Listed by Enter through the filters; the total row deletes nothing, a started order
    // is refused, an untouched one goes.
    void listAndDelete()
    {
        TestDb t;
        seed(t);
        ScriptedPrompts prompts;
        frmOrderBillList f;
        f.show();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        QCOMPARE(QApplication::focusWidget(), f.txtVipNo);
        QTest::keyClick(f.txtVipNo, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), f.dtpFromDate);
        QTest::keyClick(f.dtpFromDate, Qt::Key_Return);
        QTest::keyClick(f.dtpToDate, Qt::Key_Return);
        QVERIFY2(prompts.shown.isEmpty(), qPrintable(prompts.last()));

        const KeyedGrid &g = *f.Flex;
        // What each row holds is the order list's own case; here the rows and the total.
        QCOMPARE(column(g, "FInterID"), QStringList({"31", "31", "32", ""}));
        QCOMPARE(g.text(4, "FDate") + " " + g.text(4, "FAmount"), "合计 1,037.00");
        QCOMPARE(f.lblCount->text(), QString("共2张单据"));
        QCOMPARE(QApplication::focusWidget(), f.Flex);

        // The total row: nothing asked, nothing deleted.
        f.Flex->setCurrentGridRow(4);
        QTest::mouseClick(f.cmdDelete, Qt::LeftButton);
        QVERIFY(prompts.shown.isEmpty());
        QCOMPARE(orders(t), 2);

        // Order 32 has goods handed out.
        QTest::keyClick(f.Flex, Qt::Key_Up);
        QCOMPARE(f.currentKey().orderId, 32);
        QTest::mouseClick(f.cmdDelete, Qt::LeftButton);
        QCOMPARE(prompts.texts(),
                 QStringList({"是否删除选定订单？", "已经执行或者没有权限，禁止修改！"}));
        QCOMPARE(orders(t), 2);

        prompts.clear();
        f.Flex->setCurrentGridRow(2);
        QTest::mouseClick(f.cmdDelete, Qt::LeftButton);
        QCOMPARE(prompts.texts(), QStringList{"是否删除选定订单？"});
        QCOMPARE(orders(t), 1);
        QCOMPARE(column(g, "FInterID"), QStringList({"32", ""}));
        QCOMPARE(f.lblCount->text(), QString("共1张单据"));
    }
};

QTEST_MAIN(tst_frmOrderBillList)
#include "tst_frmOrderBillList.moc"
