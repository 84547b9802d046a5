#include <QDateEdit>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPrintPreviewDialog>
#include <QPushButton>
#include <QtTest>

#include "ScriptedPrompts.h"
#include "TestDb.h"
#include "ui/widgets/DialogRunner.h"
#include "ui/widgets/KeyedGrid.h"
#include "core/db/Database.h"
#include "core/db/DbError.h"
#include "core/frame/NumberText.h"
#include "ui/print/FileChooser.h"
#include "core/print/GridFormatStore.h"
#include "core/reports/StoredValueReport.h"
#include "ui/reports/frmVipReport.h"

namespace {

// One VipCzBill row: type 1 recharge (k = amount + gift) or refund (k negative), type 2 payment.
void move(const TestDb &t, const QString &card, const QString &owner, int type, const QDate &date,
          double k, double cz, double zs, const QString &remark, int seconds = 0)
{
    db::execute(t.cnstr(),
                "insert into VipCzBill (FVipNo, FOwner, FTranType, FDate, FCreateTime, FBillerID, FKAmount,"
                " FCzAmount, FZsAmount, FRemark) values (?,?,?,?,?,?,?,?,?,?)",
                {card, owner, type, date, QDateTime(date, QTime(9, 0).addSecs(seconds)), 1, k, cz, zs, remark});
}

const QDate D(2026, 3, 1);

void seed(const TestDb &t)
{
    t.addUser(1, "店长", true);
    t.login(1, "店长");
    move(t, "V9", "赵敏", 1, D.addDays(-10), 100, 100, 0, "开卡");          // before the range
    move(t, "V9", "赵敏", 1, D, 550, 500, 50, "充值");
    move(t, "V9", "赵敏", 1, D.addDays(1), -100, -100, 20, "退款");         // stale gift field
    move(t, "V9", "赵敏", 2, D.addDays(2), 30, 0, 0, "销售付款", 1);
    move(t, "V9", "赵敏", 2, D.addDays(2), 20.5, 0, 0, "订单付款", 2);
    move(t, "V8", "O'Neil", 1, D.addDays(3), 200, 200, 0, "充值");
    move(t, "V8", "O'Neil", 2, D.addDays(20), 10, 0, 0, "range ends before this");
}

QStringList column(const StoredValueReport::Result &r, const QString &key)
{
    int c = -1;
    for (int i = 0; i < r.columns.size(); ++i)
        if (r.columns[i].key == key)
            c = i;
    QStringList out;
    for (const QStringList &l : r.lines)
        out << l.value(c);
    return out;
}

QStringList column(const KeyedGrid &g, const QString &key)
{
    QStringList out;
    for (int r = 1; r < g.rows(); ++r)
        out << g.text(r, key);
    return out;
}

// A report window over the seeded movements, with scripted message boxes.
struct Screen
{
    explicit Screen(int number)
    {
        seed(t);
        f = std::make_unique<frmVipReport>(t.cnstr(), 1, number);
    }
    bool shown()
    {
        f->show();
        return QTest::qWaitForWindowActive(f.get());
    }
    TestDb t;
    ScriptedPrompts prompts;
    std::unique_ptr<frmVipReport> f;
};

class CsvChooser : public FileChooser
{
public:
    CsvChooser() { FileChooser::setCurrent(this); }
    ~CsvChooser() override { FileChooser::setCurrent(nullptr); }
    QString saveFileName(const QString &, const QString &, const QString &) override { return path; }
    QString path;
};

} // namespace

