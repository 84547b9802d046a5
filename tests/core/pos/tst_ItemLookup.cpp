#include <QtTest>

#include "TestDb.h"
#include "core/db/Database.h"
#include "core/db/DbError.h"
#include "core/pos/ItemLookup.h"
#include "core/pos/VipCardLookup.h"

using Codes = ItemLookup::Codes;

class tst_ItemLookup : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    // Over the demo items, plus a pack bar code of item 3 without a price of its own.
    void find_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("codes");
        QTest::addColumn<QString>("found"); // item id, exchange, name, price ("-": none); "": none
        const int sale = int(Codes::ShopNumberOrBarCode);
        const int exchange = int(Codes::ShopNumberItemNumberOrBarCode);
        QTest::newRow("shop number, retail") << 1 << "101" << sale << "1|1|鲜牛奶 250ml|3.50";
        QTest::newRow("member style column") << 2 << "101" << sale << "1|1|鲜牛奶 250ml|3.20";
        QTest::newRow("no style, no price") << 0 << "102" << sale << "2|1|鲜牛奶 500ml|-";
        QTest::newRow("pack code own price")
            << 0 << "6901234510010" << sale << "1|6|鲜牛奶 250ml|19.80";
        QTest::newRow("pack without price")
            << 1 << "6909999000099" << sale << "3|1|低脂牛奶 250ml|3.80";
        QTest::newRow("item number is not a sale code") << 1 << "01.001" << sale << "";
        QTest::newRow("item number at the exchange")
            << 1 << "01.004" << exchange << "4|1|高钙牛奶 250ml|3.50";
        QTest::newRow("quote in code") << 1 << "1' or '1'='1" << exchange << "";
    }
    void find()
    {
        QFETCH(int, style);
        QFETCH(QString, code);
        QFETCH(int, codes);
        QFETCH(QString, found);
        TestDb t(TestDb::Content::Demo);
        TestDb::insert(t.cnstr(), "t_icitem_barcode (FItemID, FBarCode, FPriceStyleID, FExchange, FPrice)",
                       {{3, "6909999000099", 1, 12, QVariant()}});
        const ItemMatch m = ItemLookup::find(t.cnstr(), code, style, Codes(codes));
        QCOMPARE(m.found, !found.isEmpty());
        if (m.found)
            QCOMPARE(QStringList({QString::number(m.itemId), QString::number(m.exchange), m.name,
                                  m.hasPrice ? m.price.format() : "-"})
                         .join('|'),
                     found);
    }

    // A card by its number or by a phone of its orders or stored-value rows.
    void findCard_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("card"); // number and owner; " ": not found
        // clang-format off
        QTest::newRow("card number") << "V0001" << "V0001 张丽";
        QTest::newRow("phone of an order") << "13800000002" << "V0002 王建国";
        QTest::newRow("stored value only, phone") << "13900000009" << "V0009 赵六";
        QTest::newRow("empty matches no walk-in") << "" << " ";
        QTest::newRow("quote") << "V0001' or '1'='1" << " ";
        // clang-format on
    }
    void findCard()
    {
        QFETCH(QString, typed);
        QFETCH(QString, card);
        TestDb t(TestDb::Content::Demo);
        TestDb::insert(t.cnstr(), "VipCzBill (FVipNo, FOwner, FPhone, FTranType, FKAmount)",
                       {{"V0009", "赵六", "13900000009", 1, 100}});
        // A walk-in order with no phone must not answer an empty text.
        TestDb::insert(t.cnstr(), "VipOrder (FInterID, FVipNo, FOwner, FPhone)", {{900, "", "散客", ""}});
        const auto found = VipCardLookup::find(t.cnstr(), typed);
        QCOMPARE(found ? found->vipNo + " " + found->owner : " ", card);
    }

    void databaseFailure()
    {
        TestDb t;
        db::execute(t.cnstr(), "drop table t_icitem_barcode");
        db::execute(t.cnstr(), "drop table VipOrder");
        QVERIFY_THROWS_EXCEPTION(db::DbError, ItemLookup::find(t.cnstr(), "777", 1));
        QVERIFY_THROWS_EXCEPTION(db::DbError, VipCardLookup::find(t.cnstr(), "V0001"));
    }
};

QTEST_GUILESS_MAIN(tst_ItemLookup)
#include "tst_ItemLookup.moc"
