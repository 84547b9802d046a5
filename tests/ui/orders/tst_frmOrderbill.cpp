#include <QtTest>

#include <QApplication>

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ScriptedPrompts.h"
#include "TestDb.h"
#include "core/db/Database.h"
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
    // line, a name typed over adds nothing, and "+" saves and clears the screen.
    void orderByKeyboard()
    {
        Screen s;
        QVERIFY(s.show());
        frmOrderbill *f = s.form;
        s.enter(f->txtVipNo, "V0004");
        QCOMPARE(f->txtOwner->text(), QStringLiteral("O'Neil"));
        QCOMPARE(f->txtVipID->text(), QStringLiteral("110101199002020057"));
        QVERIFY(f->lblCzBal->text().startsWith(QStringLiteral("卡余额：")));
        s.enter(f->txtOwner);
        s.enter(f->txtPhone);
        s.enter(f->txtVipID);

        // A name typed over after the lookup is no item: the add is refused.
        s.enter(f->txtBarcode, "101");
        QCOMPARE(f->cmbItem->currentText(), QStringLiteral("鲜牛奶 250ml"));
        QCOMPARE(f->txtPrice->text(), QStringLiteral("3.50"));
        f->cmbItem->setFocus();
        QTest::keyClicks(f->cmbItem, "x");
        f->cmdAdd->click();
        QCOMPARE(s.prompts.last(), QStringLiteral("商品名称不存在！"));
        QCOMPARE(f->FlexOrder->rows(), 1);

        f->txtBarcode->setFocus();
        s.enter(f->txtBarcode, "101");
        s.enter(f->txtPrice);
        s.enter(f->txtQty, "10");
        s.enter(f->txtPreQty, "10");
        QCOMPARE(f->txtAmount->text(), QStringLiteral("35.00"));
        QCOMPARE(f->lblSumAmount->text(), QStringLiteral("35.00"));
        s.enter(f->txtAmount);
        QTest::keyClick(f->chkYxq, Qt::Key_Space);
        QVERIFY(f->dtpYxq->isEnabled());
        QCOMPARE(f->dtpYxq->date(), QDate::currentDate().addDays(60));
        s.enter(f->chkYxq);
        s.enter(f->dtpYxq);
        QCOMPARE(QApplication::focusWidget(), f->txtBarcode);
        QCOMPARE(f->FlexOrder->rows(), 2);
        QStringList cells;
        for (const char *key : {"FOrder", "FName", "FPrice", "FQty", "FPreQty", "FAmount", "FYxq"})
            cells << f->FlexOrder->text(1, key);
        QCOMPARE(cells, (QStringList{"1", "鲜牛奶 250ml", "3.50", "10", "10", "35.00",
                                     QDate::currentDate().addDays(60).toString("yyyy-MM-dd")}));

        const int before = db::scalar(s.db.cnstr(), "select count(*) from VipOrder").toInt();
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
        QVERIFY2(told.size() == 2 && told[1].contains(".pdf"), qPrintable(told.join('|'))); // printed to the spool
        const db::Row h =
            db::query(s.db.cnstr(),
                      "select * from VipOrder where FInterID=(select max(FInterID) from VipOrder)")
                .first();
        QCOMPARE(db::scalar(s.db.cnstr(), "select count(*) from VipOrder").toInt(), before + 1);
        QCOMPARE((QStringList{h.text("FVipNo"), h.text("FOwner"), h.money("FSumAmount").format(),
                              h.money("FGetCash").format(), QString::number(h.number("FSumQty"))}),
                 (QStringList{"V0004", "O'Neil", "35.00", "35.00", "20"}));
        // Cleared for the next member; the "+" never reached a box.
        QCOMPARE(f->FlexOrder->rows(), 1);
        QCOMPARE(f->orderId(), 0);
        QVERIFY(f->txtVipNo->text().isEmpty());
        QVERIFY(f->txtBarcode->text().isEmpty());
        QCOMPARE(QApplication::focusWidget(), f->txtVipNo);
    }

    // A stored order with goods handed out opens locked: no field, no add, no save, not even
    // by "+"; the validity change, new, test print and "不打印" stay usable.
    void startedOrderIsLocked()
    {
        Screen s;
        const int id =
            db::scalar(s.db.cnstr(), "select min(FInterID) from VipOrderEntry where FCplQty>0")
                .toInt();
        QVERIFY(id > 0);
        s.form->init(id);
        QVERIFY(s.show());
        frmOrderbill *f = s.form;
        QVERIFY(f->FlexOrder->rows() > 1);
        QVERIFY(f->lblDisModify->isVisible());
        for (QWidget *w :
             std::initializer_list<QWidget *>{f->txtVipNo, f->txtBarcode, f->txtAmount, f->chkYxq,
                                              f->dtpYxq, f->cmdAdd, f->cmdDel, f->cmdSave})
            QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
        for (QWidget *w : std::initializer_list<QWidget *>{f->cmdEditDate, f->cmdNew, f->Command1,
                                                           f->chkNoPrint})
            QVERIFY2(w->isEnabled(), qPrintable(w->objectName()));
        const QString sum =
            db::scalar(s.db.cnstr(), "select sum(FAmount) from VipOrderEntry where FInterID=?",
                       {id})
                .toString();
        f->FlexOrder->setFocus();
        QTest::keyClick(f->FlexOrder, '+');
        QTest::keyClick(f->FlexOrder, Qt::Key_S, Qt::ControlModifier);
        QVERIFY(s.prompts.texts().isEmpty());
        QCOMPARE(db::scalar(s.db.cnstr(), "select sum(FAmount) from VipOrderEntry where FInterID=?",
                            {id})
                     .toString(),
                 sum);
        f->cmdNew->click();
        QVERIFY(!f->lblDisModify->isVisible());
        QVERIFY(f->cmdSave->isEnabled());
        QCOMPARE(f->orderId(), 0);
    }
};

QTEST_MAIN(tst_frmOrderbill)
#include "tst_frmOrderbill.moc"