class tst_StoredValueReport : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }
    void cleanup() { DialogRunner::setScript({}); }

    void summaryPerMember()
    {
        TestDb t;
        seed(t);
        const auto r = StoredValueReport::run(t.cnstr(), 104, {D, D.addDays(10), ""});
        QCOMPARE(r.lines.size(), 2);
        // Ordered by card: V8 then V9. The refund's stale gift number is not a gift.
        QCOMPARE(r.lines[0], QStringList({"V8", "O'Neil", "0.00", "200.00", "0.00", "0.00", "0.00", "200.00"}));
        QCOMPARE(r.lines[1], QStringList({"V9", "赵敏", "100.00", "500.00", "50.00", "100.00", "50.50", "499.50"}));
        QCOMPARE(r.total, QStringList({"合计", "2人", "100.00", "700.00", "50.00", "100.00", "50.50", "699.50"}));
    }

    void rechargeListFilters_data()
    {
        QTest::addColumn<QString>("card");
        QTest::addColumn<QStringList>("kinds");
        QTest::addColumn<QString>("totalK");
        QTest::newRow("all cards") << "" << QStringList({"充值", "退款", "充值"}) << "650.00";
        QTest::newRow("one card") << "V8" << QStringList({"充值"}) << "200.00";
        QTest::newRow("quote in card") << "V'8" << QStringList() << "0.00";
    }
    void rechargeListFilters()
    {
        QFETCH(QString, card);
        QFETCH(QStringList, kinds);
        QFETCH(QString, totalK);
        TestDb t;
        seed(t);
        const auto r = StoredValueReport::run(t.cnstr(), 103, {D, D.addDays(10), card});
        QCOMPARE(column(r, "FKind"), kinds);
        QCOMPARE(r.total.value(7), totalK);
        QCOMPARE(r.total.value(1), QString("%1笔").arg(kinds.size()));
    }

    // A date column written with a time of day by another program still counts on its last
    // day: ranges are half-open on both engines.
    void lastDayWithTimeOfDay()
    {
        TestDb t;
        seed(t);
        const QDate last = D.addDays(10);
        db::execute(t.cnstr(), "insert into VipCzBill (FVipNo, FOwner, FTranType, FDate, FKAmount, FCzAmount)"
                               " values ('V7', 'x', 1, ?, 40, 40)",
                    {QDateTime(last, QTime(18, 30))});
        QCOMPARE(StoredValueReport::run(t.cnstr(), 103, {last, last, ""}).total.value(7), QStringLiteral("40.00"));
        QCOMPARE(StoredValueReport::run(t.cnstr(), 103, {last.addDays(1), last.addDays(1), ""}).total.value(1),
                 QStringLiteral("0笔"));
    }

    void journalKeepsEachMembersBalance()
    {
        TestDb t;
        seed(t);
        const auto r = StoredValueReport::run(t.cnstr(), 106, {D, D.addDays(30), ""});
        QCOMPARE(column(r, "FVipNo"), QStringList({"V9", "V9", "V9", "V9", "V8", "V8"}));
        QCOMPARE(column(r, "FBal"), QStringList({"650.00", "550.00", "520.00", "499.50", "200.00", "190.00"}));
        QCOMPARE(r.total.value(4), QString("750.00"));
        QCOMPARE(r.total.value(5), QString("160.50"));
    }

    // The figures against plain sums over the table, per range: the closing balances of 104
    // and the last balance of each card in 106 are every movement up to the range's end.
    void figuresAgreeWithPlainSums_data()
    {
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        QTest::newRow("first day") << D << D;
        QTest::newRow("ten days") << D << D.addDays(10);
        QTest::newRow("everything") << D.addDays(-30) << D.addDays(30);
        QTest::newRow("before any") << D.addDays(-60) << D.addDays(-40);
    }
    void figuresAgreeWithPlainSums()
    {
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        TestDb t;
        seed(t);
        move(t, "V7", "", 1, D.addDays(-5), 80, 80, 0, "旧卡");
        move(t, "V7", "", 2, D.addDays(4), 12.25, 0, 0, "消费", 3);
        const QString bal = "coalesce(sum(case when FTranType=1 then FKAmount when FTranType=2 then -FKAmount"
                            " else 0 end),0)";
        const double closing = db::scalar(t.cnstr(), "select " + bal + " from VipCzBill where FDate<=?", {to}).toDouble();
        const auto r104 = StoredValueReport::run(t.cnstr(), 104, {from, to, ""});
        QCOMPARE(r104.total.value(7), NumberText::money(closing));
        const double k = db::scalar(t.cnstr(), "select coalesce(sum(FKAmount),0) from VipCzBill where FTranType=1"
                                               " and FDate>=? and FDate<=?", {from, to}).toDouble();
        QCOMPARE(StoredValueReport::run(t.cnstr(), 103, {from, to, ""}).total.value(7), NumberText::money(k));
        const auto r106 = StoredValueReport::run(t.cnstr(), 106, {from, to, ""});
        for (const QString card : {"V7", "V8", "V9"}) {
            const QString last = [&] {
                QString b;
                for (const QStringList &l : r106.lines)
                    if (l.value(1) == card)
                        b = l.value(6);
                return b;
            }();
            const double cardClosing = db::scalar(t.cnstr(), "select " + bal + " from VipCzBill where FDate<=? and FVipNo=?",
                                                  {to, card}).toDouble();
            const auto r109 = StoredValueReport::run(t.cnstr(), 109, {from, to, card});
            QCOMPARE(r109.total.value(4), NumberText::money(cardClosing));
            if (!last.isEmpty())
                QCOMPARE(last, NumberText::money(cardClosing));
        }
    }

    void badRequests_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        QTest::addColumn<QString>("card");
        QTest::newRow("unknown report") << 105 << D << D << "";
        QTest::newRow("from after to") << 103 << D.addDays(1) << D << "";
        QTest::newRow("no date") << 104 << QDate() << D << "";
        QTest::newRow("statement without card") << 109 << D << D << "  ";
    }
    void badRequests()
    {
        QFETCH(int, number);
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        QFETCH(QString, card);
        TestDb t;
        QVERIFY_THROWS_EXCEPTION(db::DbError, StoredValueReport::run(t.cnstr(), number, {from, to, card}));
        if (number == 105)
            QVERIFY_THROWS_EXCEPTION(db::DbError, runreport(t.cnstr(), 1, short(number)));
    }

    // The statement after a recharge, a refund and two payments, driven by the keyboard.
    void statementRunningBalanceByEnter()
    {
        Screen s(109);
        frmVipReport &f = *s.f;
        QVERIFY(s.shown());
        QCOMPARE(f.FlexReport->rows(), 1); // a statement waits for its card
        f.dtpFrom->setFocus();
        QTest::keyClick(f.dtpFrom, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), f.dtpTo);

        // Without a card: asked for one, and nothing to print.
        f.txtVipNo->setFocus();
        QTest::keyClick(f.txtVipNo, Qt::Key_Return);
        QCOMPARE(s.prompts.shown.size(), 1);
        QCOMPARE(s.prompts.shown[0].icon, Prompts::Icon::Exclamation);
        QCOMPARE(s.prompts.last(), QString("请输入会员卡号！"));
        QCOMPARE(QApplication::focusWidget(), f.txtVipNo);
        QTest::mouseClick(f.cmdPrint, Qt::LeftButton);
        QCOMPARE(s.prompts.last(), QString("没有数据！"));

        s.prompts.clear();
        f.dtpFrom->setDate(D);
        f.dtpTo->setDate(D.addDays(10));
        QTest::keyClicks(f.txtVipNo, " V9 ");
        QTest::keyClick(f.txtVipNo, Qt::Key_Return);
        QVERIFY(s.prompts.shown.isEmpty());
        const KeyedGrid &g = *f.FlexReport;
        QCOMPARE(column(g, "FKind"), QStringList({"期初余额", "充值", "退款", "消费", "消费", ""}));
        QCOMPARE(g.text(g.rows() - 1, "FDate"), QString("合计"));
        QCOMPARE(column(g, "FBal"), QStringList({"100.00", "650.00", "550.00", "520.00", "499.50", "499.50"}));
        QCOMPARE(column(g, "FOut"), QStringList({"", "", "100.00", "30.00", "20.50", "150.50"}));
        QCOMPARE(column(g, "FIn"), QStringList({"", "550.00", "", "", "", "550.00"}));
        QVERIFY(g.backColor(g.rows() - 1, "FBal").isValid());
        QVERIFY(!g.backColor(2, "FBal").isValid());
        QCOMPARE(f.lblOwner->text(), QString("持卡人：赵敏"));

        // A card without a movement is said, and the last statement goes.
        f.txtVipNo->setText("V7");
        QTest::keyClick(f.txtVipNo, Qt::Key_Return);
        QCOMPARE(s.prompts.shown.size(), 1);
        QCOMPARE(s.prompts.shown[0].icon, Prompts::Icon::Exclamation);
        QCOMPARE(s.prompts.last(), QString("卡号不存在！"));
        QCOMPARE(g.rows(), 1);
        QCOMPARE(f.lblOwner->text(), QString());
        QCOMPARE(QApplication::focusWidget(), f.txtVipNo);
    }

    void printAndExport()
    {
        Screen s(103);
        frmVipReport &f = *s.f;
        f.dtpFrom->setDate(D);
        f.dtpTo->setDate(D.addDays(10));
        QTest::mouseClick(f.cmdQuery, Qt::LeftButton);
        QString previewTitle;
        DialogRunner::setScript([&](QDialog &d) {
            if (qobject_cast<QPrintPreviewDialog *>(&d))
                previewTitle = d.windowTitle();
            return 0;
        });
        QTest::mouseClick(f.cmdPrint, Qt::LeftButton);
        QCOMPARE(previewTitle, QString("打印预览 - 充值明细表"));

        CsvChooser chooser;
        chooser.path = s.t.dir() + "/r.csv";
        QTest::mouseClick(f.cmdExport, Qt::LeftButton);
        QFile csv(chooser.path);
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(csv.readAll()).split("\r\n", Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 5); // header, recharge, refund, recharge, total
        QVERIFY(lines[1].contains(",充值,500.00,50.00,550.00,"));
        QVERIFY(lines[4].startsWith("合计,3笔,"));
        QCOMPARE(s.prompts.last(), "导出完成：\n" + chooser.path);
    }

};

QTEST_MAIN(tst_StoredValueReport)
#include "tst_StoredValueReport.moc"
