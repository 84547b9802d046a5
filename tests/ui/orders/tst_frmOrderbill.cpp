#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringDecoder>
#include <QtTest>

#include "ScriptedPrompts.h"
#include "TestDb.h"
#include "core/db/Database.h"
#include "core/frame/KwStore.h"
#include "core/frame/Session.h"
#include "core/orders/OrderOutDetail.h"
#include "ui/orders/frmOrderAdjBill.h"
#include "ui/orders/frmOrderAdjSelItem.h"
#include "ui/orders/frmOrderBillList.h"
#include "ui/orders/frmOrderCkMxb.h"
#include "ui/orders/frmOrderbill.h"
#include "ui/orders/frmUnCplOrder.h"
#include "ui/pos/frmVipSettle.h"
#include "ui/widgets/DialogRunner.h"
#include "ui/pos/frmEditDate.h"
#include "ui/widgets/KeyedGrid.h"

namespace {

// An account set, the demo one unless told, an operator logged in (1 the manager), message
// boxes scripted.
struct Counter
{
    explicit Counter(int user, TestDb::Content content = TestDb::Content::Demo) : db(content)
    {
        const QString name = user == 1 ? QStringLiteral("管理员") : QStringLiteral("收银员");
        if (content != TestDb::Content::Demo)
            db.addUser(user, name, user == 1);
        db.login(user, name);
        Session::current().RetailPriceStyleID = 1;
    }
    TestDb db;
    ScriptedPrompts prompts;
};

// Types into the box that has the focus, then Enter, as at the counter.
void enter(QWidget *box, const QString &text = QString())
{
    QVERIFY2(QApplication::focusWidget() == box,
             qPrintable(QApplication::focusWidget() ? QApplication::focusWidget()->objectName()
                                                    : "none"));
    if (!text.isEmpty())
        QTest::keyClicks(box, text);
    QTest::keyClick(box, Qt::Key_Return);
}

// Member V0009 holds order 80 of today (item 1 at 3.50 on two lines, item 6 at 3.00, a line
// never handed out whose handed-out quantity is NULL) and a closed order 81; member V0010
// holds order 82 of today, nothing handed out.
void addOrders(const QString &cnstr)
{
    const QDate today = QDate::currentDate(), validTo(2024, 7, 1);
    const QVariant null;
    TestDb::insert(cnstr, "VipOrder (FInterID, Fdate, FVipNo, FOwner, FPhone, FClosed)",
                   {{80, today, "V0009", "赵六", "13900000009", 0},
                    {81, QDate(2024, 2, 1), "V0009", "赵六", "13900000009", 1},
                    {82, today, "V0010", "O'Neil", "139", 0}});
    TestDb::insert(cnstr,
                   "VipOrderEntry (FInterID, FEntryID, FItemID, FQty, FPreQty, FCplQty, FPrice,"
                   " FAmount, FYxq)",
                   {{80, 1, 1, 30, 3, 10, 3.5, 105, validTo},
                    {80, 2, 6, 10, 0, 10, 3.0, 30, null},
                    {80, 3, 1, 20, 2, null, 3.5, 70, validTo},
                    {81, 1, 1, 5, 0, 5, 3.5, 17.5, null},
                    {82, 1, 6, 4, 0, 0, 3.0, 12, null}});
}

QStringList column(const KeyedGrid &g, const QString &key)
{
    QStringList out;
    for (int r = 1; r < g.rows(); ++r)
        out << g.text(r, key);
    return out;
}

} // namespace

