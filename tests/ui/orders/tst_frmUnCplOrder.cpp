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
#include "core/orders/OrderOutDetail.h"
#include "ui/orders/frmOrderBillList.h"
#include "ui/orders/frmOrderCkMxb.h"
#include "ui/orders/frmUnCplOrder.h"
#include "ui/widgets/DialogRunner.h"
#include "ui/widgets/KeyedGrid.h"

namespace {

QStringList column(const KeyedGrid &g, const QString &key)
{
    QStringList out;
    for (int r = 1; r < g.rows(); ++r)
        out << g.text(r, key);
    return out;
}

const QDate D = QDate::currentDate();

// The manager logged in; orders 31 (two lines, nothing handed out) and 32 (one of its lines
// started) of today, entered line by line in turn.
void seed(const TestDb &t)
{
    t.addUser(1, "店长", true);
    t.login(1, "店长");
    TestDb::insert(t.cnstr(), "t_icitem (FItemID, FName)", {{1, "鲜奶"}});
    TestDb::insert(t.cnstr(), "VipOrder (FInterID, Fdate, FVipNo, FOwner, FClosed)",
                   {{31, D, "V31", "O'Neil", 0}, {32, D, "V32", "O'Neil", 0}});
    TestDb::insert(t.cnstr(),
                   "VipOrderEntry (FInterID, FEntryID, FItemID, FQty, FPreQty, FCplQty, FPrice,"
                   " FAmount)",
                   {{31, 1, 1, 10, 2, 0, 2.5, 25},
                    {32, 1, 1, 20, 0, 3, 50, 1000},
                    {31, 2, 1, 4, 0, 0, 3, 12}});
}

} // namespace

class tst_frmUnCplOrder : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }
    void cleanup() { DialogRunner::setScript({}); }

    // Filled on opening; a card narrows it by Enter; the detail opens for a line's own order
    // line and never for the total row.
    void openLinesAndDetail()
    {
        TestDb t;
        seed(t);
        ScriptedPrompts prompts;
        QList<QStringList> detail; // the labels of every detail opened
        DialogRunner::setScript([&](QDialog &dlg) {
            dlg.show(); // it loads when first shown
            if (auto *m = qobject_cast<frmOrderCkMxb *>(&dlg))
                detail << QStringList{m->lblOrderQty->text(), m->lblVip->text(),
                                      m->lblSaleQty->text()};
            dlg.hide();
            return 0;
        });
        frmUnCplOrder f;
        f.show();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        QCOMPARE(QApplication::focusWidget(), f.txtVipNo);
        QCOMPARE(column(*f.Flex, "FUnCplQty"), QStringList({"12", "4", "17", "33"}));
        f.Flex->setCurrentGridRow(4);
        QTest::mouseClick(f.cmdMxb, Qt::LeftButton);
        QVERIFY(detail.isEmpty());

        QTest::keyClicks(f.txtVipNo, "V31");
        QTest::keyClick(f.txtVipNo, Qt::Key_Return);
        QCOMPARE(column(*f.Flex, "FInterID"), QStringList({"31", "31", ""}));
        QCOMPARE(f.lblCount->text(), QString("共1张单据"));
        f.Flex->setCurrentGridRow(1);
        QTest::mouseClick(f.cmdMxb, Qt::LeftButton);
        QCOMPARE(detail, (QList<QStringList>{{"订单数量：12", OrderOutDetail::vipLabel("V31"),
                                              OrderOutDetail::saleQtyLabel(0)}}));
        QVERIFY(prompts.shown.isEmpty());
    }

    // Line 1 of order 80 handed out twice, listed by time and printed in GB18030 to the
    // detail printer's own port, which is kept on closing.
    void detail()
    {
        TestDb db(TestDb::Content::Schema);
        db.login(1, "店长");
        // Sales entered out of date order, each handing out of one order line; the same item on
        // another line or order is not this line's.
        for (const auto &[id, time, order, entry, qty] :
             {std::tuple{502, QDateTime(QDate(2024, 5, 9), QTime(7, 45, 30)), 80, 1, 3},
              {501, QDateTime(QDate(2024, 5, 2), QTime(8, 10)), 80, 1, 2},
              {503, QDateTime(QDate(2024, 5, 3), QTime(9, 0)), 80, 2, 4},
              {504, QDateTime(QDate(2024, 5, 4), QTime(9, 0)), 81, 1, 7}}) {
            TestDb::insert(db.cnstr(), "ICStockBill (FInterID, FTrantype, Fdate, FSysTime)",
                           {{id, 99, time.date(), time}});
            TestDb::insert(db.cnstr(),
                           "ICStockBillEntry (FInterID, FEntryID, FItemID, FQty,"
                           " FOrderBillInterID, FOrderBillEntryID)",
                           {{id, 1, 1, qty, order, entry}});
        }
        const QString port = db.dir() + "/port.txt";
        // The detail printer's port is the station's own, apart from the receipt printer's.
        KwStore::set("KwStore", "Pos.Default", "PrintPort", "LPT3");
        KwStore::set("KwStore", "DefaultValue", "PrintPort", "Com2");
        ScriptedPrompts prompts;
        frmOrderCkMxb f;
        f.init(80, 1, 12, "V0009");
        f.show();
        QCOMPARE(f.cmbPort->currentText() + " " + f.lblSaleQty->text(), "Com2 完成数量：5");
        QCOMPARE(f.Flex->rows(), 3);

        f.cmbPort->setCurrentText(port);
        QTest::mouseClick(f.Command1, Qt::LeftButton);
        QVERIFY2(prompts.shown.isEmpty(), qPrintable(prompts.last()));
        QFile file(port);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QStringDecoder gb("GB18030");
        QCOMPARE(QString(gb.decode(bytes)),
                 "卡号：V0009    \r\n订单数量：12\r\n完成数量：5\r\n\r\n日期               数量\r\n"
                 "2024-05-02 08:10:00   2\r\n2024-05-09 07:45:30   3\r\n");
        // The port used is kept when the window closes.
        f.close();
        QCOMPARE(KwStore::get("KwStore", "DefaultValue", "PrintPort"), port);
        QCOMPARE(KwStore::get("KwStore", "Pos.Default", "PrintPort"), QStringLiteral("LPT3"));
    }

    // Listed by Enter through the filters; an order is deleted after asking. A started order
    // is refused by the order store, whose case that is.
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
        QCOMPARE(QApplication::focusWidget(), f.Flex);
        QVERIFY2(prompts.shown.isEmpty(), qPrintable(prompts.last()));
        // What each row holds is the order list's own case; here the rows and the count.
        QCOMPARE(column(*f.Flex, "FInterID"), QStringList({"31", "31", "32", ""}));
        QCOMPARE(f.lblCount->text(), QString("共2张单据"));

        f.Flex->setCurrentGridRow(2);
        QTest::mouseClick(f.cmdDelete, Qt::LeftButton);
        QCOMPARE(prompts.texts(), QStringList{"是否删除选定订单？"});
        QCOMPARE(TestDb::dump(t.cnstr(), "select FInterID from VipOrder"), "32");
        QCOMPARE(column(*f.Flex, "FInterID"), QStringList({"32", ""}));
        QCOMPARE(f.lblCount->text(), QString("共1张单据"));
    }
};

QTEST_MAIN(tst_frmUnCplOrder)
#include "tst_frmUnCplOrder.moc"
