#include <QtTest>

#include <QComboBox>
#include <QLineEdit>

#include "ScriptedPrompts.h"
#include "TestDb.h"
#include "core/members/RechargeBill.h"
#include "core/members/StoredValueLedger.h"
#include "ui/members/frmEditVip.h"
#include "ui/members/frmVip.h"
#include "ui/members/frmVipCz.h"

namespace {

// The demo account set, the manager logged in, the spool folder in the test's own folder.
struct Member
{
    Member()
    {
        t.login(1, QStringLiteral("店长"));
        qputenv("KWPOS_SPOOL_DIR", (t.dir() + "/spool").toUtf8());
    }
    void open(QWidget &f)
    {
        f.show();
        QVERIFY(QTest::qWaitForWindowActive(&f));
    }
    // The keyboard simulation types Latin-1 only; a Chinese text arrives as typed by an input
    // method, in one piece.
    void type(QLineEdit *w, const QString &text, bool enter = true)
    {
        if (text.toLatin1() == text.toUtf8())
            QTest::keyClicks(w, text);
        else
            w->insert(text);
        if (enter)
            QTest::keyClick(w, Qt::Key_Return);
    }
    TestDb t{TestDb::Content::Demo};
    ScriptedPrompts prompts;
};

} // namespace

class tst_MemberForms : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    // An unknown identity number refused; 张丽's two cards listed, then V0001 replaced by a
    // new number after the question. What moves and which numbers count as used is the
    // core's case.
    void replaceCard()
    {
        Member m;
        frmVip f;
        m.open(f);
        QCOMPARE(QApplication::focusWidget(), f.txtID);
        m.type(f.txtID, "110101000000000000");
        QCOMPARE(m.prompts.texts(), QStringList{"身份证号码未登记！"});
        QCOMPARE(QApplication::focusWidget(), f.txtID);
        f.txtID->clear();
        m.prompts.clear();
        m.type(f.txtID, "110101198001010021");
        QCOMPARE(QApplication::focusWidget(), f.txtNewVipNo);
        QCOMPARE(f.txtOwner->text() + ": " + f.cmbVipNo->itemText(0) + "," +
                     f.cmbVipNo->itemText(1),
                 QStringLiteral("张丽: V0001,V0005"));
        m.prompts.answers = {true};
        m.type(f.txtNewVipNo, "V'0101");
        QCOMPARE(m.prompts.texts(), (QStringList{"确认补卡？", "换卡成功！"}));
        QCOMPARE(m.prompts.questionDefaults, QList<bool>{true});
        QVERIFY(f.OK() && f.isHidden());
        QCOMPARE(TestDb::dump(m.t.cnstr(), "select FOwner from VipOrder where FVipNo=?", {"V'0101"}),
                 "张丽");
    }

    // Name and phone changed on every order of the card after the question.
    void editDetails()
    {
        Member m;
        frmEditVip f;
        m.open(f);
        m.type(f.txtVipNo, "V0004");
        QCOMPARE(f.txtOwner->text() + " " + f.txtPhone->text() + " " + f.txtCardID->text(),
                 "O'Neil 13800000004 110101199002020057");
        QCOMPARE(QApplication::focusWidget(), f.txtOwner);
        f.txtOwner->selectAll();
        m.type(f.txtOwner, "O'Brien");
        f.txtPhone->selectAll();
        m.type(f.txtPhone, "13900000004");
        QCOMPARE(QApplication::focusWidget(), f.txtCardID);
        m.prompts.answers = {true};
        QTest::keyClick(f.txtCardID, Qt::Key_Return);
        QCOMPARE(m.prompts.texts(), (QStringList{"是否修改会员信息？", "修改完成！"}));
        QVERIFY(f.OK() && f.isHidden());
        QCOMPARE(TestDb::dump(m.t.cnstr(), "select distinct FOwner, FPhone, FVipID from VipOrder"
                                           " where FVipNo='V0004'"),
                 "O'Brien,13900000004,110101199002020057");
    }

    // A recharge with a gift, typed from the card number to Enter in the remark box.
    void rechargeByKeyboard()
    {
        Member c;
        frmVipCz f;
        c.open(f);
        // The focus timer puts the cashier into the card box.
        QTRY_COMPARE(QApplication::focusWidget(), f.txtVipNo);
        const Money before = StoredValueLedger::balance(c.t.cnstr(), "V0004");
        c.type(f.txtVipNo, "V0004");
        QCOMPARE(QApplication::focusWidget(), f.txtOwner);
        QCOMPARE(QStringList({f.txtOwner->text(), f.txtPhone->text(), f.txtVipID->text(),
                              f.txtBegBal->text()}).join(' '),
                 "O'Neil 13800000004 110101199002020057 " + RechargeBill::plain(before));
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
        // Ready for the next customer, whose identity number is not this one's.
        for (QLineEdit *e :
             {f.txtVipNo, f.txtOwner, f.txtPhone, f.txtVipID, f.txtCzAmount, f.txtBegBal})
            QVERIFY2(e->text().isEmpty(), qPrintable(e->objectName()));
        QCOMPARE(QApplication::focusWidget(), f.txtVipNo);
        QCOMPARE(f.billOnDisplay(), 0);
    }
};

QTEST_MAIN(tst_MemberForms)
#include "tst_MemberForms.moc"
