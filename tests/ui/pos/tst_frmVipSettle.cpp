#include <QtTest>

#include <QLabel>
#include <QLineEdit>

#include "ScriptedPrompts.h"
#include "TestDb.h"
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

class tst_frmVipSettle : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // The counter font setting is read from here, not from the user's own settings.
        qputenv("KWPOS_CONFIG_DIR", m_config.path().toUtf8());
    }

    // A member pays 20 of 25.50 from stored value and hands over 10 in cash, all by keyboard.
    void memberPaysPartly()
    {
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
        QCOMPARE((QStringList{d.txtEndBal->text(), d.txtChange->text(), d.lblChange->text()}),
                 (QStringList{"80.00", "5.50", "少收金额："}));
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
        QCOMPARE(d.txtAmount->text(), QStringLiteral("10"));
        QCOMPARE((QStringList{d.txtChange->text(), d.lblChange->text()}),
                 (QStringList{"4.50", "找零金额："}));

        // A "+" still held down from the sale screen repeats into the dialog: ignored.
        QKeyEvent held(QEvent::KeyPress, Qt::Key_Plus, Qt::NoModifier, QStringLiteral("+"), true);
        QApplication::sendEvent(d.txtAmount, &held);
        QVERIFY(d.isVisible() && !d.OK());
        key(Qt::Key_Plus);
        QVERIFY(d.OK() && !d.isVisible());
        QCOMPARE(d.txtAmount->text(), QStringLiteral("10")); // "+" never typed
        QCOMPARE((QList<Money>{d.GetReserve(), d.GetCash(), d.GetAmount(), d.Change(), d.GetXjq(),
                               d.GetBlank(), d.GetDyq()}),
                 (QList<Money>{Money::fromInt(20), Money::fromCents(550), Money::fromInt(10),
                               Money::fromCents(450), Money(), Money(), Money()}));
    }

private:
    QTemporaryDir m_config;
};

QTEST_MAIN(tst_frmVipSettle)
#include "tst_frmVipSettle.moc"
