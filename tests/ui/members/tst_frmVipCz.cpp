#include <QtTest>

#include <QAction>
#include <QLineEdit>

#include "ScriptedPrompts.h"
#include "TestDb.h"
#include "core/members/RechargeBill.h"
#include "core/members/StoredValueLedger.h"
#include "ui/members/frmVipCz.h"

namespace {

// The demo account set, the manager logged in, the spool folder in the test's own folder.
struct Counter
{
    Counter()
    {
        t.login(1, QStringLiteral("店长"));
        qputenv("KWPOS_SPOOL_DIR", (t.dir() + "/spool").toUtf8());
    }
    void open()
    {
        form = std::make_unique<frmVipCz>();
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        // The focus timer puts the cashier into the card box.
        QTRY_COMPARE(QApplication::focusWidget(), form->txtVipNo);
    }
    void type(QWidget *w, const QString &text, bool enter = true)
    {
        // The keyboard simulation types Latin-1 only; a Chinese text arrives as typed by an
        // input method, in one piece.
        if (text.toLatin1() == text.toUtf8())
            QTest::keyClicks(w, text);
        else
            qobject_cast<QLineEdit *>(w)->insert(text);
        if (enter)
            QTest::keyClick(w, Qt::Key_Return);
    }

    TestDb t{TestDb::Content::Demo};
    ScriptedPrompts prompts;
    std::unique_ptr<frmVipCz> form;
};

} // namespace

class tst_frmVipCz : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    // A recharge with a gift, typed from the card number to Enter in the remark box.
    void rechargeByKeyboard()
    {
        Counter c;
        c.open();
        frmVipCz &f = *c.form;
        const Money before = StoredValueLedger::balance(c.t.cnstr(), "V0004");
        c.type(f.txtVipNo, "V0004");
        QCOMPARE(QApplication::focusWidget(), f.txtOwner);
        QCOMPARE((QStringList{f.txtOwner->text(), f.txtPhone->text(), f.txtVipID->text(),
                              f.txtBegBal->text()}),
                 (QStringList{"O'Neil", "13800000004", "110101199002020057",
                              RechargeBill::plain(before)}));
        for (QWidget *w : {(QWidget *)f.txtOwner, (QWidget *)f.txtPhone, (QWidget *)f.txtVipID})
            QTest::keyClick(w, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), f.txtCzAmount);
        c.type(f.txtCzAmount, "100");
        QCOMPARE(QApplication::focusWidget(), f.txtZsAmount);
        c.type(f.txtZsAmount, "20");
        QCOMPARE(f.txtEndBal->text(), (before + Money::fromInt(120)).format());
        QCOMPARE(QApplication::focusWidget(), f.txtRemark);
        c.prompts.answers = {true, false};
        c.type(f.txtRemark, "续充");
        QCOMPARE(c.prompts.texts(),
                 (QStringList{"是否在卡号“V0004”上充值120.00元 ？", "充值成功，是否打印充值单？"}));
        QCOMPARE(c.prompts.questionDefaults.first(), true);
        QCOMPARE(TestDb::dump(c.t.cnstr(),
                              "select FKAmount, FCzAmount, FZsAmount, FEndAmount - FBegAmount,"
                              " FVipNo, FOwner, FVipID, FRemark, FBillerID from VipCzBill"
                              " where FInterID=(select max(FInterID) from VipCzBill)"),
                 "120,100,20,120,V0004,O'Neil,110101199002020057,续充,1");
        QCOMPARE(StoredValueLedger::balance(c.t.cnstr(), "V0004"), before + Money::fromInt(120));
        // Ready for the next customer, whose identity number is not this one's.
        for (QLineEdit *e :
             {f.txtVipNo, f.txtOwner, f.txtPhone, f.txtVipID, f.txtCzAmount, f.txtBegBal})
            QVERIFY2(e->text().isEmpty(), qPrintable(e->objectName()));
        QCOMPARE(QApplication::focusWidget(), f.txtVipNo);
        QCOMPARE(f.billOnDisplay(), 0);

        // A second bill refused: no amount, with the exclamation icon and the focus on it.
        c.prompts.clear();
        c.type(f.txtVipNo, "V0004", false);
        f.txtVipID->setFocus();
        f.tool("save")->trigger();
        QCOMPARE(c.prompts.texts(), QStringList{"请输入充值金额！"});
        QCOMPARE(c.prompts.shown[0].icon, Prompts::Icon::Exclamation);
        QCOMPARE(QApplication::focusWidget(), f.txtCzAmount);
    }
};

QTEST_MAIN(tst_frmVipCz)
#include "tst_frmVipCz.moc"
