#include <QtTest>

#include "TestDb.h"
#include "core/orders/OrderDraft.h"
#include "core/orders/OrderReceipt.h"

class tst_OrderReceipt : public QObject
{
    Q_OBJECT
private slots:
    // The template reads the fields by name and type, one record per line in grid order.
    void fieldsInOrder()
    {
        const QStringList names{"FDate",      "FVipNo",      "FOwner",     "FPhone",  "FName",
                                "FQty",       "FPreQty",     "FPrice",     "FAmount", "FSumQty",
                                "FSumAmount", "Fyxq",        "FInterID",   "FBiller", "FPrintTime",
                                "FGetCash",   "FGetReserve", "FReserveBal"};
        const RecordSet rs =
            OrderReceipt::build(OrderDraft(), "clerk", Money(), Money(), Money(), QDateTime());
        QStringList got;
        for (const RecordSet::Field &f : rs.fields())
            got << f.name;
        QCOMPARE(got, names);
        QCOMPARE(rs.recordCount(), 0);
        QCOMPARE(rs.type("FPrintTime"), RecordSet::Type::Date);
        QCOMPARE(rs.type("FInterID"), RecordSet::Type::Integer);
        QCOMPARE(rs.type("FReserveBal"), RecordSet::Type::Double);
    }

    void values_data()
    {
        QTest::addColumn<int>("record");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::newRow("card and holder") << 0 << "FVipNo"
                                         << "V1 O'Neil";
        QTest::newRow("holder") << 1 << "FOwner"
                                << "O'Neil";
        QTest::newRow("date") << 1 << "FDate"
                              << "2026-03-10";
        QTest::newRow("name") << 1 << "FName"
                              << "酸奶";
        QTest::newRow("quantity as shown") << 0 << "FQty"
                                           << "10";
        QTest::newRow("empty gift as shown") << 1 << "FPreQty"
                                             << "";
        QTest::newRow("price as shown") << 0 << "FPrice"
                                        << "4.1667";
        QTest::newRow("amount as shown") << 1 << "FAmount"
                                         << "1,234.00";
        QTest::newRow("total quantity") << 1 << "FSumQty"
                                        << "17";
        QTest::newRow("total amount") << 0 << "FSumAmount"
                                      << "51.00";
        QTest::newRow("validity") << 0 << "Fyxq"
                                  << "2026-05-01";
        QTest::newRow("no validity") << 1 << "Fyxq"
                                     << "";
        QTest::newRow("number always 0") << 0 << "FInterID"
                                         << "0";
        QTest::newRow("biller") << 1 << "FBiller"
                                << "clerk";
        QTest::newRow("print time") << 0 << "FPrintTime"
                                    << "2026-03-10 08:15";
        QTest::newRow("cash") << 1 << "FGetCash"
                              << "21.00";
        QTest::newRow("stored value") << 1 << "FGetReserve"
                                      << "30.00";
        QTest::newRow("balance after") << 0 << "FReserveBal"
                                       << "50.00";
    }
    void values()
    {
        QFETCH(int, record);
        QFETCH(QString, field);
        QFETCH(QString, text);
        OrderDraft d;
        d.date = QDate(2026, 3, 10);
        d.vipNo = "V1";
        d.owner = "O'Neil";
        d.add(1, "鲜奶", "4.1667", "10", "2", "50.00", QDate(2026, 5, 1));
        d.add(2, "酸奶", "1.00", "5", "", "1,234.00"); // typed: stored as 1.00
        const RecordSet rs =
            OrderReceipt::build(d, "clerk", Money::fromInt(21), Money::fromInt(30),
                                Money::fromInt(50), QDateTime(d.date, QTime(8, 15)));
        QCOMPARE(rs.recordCount(), 2);
        QCOMPARE(rs.text(record, field), text);
    }
};

QTEST_GUILESS_MAIN(tst_OrderReceipt)
#include "tst_OrderReceipt.moc"
