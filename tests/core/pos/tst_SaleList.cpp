#include <QtTest>

#include "TestDb.h"
#include "core/pos/SaleList.h"

namespace {

const QDate D(2026, 3, 10);

// The list's rows as "FInterID|FQty1|FQty2|FAmount".
QStringList rows(const SaleList::Result &r)
{
    QStringList out;
    for (const ReportRow &row : r.table.rows) {
        QStringList cells;
        for (const char *key : {"FInterID", "FQty1", "FQty2", "FAmount"})
            cells << row.cells.value(r.table.columnOf(key));
        out << cells.join(u'|');
    }
    return out;
}

// Two bills of one day whose lines were written in turn, one of the next day, one of another
// type and one outside the range. Line 21/2 has a NULL order reference, as other programs may
// write: an ordinary sale.
void seed(const TestDb &t)
{
    const QString c = t.cnstr();
    const QVariant null(QMetaType::fromType<int>());
    const auto at = [](const QDate &d, int s) { return QDateTime(d, QTime(9, 30, s)); };
    TestDb::insert(c, "t_icitem (FItemID, FName)", {{1, "鲜奶"}});
    TestDb::insert(c, "ICStockBill (FInterID, FTrantype, Fdate, FVipNo, FOwner, FSysTime)",
                   {{21, 99, D, "V1", "O'Neil", at(D, 21)},
                    {20, 99, D, "", "", at(D, 20)},
                    {22, 99, D.addDays(1), "V1", "O'Neil", at(D.addDays(1), 22)},
                    {23, 30, D, "V1", "O'Neil", at(D, 23)},
                    {19, 99, D.addDays(-1), "V1", "O'Neil", at(D.addDays(-1), 19)}});
    TestDb::insert(c, "ICStockBillEntry (FInterID, FEntryID, FItemID, FQty, FPrice, FAmount,"
                      " FOrderBillInterID)",
                   {{21, 1, 1, 2, 3.5, 7, 7}, // hands out order 7
                    {20, 1, 1, 1, 1000, 1000, 0},
                    {21, 2, 1, 3, 3.5, 10.5, null},
                    {20, 2, 1, 4, 2.5, 10, 0},
                    {21, 3, 1, 1, 3.5, 3.5, 8},
                    {22, 1, 1, 5, 2, 10, 0},
                    {23, 1, 1, 9, 1, 9, 0},
                    {19, 1, 1, 9, 1, 9, 0}});
}

} // namespace

class tst_SaleList : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    // FQty1 counts handed-out order units, FQty2 goods sold for money; the last row is the
    // total, which opens no bill.
    void list_data()
    {
        QTest::addColumn<QString>("card");
        QTest::addColumn<QDate>("to");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<int>("count");
        using L = QStringList;
        const L day{"20||1|1000.00", "20||4|10.00", "21|2||7.00", "21||3|10.50", "21|1||3.50"};
        // clang-format off
        QTest::newRow("one day, interleaved") << "" << D << L(day) + L{"|3|8|1,031.00"} << 2;
        QTest::newRow("to day included") << "" << D.addDays(1) << L(day) + L{"22||5|10.00", "|3|13|1,041.00"} << 3;
        QTest::newRow("one card") << " V1 " << D << L{"21|2||7.00", "21||3|10.50", "21|1||3.50", "|3|3|21.00"} << 1;
        QTest::newRow("quote in a card") << "V1' or ''='" << D << L{} << 0;
        // clang-format on
    }
    void list()
    {
        QFETCH(QString, card);
        QFETCH(QDate, to);
        QFETCH(QStringList, rows);
        QFETCH(int, count);
        TestDb t;
        seed(t);
        const SaleList::Result r = SaleList::run(t.cnstr(), card, D, to);
        QCOMPARE(::rows(r), rows);
        QCOMPARE(r.billCount, count);
        QCOMPARE(r.billIds.size(), r.table.rows.size());
        QCOMPARE(r.table.count(ReportRow::Total), rows.isEmpty() ? 0 : 1);
        if (!rows.isEmpty())
            QCOMPARE(r.billIds.last(), 0);
    }

    void lineCells()
    {
        TestDb t;
        seed(t);
        const SaleList::Result r = SaleList::run(t.cnstr(), "V1", D, D);
        QCOMPARE(r.table.rows.first().cells,
                 (QStringList{"2026-03-10", "V1", "O'Neil", "鲜奶", "2", "", "3.50", "7.00",
                              "2026-03-10 09:30:21", "21"}));
    }
};

QTEST_GUILESS_MAIN(tst_SaleList)
#include "tst_SaleList.moc"
