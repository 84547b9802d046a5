#include "SoakSeed.h"

#include <QDate>
#include <QRandomGenerator>

#include "core/db/Schema.h"
#include "core/db/Transaction.h"
#include "core/members/RechargeBill.h"
#include "core/orders/MemberOrder.h"
#include "core/orders/MemberOrderStore.h"

namespace {

constexpr int kMembers = 6;

struct Pack
{
    int item;
    const char *code;
    int exchange;
    int cents;
};

const Pack kPacks[] = {
    {1, "6910000000011", 6, 1980}, {2, "6910000000028", 12, 7200}, {4, "6910000000042", 6, 1680}};

} // namespace

QList<SoakSeed::Member> SoakSeed::members()
{
    QList<Member> out;
    for (int i = 1; i <= kMembers; ++i)
        out.append({QStringLiteral("C%1").arg(i, 3, 10, QLatin1Char('0')),
                    QStringLiteral("会员%1").arg(i),
                    QStringLiteral("1390000%1").arg(i, 4, 10, QLatin1Char('0')),
                    QStringLiteral("11010119800101%1").arg(i, 4, 10, QLatin1Char('0'))});
    return out;
}

QList<SoakSeed::Item> SoakSeed::items()
{
    return {
        {1, QStringLiteral("鲜牛奶 250ml"), QStringLiteral("101"), QStringLiteral("6901234500011"),
         Money::fromCents(350)},
        {2, QStringLiteral("鲜牛奶 500ml"), QStringLiteral("102"), QStringLiteral("6901234500028"),
         Money::fromCents(650)},
        {3, QStringLiteral("低脂牛奶 250ml"), QStringLiteral("103"),
         QStringLiteral("6901234500035"), Money::fromCents(380)},
        {4, QStringLiteral("原味酸奶 150g"), QStringLiteral("201"), QStringLiteral("6901234500066"),
         Money::fromCents(300)},
        {5, QStringLiteral("老酸奶 180g"), QStringLiteral("203"), QStringLiteral("6901234500080"),
         Money::fromCents(500)},
        {6, QStringLiteral("学生奶 200ml"), QStringLiteral("106"), QStringLiteral("6901234500103"),
         Money::fromCents(250)},
    };
}

QStringList SoakSeed::scanCodes()
{
    QStringList codes;
    for (const Item &it : items())
        codes << it.shopNumber << it.barCode;
    for (const Pack &p : kPacks)
        codes << QString::fromLatin1(p.code);
    codes << QStringLiteral("6999999999999");
    return codes;
}

void SoakSeed::create(const QString &cnstr, quint64 seed)
{
    QRandomGenerator rng(quint32(seed ^ (seed >> 32)));
    db::Schema::ensure(cnstr);
    const int retail = db::Schema::addPriceStyle(cnstr, retailStyleName());
    const QDate today = QDate::currentDate();
    {
        db::Transaction tx(cnstr);
        const QString itemSql = QStringLiteral("insert into t_icitem (FItemID, FName, FNumber,"
                                               " FShopNumber, FBar_Code, FUnit, FPrice_%1)"
                                               " values (?,?,?,?,?,?,?)")
                                    .arg(retail);
        for (const Item &it : items())
            tx.execute(itemSql,
                       {it.id, it.name, QStringLiteral("01.%1").arg(it.id, 3, 10, QLatin1Char('0')),
                        it.shopNumber, it.barCode, QStringLiteral("袋"), it.price.toVariant()});
        for (const Pack &p : kPacks)
            tx.execute(
                QStringLiteral("insert into t_icitem_barcode (FItemID, FBarCode, FPriceStyleID,"
                               " FExchange, FPrice) values (?,?,?,?,?)"),
                {p.item, QString::fromLatin1(p.code), retail, p.exchange,
                 Money::fromCents(p.cents).toVariant()});
        tx.execute(
            QStringLiteral("insert into t_stock (FItemID, FName, FNumber) values (1,?,'01')"),
            {stockName()});
        const QString userSql = QStringLiteral(
            "insert into t_user (FUserID, FUserName, FManager, FAllowQuerydAys) values (?,?,1,0)");
        tx.execute(userSql, {ManagerId, QStringLiteral("店长")});
        for (int s = 1; s <= MaxStations; ++s)
            tx.execute(userSql, {billerOf(s), QStringLiteral("收银台%1").arg(s)});
        tx.commit();
    }

    const QList<Member> ms = members();
    const QList<Item> its = items();
    for (const Member &m : ms) {
        RechargeInput r;
        r.vipNo = m.card;
        r.owner = m.owner;
        r.phone = m.phone;
        r.vipId = m.vipId;
        r.date = today;
        r.amount = Money::fromInt(100 + 50 * rng.bounded(6));
        r.remark = QStringLiteral("开户充值");
        r.billerId = ManagerId;
        RechargeBill::save(cnstr, r);
    }
    // Two orders a member, of one and of two lines, all paid in cash, none started.
    db::Transaction tx(cnstr);
    for (const Member &m : ms) {
        for (int lines = 1; lines <= 2; ++lines) {
            MemberOrder o;
            o.date = today;
            o.vipNo = m.card;
            o.owner = m.owner;
            o.phone = m.phone;
            o.vipId = m.vipId;
            for (int l = 0; l < lines; ++l) {
                const Item &it = its.at(rng.bounded(int(its.size())));
                MemberOrderLine ol;
                ol.itemId = it.id;
                ol.qty = 4 + rng.bounded(6);
                ol.gift = rng.bounded(3);
                ol.price = it.price;
                o.lines.append(ol);
            }
            MemberOrderStore::insert(tx, o, o.sumAmount(), Money(), ManagerId);
        }
    }
    tx.commit();
}
