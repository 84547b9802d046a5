#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "ScriptedPrompts.h"
#include "TestDb.h"
#include "core/db/Database.h"
#include "ui/reports/frmVipReport.h"
#include "ui/widgets/KeyedGrid.h"

namespace {

const QDate D(2026, 3, 1);

// A recharge before the range, then a recharge, a refund and two payments of card V9, and a
// recharge of V8.
void seed(const TestDb &t)
{
    t.addUser(1, "店长", true);
    t.login(1, "店长");
    const QString sql = "insert into VipCzBill (FVipNo, FOwner, FTranType, FDate, FCreateTime,"
                        " FKAmount, FCzAmount, FZsAmount) values (?,?,?,?,?,?,?,?)";
    const struct
    {
        const char *card, *owner;
        int type, day;
        double k, cz, zs;
    } moves[] = {{"V9", "赵敏", 1, -10, 100, 100, 0}, {"V9", "赵敏", 1, 0, 550, 500, 50},
                 {"V9", "赵敏", 1, 1, -100, -100, 20}, {"V9", "赵敏", 2, 2, 30, 0, 0},
                 {"V9", "赵敏", 2, 2, 20.5, 0, 0},     {"V8", "O'Neil", 1, 3, 200, 200, 0}};
    int second = 0;
    for (const auto &m : moves)
        db::execute(t.cnstr(), sql,
                    {m.card, m.owner, m.type, D.addDays(m.day),
                     QDateTime(D.addDays(m.day), QTime(9, 0, ++second)), m.k, m.cz, m.zs});
}

QStringList column(const KeyedGrid &g, const QString &key)
{
    QStringList out;
    for (int r = 1; r < g.rows(); ++r)
        out << g.text(r, key);
    return out;
}

} // namespace

class tst_frmVipReport : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    // The statement after a recharge, a refund and two payments, driven by the keyboard.
    void statementByEnter()
    {
        TestDb t;
        seed(t);
        ScriptedPrompts prompts;
        frmVipReport f(t.cnstr(), 1, 109);
        f.show();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        QCOMPARE(f.FlexReport->rows(), 1); // a statement waits for its card
        f.dtpFrom->setFocus();
        QTest::keyClick(f.dtpFrom, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), f.dtpTo);

        // Without a card: asked for one.
        f.txtVipNo->setFocus();
        QTest::keyClick(f.txtVipNo, Qt::Key_Return);
        QCOMPARE(prompts.texts(), QStringList{"请输入会员卡号！"});
        QCOMPARE(QApplication::focusWidget(), f.txtVipNo);

        prompts.clear();
        f.dtpFrom->setDate(D);
        f.dtpTo->setDate(D.addDays(10));
        QTest::keyClicks(f.txtVipNo, " V9 ");
        QTest::keyClick(f.txtVipNo, Qt::Key_Return);
        QVERIFY(prompts.shown.isEmpty());
        const KeyedGrid &g = *f.FlexReport;
        QCOMPARE(column(g, "FKind"), QStringList({"期初余额", "充值", "退款", "消费", "消费", ""}));
        QCOMPARE(column(g, "FBal"),
                 QStringList({"100.00", "650.00", "550.00", "520.00", "499.50", "499.50"}));
        QCOMPARE(column(g, "FOut"), QStringList({"", "", "100.00", "30.00", "20.50", "150.50"}));
        QCOMPARE(column(g, "FIn"), QStringList({"", "550.00", "", "", "", "550.00"}));
        QCOMPARE(f.lblOwner->text(), QString("持卡人：赵敏"));

        // A card without a movement is said, and the last statement goes.
        f.txtVipNo->setText("V7");
        QTest::keyClick(f.txtVipNo, Qt::Key_Return);
        QCOMPARE(prompts.texts(), QStringList{"卡号不存在！"});
        QCOMPARE(g.rows(), 1);
        QCOMPARE(QApplication::focusWidget(), f.txtVipNo);
    }
};

QTEST_MAIN(tst_frmVipReport)
#include "tst_frmVipReport.moc"
