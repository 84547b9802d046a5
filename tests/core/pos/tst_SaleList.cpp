#include <QtTest>

#include "TestDb.h"
#include "core/db/Database.h"
#include "core/pos/SaleList.h"

namespace {

const QDate D(2026, 3, 10);

void bill(const TestDb &t, int id, const QDate &date, const QString &card, const QString &owner,
          int type = 99)
{
    db::execute(t.cnstr(),
                "insert into ICStockBill (FInterID, FTrantype, Fdate, FVipNo, FOwner, FSysTime)"
                " values (?,?,?,?,?,?)",
                {id, type, date, card, owner, QDateTime(date, QTime(9, 30, id % 60))});
}

// `order` invalid: a NULL order reference, as other programs may write.
void line(const TestDb &t, int bill, int entry, double qty, double price, const QVariant &order)
{
    db::execute(t.cnstr(),
                "insert into ICStockBillEntry (FInterID, FEntryID, FItemID, FQty, FPrice, FAmount,"
                " FOrderBillInterID) values (?,?,?,?,?,?,?)",
                {bill, entry, 1, qty, price, qty * price,
                 order.isValid() ? order : QVariant(QMetaType(QMetaType::Int))});
}

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
// type and one outside the range.
void seed(const TestDb &t)
{
    db::execute(t.cnstr(), "insert into t_icitem (FItemID, FName) values (1, '鲜奶')");
    bill(t, 21, D, "V1", "O'Neil");
    bill(t, 20, D, "", "");
    bill(t, 22, D.addDays(1), "V1", "O'Neil");
    bill(t, 23, D, "V1", "O'Neil", 30);
    bill(t, 19, D.addDays(-1), "V1", "O'Neil");
    line(t, 21, 1, 2, 3.5, 7);          // hands out order 7
    line(t, 20, 1, 1, 1000, 0);         // 1,000.00
    line(t, 21, 2, 3, 3.5, QVariant()); // NULL: an ordinary sale
    line(t, 20, 2, 4, 2.5, 0);
    line(t, 21, 3, 1, 3.5, 8);
    line(t, 22, 1, 5, 2, 0);
    line(t, 23, 1, 9, 1, 0);
    line(t, 19, 1, 9, 1, 0);
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
