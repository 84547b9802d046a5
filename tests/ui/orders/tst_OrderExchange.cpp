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

    void exchange_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QList<int>>("items");
        QTest::addColumn<QString>("rowName");
        QTest::newRow("same price by shop number")
            << "104" << true << QStringList{"是否现在更换？"} << QList<int>{4, 6, 4} << "高钙牛奶 250ml";
        QTest::newRow("other price refused")
            << "201" << true << QStringList{"新品与旧品价格不一致，禁止调换！"} << QList<int>{1, 6, 1} << "鲜牛奶 250ml";
        QTest::newRow("answered No") << "104" << false << QStringList{"是否现在更换？"} << QList<int>{1, 6, 1} << "鲜牛奶 250ml";
    }
    // The card typed lists the open orders' lines (the closed one left out); Enter on a line
    // opens the exchange, where the code and Enter reach the confirm button.
    void exchange()
    {
        QFETCH(QString, code);
        QFETCH(bool, answer);
        QFETCH(QStringList, messages);
        QFETCH(QList<int>, items);
        QFETCH(QString, rowName);
        Orders o;
        o.prompts.answers = {answer};
        frmOrderAdjBill f;
        f.show();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        QTest::keyClicks(f.txtVipNo, "V0009");
        QCOMPARE((QStringList{f.txtOwner->text(), f.txtPhone->text()}), (QStringList{"赵六", "13900000009"}));
        QCOMPARE(f.FlexOrder->rows(), 4);
        QCOMPARE((QStringList{f.FlexOrder->text(1, "FUnCplQty"), f.FlexOrder->text(3, "FCplQty")}), (QStringList{"23", ""}));
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
            if (d.txtOldName->text() != QStringLiteral("鲜牛奶 250ml") || d.cmbOldPrice->currentText() != "3.50")
                return int(QDialog::Rejected);
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
    }
};

QTEST_MAIN(tst_OrderExchange)
#include "tst_OrderExchange.moc"
