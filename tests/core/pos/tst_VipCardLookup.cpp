#include <QtTest>

#include "TestDb.h"
#include "core/db/Database.h"
#include "core/db/DbError.h"
#include "core/pos/VipCardLookup.h"

class tst_VipCardLookup : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    void find_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("vipNo"); // empty: not found
        QTest::addColumn<QString>("owner");
        // clang-format off
        QTest::newRow("card number") << "V0001" << "V0001" << "张丽";
        QTest::newRow("phone of an order") << "13800000002" << "V0002" << "王建国";
        QTest::newRow("stored value only, card") << "V0009" << "V0009" << "赵六";
        QTest::newRow("stored value only, phone") << "13900000009" << "V0009" << "赵六";
        QTest::newRow("unknown") << "99999" << "" << "";
        QTest::newRow("empty matches no walk-in") << "" << "" << "";
        QTest::newRow("quote") << "V0001' or '1'='1" << "" << "";
        // clang-format on
    }
    void find()
    {
        QFETCH(QString, typed);
        QFETCH(QString, vipNo);
        QFETCH(QString, owner);
        TestDb t(TestDb::Content::Demo);
        db::execute(t.cnstr(), "insert into VipCzBill (FVipNo, FOwner, FPhone, FTranType, FKAmount)"
                               " values ('V0009', '赵六', '13900000009', 1, 100)");
        // A walk-in order with no phone must not answer an empty text.
        db::execute(t.cnstr(), "insert into VipOrder (FInterID, FVipNo, FOwner, FPhone) values"
                               " (900, '', '散客', '')");
        const auto card = VipCardLookup::find(t.cnstr(), typed);
        QCOMPARE(card ? card->vipNo + " " + card->owner : " ", vipNo + " " + owner);
    }

    void databaseFailure()
    {
        TestDb t;
        db::execute(t.cnstr(), "drop table VipOrder");
        QVERIFY_THROWS_EXCEPTION(db::DbError, VipCardLookup::find(t.cnstr(), "V0001"));
    }
};

QTEST_GUILESS_MAIN(tst_VipCardLookup)
#include "tst_VipCardLookup.moc"
