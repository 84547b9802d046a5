#include <QtTest>

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>

#include "ScriptedPrompts.h"
#include "TestDb.h"
#include "core/db/Database.h"
#include "core/members/RechargeBill.h"
#include "core/members/StoredValueLedger.h"
#include "ui/members/frmEditVip.h"
#include "ui/members/frmVip.h"
#include "ui/members/frmVipCz.h"
#include "ui/reports/frmOrderHzb.h"
#include "ui/reports/frmVipReport.h"
#include "ui/reports/frmYyrbb.h"
#include "ui/widgets/KeyedGrid.h"

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
    // Types over what the box holds and presses Enter.
    void type(QLineEdit *w, const QString &text)
    {
        w->selectAll();
        QTest::keyClicks(w, text);
        QTest::keyClick(w, Qt::Key_Return);
    }
    TestDb t{TestDb::Content::Demo};
    ScriptedPrompts prompts;
};

// Row r of the grid, every column; the last row when r is -1.
QString row(const KeyedGrid &g, int r)
{
    QStringList out;
    for (int c = 0; c < g.cols(); ++c)
        out << g.text(r < 0 ? g.rows() - 1 : r, g.colKey(c));
    return out.join(u'|');
}

} // namespace

// The member windows and the report windows, driven by the keyboard on the demo account set,
// whose sales, orders and movements are dated back from today. What the saves write and what
// the reports count is the core tests' case.
class tst_MemberForms : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    // An unknown identity number is refused where it was typed; 张丽's lists her two cards,
    // then V0001 is replaced by a new number after the question. What moves and which numbers
    // count as used is the core's case.
    void replaceCard()
    {
        Member m;
        frmVip f;
        m.open(f);
        QCOMPARE(QApplication::focusWidget(), f.txtID);
        m.type(f.txtID, "110101000000000000");
        QCOMPARE(m.prompts.texts(), QStringList{"身份证号码未登记！"});
        QCOMPARE(QApplication::focusWidget(), f.txtID);
        m.prompts.clear();
        m.type(f.txtID, "110101198001010021");
        QCOMPARE(QApplication::focusWidget(), f.txtNewVipNo);
        QCOMPARE(f.txtOwner->text() + ": " + f.cmbVipNo->itemText(0) + "," +
                     f.cmbVipNo->itemText(1),
                 QStringLiteral("张丽: V0001,V0005"));
        m.prompts.answers = {true};
        m.type(f.txtNewVipNo, "V'0101");
        QCOMPARE(m.prompts.texts(), (QStringList{"确认补卡？", "换卡成功！"}));
        QVERIFY(f.OK() && f.isHidden());
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
        m.type(f.txtOwner, "O'Brien");
        m.type(f.txtPhone, "13900000004");
        QCOMPARE(QApplication::focusWidget(), f.txtCardID);
        m.prompts.answers = {true};
        QTest::keyClick(f.txtCardID, Qt::Key_Return);
        QCOMPARE(m.prompts.texts(), (QStringList{"是否修改会员信息？", "修改完成！"}));
        QVERIFY(f.OK() && f.isHidden());
        QCOMPARE(TestDb::dump(m.t.cnstr(), "select distinct FOwner, FPhone from VipOrder where FVipNo=?",
                              {"V0004"}),
                 "O'Brien,13900000004");
    }

    // A recharge with a gift, typed from the card number to "+" in the remark box.
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
        // Every field in turn, the date and the refund box too.
        for (QWidget *w : std::initializer_list<QWidget *>{f.txtOwner, f.txtPhone, f.txtVipID,
                                                           f.dtpDate, f.chkTk}) {
            QCOMPARE(QApplication::focusWidget(), w);
            QTest::keyClick(w, Qt::Key_Return);
        }
        QCOMPARE(QApplication::focusWidget(), f.txtCzAmount);
        c.type(f.txtCzAmount, "100");
        QCOMPARE(QApplication::focusWidget(), f.txtZsAmount);
        c.type(f.txtZsAmount, "20");
        QCOMPARE(f.txtEndBal->text(), (before + Money::fromInt(120)).format());
        QCOMPARE(QApplication::focusWidget(), f.txtRemark);
        c.prompts.answers = {true, false};
        QTest::keyClicks(f.txtRemark, "top-up+"); // "+" saves and never reaches the box
        QCOMPARE(c.prompts.texts(),
                 (QStringList{"是否在卡号“V0004”上充值120.00元 ？", "充值成功，是否打印充值单？"}));
        QCOMPARE(c.prompts.questionDefaults.first(), true);
        const QString last = "select FCzAmount, FZsAmount, FVipID, FRemark, FBillerID from VipCzBill"
                             " where FInterID=(select max(FInterID) from VipCzBill)";
        QCOMPARE(TestDb::dump(c.t.cnstr(), last), "100,20,110101199002020057,top-up,1");
        // Ready for the next customer, whose identity number is not this one's.
        for (QLineEdit *e : {f.txtVipNo, f.txtOwner, f.txtPhone, f.txtVipID, f.txtCzAmount, f.txtBegBal})
            QVERIFY2(e->text().isEmpty(), qPrintable(e->objectName()));
        QCOMPARE(QApplication::focusWidget(), f.txtVipNo);
        QCOMPARE(f.billOnDisplay(), 0);
    }

    // The fields walked by Enter and today's report run from the last one. When the
    // operator's allowed days cannot be read, the refresh says so and shows nothing.
    void dailyByKeyboard()
    {
        Member m;
        frmYyrbb f;
        m.open(f);
        QCOMPARE(QApplication::focusWidget(), f.dtpFromDate);
        for (QWidget *next : {(QWidget *)f.dtpToDate, (QWidget *)f.cmbTotal1,
                              (QWidget *)f.cmbTotal2, (QWidget *)f.cmbBiller}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QCOMPARE(QApplication::focusWidget(), next);
        }
        QTest::keyClick(f.cmbBiller, Qt::Key_Return);
        QCOMPARE(m.prompts.texts(), QStringList{});
        QCOMPARE(row(*f.Flex, -1), "(合计)||0|0.00|0|6|23.50|23.50");

        db::execute(m.t.cnstr(), "update t_user set FAllowQuerydAys=NULL");
        QTest::keyClick(f.cmbBiller, Qt::Key_Return);
        QCOMPARE(m.prompts.texts(), QStringList{"操作员的允许查询天数为空，请在后台设置。"});
        QCOMPARE(f.Flex->rows(), 1);
    }

    // Open orders of the last 45 days, chosen by keyboard in the status box, where Enter runs
    // the report: the order picked up in full 45 days ago is left out.
    void orderSummaryOpenOrders()
    {
        Member m;
        frmOrderHzb f;
        m.open(f);
        f.dtpFromDate->setDate(f.dtpToDate->date().addDays(-45));
        f.cmbTotal1->setCurrentText("商品");
        f.cmbStatus->setFocus();
        QTest::keyClick(f.cmbStatus, Qt::Key_Down);
        QTest::keyClick(f.cmbStatus, Qt::Key_Return);
        QCOMPARE(m.prompts.texts(), QStringList{});
        QCOMPARE(row(*f.Flex, -1), "(合计)||238|3.42|813.00|18|25|84.49|213|728.51|10.50%");
    }

    // A card statement by keyboard: O'Neil's card, typed with spaces, shows its movements,
    // total last; an unknown card empties the list and keeps the focus for the next try.
    // Which cards count as unknown is the core's case.
    void vipStatementByEnter()
    {
        Member m;
        frmVipReport f(m.t.cnstr(), 1, 109);
        m.open(f);
        f.dtpFrom->setDate(f.dtpTo->date().addDays(-40));
        m.type(f.txtVipNo, " V0004 ");
        QVERIFY(m.prompts.shown.isEmpty());
        QCOMPARE(row(*f.FlexReport, -1), "合计||500.00|100.00|400.00||");
        QCOMPARE(f.lblOwner->text(), QString("持卡人：O'Neil"));
        m.type(f.txtVipNo, "V7");
        QCOMPARE(m.prompts.texts(), QStringList{"卡号不存在！"});
        QCOMPARE(f.FlexReport->rows(), 1);
        QCOMPARE(QApplication::focusWidget(), f.txtVipNo);
    }
};

QTEST_MAIN(tst_MemberForms)
#include "tst_MemberForms.moc"
