#include <QtTest>

#include "TestDb.h"
#include "core/pos/MemberOrders.h"
#include "core/pos/SaleBill.h"
#include "core/pos/SaleReceipt.h"

Q_DECLARE_METATYPE(ReceiptPayment)

namespace {

const QDateTime PrintTime(QDate(2026, 4, 18), QTime(7, 45, 12));

OpenOrderLine orderLine(int orderId, qint64 open, const QDate &validTo = {})
{
    OpenOrderLine l;
    l.name = QStringLiteral("鲜牛奶 250ml");
    l.qty = 12;
    l.open = open;
    l.amount = Money::fromInt(36);
    l.itemId = 1;
    l.orderId = orderId;
    l.entryId = 1;
    l.validTo = validTo;
    return l;
}

QStringList texts(const RecordSet &rs, int record, const QStringList &fields)
{
    QStringList out;
    for (const QString &f : fields)
        out << rs.text(record, f);
    return out;
}

} // namespace

class tst_SaleReceipt : public QObject
{
    Q_OBJECT
private slots:
    // The templates and other stations' programs read these fields in this order.
    void fieldOrder()
    {
        QStringList names;
        for (const RecordSet::Field &f : SaleReceipt::fields().fields())
            names << f.name;
        QCOMPARE(names,
                 (QStringList{"FDate",      "FVipNo",     "FOwner",     "FPhone",     "FName",
                              "FQty",       "FPreQty",    "FPrice",     "FAmount",    "FSumQty",
                              "FSumAmount", "FInterID",   "FBiller",    "FPrintTime", "FBegBal",
                              "FEndBal",    "FSumBegBal", "FSumEndBal", "Fyxq",       "FGetReserve",
                              "FGetCash",   "FReserveBal"}));
    }

    // One line per bill: what its row shows.
    void lineRow_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("vipNo");
        QTest::addColumn<QString>("owner");
        QTest::addColumn<QStringList>(
            "row"); // FVipNo FOwner FQty FPrice FAmount FBegBal FEndBal Fyxq
        QTest::newRow("ordinary, no member")
            << "ordinary"
            << ""
            << "" << QStringList{" ", "", "2", "3.50", "7.00", "2", "0", ""};
        QTest::newRow("pick-up of 3 from 10 open")
            << "pickup"
            << "V0001"
            << "张丽" << QStringList{"V0001 张丽", "张丽", "3", "", "", "10", "7", "2026-05-31"};
        QTest::newRow("pack of six scanned twice shows its pack count")
            << "pack"
            << ""
            << "" << QStringList{" ", "", "1", "30.00", "60.00", "12", "0", ""};
        QTest::newRow("loose goods")
            << "loose"
            << "V0004"
            << "O'Neil"
            << QStringList{"V0004 O'Neil", "O'Neil", "1.5", "1.15", "1.73", "1.5", "0", ""};
    }
    void lineRow()
    {
        QFETCH(QString, kind);
        QFETCH(QString, vipNo);
        QFETCH(QString, owner);
        QFETCH(QStringList, row);
        SaleBill bill;
        bill.vipNo = vipNo;
        bill.owner = owner;
        qint64 openAfter = 0;
        if (kind == "ordinary")
            bill.add(1, "鲜牛奶 250ml", 2, Money::parse("3.50"));
        else if (kind == "pack")
            bill.add(3, "低脂牛奶 250ml", 2, Money::fromInt(30), 6);
        else if (kind == "loose")
            bill.add(9, "散装酸奶", 1.5, Money::parse("1.15"));
        else {
            bill.addLine(MemberOrders::pickup(orderLine(7, 10, QDate(2026, 5, 31)), 3));
            openAfter = 7;
        }
        const RecordSet rs = SaleReceipt::build(bill, openAfter, "收银员", PrintTime, {});
        QCOMPARE(rs.recordCount(), 1);
        QCOMPARE(
            texts(rs, 0,
                  {"FVipNo", "FOwner", "FQty", "FPrice", "FAmount", "FBegBal", "FEndBal", "Fyxq"}),
            row);
        QVERIFY(rs.value(0, "FPhone").isNull());
        QVERIFY(rs.value(0, "FPreQty").isNull());
    }

    // Four lines: 2 at 3.50, a pack of six twice at 30.00, picks of 3 and 2 from two order
    // lines. The member's orders still hold 7 + 3 + 4 (a line not picked from) afterwards.
    void billTotalsAndPayment_data()
    {
        QTest::addColumn<ReceiptPayment>("payment");
        QTest::addColumn<QStringList>("paid"); // FGetCash FGetReserve FReserveBal
        QTest::newRow("test print: no payment, the screen's balance")
            << ReceiptPayment{{}, {}, Money::parse("343.60")}
            << QStringList{"0.00", "0.00", "343.60"};
        QTest::newRow("after a save: the balance left on the card")
            << ReceiptPayment{Money::fromInt(50), Money::fromInt(17), Money::parse("326.60")}
            << QStringList{"50.00", "17.00", "326.60"};
    }
    void billTotalsAndPayment()
    {
        QFETCH(ReceiptPayment, payment);
        QFETCH(QStringList, paid);
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
        QCOMPARE(SaleReceipt::openAfterTotal(grid), qint64(14));
        QCOMPARE(SaleReceipt::pickedTotal(bill), qint64(5));

        const RecordSet rs = SaleReceipt::build(bill, SaleReceipt::openAfterTotal(grid), "收银员",
                                                PrintTime, payment);
        QCOMPARE(rs.recordCount(), 4);
        QCOMPARE(rs.position(), 0);
        QCOMPARE(texts(rs, 3, {"FName", "FQty", "FBegBal", "FEndBal"}),
                 (QStringList{"鲜牛奶 250ml", "2", "5", "3"}));
        for (int r = 0; r < rs.recordCount(); ++r) {
            QCOMPARE(texts(rs, r,
                           {"FDate", "FSumQty", "FSumAmount", "FSumBegBal", "FSumEndBal",
                            "FInterID", "FBiller", "FPrintTime"}),
                     (QStringList{"2026-04-18", "19", "67.00", "19", "14", "0", "收银员",
                                  "2026-04-18 07:45"}));
            QCOMPARE(rs.value(r, "FPrintTime").toDateTime(), PrintTime);
            QCOMPARE(texts(rs, r, {"FGetCash", "FGetReserve", "FReserveBal"}), paid);
        }
    }
};

QTEST_GUILESS_MAIN(tst_SaleReceipt)
#include "tst_SaleReceipt.moc"
