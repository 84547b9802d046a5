#include <QtTest>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include "ScriptedPrompts.h"
#include "TestDb.h"
#include "ui/widgets/DialogRunner.h"
#include "ui/widgets/KeyedGrid.h"
#include "core/frame/Session.h"
#include "core/db/Database.h"
#include "ui/orders/frmOrderAdjBill.h"
#include "ui/orders/frmOrderAdjSelItem.h"

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

// The demo account set with those orders, the cashier logged in, message boxes scripted.
struct Orders
{
    Orders()
    {
        db.login(2, QStringLiteral("收银员"));
        Session::current().RetailPriceStyleID = 1;
        addOrders(db.cnstr());
    }
    TestDb db{TestDb::Content::Demo};
    ScriptedPrompts prompts;
};

QStringList cells(const KeyedGrid *g, int row, const QStringList &keys)
{
    QStringList out;
    for (const QString &key : keys)
        out << g->text(row, key);
    return out;
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
        Orders o;
        frmOrderAdjBill f;
        f.show();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        // Nothing chosen: no dialog.
        bool sawDialog = false;
        DialogRunner::setScript([&](QDialog &) { return sawDialog = true, 0; });
        QTest::mouseClick(f.cmdAdj, Qt::LeftButton);
        QVERIFY(!sawDialog);
        QTest::keyClicks(f.txtVipNo, "V0009");
        QCOMPARE((QStringList{f.txtOwner->text(), f.txtPhone->text(), f.txtVipID->text()}),
                 (QStringList{"赵六", "13900000009", ""}));
        QCOMPARE(f.FlexOrder->rows(), 4); // the closed order is left out
        const QStringList keys{"FName", "FPrice", "FOrderQty", "FPreQty", "FCplQty", "FUnCplQty", "FYxq"};
        QCOMPARE(cells(f.FlexOrder, 1, keys),
                 (QStringList{"鲜牛奶 250ml", "3.50", "30", "3", "10", "23", "2024-07-01"}));
        // Handed out in full, still listed; never handed out: no quantities.
        QCOMPARE(cells(f.FlexOrder, 2, keys), (QStringList{"原味酸奶 150g", "3.00", "10", "0", "10", "0", ""}));
        QCOMPARE(cells(f.FlexOrder, 3, keys),
                 (QStringList{"鲜牛奶 250ml", "3.50", "20", "2", "", "", "2024-07-01"}));
        QVERIFY(o.prompts.shown.isEmpty());

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
        QTest::addColumn<bool>("changedBehind"); // another station exchanged item 1 for 5 first
        QTest::newRow("same price by shop number")
            << "104" << true << QStringList{"是否现在更换？"} << QList<int>{4, 6, 4} << "高钙牛奶 250ml" << false;
        QTest::newRow("other price refused")
            << "201" << true << QStringList{"新品与旧品价格不一致，禁止调换！"} << QList<int>{1, 6, 1} << "鲜牛奶 250ml" << false;
        QTest::newRow("answered No")
            << "104" << false << QStringList{"是否现在更换？"} << QList<int>{1, 6, 1} << "鲜牛奶 250ml" << false;
        QTest::newRow("no item found")
            << "000" << true << QStringList{"请选择新奶种！"} << QList<int>{1, 6, 1} << "鲜牛奶 250ml" << false;
        QTest::newRow("stale row refused")
            << "104" << true << QStringList{"是否现在更换？", "订单已被修改，请重新查询！"} << QList<int>{5, 6, 5}
            << "巧克力奶 200ml" << true;
    }
    void exchange()
    {
        QFETCH(QString, code);
        QFETCH(bool, answer);
        QFETCH(QStringList, messages);
        QFETCH(QList<int>, items);
        QFETCH(QString, rowName);
        QFETCH(bool, changedBehind);
        Orders o;
        o.prompts.answers = {answer};
        frmOrderAdjBill f;
        f.show();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        f.txtVipNo->setText("V0009");
        f.FlexOrder->setCurrentGridRow(1);
        if (changedBehind)
            db::execute(o.db.cnstr(), "update VipOrderEntry set FItemID=5 where FInterID=80 and FItemID=1");

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
        QCOMPARE(o.prompts.texts(), messages);
        QCOMPARE(itemsOf(o.db.cnstr(), 80), items);
        QCOMPARE(itemsOf(o.db.cnstr(), 81), QList<int>{1}); // closed order untouched
        // The grid is read again: both lines of the item show what the database holds.
        for (int row : {1, 3}) {
            QCOMPARE(f.FlexOrder->text(row, "FName"), rowName);
            QCOMPARE(f.FlexOrder->text(row, "FItemID"), QString::number(items.first()));
        }
        QCOMPARE(f.FlexOrder->currentGridRow(), 1);
        const db::Row kept = db::query(o.db.cnstr(), "select FQty, FCplQty, FPrice, FAmount from VipOrderEntry"
                                                     " where FInterID=? and FEntryID=?", {80, 1}).first();
        QCOMPARE((QList<double>{kept.number("FQty"), kept.number("FCplQty"), kept.number("FPrice"),
                                kept.number("FAmount")}),
                 (QList<double>{30, 10, 3.5, 105}));
    }

    // A lookup that finds no usable item forgets the one found before, price included, so
    // the same-price check cannot pass on the earlier item's price.
    void lookupForgetsEarlierItem_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("priceStyle");
        QTest::addColumn<bool>("dropItems");
        QTest::addColumn<QString>("name");
        QTest::newRow("found without price") << "202" << 0 << false << "草莓酸奶 150g";
        QTest::newRow("unknown code") << "000" << 1 << false << "";
        QTest::newRow("database failure") << "202" << 1 << true << "";
    }
    void lookupForgetsEarlierItem()
    {
        QFETCH(QString, code);
        QFETCH(int, priceStyle);
        QFETCH(bool, dropItems);
        QFETCH(QString, name);
        Orders o;
        frmOrderAdjSelItem d;
        d.init(80, 1, "鲜牛奶 250ml", 3.5);
        d.show();
        d.txtBarcode->setText("104");
        d.txtBarcode_LostFocus();
        QCOMPARE(d.cmbPrice->currentText(), QStringLiteral("3.50"));
        Session::current().RetailPriceStyleID = priceStyle;
        if (dropItems)
            db::execute(o.db.cnstr(), "drop table t_icitem");
        d.txtBarcode->setText(code);
        QTest::mouseClick(d.cmdOk, Qt::LeftButton);
        QCOMPARE(d.cmbItem->currentText(), name);
        QCOMPARE(d.cmbPrice->currentText(), QString());
        QCOMPARE(d.NewItemID(), 0);
        QCOMPARE(o.prompts.last(), QStringLiteral("请选择新奶种！"));
        QCOMPARE(o.prompts.shown.size(), dropItems ? 2 : 1); // the engine's message first
        QVERIFY(!d.OK() && d.isVisible());
        QCOMPARE(itemsOf(o.db.cnstr(), 80), (QList<int>{1, 6, 1}));
    }

    void databaseFailure()
    {
        Orders o;
        frmOrderAdjSelItem d;
        d.init(80, 1, "鲜牛奶 250ml", 3.5);
        d.show();
        d.txtBarcode->setText("104");
        d.txtBarcode_LostFocus();
        db::execute(o.db.cnstr(), "drop table VipOrderEntry");
        QTest::mouseClick(d.cmdOk, Qt::LeftButton);
        QCOMPARE(o.prompts.shown.size(), 2); // the question, then the engine's message
        QCOMPARE(o.prompts.shown.last().icon, Prompts::Icon::Information);
        QVERIFY(!d.OK());
        QVERIFY(d.isVisible());
    }
};

QTEST_MAIN(tst_OrderExchange)
#include "tst_OrderExchange.moc"
