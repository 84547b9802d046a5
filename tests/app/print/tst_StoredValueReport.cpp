#include <QtTest>

#include "TestDb.h"
#include "app/db/Database.h"
#include "app/db/DbError.h"
#include "app/print/StoredValueReport.h"

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

} // namespace

class tst_StoredValueReport : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    void statementRunningBalance()
    {
        TestDb t;
        seed(t);
        const auto r = StoredValueReport::run(t.cnstr(), 109, {D, D.addDays(10), " V9 "});
        QCOMPARE(r.owner, QString("赵敏"));
        QCOMPARE(column(r, "FKind"), QStringList({"期初余额", "充值", "退款", "消费", "消费"}));
        QCOMPARE(column(r, "FIn"), QStringList({"", "550.00", "", "", ""}));
        QCOMPARE(column(r, "FOut"), QStringList({"", "", "100.00", "30.00", "20.50"}));
        QCOMPARE(column(r, "FBal"), QStringList({"100.00", "650.00", "550.00", "520.00", "499.50"}));
        QCOMPARE(r.total, QStringList({"合计", "", "550.00", "150.50", "499.50", "", ""}));
    }

    void statementNeedsCard()
    {
        TestDb t;
        QVERIFY_THROWS_EXCEPTION(db::DbError, StoredValueReport::run(t.cnstr(), 109, {D, D, "  "}));
    }

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

    void badRequests_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        QTest::newRow("unknown report") << 105 << D << D;
        QTest::newRow("from after to") << 103 << D.addDays(1) << D;
        QTest::newRow("no date") << 104 << QDate() << D;
    }
    void badRequests()
    {
        QFETCH(int, number);
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        TestDb t;
        QVERIFY_THROWS_EXCEPTION(db::DbError, StoredValueReport::run(t.cnstr(), number, {from, to, ""}));
    }
};

QTEST_GUILESS_MAIN(tst_StoredValueReport)
#include "tst_StoredValueReport.moc"
