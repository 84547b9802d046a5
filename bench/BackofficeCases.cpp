#include "Cases.h"

#include <random>

#include "core/backoffice/ItemStore.h"
#include "core/backoffice/MemberRegister.h"

#include "Seed.h"
#include "Statements.h"

namespace bench {

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
    std::vector<int> ours(typed.size()), raws(typed.size());
    rounds(
        int(typed.size()), [&](int i) { ours[i] = int(ItemStore::search(b.cnstr, typed[i], 1).size()); },
        [&](int i) { raws[i] = int(b.raw->run(SItemSearch, toTexts(ItemStore::searchParams(typed[i], 500))).size()); },
        to, tr);
    for (size_t i = 0; i < typed.size(); ++i)
        if (ours[i] != raws[i])
            fail(QStringLiteral("item search \"%1\": ours %2 rows, raw %3").arg(typed[i]).arg(ours[i]).arg(raws[i]));
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
    rounds(
        int(cards.size()), [&](int i) { MemberRegister::search(b.cnstr, cards[i], today); },
        [&](int i) { b.raw->run(SMemberSearch, toTexts(MemberRegister::searchParams(cards[i], today, 1000))); },
        to, tr);
    line(QStringLiteral("member register search"), b.engineName(), to, tr);
}

} // namespace bench
