#include <QtTest>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include "ScriptedPrompts.h"
#include "TestDb.h"
#include "app/DialogRunner.h"
#include "app/KeyedGrid.h"
#include "app/Session.h"
#include "app/db/Database.h"
#include "orders/frmOrderAdjBill.h"
#include "orders/frmOrderAdjSelItem.h"

namespace {

// Member V0009 holds order 80 (item 1 at 3.50 on two lines, item 6 at 3.00, a line never
// handed out whose handed-out quantity is NULL) and a closed order 81.
void addOrders(const QString &cnstr)
{
    const char *head = "insert into VipOrder (FInterID, Fdate, FVipNo, FOwner, FPhone, FClosed) values (?,?,?,?,?,?)";
    db::execute(cnstr, head, {80, QDate(2024, 4, 1), "V0009", "赵六", "13900000009", 0});
    db::execute(cnstr, head, {81, QDate(2024, 2, 1), "V0009", "赵六", "13900000009", 1});
    const char *line = "insert into VipOrderEntry (FInterID, FEntryID, FItemID, FQty, FPreQty, FCplQty,"
                       " FPrice, FAmount, FYxq) values (?,?,?,?,?,?,?,?,?)";
    db::execute(cnstr, line, {80, 1, 1, 30, 3, 10, 3.5, 105, QDate(2024, 7, 1)});
    db::execute(cnstr, line, {80, 2, 6, 10, 0, 10, 3.0, 30, QVariant()});
    db::execute(cnstr, line, {80, 3, 1, 20, 2, QVariant(), 3.5, 70, QDate(2024, 7, 1)});
    db::execute(cnstr, line, {81, 1, 1, 5, 0, 5, 3.5, 17.5, QVariant()});
}

QList<int> itemsOf(const QString &cnstr, int order)
{
    QList<int> items;
    for (const db::Row &r : db::query(cnstr, "select FItemID from VipOrderEntry where FInterID=? order by FEntryID", {order}))
        items << r.integer("FItemID");
    return items;
}

} // namespace

