#include <QtTest>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>

#include "ScriptedPrompts.h"
#include "TestDb.h"
#include "ui/widgets/KeyedGrid.h"
#include "core/frame/KwStore.h"
#include "core/frame/Session.h"
#include "core/db/Database.h"
#include "ui/pos/frmInputQty.h"
#include "ui/pos/frmSaleBill.h"
#include "ui/pos/frmVipSettle.h"
#include "ui/widgets/DialogRunner.h"

namespace {

const QString Retail = QStringLiteral("零售价");

// A sale screen on the demo account set, shown and active so focus moves as at the counter.
struct Screen
{
    explicit Screen(int retailStyle = 1) : db(TestDb::Content::Demo)
    {
        db.login(2, QStringLiteral("收银员"));
        Session::current().RetailPriceStyleID = retailStyle;
        form = new frmSaleBill;
        form->show();
        form->activateWindow();
    }
    ~Screen() { delete form; }
    bool active() { return QTest::qWaitForWindowActive(form); }

    // Types a code into the bar code box and leaves it with Enter, as a scanner does.
    void scan(const QString &code)
    {
        form->txtBarcode->setFocus();
        form->txtBarcode->setText(code);
        QTest::keyClick(form->txtBarcode, Qt::Key_Return);
    }
    void ringUp(const QString &code, const QString &qty)
    {
        scan(code);
        form->txtQty->setText(qty);
        QTest::keyClick(form->txtQty, Qt::Key_Return);
    }
    QStringList cells(int row, const QStringList &keys) const
    {
        QStringList out;
        for (const QString &key : keys)
            out << form->FlexSale->text(row, key);
        return out;
    }
    void type(QWidget *box, const QString &text, Qt::KeyboardModifiers mod = Qt::NoModifier)
    {
        QTest::keyClicks(box, text);
        QTest::keyClick(box, mod ? Qt::Key_Enter : Qt::Key_Return, mod);
    }

    TestDb db;
    ScriptedPrompts prompts;
    frmSaleBill *form;
};

// The text of a PDF, compatibility forms folded (a text layer may name 小 as ⼩).
QString pdfText(const QString &path)
{
    QProcess p;
    p.start("pdftotext", {"-layout", path, "-"});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput()).normalized(QString::NormalizationForm_KC);
}

} // namespace

