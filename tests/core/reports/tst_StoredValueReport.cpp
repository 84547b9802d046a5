#include <optional>

#include <QtTest>

#include "TestDb.h"
#include "core/db/DbError.h"
#include "core/reports/CardMovements.h"
#include "core/reports/StoredValueReport.h"

namespace {

const QDate D(2026, 3, 1);

// Card V9: a recharge before the range, a recharge with a gift, a refund whose gift field is
// stale, two payments on one day; card V8: a recharge, and a payment after most ranges end.
void seedMovements(const TestDb &t)
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
                   " FZsAmount)", rows);
}

} // namespace

// The stored-value reports and the card movement check against a real account set.
class tst_StoredValueReport : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }
    // Every case, and every row of a table, on an account set of its own.
    void init() { t.emplace(); c = t->cnstr(); }
    void cleanup() { t.reset(); }

    // Each report's lines, the total last: 104 one line per member, ordered by card, where the
    // refund's stale gift number is no gift; 103 the recharges and refunds; 106 and 109 with a
    // running balance that counts every movement before the range.
    void figures_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("card");
        QTest::addColumn<QStringList>("lines");
        using L = QStringList;
        // clang-format off
        QTest::newRow("104 per member") << 104 << "" << L{
            "V8|O'Neil|0.00|200.00|0.00|0.00|0.00|200.00", "V9|赵敏|100.00|500.00|50.00|100.00|50.50|499.50",
            "合计|2人|100.00|700.00|50.00|100.00|50.50|699.50"};
        QTest::newRow("103 all cards") << 103 << "" << L{
            "2026-03-01|V9|赵敏||充值|500.00|50.00|550.00|0.00|0.00||",
            "2026-03-02|V9|赵敏||退款|-100.00|0.00|-100.00|0.00|0.00||",
            "2026-03-04|V8|O'Neil||充值|200.00|0.00|200.00|0.00|0.00||", "合计|3笔||||600.00|50.00|650.00||||"};
        QTest::newRow("106 journal") << 106 << "" << L{
            "2026-03-01|V9|赵敏|充值|550.00||650.00||", "2026-03-02|V9|赵敏|退款||100.00|550.00||",
            "2026-03-03|V9|赵敏|消费||30.00|520.00||", "2026-03-03|V9|赵敏|消费||20.50|499.50||",
            "2026-03-04|V8|O'Neil|充值|200.00||200.00||", "2026-03-21|V8|O'Neil|消费||10.00|190.00||",
            "合计|6笔|||750.00|160.50|||"};
        QTest::newRow("109 statement, card in spaces") << 109 << " V9 " << L{
            "2026-03-01|期初余额|||100.00||", "2026-03-01|充值|550.00||650.00||",
            "2026-03-02|退款||100.00|550.00||", "2026-03-03|消费||30.00|520.00||",
            "2026-03-03|消费||20.50|499.50||", "合计||550.00|150.50|499.50||"};
        // clang-format on
    }
    void figures()
    {
        QFETCH(int, number);
        QFETCH(QString, card);
        QFETCH(QStringList, lines);
        seedMovements(*t);
        const QDate to = D.addDays(number == 106 ? 30 : 10);
        const auto r = StoredValueReport::run(c, number, {D, to, card});
        QStringList got;
        for (const QStringList &l : r.lines)
            got << l.join(u'|');
        QCOMPARE(got << r.total.join(u'|'), lines);
    }

    // A date column written with a time of day by another program still counts on its last
    // day: ranges are half-open on both engines.
    void lastDayWithTimeOfDay()
    {
        const QDate last = D.addDays(10), next = last.addDays(1);
        TestDb::insert(c, "VipCzBill (FVipNo, FOwner, FTranType, FDate, FKAmount, FCzAmount)",
                       {{"V7", "x", 1, QDateTime(last, QTime(18, 30)), 40, 40}});
        QCOMPARE(StoredValueReport::run(c, 103, {last, last, ""}).total.value(7) + " " +
                     StoredValueReport::run(c, 103, {next, next, ""}).total.value(1),
                 "40.00 0笔");
    }

    // An unknown report, a range ending before it starts, no date, a statement without a
    // card: each refused with its own words.
    void badRequests_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QString>("card");
        QTest::addColumn<QString>("message");
        // clang-format off
        QTest::newRow("unknown report") << 105 << D << "" << "没有编号为 105 的报表";
        QTest::newRow("range ending before it starts") << 103 << D.addDays(1) << "" << "开始日期不能晚于结束日期！";
        QTest::newRow("no date") << 104 << QDate() << "" << "开始日期不能晚于结束日期！";
        QTest::newRow("statement without a card") << 109 << D << "  " << "请输入会员卡号！";
        // clang-format on
    }
    void badRequests()
    {
        QFETCH(int, number);
        QFETCH(QDate, from);
        QFETCH(QString, card);
        QFETCH(QString, message);
        try {
            StoredValueReport::run(c, number, {from, D, card});
            QFAIL("the request was not refused");
        } catch (const CoreError &e) {
            QCOMPARE(e.message(), message);
        }
    }

    // A card has a movement to report when it has a recharge or a payment, no other kind of
    // row; the number is trimmed and bound.
    void anyMovement()
    {
        TestDb::insert(c, "VipCzBill (FVipNo, FTranType)", {{"V1", 1}, {"V2", 2}, {"V3", 0}});
        QCOMPARE((QList<bool>{CardMovements::any(c, "V1"), CardMovements::any(c, " V2 "),
                              CardMovements::any(c, "V3"), CardMovements::any(c, "V1' or '1'='1")}),
                 (QList<bool>{true, true, false, false}));
    }

private:
    std::optional<TestDb> t;
    QString c;
};

QTEST_GUILESS_MAIN(tst_StoredValueReport)
#include "tst_StoredValueReport.moc"
