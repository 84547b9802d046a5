#include <QtTest>

#include "TestDb.h"
#include "core/db/Database.h"
#include "core/reports/CardMovements.h"

class tst_CardMovements : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    void any_data()
    {
        QTest::addColumn<QString>("card");
        QTest::addColumn<bool>("found");
        QTest::newRow("recharged") << "V1" << true;
        QTest::newRow("only paid, spaces around") << " V2 " << true;
        QTest::newRow("other kind of row only") << "V3" << false;
        QTest::newRow("unknown") << "V4" << false;
        QTest::newRow("empty") << "  " << false;
        QTest::newRow("quote") << "V1' or '1'='1" << false;
    }
    void any()
    {
        QFETCH(QString, card);
        QFETCH(bool, found);
        TestDb t;
        for (const auto &[vip, type] : {std::pair{"V1", 1}, std::pair{"V2", 2}, std::pair{"V3", 0}})
            db::execute(
                t.cnstr(),
                "insert into VipCzBill (FVipNo, FTranType, FDate, FKAmount) values (?,?,?,?)",
                {QString::fromLatin1(vip), type, QDate(2026, 3, 1), 10});
        QCOMPARE(CardMovements::any(t.cnstr(), card), found);
    }
};

QTEST_GUILESS_MAIN(tst_CardMovements)
#include "tst_CardMovements.moc"
