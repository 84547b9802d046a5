#include "Cases.h"

#include <cmath>
#include <functional>

#include "core/db/Database.h"
#include "core/db/Dialect.h"
#include "core/members/RechargeBill.h"
#include "core/members/CardHolders.h"
#include "core/members/StoredValueLedger.h"

#include "Seed.h"
#include "Statements.h"

namespace bench {

void balance(Bench &b)
{
    std::vector<double> to, tr;
    std::vector<double> ours(b.z.lookups), raws(b.z.lookups);
    auto card = [&](int i) {
        return QStringLiteral("V%1").arg((i * 7919) % b.z.members, 5, 10, QLatin1Char('0'));
    };
    rounds(
        b.z.lookups, [&](int i) { ours[i] = StoredValueLedger::balance(b.cnstr, card(i)).toDouble(); },
        [&](int i) { raws[i] = b.raw->run(SBalance, {card(i)}).at(0).at(0).toDouble(); }, to, tr);
    for (int i = 0; i < b.z.lookups; ++i)
        if (std::abs(ours[i] - raws[i]) > 0.005)
            fail(QStringLiteral("balance of %1: %2 against %3")
                     .arg(card(i))
                     .arg(ours[i])
                     .arg(raws[i]));
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
    rounds(
        b.z.saves,
        [&](int i) {
            RechargeInput in;
            in.vipNo = card(i);
            in.vipId = QStringLiteral("ID") + in.vipNo.mid(1);
            in.owner = QStringLiteral("会员");
            in.phone = phone(i);
            in.date = d;
            in.amount = Money::fromInt(100);
            in.gift = Money::fromInt(20);
            in.billerId = 1;
            RechargeBill::save(b.cnstr, in);
        },
        [&](int i) {
            b.raw->run(SBegin, {});
            b.raw->run(SLock, {card(i)});
            const double bal = b.raw->run(SBalance, {card(i)}).at(0).at(0).toDouble();
            b.raw->run(SRecharge,
                       {card(i), QStringLiteral("ID") + card(i).mid(1), u"会员"_qs, phone(i),
                        u"2026-12-31"_qs, u"2026-12-31 09:30:00"_qs, u"120"_qs, u"100"_qs,
                        u"20"_qs, QString(), QString::number(bal, 'f', 4),
                        QString::number(bal + 120, 'f', 4), u"2026年"_qs, u"2026年4季度"_qs,
                        u"2026年12月"_qs, u"120"_qs});
            b.raw->run(SCommit, {});
        },
        to, tr);
    const int written =
        db::scalar(b.cnstr, QStringLiteral("select count(*) from VipCzBill")).toInt() - before;
    if (written != 2 * b.z.saves)
        fail(QStringLiteral("recharge save: %1 rows").arg(written));
    line(QStringLiteral("recharge save (lock + balance + row)"), b.engineName(), to, tr);
}

} // namespace bench
