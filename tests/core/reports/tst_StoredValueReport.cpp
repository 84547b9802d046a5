#include <QtTest>

#include "TestDb.h"
#include "core/db/Database.h"
#include "core/db/DbError.h"
#include "core/reports/CardMovements.h"
#include "core/reports/StoredValueReport.h"

namespace {

const QDate D(2026, 3, 1);

// One VipCzBill row: type 1 recharge (k = amount + gift) or refund (k negative), type 2 payment.
void move(const TestDb &t, const QString &card, const QString &owner, int type, const QDate &date,
          double k, double cz, double zs, const QString &remark, int seconds = 0)
{
    db::execute(t.cnstr(),
                "insert into VipCzBill (FVipNo, FOwner, FTranType, FDate, FCreateTime, FBillerID,"
                " FKAmount, FCzAmount, FZsAmount, FRemark) values (?,?,?,?,?,?,?,?,?,?)",
                {card, owner, type, date, QDateTime(date, QTime(9, 0).addSecs(seconds)), 1, k, cz,
                 zs, remark});
}

void seed(const TestDb &t)
{
    // clang-format off
    move(t, "V9", "赵敏", 1, D.addDays(-10), 100, 100, 0, "开卡"); // before the range
    move(t, "V9", "赵敏", 1, D, 550, 500, 50, "充值");
    move(t, "V9", "赵敏", 1, D.addDays(1), -100, -100, 20, "退款"); // stale gift field
    move(t, "V9", "赵敏", 2, D.addDays(2), 30, 0, 0, "销售付款", 1);
    move(t, "V9", "赵敏", 2, D.addDays(2), 20.5, 0, 0, "订单付款", 2);
    move(t, "V8", "O'Neil", 1, D.addDays(3), 200, 200, 0, "充值");
    move(t, "V8", "O'Neil", 2, D.addDays(20), 10, 0, 0, "range ends before this");
    // clang-format on
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

    void summaryPerMember()
    {
        TestDb t;
        seed(t);
        const auto r = StoredValueReport::run(t.cnstr(), 104, {D, D.addDays(10), ""});
        // Ordered by card: V8 then V9. The refund's stale gift number is not a gift.
        QCOMPARE(r.lines,
                 (QList<QStringList>{
                     {"V8", "O'Neil", "0.00", "200.00", "0.00", "0.00", "0.00", "200.00"},
                     {"V9", "赵敏", "100.00", "500.00", "50.00", "100.00", "50.50", "499.50"}}));
        QCOMPARE(r.total, QStringList({"合计", "2人", "100.00", "700.00", "50.00", "100.00",
                                       "50.50", "699.50"}));
    }

    // Each report's figures over a range, and the total: the running balance of 106 and 109
    // counts every movement before the range.
    void figures_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("card");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QStringList>("total"); // index, text
        using L = QStringList;
        // clang-format off
        QTest::newRow("103 all cards") << 103 << "" << "FKind" << L{"充值", "退款", "充值"} << L{"7", "650.00"};
        QTest::newRow("103 one card") << 103 << "V8" << "FKind" << L{"充值"} << L{"1", "1笔"};
        QTest::newRow("103 quote in card") << 103 << "V'8" << "FKind" << L{} << L{"7", "0.00"};
        QTest::newRow("106 journal") << 106 << "" << "FBal" << L{"650.00", "550.00", "520.00", "499.50", "200.00", "190.00"} << L{"5", "160.50"};
        QTest::newRow("109 statement") << 109 << " V9 " << "FBal" << L{"100.00", "650.00", "550.00", "520.00", "499.50"} << L{"4", "499.50"};
        // clang-format on
    }
    void figures()
    {
        QFETCH(int, number);
        QFETCH(QString, card);
        QFETCH(QString, key);
        QFETCH(QStringList, values);
        QFETCH(QStringList, total);
        TestDb t;
        seed(t);
        const QDate to = D.addDays(number == 106 ? 30 : 10);
        const auto r = StoredValueReport::run(t.cnstr(), number, {D, to, card});
        QCOMPARE(column(r, key), values);
        QCOMPARE(r.total.value(total[0].toInt()), total[1]);
    }

    // A date column written with a time of day by another program still counts on its last
    // day: ranges are half-open on both engines.
    void lastDayWithTimeOfDay()
    {
        TestDb t;
        const QDate last = D.addDays(10);
        db::execute(t.cnstr(),
                    "insert into VipCzBill (FVipNo, FOwner, FTranType, FDate, FKAmount, FCzAmount)"
                    " values (?,?,?,?,?,?)",
                    {"V7", "x", 1, QDateTime(last, QTime(18, 30)), 40, 40});
        QCOMPARE(StoredValueReport::run(t.cnstr(), 103, {last, last, ""}).total.value(7),
                 QStringLiteral("40.00"));
        const QDate next = last.addDays(1);
        QCOMPARE(StoredValueReport::run(t.cnstr(), 103, {next, next, ""}).total.value(1),
                 QStringLiteral("0笔"));
    }

    // An unknown report, a range ending before it starts, no date, a statement without a
    // card.
    void badRequests()
    {
        TestDb t;
        for (const auto &[number, from, card] :
             {std::tuple{105, D, ""}, {103, D.addDays(1), ""}, {104, QDate(), ""}, {109, D, "  "}})
            QVERIFY_THROWS_EXCEPTION(db::DbError,
                                     StoredValueReport::run(t.cnstr(), number, {from, D, card}));
    }

    // Whether a card has a movement to report: a recharge or a payment, no other kind of row.
    void anyMovement_data()
    {
        QTest::addColumn<QString>("card");
        QTest::addColumn<bool>("found");
        QTest::newRow("recharged") << "V1" << true;
        QTest::newRow("only paid, spaces around") << " V2 " << true;
        QTest::newRow("other kind of row only") << "V3" << false;
        QTest::newRow("quote") << "V1' or '1'='1" << false;
    }
    void anyMovement()
    {
        QFETCH(QString, card);
        QFETCH(bool, found);
        TestDb t;
        for (const auto &[vip, type] : {std::pair{"V1", 1}, {"V2", 2}, {"V3", 0}})
            move(t, vip, "", type, D, 10, 0, 0, "");
        QCOMPARE(CardMovements::any(t.cnstr(), card), found);
    }
};

QTEST_GUILESS_MAIN(tst_StoredValueReport)
#include "tst_StoredValueReport.moc"