class tst_OrderExchange : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }
    void cleanup() { DialogRunner::setScript({}); }

    void openLines()
    {
        TestDb db(TestDb::Content::Demo);
        db.login(2, "收银员");
        addOrders(db.cnstr());
        ScriptedPrompts prompts;
        frmOrderAdjBill f;
        f.show();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        QTest::keyClicks(f.txtVipNo, "V0009");
        QCOMPARE(f.txtOwner->text(), QStringLiteral("赵六"));
        QCOMPARE(f.txtPhone->text(), QStringLiteral("13900000009"));
        QCOMPARE(f.txtVipID->text(), QString());
        QCOMPARE(f.FlexOrder->rows(), 4); // the closed order is left out
        const KeyedGrid *g = f.FlexOrder;
        QCOMPARE(g->text(1, "FName"), QStringLiteral("鲜牛奶 250ml"));
        QCOMPARE(g->text(1, "FPrice"), QStringLiteral("3.50"));
        QCOMPARE(g->text(1, "FOrderQty"), QStringLiteral("30"));
        QCOMPARE(g->text(1, "FPreQty"), QStringLiteral("3"));
        QCOMPARE(g->text(1, "FCplQty"), QStringLiteral("10"));
        QCOMPARE(g->text(1, "FUnCplQty"), QStringLiteral("23"));
        QCOMPARE(g->text(1, "FYxq"), QStringLiteral("2024-07-01"));
        QCOMPARE(g->text(2, "FUnCplQty"), QStringLiteral("0")); // handed out in full, still listed
        QCOMPARE(g->text(2, "FYxq"), QString());
        QCOMPARE(g->text(3, "FCplQty"), QString());
        QCOMPARE(g->text(3, "FUnCplQty"), QString());
        QVERIFY(g->isColHidden("FInterID"));
        QVERIFY(g->isColHidden("FItemID"));
        QCOMPARE(g->header("FUnCplQty"), QStringLiteral("未取数量"));
        QVERIFY(prompts.shown.isEmpty());

        // Another card replaces the lines; an unknown one leaves the grid empty.
        f.txtVipNo->setText("V0001");
        QCOMPARE(f.FlexOrder->rows(), 3);
        QCOMPARE(f.txtOwner->text(), QStringLiteral("张丽"));
        f.txtVipNo->setText("nobody' or '1'='1");
        QCOMPARE(f.FlexOrder->rows(), 1);
    }

    void exchange_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QList<int>>("items");
        QTest::addColumn<QString>("rowName");
        QTest::newRow("same price by shop number")
            << "104" << true << QStringList{"是否现在更换？"} << QList<int>{4, 6, 4} << "高钙牛奶 250ml";
        QTest::newRow("same price by item number")
            << "01.004" << true << QStringList{"是否现在更换？"} << QList<int>{4, 6, 4} << "高钙牛奶 250ml";
        QTest::newRow("other price refused")
            << "201" << true << QStringList{"新品与旧品价格不一致，禁止调换！"} << QList<int>{1, 6, 1} << "鲜牛奶 250ml";
        QTest::newRow("answered No")
            << "104" << false << QStringList{"是否现在更换？"} << QList<int>{1, 6, 1} << "鲜牛奶 250ml";
        QTest::newRow("no item found")
            << "000" << true << QStringList{"请选择新奶种！"} << QList<int>{1, 6, 1} << "鲜牛奶 250ml";
    }
    void exchange()
    {
        QFETCH(QString, code);
        QFETCH(bool, answer);
        QFETCH(QStringList, messages);
        QFETCH(QList<int>, items);
        QFETCH(QString, rowName);
        TestDb db(TestDb::Content::Demo);
        db.login(2, "收银员");
        Session::current().RetailPriceStyleID = 1;
        addOrders(db.cnstr());
        ScriptedPrompts prompts;
        prompts.answers = {answer};
        frmOrderAdjBill f;
        f.show();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        f.txtVipNo->setText("V0009");
        f.FlexOrder->setCurrentGridRow(1);

        bool sawDialog = false;
        DialogRunner::setScript([&](QDialog &dialog) {
            auto &d = dynamic_cast<frmOrderAdjSelItem &>(dialog);
            sawDialog = true;
            d.show();
            d.activateWindow();
            // A dialog counts as active while its owner is; wait for the focus itself.
            if (!QTest::qWaitFor([&] { return QApplication::activeWindow() == &d; }))
                return int(QDialog::Rejected);
            [&] {
                QCOMPARE(d.windowTitle(), QStringLiteral("同价调换商品"));
                QCOMPARE(d.txtOldName->text(), QStringLiteral("鲜牛奶 250ml"));
                QCOMPARE(d.cmbOldPrice->currentText(), QStringLiteral("3.50"));
            }();
            QTest::keyClicks(d.txtBarcode, code);
            QTest::keyClick(d.txtBarcode, Qt::Key_Return); // on to the confirm button
            if (QApplication::focusWidget() != d.cmdOk)
                return int(QDialog::Rejected);
            QTest::keyClick(d.cmdOk, Qt::Key_Return);
            if (d.isVisible()) // refused: the operator gives up
                QTest::mouseClick(d.cmdExit, Qt::LeftButton);
            return d.result();
        });
        QTest::keyClick(f.FlexOrder, Qt::Key_Return);
        QVERIFY(sawDialog);
        QCOMPARE(prompts.texts(), messages);
        QCOMPARE(itemsOf(db.cnstr(), 80), items);
        QCOMPARE(itemsOf(db.cnstr(), 81), QList<int>{1}); // closed order untouched
        QCOMPARE(f.FlexOrder->text(1, "FName"), rowName);
        QCOMPARE(f.FlexOrder->text(1, "FItemID"), QString::number(items.first()));
        // The grid shows the chosen row only; the other line of the item changes on reload.
        QCOMPARE(f.FlexOrder->text(3, "FName"), QStringLiteral("鲜牛奶 250ml"));
        const db::Rows kept = db::query(db.cnstr(), "select FQty, FCplQty, FPrice, FAmount from VipOrderEntry where FInterID=80 and FEntryID=1");
        QCOMPARE(kept.first().number("FQty"), 30.0);
        QCOMPARE(kept.first().number("FCplQty"), 10.0);
        QCOMPARE(kept.first().number("FPrice"), 3.5);
        QCOMPARE(kept.first().number("FAmount"), 105.0);
    }

    // Nothing chosen: no dialog.
    void noLineChosen()
    {
        TestDb db(TestDb::Content::Demo);
        db.login(2, "收银员");
        ScriptedPrompts prompts;
        frmOrderAdjBill f;
        bool sawDialog = false;
        DialogRunner::setScript([&](QDialog &) { sawDialog = true; return 0; });
        QTest::mouseClick(f.cmdAdj, Qt::LeftButton);
        QVERIFY(!sawDialog);
    }

    void databaseFailure()
    {
        TestDb db(TestDb::Content::Demo);
        db.login(2, "收银员");
        Session::current().RetailPriceStyleID = 1;
        addOrders(db.cnstr());
        ScriptedPrompts prompts;
        frmOrderAdjSelItem d;
        d.init(80, 1, "鲜牛奶 250ml", 3.5);
        d.show();
        d.txtBarcode->setText("104");
        d.txtBarcode_LostFocus();
        db::execute(db.cnstr(), "drop table VipOrderEntry");
        QTest::mouseClick(d.cmdOk, Qt::LeftButton);
        QCOMPARE(prompts.shown.size(), 2); // the question, then the engine's message
        QCOMPARE(prompts.shown.last().icon, Prompts::Icon::Information);
        QVERIFY(!d.OK());
        QVERIFY(d.isVisible());
    }
};

QTEST_MAIN(tst_OrderExchange)
#include "tst_OrderExchange.moc"