class tst_frmSaleBill : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }
    void cleanup() { DialogRunner::setScript({}); }

    // The member by keyboard: the card typed and left with Enter lists the open order lines
    // and the balance; a pick-up of 3 adds an uncharged line at the order's unit value, and a
    // second lookup does not offer the picked units again.
    void memberPickUp()
    {
        Screen s;
        QVERIFY(s.active());
        s.form->txtVipNo->setFocus();
        s.type(s.form->txtVipNo, "V0001");
        QCOMPARE(QApplication::focusWidget(), s.form->txtBarcode);
        QCOMPARE(s.form->lblCzBal->text(), QStringLiteral("充值余额：343.60"));
        QCOMPARE(s.form->txtOwner->text(), QStringLiteral("张丽"));
        QCOMPARE(s.form->FlexOrder->rows(), 3);
        QCOMPARE(s.form->FlexOrder->text(1, "FUnCplQty"), QStringLiteral("54"));
        DialogRunner::setScript([](QDialog &dialog) {
            auto &d = dynamic_cast<frmInputQty &>(dialog);
            d.txtQty2->setText("3");
            d.cmdOk_Click();
            return int(QDialog::Accepted);
        });
        s.form->FlexOrder->setCurrentGridRow(1);
        s.form->FlexOrder_DblClick();
        QCOMPARE(s.cells(1, {"FQty", "FPrice", "FAmount", "FPrice1", "FBal"}),
                 (QStringList{"3", "", "", "2.91", "51"}));
        QCOMPARE(s.form->FlexOrder->text(1, "FUnCplQty"), QStringLiteral("51"));
        QCOMPARE(s.form->receivableAmount(), Money());
        s.form->txtVipNo_LostFocus();
        QCOMPARE(s.form->FlexOrder->text(1, "FUnCplQty"), QStringLiteral("51"));
        QVERIFY(s.prompts.shown.isEmpty());
        // The cashier holds no right to change a validity date.
        QTest::mouseClick(s.form->cmdEditDate, Qt::LeftButton);
        QCOMPARE(s.prompts.texts(), QStringList{"没有权限！"});
    }

    // The test print by keyboard: with nothing rung up it says so; with a pick-up of 3 and two
    // units rung up it previews a receipt of both lines, unpaid, with the card's balance.
    void testPrintPreview()
    {
        Screen s;
        QVERIFY(s.active());
        const QString pdf = s.db.dir() + "/receipt.pdf";
        int previews = 0;
        DialogRunner::setScript([&](QDialog &dialog) {
            if (auto *preview = qobject_cast<QPrintPreviewDialog *>(&dialog)) {
                ++previews;
                QPrinter printer(QPrinter::HighResolution);
                printer.setOutputFormat(QPrinter::PdfFormat);
                printer.setOutputFileName(pdf);
                emit preview->paintRequested(&printer);
                return 0;
            }
            auto &d = dynamic_cast<frmInputQty &>(dialog);
            d.txtQty2->setText("3");
            d.cmdOk_Click();
            return int(QDialog::Accepted);
        });
        s.form->cmdTestPrint->setFocus();
        QTest::keyClick(s.form->cmdTestPrint, Qt::Key_Space);
        QCOMPARE(s.prompts.texts(), QStringList{"没有数据！"});
        QCOMPARE(previews, 0);
        s.prompts.clear();

        s.form->txtVipNo->setFocus();
        s.type(s.form->txtVipNo, "V0001");
        s.form->FlexOrder->setCurrentGridRow(1);
        s.form->FlexOrder_DblClick();
        s.ringUp("101", "2");
        s.form->cmdTestPrint->setFocus();
        QTest::keyClick(s.form->cmdTestPrint, Qt::Key_Space);
        QCOMPARE(previews, 1);
        QVERIFY(s.prompts.shown.isEmpty());
        const QString text = pdfText(pdf);
        for (const char *piece : {"会员：V0001 张丽", "收银：收银员", "余量 54 → 51", "鲜牛奶 250ml",
                                     "3.50", "7.00", "合计数量：5", "应收：7.00", "现金：0.00",
                                     "储值支付：0.00", "储值余额：343.60", "订奶余量：78"})
            QVERIFY2(text.contains(QString(piece).normalized(QString::NormalizationForm_KC)),
                     qPrintable(piece + QString(" missing in:\n") + text));
        QCOMPARE(text.count("取订奶"), 1);
    }

    // The save by keyboard: "+" opens the settlement, a second "+" meanwhile starts nothing,
    // 5.00 goes on stored value and 2.00 in cash. The drawer's port is gone: the bill is
    // still saved once, the receipt still printed, the screen cleared, and the cashier told.
    void saveByKeyboard()
    {
        Screen s;
        QVERIFY(s.active());
        qputenv("KWPOS_SPOOL_DIR", (s.db.dir() + "/spool").toUtf8());
        KwStore::set("KwStore", "Pos.Default", "UseMoneyBox", "1");
        KwStore::set("KwStore", "Pos.Default", "PrintPort", "/nonexistent-dir/lp9");
        const QString c = s.db.cnstr();
        const double doneBefore = db::scalar(c, "select sum(FCplQty) from VipOrderEntry").toDouble();
        const int billsBefore = db::scalar(c, "select count(*) from ICStockBill").toInt();
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
            auto &q = dynamic_cast<frmInputQty &>(dialog);
            q.txtQty2->setText("3");
            q.cmdOk_Click();
            return int(QDialog::Accepted);
        });
        s.form->txtVipNo->setFocus();
        s.type(s.form->txtVipNo, "V0001");
        s.form->FlexOrder->setCurrentGridRow(1);
        s.form->FlexOrder_DblClick();
        s.ringUp("101", "2");
        QTest::keyClick(s.form->txtBarcode, Qt::Key_Plus);

        QCOMPARE(settlements, 1);
        QCOMPARE(db::scalar(c, "select count(*) from ICStockBill").toInt(), billsBefore + 1);
        const db::Row h = db::query(c, "select * from ICStockBill order by FInterID desc").first();
        QCOMPARE((QList<Money>{h.money("FSumAmount"), h.money("FGetReserve"), h.money("FGetCash")}),
                 (QList<Money>{Money::fromInt(7), Money::fromInt(5), Money::fromInt(2)}));
        QCOMPARE(db::scalar(c, "select count(*) from ICStockBillEntry where FInterID=?", {h.integer("FInterID")}).toInt(), 2);
        QCOMPARE(db::scalar(c, "select sum(FCplQty) from VipOrderEntry").toDouble(), doneBefore + 3);
        const db::Row m = db::query(c, "select * from VipCzBill order by FInterID desc").first();
        QCOMPARE((QList<Money>{m.money("FKAmount"), m.money("FBegAmount"), m.money("FEndAmount")}),
                 (QList<Money>{Money::fromInt(5), Money::parse("343.60"), Money::parse("338.60")}));

        const QStringList told = s.prompts.texts();
        QCOMPARE(told.size(), 2);
        QVERIFY2(told[1].startsWith("单据已保存。\n打开钱箱失败：") && told[1].contains("lp9"), qPrintable(told[1]));
        const QString pdf = told[0].section('\n', 1);
        const QString receipt = pdfText(pdf);
        for (const char *piece : {"现金：2.00", "储值支付：5.00", "储值余额：338.60"})
            QVERIFY2(receipt.contains(QString(piece).normalized(QString::NormalizationForm_KC)),
                     qPrintable(piece + QString(" missing in:\n") + receipt));
        QCOMPARE(s.form->FlexSale->rows(), 1);
        QCOMPARE(s.form->txtVipNo->text(), QString());
        QCOMPARE(s.form->txtBarcode->text(), QString());
        QCOMPARE(QApplication::focusWidget(), s.form->txtBarcode);
        DialogRunner::setScript({});
    }

    // The whole bill by keyboard: Enter from the code to the quantity, which offers its text
    // for overtyping; Enter adds the line and is back in the code box. A pack of six at
    // 30.00 rung up twice: twelve pieces, one pack line, 60.00 charged.
    void ringUpByKeyboard()
    {
        Screen s;
        db::execute(s.db.cnstr(), "insert into t_icitem_barcode (FItemID, FBarCode, FPriceStyleID, FExchange, FPrice)"
                                  " values (?,?,?,?,?)",
                    {3, "6909999000006", 1, 6, 30});
        QVERIFY(s.active());
        s.form->txtVipNo->setFocus();
        QTest::keyClick(s.form->txtVipNo, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), s.form->txtBarcode);
        s.type(s.form->txtBarcode, "101");
        QCOMPARE(QApplication::focusWidget(), s.form->txtQty);
        QTRY_COMPARE(s.form->txtQty->selectedText(), QStringLiteral("1"));
        s.type(s.form->txtQty, "3", Qt::KeypadModifier);
        QCOMPARE(QApplication::focusWidget(), s.form->txtBarcode);
        s.type(s.form->txtBarcode, "6909999000006");
        QTRY_COMPARE(s.form->txtQty->selectedText(), QStringLiteral("1"));
        s.type(s.form->txtQty, "2");
        QCOMPARE(s.form->FlexSale->rows(), 3);
        QCOMPARE(s.cells(1, {"FOrder", "FQty", "FAmount"}), (QStringList{"1", "3", "10.50"}));
        QCOMPARE(s.cells(2, {"FOrder", "FName", "FItemID", "FQty", "FMainQty", "FPrice", "FAmount",
                             "FPrice1", "FAmount1", "FInterID"}),
                 (QStringList{"2", "低脂牛奶 250ml", "3", "12", "1", "30.00", "60.00", "30.00", "60.00", ""}));
        QCOMPARE(s.form->lblQty->text(), QStringLiteral("数量：15"));
        QCOMPARE(s.form->lblSumAmount->text(), QStringLiteral("应收金额：70.50"));
        QCOMPARE(s.form->receivableAmount(), Money::fromCents(7050));
        // The boxes are ready for the next item.
        QCOMPARE((QStringList{s.form->txtBarcode->text(), s.form->cmbItem->currentText(),
                              s.form->txtPrice->text(), s.form->txtQty->text()}),
                 (QStringList{"", "", "", "1"}));
        QCOMPARE(QApplication::focusWidget(), s.form->txtBarcode);
        // The name box also moves on with Enter, and a box reached by Tab selects its text.
        s.form->cmbItem->setFocus();
        QTest::keyClick(s.form->cmbItem, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), s.form->txtQty);
        s.form->txtPrice->setText("4.20");
        QTest::keyClick(s.form->txtQty, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), s.form->txtPrice);
        QTRY_COMPARE(s.form->txtPrice->selectedText(), QStringLiteral("4.20"));
        QVERIFY(s.prompts.shown.isEmpty());
    }

    void newBill()
    {
        Screen s;
        QVERIFY(s.active());
        s.form->init(55);
        s.ringUp("101", "2");
        s.form->txtVipNo->setText("V0001");
        s.form->txtOwner->setText("张丽");
        s.form->FlexOrder->addRow();
        s.form->cmbStock->setCurrentText("冷库");
        QTest::mouseClick(s.form->cmdNew, Qt::LeftButton);
        QCOMPARE(s.form->FlexSale->rows(), 1);
        QCOMPARE(s.form->FlexOrder->rows(), 1);
        QCOMPARE((QStringList{s.form->txtVipNo->text(), s.form->txtOwner->text(), s.form->txtQty->text(),
                              s.form->lblQty->text(), s.form->lblSumAmount->text(),
                              s.form->lblCzBal->text(), s.form->cmbStock->currentText()}),
                 (QStringList{"", "", "1", "数量：", "应收合计：", "充值余额：0.00", "冷库"}));
        QCOMPARE(s.form->billId(), 0);
        QCOMPARE(s.form->currentItemId(), 0);
        QCOMPARE(s.form->receivableAmount(), Money());
        QCOMPARE(QApplication::focusWidget(), s.form->txtBarcode);
    }

    // A failing lookup reaches the cashier as the engine's message; the screen carries on.
    void databaseFailure()
    {
        Screen s;
        QVERIFY(s.active());
        db::execute(s.db.cnstr(), "drop table t_icitem_barcode");
        s.scan("777");
        QCOMPARE(s.prompts.shown.size(), 1);
        QCOMPARE(s.prompts.shown.first().icon, Prompts::Icon::Information);
        QVERIFY(!s.prompts.last().isEmpty());
        QCOMPARE(s.form->FlexSale->rows(), 1);
        // The failed lookup left no item behind: Enter with a typed price rings up nothing.
        QCOMPARE(s.form->currentItemId(), 0);
        s.prompts.clear();
        s.form->txtPrice->setText("5.00");
        QTest::keyClick(s.form->txtQty, Qt::Key_Return);
        QCOMPARE(s.prompts.texts(), QStringList{"请输入商品！"});
        QCOMPARE(QApplication::focusWidget(), s.form->txtBarcode);
        QCOMPARE(s.form->FlexSale->rows(), 1);
        s.prompts.clear();
        s.ringUp("101", "1"); // found by the item's own codes, the pack table is not needed
        QCOMPARE(s.form->FlexSale->rows(), 2);
    }

    // Item ids past the 16-bit range ring up as they are; a bar code scanned into the
    // quantity box is refused there, and deleting a line renumbers the rest.
    void largeItemIdScannedQuantityAndDelete()
    {
        Screen s;
        db::execute(s.db.cnstr(), "insert into t_icitem (FItemID, FName, FShopNumber, FPrice_1) values (?,?,?,?)",
                    {70000, "大编号酸奶", "7000", 4.5});
        QVERIFY(s.active());
        s.ringUp("7000", "6901234500011");
        QCOMPARE(s.prompts.texts(), QStringList{"请输入数量！"});
        QCOMPARE(QApplication::focusWidget(), s.form->txtQty);
        QCOMPARE(s.form->FlexSale->rows(), 1);
        s.prompts.clear();
        s.ringUp("7000", "400");
        s.ringUp("101", "1");
        QCOMPARE(s.cells(1, {"FItemID", "FQty", "FAmount"}), (QStringList{"70000", "400", "1800.00"}));
        s.form->FlexSale->setCurrentGridRow(1);
        s.prompts.answers = {true};
        QTest::mouseClick(s.form->cmdDel, Qt::LeftButton);
        QCOMPARE(s.prompts.texts(), QStringList{"是否删除所选产品？"});
        QCOMPARE(s.cells(1, {"FOrder", "FItemID"}), (QStringList{"1", "1"}));
        QCOMPARE(s.form->lblSumAmount->text(), QStringLiteral("应收金额：3.50"));
    }
};

QTEST_MAIN(tst_frmSaleBill)
#include "tst_frmSaleBill.moc"
