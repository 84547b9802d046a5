#include <QtTest>

#include "TestDb.h"
#include "core/orders/OrderDraft.h"
#include "core/orders/OrderReceipt.h"

class tst_OrderReceipt : public QObject
{
    Q_OBJECT
private slots:
    // The template reads the fields by name and type, one record per line in grid order:
    // quantities, prices and amounts as the grid shows them; the totals, payment and balance
    // on every record; the number always 0.
    void records()
    {
        OrderDraft d;
        d.date = QDate(2026, 3, 10);
        d.vipNo = "V1";
        d.owner = "O'Neil";
        d.add(1, "鲜奶", "4.1667", "10", "2", "50.00", QDate(2026, 5, 1));
        d.add(2, "酸奶", "1.00", "5", "", "1,234.00"); // typed: stored as 1.00
        const RecordSet rs =
            OrderReceipt::build(d, "clerk", Money::fromInt(21), Money::fromInt(30),
                                Money::fromInt(50), QDateTime(d.date, QTime(8, 15)));
        QStringList records; // the field names first
        for (int r = -1; r < rs.recordCount(); ++r) {
            QStringList values;
            for (const RecordSet::Field &f : rs.fields())
                values << (r < 0 ? f.name : rs.text(r, f.name));
            records << values.join('|');
        }
        QCOMPARE(records,
                 (QStringList{"FDate|FVipNo|FOwner|FPhone|FName|FQty|FPreQty|FPrice|FAmount|"
                              "FSumQty|FSumAmount|Fyxq|FInterID|FBiller|FPrintTime|FGetCash|"
                              "FGetReserve|FReserveBal",
                              "2026-03-10|V1 O'Neil|O'Neil||鲜奶|10|2|4.1667|50.00|17|51.00|"
                              "2026-05-01|0|clerk|2026-03-10 08:15|21.00|30.00|50.00",
                              "2026-03-10|V1 O'Neil|O'Neil||酸奶|5||1.00|1,234.00|17|51.00|"
                              "|0|clerk|2026-03-10 08:15|21.00|30.00|50.00"}));
        QCOMPARE(rs.type("FPrintTime"), RecordSet::Type::Date);
        QCOMPARE(rs.type("FInterID"), RecordSet::Type::Integer);
        QCOMPARE(rs.type("FReserveBal"), RecordSet::Type::Double);
    }
};

QTEST_GUILESS_MAIN(tst_OrderReceipt)
#include "tst_OrderReceipt.moc"
