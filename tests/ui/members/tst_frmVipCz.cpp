#include <QtTest>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>

#include "ScriptedPrompts.h"
#include "TestDb.h"
#include "core/db/Database.h"
#include "core/frame/KwStore.h"
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
    db::Row last() const { return db::query(t.cnstr(), "select * from VipCzBill where FInterID=(select max(FInterID) from VipCzBill)").first(); }
    QList<Money> amounts(const db::Row &r) const
    {
        QList<Money> out;
        for (const char *c : {"FKAmount", "FCzAmount", "FZsAmount", "FBegAmount", "FEndAmount"})
            out << r.money(QLatin1String(c));
        return out;
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
        QCOMPARE((QStringList{f.txtOwner->text(), f.txtPhone->text(), f.txtVipID->text(), f.txtBegBal->text()}),
                 (QStringList{"O'Neil", "13800000004", "110101199002020057", RechargeBill::plain(before)}));
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
        QCOMPARE(c.prompts.texts(), (QStringList{"是否在卡号“V0004”上充值120.00元 ？", "充值成功，是否打印充值单？"}));
        QCOMPARE(c.prompts.questionDefaults.first(), true);
        const db::Row r = c.last();
        QCOMPARE(c.amounts(r), (QList<Money>{Money::fromInt(120), Money::fromInt(100), Money::fromInt(20), before,
                                              before + Money::fromInt(120)}));
        QCOMPARE((QStringList{r.text("FVipNo"), r.text("FOwner"), r.text("FVipID"), r.text("FRemark"), r.text("FBillerID")}),
                 (QStringList{"V0004", "O'Neil", "110101199002020057", "续充", "1"}));
        // Ready for the next customer, whose identity number is not this one's.
        for (QLineEdit *e : {f.txtVipNo, f.txtOwner, f.txtPhone, f.txtVipID, f.txtCzAmount, f.txtBegBal})
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

    // The whole balance paid back, then stepped to again: read-only, as it was saved.
    void refundAndStepping()
    {
        Counter c;
        RechargeInput seed;
        seed.vipNo = "C'1";
        seed.owner = "赵六";
        seed.phone = "13911112222";
        seed.vipId = "ID'6";
        seed.date = QDate::currentDate();
        seed.amount = Money::parse("120.50");
        RechargeBill::save(c.t.cnstr(), seed);
        KwStore::set("Kwstore", "Defaultvalue", "frmVipCz.printfmt.1", "充值单");
        c.open();
        frmVipCz &f = *c.form;
        QCOMPARE(f.printfmt->currentText(), QString());
        c.type(f.txtVipNo, "C'1");
        f.txtZsAmount->setText("30");
        f.chkTk->setFocus();
        QTest::keyClick(f.chkTk, Qt::Key_Space);
        QCOMPARE(f.txtCzAmount->text(), QStringLiteral("120.5"));
        QCOMPARE(f.txtEndBal->text(), QStringLiteral("0.00"));
        QCOMPARE(f.lblcz->text(), QStringLiteral("退款金额："));
        QVERIFY(f.txtZsAmount->isHidden() && f.lblZs->isHidden());
        QCOMPARE(f.printfmt->currentText(), QStringLiteral("充值单"));
        c.prompts.answers = {true, true};
        QTest::keyClick(&f, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(c.prompts.texts().mid(0, 2), (QStringList{"是否退款120.5到卡号C'1？", "退款成功，是否打印单据？"}));
        QCOMPARE(QDir(c.t.dir() + "/spool").entryList({"*.pdf"}).size(), 1);
        const db::Row r = c.last();
        QCOMPARE(c.amounts(r), (QList<Money>{Money::parse("-120.5"), Money::parse("-120.5"), Money(),
                                              Money::parse("120.5"), Money()}));
        QCOMPARE(StoredValueLedger::balance(c.t.cnstr(), "C'1"), Money());
        QVERIFY(!f.chkTk->isChecked() && !f.txtZsAmount->isHidden());

        // The phone was changed since; the bill shows the one it was saved with.
        f.txtPhone->setText("000");
        c.prompts.clear();
        QTest::keyClick(&f, Qt::Key_PageUp);
        QCOMPARE(f.billOnDisplay(), r.integer("FInterID"));
        QCOMPARE((QStringList{f.txtVipNo->text(), f.txtOwner->text(), f.txtPhone->text(), f.txtBegBal->text(),
                              f.txtCzAmount->text(), f.txtEndBal->text()}),
                 (QStringList{"C'1", "赵六", "13911112222", "120.50", "-120.5", "0.00"}));
        QVERIFY(f.chkTk->isChecked() && !f.chkTk->isEnabled());
        QVERIFY(f.lblDisEdit->isVisible() && !f.txtVipNo->isEnabled() && !f.tool("save")->isEnabled());
        QTest::keyClick(&f, Qt::Key_PageDown);
        QCOMPARE(c.prompts.texts(), QStringList{"无记录！"});
        QCOMPARE(f.billOnDisplay(), r.integer("FInterID"));
        QTest::keyClick(&f, Qt::Key_PageUp);
        QCOMPARE(f.txtVipNo->text(), QStringLiteral("C'1")); // the seed recharge
        QVERIFY(!f.chkTk->isChecked());
        f.tool("new")->trigger();
        QVERIFY(f.txtVipNo->isEnabled() && f.lblDisEdit->isHidden() && f.txtVipNo->text().isEmpty());

        // The print format chosen is kept per mode when the form closes.
        f.printfmt->setCurrentText("充值小票");
        f.tool("exit")->trigger();
        QCOMPARE(KwStore::get("KwStore", "DefaultValue", "frmVipCz.printfmt.0"), QStringLiteral("充值小票"));
        QCOMPARE(KwStore::get("KwStore", "DefaultValue", "frmVipCz.printfmt.1"), QStringLiteral("充值单"));
    }
};

QTEST_MAIN(tst_frmVipCz)
#include "tst_frmVipCz.moc"
