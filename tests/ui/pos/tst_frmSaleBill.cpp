#include <QtTest>

#include <QLabel>
#include <QLineEdit>
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
    Screen() : db(TestDb::Content::Demo)
    {
        db.login(2, QStringLiteral("收银员"));
        Session::current().RetailPriceStyleID = 1;
        form = new frmSaleBill;
        form->show();
        form->activateWindow();
    }
    ~Screen() { delete form; }
    bool active() { return QTest::qWaitForWindowActive(form); }

    // The code left with Enter as a scanner does, then the quantity.
    void ringUp(const QString &code, const QString &qty)
    {
        form->txtBarcode->setFocus();
        form->txtBarcode->setText(code);
        QTest::keyClick(form->txtBarcode, Qt::Key_Return);
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
    void type(QWidget *box, const QString &text)
    {
        QTest::keyClicks(box, text);
        QTest::keyClick(box, Qt::Key_Return);
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
};

QTEST_MAIN(tst_frmSaleBill)
#include "tst_frmSaleBill.moc"