class tst_frmOrderbill : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }
    void cleanup() { DialogRunner::setScript({}); }

    // A whole order by keyboard: the card fills the member (a quote in the name), Enter walks
    // every field, the code the item and its retail price, gift 10 proposes 60 days, Enter on the validity adds the
    // line, and "+" settles, saves, prints and clears the screen.
    void orderByKeyboard()
    {
        Counter s(1);
        frmOrderbill f;
        f.show();
        f.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        enter(f.txtVipNo, "V0004");
        QCOMPARE(f.txtOwner->text() + " " + f.txtVipID->text(),
                 QStringLiteral("O'Neil 110101199002020057"));
        for (QWidget *w : std::initializer_list<QWidget *>{f.txtOwner, f.txtPhone, f.txtVipID, f.dtpDate})
            enter(w);

        // No code: Enter goes to the name list, where the item can be chosen by name.
        enter(f.txtBarcode);
        QCOMPARE(QApplication::focusWidget(), f.cmbItem);
        f.txtBarcode->setFocus();
        enter(f.txtBarcode, "101");
        QCOMPARE(f.cmbItem->currentText() + " " + f.txtPrice->text(),
                 QStringLiteral("鲜牛奶 250ml 3.50"));
        enter(f.txtPrice);
        enter(f.txtQty, "10");
        enter(f.txtPreQty, "10");
        enter(f.txtAmount);
        QTest::keyClick(f.chkYxq, Qt::Key_Space);
        enter(f.chkYxq);
        enter(f.dtpYxq);
        QCOMPARE(QApplication::focusWidget(), f.txtBarcode);
        QStringList cells;
        for (const char *key : {"FOrder", "FName", "FPrice", "FQty", "FPreQty", "FAmount", "FYxq"})
            cells << f.FlexOrder->text(1, key);
        QCOMPARE(cells, (QStringList{"1", "鲜牛奶 250ml", "3.50", "10", "10", "35.00",
                                     QDate::currentDate().addDays(60).toString("yyyy-MM-dd")}));

        s.prompts.clear();
        qputenv("KWPOS_SPOOL_DIR", (s.db.dir() + "/spool").toUtf8());
        // The member pays all in cash: the proposed stored value typed over with 0.
        DialogRunner::setScript([](QDialog &dialog) {
            auto &d = dynamic_cast<frmVipSettle &>(dialog);
            d.show();
            d.txtGetReserve->setFocus();
            d.txtGetReserve->selectAll();
            QTest::keyClicks(d.txtGetReserve, "0");
            d.txtAmount->setFocus();
            QTest::keyClicks(d.txtAmount, "50");
            QTest::keyClick(d.txtAmount, Qt::Key_Plus);
            return d.result();
        });
        QTest::keyClick(f.txtBarcode, '+');
        const QStringList told = s.prompts.texts(); // saved, then printed to the spool
        QVERIFY2(told.size() == 2 && told[0] == "保存成功！" && told[1].contains(".pdf"),
                 qPrintable(told.join('|')));
        QCOMPARE(TestDb::dump(s.db.cnstr(), "select FVipNo, FOwner, FSumAmount, FGetCash, FSumQty"
                                            " from VipOrder where FInterID=(select max(FInterID)"
                                            " from VipOrder)"),
                 "V0004,O'Neil,35,35,20");
        // Cleared for the next member; the "+" never reached a box.
        QCOMPARE(f.FlexOrder->rows() + f.orderId(), 1);
        QVERIFY(f.txtVipNo->text().isEmpty() && f.txtBarcode->text().isEmpty());
        QCOMPARE(QApplication::focusWidget(), f.txtVipNo);
    }

    // The card typed lists the open orders' lines (the closed one left out); Enter on a line
    // opens the exchange, where the code and Enter reach the confirm button. An item of
    // another price is refused; one of the same price, found by shop number, is taken.
    void exchange()
    {
        Counter o(2);
        addOrders(o.db.cnstr());
        o.prompts.answers = {true};
        frmOrderAdjBill f;
        f.show();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        QTest::keyClicks(f.txtVipNo, "V0009");
        QCOMPARE((QStringList{f.txtOwner->text(), f.txtPhone->text(),
                              QString::number(f.FlexOrder->rows()),
                              f.FlexOrder->text(1, "FUnCplQty"), f.FlexOrder->text(3, "FCplQty")}),
                 (QStringList{"赵六", "13900000009", "4", "23", ""}));
        f.FlexOrder->setCurrentGridRow(1);

        QString seen; // the old item as the dialog shows it, and where Enter took the focus
        DialogRunner::setScript([&](QDialog &dialog) {
            auto &d = dynamic_cast<frmOrderAdjSelItem &>(dialog);
            d.show();
            d.activateWindow();
            // A dialog counts as active while its owner is; wait for the focus itself.
            if (!QTest::qWaitFor([&] { return QApplication::activeWindow() == &d; }))
                return int(QDialog::Rejected);
            seen = d.txtOldName->text() + " " + d.cmbOldPrice->currentText();
            for (const char *code : {"201", "104"}) {
                d.txtBarcode->setFocus();
                d.txtBarcode->selectAll();
                QTest::keyClicks(d.txtBarcode, code);
                QTest::keyClick(d.txtBarcode, Qt::Key_Return); // on to the confirm button
                seen += QApplication::focusWidget() == d.cmdOk ? " → OK" : " → elsewhere";
                QTest::keyClick(d.cmdOk, Qt::Key_Return);
            }
            return d.result();
        });
        QTest::keyClick(f.FlexOrder, Qt::Key_Return);
        QCOMPARE(seen, QStringLiteral("鲜牛奶 250ml 3.50 → OK → OK"));
        QCOMPARE(o.prompts.texts(),
                 (QStringList{"新品与旧品价格不一致，禁止调换！", "是否现在更换？"}));
        // Both lines of the item exchanged; the closed order is untouched.
        QCOMPARE(TestDb::dump(o.db.cnstr(), "select FItemID from VipOrderEntry where FInterID in"
                                            " (80, 81) order by FInterID, FEntryID"),
                 "4;6;4;1");
        // The grid is read again: both lines of the item show what the database holds.
        for (int row : {1, 3})
            QCOMPARE(f.FlexOrder->text(row, "FName") + " " + f.FlexOrder->text(row, "FItemID"),
                     "高钙牛奶 250ml 4");
        QCOMPARE(f.FlexOrder->currentGridRow(), 1);
    }

    // Filled on opening; a card narrows it by Enter; the detail opens for a line's own order
    // line and never for the total row. It lists that line's hand-outs by time and prints
    // them in GB18030 to the detail printer's own port, which is kept on closing.
    void openLinesAndDetail()
    {
        Counter s(1, TestDb::Content::Schema);
        // Sales entered out of date order; the same item on another line or order is not the
        // line's.
        for (const auto &[id, time, order, entry, qty] :
             {std::tuple{502, QDateTime(QDate(2024, 5, 9), QTime(7, 45, 30)), 80, 1, 3},
              {501, QDateTime(QDate(2024, 5, 2), QTime(8, 10)), 80, 1, 2},
              {503, QDateTime(QDate(2024, 5, 3), QTime(9, 0)), 80, 3, 4},
              {504, QDateTime(QDate(2024, 5, 4), QTime(9, 0)), 81, 1, 7}}) {
            TestDb::insert(s.db.cnstr(), "ICStockBill (FInterID, FTrantype, Fdate, FSysTime)",
                           {{id, 99, time.date(), time}});
            TestDb::insert(s.db.cnstr(),
                           "ICStockBillEntry (FInterID, FEntryID, FItemID, FQty,"
                           " FOrderBillInterID, FOrderBillEntryID)",
                           {{id, 1, 1, qty, order, entry}});
        }
        addOrders(s.db.cnstr());
        KwStore::set("KwStore", "Pos.Default", "PrintPort", "LPT3"); // the receipt printer's
        KwStore::set("KwStore", "DefaultValue", "PrintPort", "Com2");
        const QString port = s.db.dir() + "/port.txt";
        QStringList detail; // what every detail opened showed
        DialogRunner::setScript([&](QDialog &dlg) {
            auto &d = dynamic_cast<frmOrderCkMxb &>(dlg);
            d.show(); // it loads when first shown
            detail << d.lblOrderQty->text() << d.lblVip->text() << d.lblSaleQty->text()
                   << d.cmbPort->currentText() << QString::number(d.Flex->rows());
            d.cmbPort->setCurrentText(port);
            QTest::mouseClick(d.Command1, Qt::LeftButton);
            d.close();
            return 0;
        });
        frmUnCplOrder f;
        f.show();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        QCOMPARE(QApplication::focusWidget(), f.txtVipNo);
        QCOMPARE(column(*f.Flex, "FUnCplQty"), QStringList({"23", "22", "4", "49"}));
        f.Flex->setCurrentGridRow(4);
        QTest::mouseClick(f.cmdMxb, Qt::LeftButton);
        QVERIFY(detail.isEmpty());

        QTest::keyClicks(f.txtVipNo, "V0009");
        QTest::keyClick(f.txtVipNo, Qt::Key_Return);
        QCOMPARE(column(*f.Flex, "FInterID"), QStringList({"80", "80", ""}));
        QCOMPARE(f.lblCount->text(), QString("共1张单据"));
        f.Flex->setCurrentGridRow(1);
        QTest::mouseClick(f.cmdMxb, Qt::LeftButton);
        QCOMPARE(detail, QStringList({"订单数量：33", OrderOutDetail::vipLabel("V0009"),
                                      "完成数量：5", "Com2", "3"}));
        QVERIFY2(s.prompts.shown.isEmpty(), qPrintable(s.prompts.last()));
        QFile file(port);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString(QStringDecoder("GB18030").decode(file.readAll())),
                 "卡号：V0009    \r\n订单数量：33\r\n完成数量：5\r\n\r\n日期               数量\r\n"
                 "2024-05-02 08:10:00   2\r\n2024-05-09 07:45:30   3\r\n");
        QCOMPARE(KwStore::get("KwStore", "DefaultValue", "PrintPort"), port);
        QCOMPARE(KwStore::get("KwStore", "Pos.Default", "PrintPort"), QStringLiteral("LPT3"));
    }

    // On an order not saved yet the validity dialog only sets the line's date. An order that
    // cannot be loaded leaves the form holding no order.
    void newOrderValidityAndFailedLoad()
    {
        Counter s(1);
        frmOrderbill f;
        f.show();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        f.txtBarcode->setFocus();
        enter(f.txtBarcode, "101");
        enter(f.txtPrice);
        enter(f.txtQty, "10");
        enter(f.txtPreQty, "10");
        enter(f.txtAmount);
        QTest::keyClick(f.chkYxq, Qt::Key_Space);
        enter(f.chkYxq);
        enter(f.dtpYxq);
        const QDate later = QDate::currentDate().addDays(90);
        DialogRunner::setScript([&](QDialog &dialog) {
            auto &d = dynamic_cast<frmEditDate &>(dialog);
            d.dtpNewDate->setDate(later);
            QTest::mouseClick(d.cmdOk, Qt::LeftButton);
            return d.result();
        });
        f.FlexOrder->setCurrentGridRow(1);
        QTest::mouseClick(f.cmdEditDate, Qt::LeftButton);
        QCOMPARE(s.prompts.texts(), QStringList());
        QCOMPARE(f.FlexOrder->text(1, "FYxq"), later.toString("yyyy-MM-dd"));

        frmOrderbill g;
        s.prompts.clear();
        const QString cnstr = Session::current().Cnstr;
        Session::current().Cnstr = "Provider=SQLite;Data Source=" + s.db.dir() + "/gone/x.db";
        g.init(80);
        Session::current().Cnstr = cnstr;
        QCOMPARE(s.prompts.shown.size(), 1);
        QCOMPARE(g.orderId(), 0);
        QVERIFY(g.txtVipNo->text().isEmpty() && g.cmdSave->isEnabled());
        QCOMPARE(g.FlexOrder->rows(), 1);
    }

    // An order of 9 paid 22.50 in cash and 9.00 from stored value, lowered to 3: the 9.00 goes
    // back to the card and 12.00 in cash, and the spooled receipt says both, as typed.
    void loweredOrderReceiptShowsCashBack()
    {
        Counter s(1);
        TestDb::insert(s.db.cnstr(), "VipOrder (FInterID, Fdate, FVipNo, FOwner, FPhone, FVipID,"
                                     " FClosed, FSumQty, FSumAmount, FGetCash, FGetReserve)",
                       {{83, QDate::currentDate(), "V0010", "O'Neil", "139", "110101199001010011",
                         0, 9, 31.5, 22.5, 9}});
        TestDb::insert(s.db.cnstr(),
                       "VipOrderEntry (FInterID, FEntryID, FItemID, FQty, FPreQty, FCplQty, FPrice,"
                       " FAmount)",
                       {{83, 1, 1, 9, 0, 0, 3.5, 31.5}});
        frmOrderbill f;
        f.init(83);
        f.show();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        f.FlexOrder->setCurrentGridRow(1);
        f.FlexOrder->setFocus();
        QTest::keyClick(f.FlexOrder, Qt::Key_Delete); // asked, answered Yes
        QCOMPARE(QApplication::focusWidget(), f.txtBarcode);
        enter(f.txtBarcode, "101");
        enter(f.txtPrice);
        enter(f.txtQty, "3");
        enter(f.txtPreQty);
        enter(f.txtAmount);
        enter(f.chkYxq);
        s.prompts.clear();
        const QString spool = s.db.dir() + "/spool";
        qputenv("KWPOS_SPOOL_DIR", spool.toUtf8());
        QTest::keyClick(f.txtBarcode, Qt::Key_S, Qt::ControlModifier);
        const QStringList told = s.prompts.texts();
        QVERIFY2(told.size() == 3 && told[1] == "应退现金：12.00" && told[2].contains(".pdf"),
                 qPrintable(told.join('|')));
        const QStringList pdfs = QDir(spool).entryList({"*.pdf"});
        QCOMPARE(pdfs.size(), 1);
        QProcess text;
        text.start("pdftotext", {"-layout", spool + "/" + pdfs[0], "-"});
        QVERIFY(text.waitForFinished(30000));
        const QString receipt = QString::fromUtf8(text.readAllStandardOutput());
        for (const QString piece : {"鲜牛奶 250ml", "储值支付：-9.00", "退还现金：12.00"})
            QVERIFY2(receipt.contains(piece), qPrintable(piece + " not in:\n" + receipt));
    }

    // Listed by Enter through the filters; an order is deleted after asking. A started order
    // is refused by the order store, whose case that is.
    void listAndDelete()
    {
        Counter s(1, TestDb::Content::Schema);
        addOrders(s.db.cnstr());
        frmOrderBillList f;
        f.show();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        QCOMPARE(QApplication::focusWidget(), f.txtVipNo);
        QTest::keyClick(f.txtVipNo, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), f.dtpFromDate);
        QTest::keyClick(f.dtpFromDate, Qt::Key_Return);
        QTest::keyClick(f.dtpToDate, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), f.Flex);
        QVERIFY2(s.prompts.shown.isEmpty(), qPrintable(s.prompts.last()));
        // What each row holds is the order list's own case; here the rows and the count.
        QCOMPARE(column(*f.Flex, "FInterID"), QStringList({"80", "80", "80", "82", ""}));
        QCOMPARE(f.lblCount->text(), QString("共2张单据"));

        // Order 82 is still open: refused with the exclamation icon. Once closed it goes,
        // lines and all.
        f.Flex->setCurrentGridRow(4);
        QTest::mouseClick(f.cmdDelete, Qt::LeftButton);
        QCOMPARE(s.prompts.texts(), (QStringList{"是否删除选定订单？", "禁止删除未完工订单！"}));
        QCOMPARE(s.prompts.shown.last().icon, Prompts::Icon::Exclamation);
        s.prompts.clear();
        db::execute(s.db.cnstr(), "update VipOrder set FClosed=1 where FInterID=82");
        QTest::mouseClick(f.cmdDelete, Qt::LeftButton);
        QCOMPARE(s.prompts.texts(), QStringList{"是否删除选定订单？"});
        QCOMPARE(TestDb::dump(s.db.cnstr(), "select FInterID from VipOrder order by FInterID"),
                 "80;81");
        QCOMPARE(TestDb::dump(s.db.cnstr(), "select count(*) from VipOrderEntry where FInterID=82"),
                 "0");
        QCOMPARE(column(*f.Flex, "FInterID"), QStringList({"80", "80", "80", ""}));
        QCOMPARE(f.lblCount->text(), QString("共1张单据"));
    }
};

QTEST_MAIN(tst_frmOrderbill)
#include "tst_frmOrderbill.moc"
