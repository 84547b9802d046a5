#include "Cases.h"

#include <random>

#include "core/backoffice/ItemStore.h"
#include "core/backoffice/MemberRegister.h"

#include "Seed.h"
#include "Statements.h"

namespace bench {

namespace {

enum BackofficeStmt { SRegister = 140 };

// The member register written by hand: the matching cards first (each column a range of its
// index), cut to the page before anything is summed, then each document table read once for
// all of them. ?1 and ?2 the range of the text, ?3 today, ?4 the page.
QString registerSql(bool lite)
{
    const QString range = QStringLiteral("(%1>=?1 and %1<?2)");
    auto any = [&](const QStringList &columns) {
        QStringList parts;
        for (const QString &c : columns)
            parts << range.arg(c);
        return parts.join(u" or "_qs);
    };
    QString sql =
        QStringLiteral(
            "with k as (select FVipNo from (select FVipNo from VipOrder where %1 union select"
            " FVipNo from VipCzBill where %1 union select FVipNo from ICStockBill where %2) m"
            " where FVipNo<>'' order by FVipNo limit ?4),"
            " o as (select o.FVipNo as v, max(o.FOwner) as owner, max(o.FVipID) as vid,"
            " max(o.FPhone) as phone, max(o.Fdate) as d from VipOrder o where o.FVipNo in"
            " (select FVipNo from k) group by o.FVipNo),"
            " c as (select c.FVipNo as v, max(c.FOwner) as owner, max(c.FVipID) as vid,"
            " max(c.FPhone) as phone, sum(%3) as bal, max(c.FDate) as d from VipCzBill c where"
            " c.FVipNo in (select FVipNo from k) group by c.FVipNo),"
            " s as (select s.FVipNo as v, max(s.FOwner) as owner, max(s.Fdate) as d from"
            " ICStockBill s where s.FVipNo in (select FVipNo from k) group by s.FVipNo),"
            " q as (select o.FVipNo as v, sum(e.FQty+coalesce(e.FPreQty,0)-coalesce(e.FCplQty,0))"
            " as open from VipOrder o join VipOrderEntry e on e.FInterID=o.FInterID where"
            " o.FVipNo in (select FVipNo from k) and coalesce(o.FClosed,0)=0 and (e.FYxq is null or"
            " e.FYxq>=?3) group by o.FVipNo)"
            " select k.FVipNo, coalesce(o.owner, c.owner, s.owner), coalesce(o.vid, c.vid),"
            " coalesce(o.phone, c.phone), c.bal, q.open, o.d, c.d, s.d from k left join o on"
            " o.v=k.FVipNo left join c on c.v=k.FVipNo left join s on s.v=k.FVipNo left join q"
            " on q.v=k.FVipNo order by k.FVipNo")
            .arg(any({u"FVipNo"_qs, u"FOwner"_qs, u"FVipID"_qs, u"FPhone"_qs}),
                 any({u"FVipNo"_qs, u"FOwner"_qs}),
                 QStringLiteral("case when c.FTranType=1 then coalesce(c.FKAmount,0) when"
                                " c.FTranType=2 then -coalesce(c.FKAmount,0) else 0 end"));
    // SQLite reads one card fastest through its indexes, a subquery at a time, once the page
    // is cut.
    if (lite)
        sql = sql.left(sql.indexOf(u" o as ("_qs)).chopped(1) +
              QStringLiteral(
                  " select k.FVipNo, coalesce((select max(FOwner) from VipOrder where"
                  " FVipNo=k.FVipNo), (select max(FOwner) from VipCzBill where FVipNo=k.FVipNo),"
                  " (select max(FOwner) from ICStockBill where FVipNo=k.FVipNo)),"
                  " coalesce((select max(FVipID) from VipOrder where FVipNo=k.FVipNo),"
                  " (select max(FVipID) from VipCzBill where FVipNo=k.FVipNo)),"
                  " coalesce((select max(FPhone) from VipOrder where FVipNo=k.FVipNo),"
                  " (select max(FPhone) from VipCzBill where FVipNo=k.FVipNo)),"
                  " (select sum(case when FTranType=1 then coalesce(FKAmount,0) when FTranType=2"
                  " then -coalesce(FKAmount,0) else 0 end) from VipCzBill where FVipNo=k.FVipNo),"
                  " (select sum(e.FQty+coalesce(e.FPreQty,0)-coalesce(e.FCplQty,0)) from VipOrder"
                  " o join VipOrderEntry e on e.FInterID=o.FInterID where o.FVipNo=k.FVipNo and"
                  " coalesce(o.FClosed,0)=0 and (e.FYxq is null or e.FYxq>=?3)),"
                  " (select max(Fdate) from VipOrder where FVipNo=k.FVipNo),"
                  " (select max(FDate) from VipCzBill where FVipNo=k.FVipNo),"
                  " (select max(Fdate) from ICStockBill where FVipNo=k.FVipNo) from k"
                  " order by k.FVipNo");
    if (!lite)
        for (int i = 4; i >= 1; --i)
            sql.replace(QStringLiteral("?%1").arg(i), QStringLiteral("$%1").arg(i));
    if (!lite)
        sql.replace(u"$3)"_qs, u"$3::date)"_qs).replace(u"limit $4"_qs, u"limit $4::int"_qs);
    return sql;
}

QStringList memberFields(const MemberRegister::Member &m)
{
    return {m.vipNo,
            m.owner,
            m.vipId,
            m.phone,
            m.balance.format(),
            QString::number(m.openQty),
            m.lastVisit.toString(Qt::ISODate)};
}

QStringList rawMemberFields(const Texts &r)
{
    QDate last;
    for (int c = 6; c <= 8; ++c) {
        const QDate d = QDate::fromString(r[c].left(10), Qt::ISODate);
        if (d.isValid() && (!last.isValid() || d > last))
            last = d;
    }
    return {r[0],
            r[1],
            r[2],
            r[3],
            Money::parse(r[4]).format(),
            QString::number(qRound64(r[5].toDouble())),
            last.toString(Qt::ISODate)};
}

} // namespace

// The back office as the operator types: the item list filtered at each key over the items
// and their codes (pack codes added here up to two per item beside its own code), and the
// member register searched over the cards of the movements.
void backoffice(Bench &b)
{
    const bool lite = b.engine == db::Engine::SQLite;
    const QString n = QString::number(b.z.items);
    const QString series = lite ? QStringLiteral("with recursive s(i) as (select 1 union all select i+1"
                                                 " from s where i<%1) ").arg(n)
                                : QString();
    const QString from = lite ? QStringLiteral(" from s") : QStringLiteral(" from generate_series(1,%1) s(i)").arg(n);
    const QString code = lite ? QStringLiteral("printf('%011d', i)") : QStringLiteral("lpad(i::text, 11, '0')");
    b.raw->exec((series + QStringLiteral("insert into t_icitem_barcode (FItemID, FBarCode, FPriceStyleID, FExchange,"
                                         " FPrice) select i, '89' || ") + code +
                 QStringLiteral(", 1, 12, 20") + from + QStringLiteral(" where i % 10 <> 0"))
                    .toUtf8()
                    .constData());
    b.raw->exec("ANALYZE");
    std::mt19937 rng(11);
    auto toTexts = [](const QVariantList &params) {
        Texts t;
        for (const QVariant &v : params)
            t.push_back(v.typeId() == QMetaType::QDate ? v.toDate().toString(Qt::ISODate) : v.toString());
        return t;
    };
    // What an operator types, one key at a time: a shop number, a bar code, part of a name.
    std::vector<QString> typed;
    for (int r = 0; r < std::max(4, b.z.lookups / 60); ++r) {
        const int i = 1 + int(rng() % unsigned(b.z.items));
        const QString words[] = {QStringLiteral("S%1").arg(i, 6, 10, QLatin1Char('0')),
                                 QStringLiteral("69%1").arg(i, 11, 10, QLatin1Char('0')),
                                 QStringLiteral("鲜奶%1").arg(i)};
        for (const QString &w : words)
            for (int len = 1; len <= w.size(); ++len)
                typed.push_back(w.left(len));
    }
    std::vector<double> to, tr;
    std::vector<QStringList> ours(typed.size()), raws(typed.size());
    rounds(
        int(typed.size()),
        [&](int i) {
            for (const auto &row : ItemStore::search(b.cnstr, typed[i], 1))
                ours[i] << QString::number(row.id);
        },
        [&](int i) {
            for (const Texts &r :
                 b.raw->run(SItemSearch, toTexts(ItemStore::searchParams(typed[i], 500))))
                raws[i] << r.at(0);
        },
        to, tr);
    // The same items in the same order.
    for (size_t i = 0; i < typed.size(); ++i)
        if (ours[i] != raws[i])
            fail(QStringLiteral("item search \"%1\": ours %2 rows, raw %3")
                     .arg(typed[i])
                     .arg(ours[i].size())
                     .arg(raws[i].size()));
    line(QStringLiteral("item search as typed"), b.engineName(), to, tr);

    const QDate today(2026, 1, 1);
    std::vector<QString> cards;
    for (int r = 0; r < std::max(3, b.z.lookups / 300); ++r) {
        const int m = int(rng() % unsigned(b.z.members));
        cards.push_back(QStringLiteral("V%1").arg(m, 5, 10, QLatin1Char('0')));
        cards.push_back(QStringLiteral("138%1").arg(m, 8, 10, QLatin1Char('0')));
    }
    to.clear();
    tr.clear();
    b.raw->prepare(SRegister, registerSql(lite));
    std::vector<QList<QStringList>> members(cards.size()), rawMembers(cards.size());
    rounds(
        int(cards.size()),
        [&](int i) {
            members[i].clear();
            for (const auto &m : MemberRegister::search(b.cnstr, cards[i], today))
                members[i] << memberFields(m);
        },
        [&](int i) {
            rawMembers[i].clear();
            for (const Texts &r : b.raw->run(SRegister, {cards[i], cards[i] + QChar(0xFFFF),
                                                         today.toString(Qt::ISODate), u"1000"_qs}))
                rawMembers[i] << rawMemberFields(r);
        },
        to, tr);
    for (size_t i = 0; i < cards.size(); ++i)
        if (members[i] != rawMembers[i] || members[i].isEmpty())
            fail(QStringLiteral("member register \"%1\": ours %2 cards [%3], raw %4 [%5]")
                     .arg(cards[i])
                     .arg(members[i].size())
                     .arg(members[i].value(0).join(u'|'))
                     .arg(rawMembers[i].size())
                     .arg(rawMembers[i].value(0).join(u'|')));
    line(QStringLiteral("member register search"), b.engineName(), to, tr);
}

} // namespace bench
