#include <QtTest>

#include <QApplication>

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>

#include "ScriptedPrompts.h"
#include "TestDb.h"
#include "core/frame/Session.h"
#include "ui/orders/frmOrderbill.h"
#include "ui/pos/frmVipSettle.h"
#include "ui/widgets/DialogRunner.h"
#include "ui/widgets/KeyedGrid.h"

namespace {

// An order screen on the demo account set, shown and active so focus moves as at the counter.
struct Screen
{
    explicit Screen(int user = 1) : db(TestDb::Content::Demo)
    {
        db.login(user, user == 1 ? QStringLiteral("管理员") : QStringLiteral("收银员"));
        Session::current().RetailPriceStyleID = 1;
        form = new frmOrderbill;
    }
    ~Screen() { delete form; }
    bool show()
    {
        form->show();
        form->activateWindow();
        return QTest::qWaitForWindowActive(form);
    }
    void enter(QWidget *box, const QString &text = QString())
    {
        QVERIFY2(QApplication::focusWidget() == box,
                 qPrintable(QApplication::focusWidget() ? QApplication::focusWidget()->objectName()
                                                        : "none"));
        if (!text.isEmpty())
            QTest::keyClicks(box, text);
        QTest::keyClick(box, Qt::Key_Return);
    }

    TestDb db;
    ScriptedPrompts prompts;
    frmOrderbill *form;
};

} // namespace

class tst_frmOrderbill : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    // A whole order by keyboard: the card fills the member (a quote in the name), the code
    // the item and its retail price, gift 10 proposes 60 days, Enter on the validity adds the
    // line, and "+" settles, saves, prints and clears the screen.
    void orderByKeyboard()
    {
        Screen s;
        QVERIFY(s.show());
        frmOrderbill *f = s.form;
        s.enter(f->txtVipNo, "V0004");
        QCOMPARE(f->txtOwner->text() + " " + f->txtVipID->text(),
                 QStringLiteral("O'Neil 110101199002020057"));
        for (QWidget *w : std::initializer_list<QWidget *>{f->txtOwner, f->txtPhone, f->txtVipID})
            s.enter(w);

        s.enter(f->txtBarcode, "101");
        QCOMPARE(f->cmbItem->currentText() + " " + f->txtPrice->text(),
                 QStringLiteral("鲜牛奶 250ml 3.50"));
        s.enter(f->txtPrice);
        s.enter(f->txtQty, "10");
        s.enter(f->txtPreQty, "10");
        QCOMPARE(f->txtAmount->text() + " " + f->lblSumAmount->text(), "35.00 35.00");
        s.enter(f->txtAmount);
        QTest::keyClick(f->chkYxq, Qt::Key_Space);
        QCOMPARE(f->dtpYxq->date(), QDate::currentDate().addDays(60));
        s.enter(f->chkYxq);
        s.enter(f->dtpYxq);
        QCOMPARE(QApplication::focusWidget(), f->txtBarcode);
        QStringList cells;
        for (const char *key : {"FOrder", "FName", "FPrice", "FQty", "FPreQty", "FAmount", "FYxq"})
            cells << f->FlexOrder->text(1, key);
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
        QTest::keyClick(f->txtBarcode, '+');
        DialogRunner::setScript({});
        const QStringList told = s.prompts.texts();
        QCOMPARE(told.value(0), QStringLiteral("保存成功！"));
        QVERIFY2(told.size() == 2 && told[1].contains(".pdf"),
                 qPrintable(told.join('|'))); // printed to the spool
        QCOMPARE(TestDb::dump(s.db.cnstr(), "select FVipNo, FOwner, FSumAmount, FGetCash, FSumQty"
                                            " from VipOrder where FInterID=(select max(FInterID)"
                                            " from VipOrder)"),
                 "V0004,O'Neil,35,35,20");
        // Cleared for the next member; the "+" never reached a box.
        QCOMPARE(f->FlexOrder->rows() + f->orderId(), 1);
        QVERIFY(f->txtVipNo->text().isEmpty() && f->txtBarcode->text().isEmpty());
        QCOMPARE(QApplication::focusWidget(), f->txtVipNo);
    }
};

QTEST_MAIN(tst_frmOrderbill)
#include "tst_frmOrderbill.moc"
