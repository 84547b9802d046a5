#include <QtTest>

#include "OrderLineFixture.h"

#include "core/base/Money.h"
#include "core/pos/MemberOrders.h"
#include "core/pos/SaleBill.h"
#include "core/pos/SaleReceipt.h"

namespace {

const QDateTime PrintTime(QDate(2026, 4, 18), QTime(7, 45, 12));


QStringList texts(const RecordSet &rs, int record, const QStringList &fields)
{
    QStringList out;
    for (const QString &f : fields)
        out << rs.text(record, f);
    return out;
}

} // namespace

// The sale receipt's print data, built from the bill on the counter.
class tst_SaleReceipt : public QObject
{
    Q_OBJECT
private slots:
    // 2 at 3.50, a pack of six twice at 30.00 (one pack on the receipt), picks of 3 and 2 from
    // two order lines, never priced; the member's orders hold 7 + 3 + 4 (a line not picked
    // from) afterwards. Paid 50.00 in cash and 17.00 from the card, which keeps 326.60.
    void receipt()
    {
        SaleBill bill;
        bill.date = QDate(2026, 4, 18);
        bill.vipNo = "V0001";
        bill.owner = "张丽";
        bill.add(1, "鲜牛奶 250ml", 2, Money::parse("3.50"));
        bill.add(3, "低脂牛奶 250ml", 2, Money::fromInt(30), 6);
        QList<OpenOrderLine> grid{orderLine(7, 10), orderLine(8, 5), orderLine(9, 4)};
        for (const auto &[index, q] : {std::pair{0, 3}, std::pair{1, 2}}) {
            bill.addLine(MemberOrders::pickup(grid[index], q));
            grid[index].open -= q;
        }
        const RecordSet rs =
            SaleReceipt::build(bill, SaleReceipt::openAfterTotal(grid), "收银员", PrintTime,
                               {Money::fromInt(50), Money::fromInt(17), Money::parse("326.60")});
        QCOMPARE(rs.position(), 0); // printing starts at the current record
        QStringList lines;
        for (int r = 0; r < rs.recordCount(); ++r) {
            lines << texts(rs, r, {"FVipNo", "FQty", "FPrice", "FAmount", "FBegBal", "FEndBal", "Fyxq"})
                         .join('|');
            QCOMPARE(texts(rs, r,
                           {"FDate", "FSumQty", "FSumAmount", "FSumBegBal", "FSumEndBal",
                            "FInterID", "FBiller", "FGetCash", "FGetReserve", "FReserveBal"}),
                     QStringList({"2026-04-18", "19", "67.00", "19", "14", "0", "收银员", "50.00",
                                  "17.00", "326.60"}));
            QCOMPARE(rs.value(r, "FPrintTime").toDateTime(), PrintTime);
        }
        QCOMPARE(lines, (QStringList{"V0001 张丽|2|3.50|7.00|2|0|", "V0001 张丽|1|30.00|60.00|12|0|",
                                     "V0001 张丽|3|||10|7|2026-05-31", "V0001 张丽|2|||5|3|2026-05-31"}));
    }
};

QTEST_GUILESS_MAIN(tst_SaleReceipt)
#include "tst_SaleReceipt.moc"
