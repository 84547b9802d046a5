#include "Cases.h"

#include <cmath>
#include <functional>

#include "core/db/Database.h"
#include "core/db/Dialect.h"
#include "core/members/RechargeBill.h"
#include "core/members/CardHolders.h"
#include "core/members/StoredValueLedger.h"

#include "RawSaves.h"
#include "Seed.h"
#include "Statements.h"

namespace bench {

void balance(Bench &b)
{
    std::vector<double> to, tr;
    std::vector<Money> ours(b.z.lookups), raws(b.z.lookups);
    auto card = [&](int i) {
        return QStringLiteral("V%1").arg((i * 7919) % b.z.members, 5, 10, QLatin1Char('0'));
    };
    rounds(
        b.z.lookups, [&](int i) { ours[i] = StoredValueLedger::balance(b.cnstr, card(i)); },
        [&](int i) { raws[i] = Money::parse(b.raw->run(SBalance, {card(i)}).at(0).at(0)); }, to,
        tr);
    for (int i = 0; i < b.z.lookups; ++i)
        if (ours[i] != raws[i])
            fail(QStringLiteral("balance of %1: %2 against %3")
                     .arg(card(i), ours[i].format(), raws[i].format()));
    line(QStringLiteral("member balance"), b.engineName(), to, tr);
}

void recharge(Bench &b)
{
    auto card = [&](int i) {
        return QStringLiteral("V%1").arg((i * 7919) % b.z.members, 5, 10, QLatin1Char('0'));
    };
    auto phone = [&](int i) {
        return QStringLiteral("138%1").arg((i * 104729) % b.z.members, 8, 10, QLatin1Char('0'));
    };
    requireIndexScans(b, SExplainCard,
                      QStringLiteral("select FOwner, FPhone, FVipID from VipOrder where FVipNo=? and"
                                     " FInterID=(select min(FInterID) from VipOrder where FVipNo=?)"),
                      {card(1), card(1)}, "member lookup by card");
    requireIndexScans(b, SExplainPhone,
                      QStringLiteral("select FVipNo,FOwner from VipOrder where FVipNo=? or FPhone=?"
                                     " order by FInterID"),
                      {phone(1), phone(1)}, "member lookup by phone");
    // Both lookups: the holder's four fields compared, the raw side asking the bills only when
    // the orders hold nothing, as ours does.
    auto holders = [&](const char *what, std::function<QString(int)> text, bool byPhone) {
        std::vector<double> to, tr;
        std::vector<QStringList> ours(b.z.lookups), raws(b.z.lookups);
        rounds(
            b.z.lookups,
            [&](int i) {
                const auto m = CardHolders::find(b.cnstr, text(i),
                                                 byPhone ? CardHolders::Search::NumberOrPhone
                                                         : CardHolders::Search::OrdersThenRecharges);
                if (m)
                    ours[i] = {m->vipNo, m->owner, m->phone, m->vipId};
            },
            [&](int i) {
                Table t = b.raw->run(byPhone ? SByPhone : SByCard, {text(i)});
                if (t.empty())
                    t = b.raw->run(byPhone ? SByPhoneBill : SByCardBill, {text(i)});
                if (!t.empty())
                    for (const QString &v : t[0])
                        raws[i] << v;
            },
            to, tr);
        for (int i = 0; i < b.z.lookups; ++i)
            if (ours[i] != raws[i] || ours[i].isEmpty())
                fail(QStringLiteral("%1 %2: %3 against %4")
                         .arg(QLatin1String(what), text(i), ours[i].join(u'|'), raws[i].join(u'|')));
        line(QLatin1String(what), b.engineName(), to, tr);
    };
    holders("member lookup by card", card, false);
    holders("member lookup by phone", phone, true);
    const int before = db::scalar(b.cnstr, QStringLiteral("select count(*) from VipCzBill")).toInt();
    std::vector<double> to, tr;
    const QDate d(2026, 12, 31);
    auto input = [&](int i) {
        RechargeInput in;
        in.vipNo = card(i);
        in.vipId = QStringLiteral("ID") + in.vipNo.mid(1);
        in.owner = QStringLiteral("会员");
        in.phone = phone(i);
        in.date = d;
        in.amount = Money::fromInt(100);
        in.gift = Money::fromInt(20);
        in.billerId = 1;
        return in;
    };
    rounds(
        b.z.saves, [&](int i) { RechargeBill::save(b.cnstr, input(2 * i)); },
        [&](int i) { rawRecharge(*b.raw, b.engine, input(2 * i + 1)); }, to, tr);
    const int written =
        db::scalar(b.cnstr, QStringLiteral("select count(*) from VipCzBill")).toInt() - before;
    // Each row carries the balance before it and 120.00 more after it.
    const int right =
        db::scalar(b.cnstr,
                   QStringLiteral("select count(*) from VipCzBill where FDate=? and FTranType=1"
                                  " and FKAmount=120 and FCzAmount=100 and FZsAmount=20"
                                  " and FEndAmount-FBegAmount=120 and FSumAmount=120"),
                   {d})
            .toInt();
    if (written != 2 * b.z.saves || right != written)
        fail(QStringLiteral("recharge save: %1 rows, %2 as expected").arg(written).arg(right));
    line(QStringLiteral("recharge save (lock + balance + row)"), b.engineName(), to, tr);
}

} // namespace bench
