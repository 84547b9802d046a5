#include <QtTest>

#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ScriptedPrompts.h"
#include "TestDb.h"
#include "ui/pos/frmEditDate.h"
#include "ui/pos/frmInputQty.h"
#include "ui/pos/frmReadVip.h"
#include "ui/pos/frmVipSettle.h"

namespace {

void type(const QString &text)
{
    QTest::keyClicks(QApplication::focusWidget(), text);
}
void key(Qt::Key k)
{
    QTest::keyClick(QApplication::focusWidget(), k);
}

} // namespace

class tst_PosDialogs : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    // An unknown card is refused with the box emptied for the next try; the right one with
    // Enter closes the dialog with the member.
    void readVip()
    {
        TestDb db(TestDb::Content::Demo);
        db.login(2, "收银员");
        ScriptedPrompts prompts;
        frmReadVip d;
        d.show();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        QTest::keyClicks(d.Text1, "99999");
        QTest::keyClick(d.Text1, Qt::Key_Return); // the confirm button is the default
        QCOMPARE(prompts.texts(), QStringList{"卡号不存在！"});
        QVERIFY(d.Text1->text().isEmpty() && QApplication::focusWidget() == d.Text1);
        QTest::keyClicks(d.Text1, "V0001");
        QTest::keyClick(d.Text1, Qt::Key_Return);
        QVERIFY(d.OK() && !d.isVisible());
        QCOMPARE(d.VipNO() + " " + d.VipOwner(), "V0001 张丽");
    }

    void inputQty_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("qty");
        // clang-format off
        QTest::newRow("5 of 5") << "5" << "" << 5;
        QTest::newRow("5.4 of 5") << "5.4" << "出库数量不允许大于剩余数量！" << 0;
        QTest::newRow("0.4") << "0.4" << "请输入数量！" << 0;
        QTest::newRow("2.5 rounds to even") << "2.5" << "" << 2;
        // clang-format on
    }
    // Of 5 open units: a refusal keeps the dialog with the text ready to be typed over.
    void inputQty()
    {
        QFETCH(QString, typed);
        QFETCH(QString, message);
        QFETCH(int, qty);
        ScriptedPrompts prompts;
        frmInputQty d;
        d.init(5);
        d.show();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        QCOMPARE(QApplication::focusWidget(), d.txtQty2);
        QTest::keyClicks(d.txtQty2, typed);
        QTest::keyClick(d.txtQty2, Qt::Key_Return);
        QCOMPARE(d.GetQty(), qty);
        QCOMPARE(prompts.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(d.isVisible(), !message.isEmpty());
        if (!message.isEmpty())
            QTRY_COMPARE(d.txtQty2->selectedText(), typed);
    }

    // A new validity date goes on every line of the item in that order, dated or not.
    void editDate()
    {
        TestDb db(TestDb::Content::Schema);
        db.login(1, "店长");
        const QDate old(2024, 3, 1), chosen(2024, 3, 11);
        TestDb::insert(db.cnstr(), "VipOrderEntry (FInterID, FEntryID, FItemID, FQty, FYxq)",
                       {{70, 1, 1, 10, old},
                        {70, 2, 6, 10, QDate(2024, 5, 5)},
                        {70, 3, 1, 10, QVariant(QMetaType::fromType<QDate>())},
                        {71, 1, 1, 10, QDate(2024, 5, 5)}});
        ScriptedPrompts prompts;
        frmEditDate d;
        d.init(70, 1, old);
        d.show();
        QCOMPARE(d.dtpNewDate->date(), old);
        d.dtpNewDate->setDate(chosen);
        QTest::mouseClick(d.cmdOk, Qt::LeftButton);
        QVERIFY(d.OK());
        QCOMPARE(
            TestDb::dump(db.cnstr(), "select FYxq from VipOrderEntry order by FInterID, FEntryID"),
            "2024-03-11;2024-05-05;2024-03-11;2024-05-05");
        QVERIFY(prompts.shown.isEmpty());
    }

    // A member pays 20 of 25.50 from stored value and hands over 10 in cash, all by keyboard.
    void settleMemberPaysPartly()
    {
        TestDb db; // the counter font setting is read from its folder
        ScriptedPrompts prompts;
        frmVipSettle d;
        d.init(Money::fromCents(2550), QStringLiteral("V0001"), Money::fromInt(100));
        d.show();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        QCOMPARE(QApplication::focusWidget(), d.txtAmount);
        QCOMPARE((QStringList{d.lblVipNo->text(), d.txtYsAmount->text(), d.txtGetReserve->text(),
                              d.txtEndBal->text(), d.txtChange->text(), d.lblChange->text()}),
                 (QStringList{"卡号：V0001", "25.50", "25.5", "74.50", "0.00", "找零金额："}));

        // F3 to the cash voucher, Enter on to the proposed deduction, typed over.
        key(Qt::Key_F3);
        QCOMPARE(QApplication::focusWidget(), d.txtGetXjq);
        key(Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), d.txtGetReserve);
        type("20");
        QCOMPARE(d.lblChange->text(), QStringLiteral("少收金额："));
        key(Qt::Key_Return);
        key(Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), d.txtGetDyq); // past the card payment
        // Enter in the voucher field confirms: 5.50 is still missing.
        key(Qt::Key_Return);
        QCOMPARE(prompts.texts(), QStringList{"收款金额不足!"});
        QVERIFY(d.isVisible() && !d.OK());
        QCOMPARE(QApplication::focusWidget(), d.txtAmount);

        // Only digits, point and minus reach the cash field.
        type("1x0");
        QCOMPARE(d.txtAmount->text() + " " + d.txtChange->text(), QStringLiteral("10 4.50"));

        // A "+" still held down from the sale screen repeats into the dialog: ignored.
        QKeyEvent held(QEvent::KeyPress, Qt::Key_Plus, Qt::NoModifier, QStringLiteral("+"), true);
        QApplication::sendEvent(d.txtAmount, &held);
        QVERIFY(d.isVisible() && !d.OK());
        key(Qt::Key_Plus);
        QVERIFY(d.OK() && !d.isVisible());
        QCOMPARE(d.txtAmount->text(), QStringLiteral("10")); // "+" never typed
        QCOMPARE((QList<Money>{d.GetReserve(), d.GetCash(), d.Change()}),
                 (QList<Money>{Money::fromInt(20), Money::fromCents(550), Money::fromCents(450)}));
    }
};

QTEST_MAIN(tst_PosDialogs)
#include "tst_PosDialogs.moc"
