#include <atomic>
#include <thread>

#include <QtTest>

#include "Race.h"
#include "TestDb.h"
#include "core/backoffice/ItemStore.h"
#include "core/backoffice/MemberRegister.h"
#include "core/backoffice/OperatorStore.h"
#include "core/backoffice/PriceStyleStore.h"
#include "core/backoffice/RecordGuard.h"
#include "core/backoffice/WarehouseStore.h"
#include "core/db/Database.h"
#include "core/db/Dialect.h"
#include "core/frame/Authenticator.h"
#include "core/frame/ReferenceData.h"
#include "core/members/StoredValueLedger.h"
#include "core/pos/ItemLookup.h"

namespace {

ItemRecord item(const QString &name, const QString &barCode, const QList<PackCode> &codes = {})
{
    ItemRecord i;
    i.name = name;
    i.barCode = barCode;
    i.codes = codes;
    return i;
}

} // namespace

class tst_BackOffice : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { KWPOS_REQUIRE_ENGINE(); }

    // Two stations add the same code at once, as an item's own code or as a pack code: one
    // is saved, the other is told which item holds it, and the code has one owner.
    void barCodeRace_data()
    {
        QTest::addColumn<bool>("secondAsPack");
        QTest::newRow("own and own") << false;
        QTest::newRow("own and pack") << true;
    }
    void barCodeRace()
    {
        QFETCH(bool, secondAsPack);
        TestDb t;
        const int retail = PriceStyleStore::add(t.cnstr(), PriceStyleStore::retailName());
        const QString code = QStringLiteral("6900000000001");
        const ItemRecord a = item(QStringLiteral("甲奶"), code);
        const ItemRecord b = secondAsPack ? item(QStringLiteral("乙奶"), QStringLiteral("6900000000002"),
                                                 {{code, retail, 6, Money::fromInt(18)}})
                                          : item(QStringLiteral("乙奶"), code);
        QStringList refused = race([&] { ItemStore::save(t.cnstr(), a); },
                                   [&] { ItemStore::save(t.cnstr(), b); });
        refused.sort();
        QCOMPARE(refused.first(), QString());
        QVERIFY2(refused.last() == "条码已被商品“甲奶”使用！" || refused.last() == "条码已被商品“乙奶”使用！",
                 qPrintable(refused.last()));
        QCOMPARE(TestDb::dump(t.cnstr(), "select count(*) from t_icitem_code where FCode=?", {code}), "1");
        QCOMPARE(TestDb::dump(t.cnstr(), "select count(*) from t_icitem"), "1");
        // A later item with the taken code is refused at the field that holds it.
        QCOMPARE(TestDb::refusalAt([&] { ItemStore::save(t.cnstr(), item("丙奶", "x", {{code, retail, 1, Money()}})); }),
                 refused.last() + " @ FlexCodes");
    }

    // What a station read is no longer what is stored: its save is refused, nothing of it
    // is written.
    void staleEdit()
    {
        TestDb t;
        const QString c = t.cnstr();
        const int id = ItemStore::save(c, item("鲜奶", "111"));
        const ItemRecord read = *ItemStore::load(c, id);
        ItemRecord other = read;
        other.name = "鲜奶（大）";
        ItemStore::save(c, other, read);
        ItemRecord mine = read;
        mine.unit = "瓶";
        QCOMPARE(TestDb::refusalOf([&] { ItemStore::save(c, mine, read); }), RecordGuard::staleMessage());
        QCOMPARE(TestDb::refusalOf([&] { ItemStore::setDisabled(c, read, true); }), RecordGuard::staleMessage());
        QCOMPARE(TestDb::dump(c, "select FName, FUnit, FDisabled from t_icitem"), "鲜奶（大）,,0");

        const int w = WarehouseStore::save(c, {0, "01", "店面", false});
        const WarehouseStore::Warehouse wRead = WarehouseStore::list(c).first();
        WarehouseStore::save(c, {w, "01", "门店", false}, wRead);
        QCOMPARE(TestDb::refusalOf([&] { WarehouseStore::save(c, {w, "01", "前店", false}, wRead); }),
                 RecordGuard::staleMessage());

        t.addUser(1, "店长", true);
        const OperatorStore::Operator opRead = OperatorStore::list(c).first();
        OperatorStore::update(c, {1, "店长", true, 30, false}, opRead);
        QCOMPARE(TestDb::refusalOf([&] { OperatorStore::update(c, {1, "老板", true, 0, false}, opRead); }),
                 RecordGuard::staleMessage());
        QCOMPARE(TestDb::dump(c, "select FUserName, FAllowQuerydAys from t_user"), "店长,30");
    }

    // The shop keeps an enabled manager: not the last one disabled or demoted, nobody
    // disables himself, and two stations demoting the last two at once leave one.
    void lastManager()
    {
        TestDb t;
        const QString c = t.cnstr();
        t.addUser(1, "店长", true);
        t.addUser(2, "副店长", true);
        t.addUser(3, "收银员", false);
        auto op = [&](int id) {
            for (const OperatorStore::Operator &o : OperatorStore::list(c))
                if (o.id == id)
                    return o;
            return OperatorStore::Operator{};
        };
        QCOMPARE(TestDb::refusalOf([&] { OperatorStore::setDisabled(c, op(1), true, 1); }), "不能停用自己！");
        const QStringList refused = race(
            [&] { OperatorStore::update(c, {1, "店长", false, 0, false}, op(1)); },
            [&] { OperatorStore::setDisabled(c, op(2), true, 3); });
        QCOMPARE(QString(refused.join("|")).count("至少要保留一个启用的店长！"), 1);
        QCOMPARE(TestDb::dump(c, "select count(*) from t_user where FManager=1 and FDisabled=0"), "1");
        const int last = op(1).manager && !op(1).disabled ? 1 : 2;
        QCOMPARE(TestDb::refusalOf([&] { OperatorStore::setDisabled(c, op(last), true, 3); }),
                 "至少要保留一个启用的店长！");
        QCOMPARE(TestDb::refusalOf([&] { OperatorStore::update(c, {last, op(last).name, false, 0, false}, op(last)); }),
                 "至少要保留一个启用的店长！");
        OperatorStore::setDisabled(c, op(3), true, last); // a cashier may go
    }

    // A disabled item is not rung up by its own code, its shop number or its pack code; a
    // used item cannot be deleted.
    void disabledItemNotAtCounter()
    {
        TestDb t;
        const QString c = t.cnstr();
        const int retail = PriceStyleStore::add(c, PriceStyleStore::retailName());
        ItemRecord i = item("酸奶", "222", {{"2226", retail, 6, Money::fromCents(1650)}});
        i.shopNumber = "22";
        i.prices = {{retail, Money::fromCents(300)}};
        const int id = ItemStore::save(c, i);
        const ItemMatch pack = ItemLookup::find(c, "2226", retail);
        QVERIFY(pack.found);
        QCOMPARE(pack.price, Money::fromCents(1650));
        QCOMPARE(pack.exchange, 6);
        QCOMPARE(ItemLookup::find(c, "22", retail).price, Money::fromCents(300));
        TestDb::insert(c, "ICStockBillEntry (FInterID, FEntryID, FItemID)", {{1, 1, id}});
        QCOMPARE(TestDb::refusalOf([&] { ItemStore::remove(c, *ItemStore::load(c, id)); }),
                 "商品“酸奶”已被单据使用，不能删除，请停用！");
        ItemStore::setDisabled(c, *ItemStore::load(c, id), true);
        for (const char *code : {"222", "22", "2226"})
            QVERIFY2(!ItemLookup::find(c, code, retail).found, code);
        QCOMPARE(ItemStore::search(c, "酸", retail).value(0).disabled, true);
    }

    // A disabled operator is neither listed at the login nor let in, whatever the password.
    void disabledOperatorRefusedAtLogin()
    {
        TestDb t;
        const QString c = t.cnstr();
        t.addUser(1, "店长", true);
        const int id = OperatorStore::add(c, {0, "小王", false, 7, false}, "5678", "5678");
        QCOMPARE(TestDb::refusalAt([&] { OperatorStore::add(c, {0, "小李", false, 0, false}, "1", "2"); }),
                 "两次输入的密码不一致！ @ txtConfirm");
        QCOMPARE(Authenticator::verify(c, "小王", "5678")->userId, id);
        OperatorStore::setDisabled(c, OperatorStore::list(c).last(), true, 1);
        QVERIFY(!Authenticator::verify(c, "小王", "5678"));
        QVERIFY(!ReferenceData::operatorNames(c, ReferenceData::Operators::Enabled).contains("小王"));
        OperatorStore::resetPassword(c, OperatorStore::list(c).last(), "0000", "0000");
        OperatorStore::setDisabled(c, OperatorStore::list(c).last(), false, 1);
        QVERIFY(Authenticator::verify(c, "小王", "0000"));
    }

    // What the counter and the reports read: warehouses and items by number, the disabled
    // ones left out; a disabled or unknown warehouse has no id, so no sale goes out of it;
    // operators by id, the disabled ones only in the full list; an unknown id has no name;
    // no retail price style until the shop has one.
    void referenceData()
    {
        TestDb t;
        const QString c = t.cnstr();
        const auto names = [](const QStringList &l) { return l.join(u','); };
        TestDb::insert(c, "t_stock (FItemID, FNumber, FName, FDisabled)",
                       {{7, "02", "后仓", 0}, {8, "01", "店面", QVariant()}, {9, "00", "旧仓", 1}});
        QCOMPARE(names(ReferenceData::warehouseNames(c)), "店面,后仓");
        QCOMPARE(QList<int>({ReferenceData::warehouseId(c, "后仓"), ReferenceData::warehouseId(c, "店面"),
                             ReferenceData::warehouseId(c, "旧仓"), ReferenceData::warehouseId(c, "无此仓"),
                             ReferenceData::warehouseId(c, "店面' or '1'='1")}),
                 QList<int>({7, 8, 0, 0, 0}));
        TestDb::insert(c, "t_icitem (FItemID, FNumber, FName, FDisabled)",
                       {{1, "B", "酸奶", 0}, {2, "A", "鲜奶", QVariant()}, {3, "0", "停售奶", 1}});
        QCOMPARE(names(ReferenceData::itemNames(c)), "鲜奶,酸奶");
        t.addUser(5, "收银员", false);
        t.addUser(2, "店长", true);
        t.addUser(9, "离职", false);
        db::execute(c, "update t_user set FDisabled=1 where FUserID=9");
        QCOMPARE(names(ReferenceData::operatorNames(c)), "店长,收银员,离职");
        QCOMPARE(names(ReferenceData::operatorNames(c, ReferenceData::Operators::Enabled)), "店长,收银员");
        QCOMPARE(ReferenceData::operatorName(c, 9) + "|" + ReferenceData::operatorName(c, 4), "离职|");
        QCOMPARE(ReferenceData::retailPriceStyleId(c), 0);
        TestDb::insert(c, "t_pricestyle (FItemID, FName)", {{3, "会员价"}, {4, PriceStyleStore::retailName()}});
        QCOMPARE(ReferenceData::retailPriceStyleId(c), 4);
    }

    // Typed prices and pieces: plain numbers only, at most two decimals, pieces from 1.
    void typedNumbers_data()
    {
        QTest::addColumn<QString>("price");
        QTest::addColumn<QString>("result"); // the price, or the refusal
        const QString bad = "价格必须是不小于0、最多两位小数的数！";
        QTest::newRow("1.005") << "1.005" << bad;
        QTest::newRow("1.50") << "1.50" << "1.50";
        QTest::newRow("1.5000") << "1.5000" << "1.50";
        QTest::newRow("0") << "0" << "0.00";
        QTest::newRow("negative") << "-1" << bad;
        QTest::newRow("exponent") << "1e3" << bad;
        QTest::newRow("leading number") << "3.5元" << bad;
        QTest::newRow("too long") << QString(40, '9') << bad;
        QTest::newRow("empty") << "" << "none";
    }
    void typedNumbers()
    {
        QFETCH(QString, price);
        QFETCH(QString, result);
        std::optional<Money> got;
        const QString refused = TestDb::refusalOf([&] { got = ItemStore::parsePrice(price, "txtPrice_1"); });
        QCOMPARE(refused.isEmpty() ? (got ? got->format() : QString("none")) : refused, result);
    }

    // The same rules stand in the store, for callers that do not type.
    void storedRules()
    {
        TestDb t;
        const QString c = t.cnstr();
        const int retail = PriceStyleStore::add(c, PriceStyleStore::retailName());
        ItemRecord i = item("鲜奶", "333");
        i.prices = {{retail, Money::fromUnits(10050)}}; // 1.005
        QCOMPARE(TestDb::refusalAt([&] { ItemStore::save(c, i); }),
                 QStringLiteral("价格必须是不小于0、最多两位小数的数！ @ txtPrice_%1").arg(retail));
        i.prices.clear();
        i.codes = {{"3336", retail, 0, Money::fromInt(1)}};
        QCOMPARE(TestDb::refusalAt([&] { ItemStore::save(c, i); }), "每包件数必须是不小于1的整数！ @ FlexCodes");
        i.codes = {{"333", retail, 1, Money::fromInt(1)}};
        QCOMPARE(TestDb::refusalAt([&] { ItemStore::save(c, i); }), "条码“333”重复！ @ FlexCodes");
        QCOMPARE(TestDb::refusalAt([] { ItemStore::parsePieces("0", "txtPieces"); }),
                 "每包件数必须是不小于1的整数！ @ txtPieces");
        QCOMPARE(TestDb::dump(c, "select count(*) from t_icitem"), "0");

        // The retail style stays; another one goes unless a pack code is priced in it.
        const PriceStyleStore::Style retailStyle{retail, PriceStyleStore::retailName()};
        QCOMPARE(TestDb::refusalOf([&] { PriceStyleStore::remove(c, retailStyle); }),
                 "“零售价”是前台使用的价格，不能删除！");
        QCOMPARE(TestDb::refusalOf([&] { PriceStyleStore::rename(c, retailStyle, "零售"); }),
                 "“零售价”是前台使用的价格，不能改名！");
        const int member = PriceStyleStore::add(c, "会员价");
        QCOMPARE(TestDb::refusalOf([&] { PriceStyleStore::add(c, "会员价"); }), "价格体系“会员价”已存在！");
        PriceStyleStore::rename(c, {member, "会员价"}, "批发价");
        i.codes = {{"3336", member, 6, Money::fromInt(18)}};
        i.prices = {{member, Money::fromCents(280)}};
        const int id = ItemStore::save(c, i);
        QCOMPARE(ItemStore::load(c, id)->prices.value(member), Money::fromCents(280));
        QCOMPARE(TestDb::refusalOf([&] { PriceStyleStore::remove(c, {member, "批发价"}); }),
                 "价格体系“批发价”已被商品条码使用，不能删除！");

        // The last enabled warehouse stays.
        WarehouseStore::save(c, {0, "01", "店面", false});
        QCOMPARE(TestDb::refusalOf([&] { WarehouseStore::setDisabled(c, WarehouseStore::list(c).first(), true); }),
                 "至少要保留一个启用的仓库！");
    }

    // The register finds the demo's cards by any of their details, with balance, open units
    // and last visit summed from the documents.
    void memberRegister_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("cards");
        QTest::newRow("holder") << "张丽" << "V0001,V0005";
        QTest::newRow("phone") << "13800000002" << "V0002";
        QTest::newRow("identity") << "110101196810" << "V0003";
        QTest::newRow("card") << "V000" << "V0001,V0002,V0003,V0004,V0005";
        QTest::newRow("quote") << "O'N" << "V0004";
        QTest::newRow("wildcard") << "%" << "";
        QTest::newRow("everyone") << "" << "V0001,V0002,V0003,V0004,V0005";
    }
    void memberRegister()
    {
        QFETCH(QString, text);
        QFETCH(QString, cards);
        TestDb t(TestDb::Content::Demo);
        const QList<MemberRegister::Member> found = MemberRegister::search(t.cnstr(), text, QDate::currentDate());
        QStringList numbers;
        for (const MemberRegister::Member &m : found)
            numbers << m.vipNo;
        QCOMPARE(numbers.join(','), cards);
        if (text == "张丽") {
            const MemberRegister::Member &m = found.first();
            QCOMPARE(m.balance, StoredValueLedger::balance(t.cnstr(), "V0001"));
            QCOMPARE(QString::number(m.openQty),
                     TestDb::dump(t.cnstr(), "select sum(e.FQty+e.FPreQty-e.FCplQty) from VipOrder o"
                                             " join VipOrderEntry e on e.FInterID=o.FInterID"
                                             " where o.FVipNo='V0001' and o.FClosed=0"));
            QCOMPARE(m.lastVisit, QDate::currentDate().addDays(-1));
            QCOMPARE(m.phone, "13800000001");
        }
    }
};

QTEST_GUILESS_MAIN(tst_BackOffice)
#include "tst_BackOffice.moc"
