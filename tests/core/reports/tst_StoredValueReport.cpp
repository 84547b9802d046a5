#include <QtTest>

#include "TestDb.h"
#include "core/db/DbError.h"
#include "core/reports/CardMovements.h"
#include "core/reports/StoredValueReport.h"

namespace {

const QDate D(2026, 3, 1);

// Card V9: a recharge before the range, a recharge with a gift, a refund whose gift field is
// stale, two payments on one day; card V8: a recharge, and a payment after most ranges end.
void seed(const TestDb &t)
{
    QList<QVariantList> rows;
    int second = 0;
    for (const auto &[card, owner, type, day, k, cz, zs] :
         {std::tuple{"V9", "赵敏", 1, -10, 100.0, 100.0, 0.0}, {"V9", "赵敏", 1, 0, 550.0, 500.0, 50.0},
          {"V9", "赵敏", 1, 1, -100.0, -100.0, 20.0}, {"V9", "赵敏", 2, 2, 30.0, 0.0, 0.0},
          {"V9", "赵敏", 2, 2, 20.5, 0.0, 0.0}, {"V8", "O'Neil", 1, 3, 200.0, 200.0, 0.0},
          {"V8", "O'Neil", 2, 20, 10.0, 0.0, 0.0}})
        rows.append({card, owner, type, D.addDays(day),
                     QDateTime(D.addDays(day), QTime(9, 0, ++second)), k, cz, zs});
    TestDb::insert(t.cnstr(),
                   "VipCzBill (FVipNo, FOwner, FTranType, FDate, FCreateTime, FKAmount, FCzAmount,"
                   " FZsAmount)",
                   rows);
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
        const QDate last = D.addDays(10), next = last.addDays(1);
        TestDb::insert(t.cnstr(), "VipCzBill (FVipNo, FOwner, FTranType, FDate, FKAmount, FCzAmount)",
                       {{"V7", "x", 1, QDateTime(last, QTime(18, 30)), 40, 40}});
        QCOMPARE(StoredValueReport::run(t.cnstr(), 103, {last, last, ""}).total.value(7),
                 QStringLiteral("40.00"));
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

    // A card has a movement to report when it has a recharge or a payment, no other kind of
    // row; the number is trimmed and bound.
    void anyMovement()
    {
        TestDb t;
        const QString c = t.cnstr();
        TestDb::insert(c, "VipCzBill (FVipNo, FTranType)", {{"V1", 1}, {"V2", 2}, {"V3", 0}});
        QCOMPARE((QList<bool>{CardMovements::any(c, "V1"), CardMovements::any(c, " V2 "),
                              CardMovements::any(c, "V3"), CardMovements::any(c, "V1' or '1'='1")}),
                 (QList<bool>{true, true, false, false}));
    }
};

QTEST_GUILESS_MAIN(tst_StoredValueReport)
#include "tst_StoredValueReport.moc"
