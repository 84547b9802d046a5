#include "Cases.h"

#include <cmath>

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
    {
        std::vector<double> to, tr;
        std::vector<QString> ours(b.z.lookups), raws(b.z.lookups);
        rounds(
            b.z.lookups,
            [&](int i) {
                const auto m = CardHolders::find(b.cnstr, card(i));
                ours[i] = m ? m->owner : QString();
            },
            [&](int i) {
                const Table t = b.raw->run(SByCard, {card(i)});
                raws[i] = t.empty() ? QString() : t[0][0];
            },
            to, tr);
        for (int i = 0; i < b.z.lookups; ++i)
            if (ours[i] != raws[i] || ours[i].isEmpty())
                fail(QStringLiteral("member of %1: %2 against %3").arg(card(i), ours[i], raws[i]));
        line(QStringLiteral("member lookup by card"), b.engineName(), to, tr);
    }
    {
        std::vector<double> to, tr;
        std::vector<QString> ours(b.z.lookups), raws(b.z.lookups);
        rounds(
            b.z.lookups,
            [&](int i) {
                const auto c = CardHolders::find(b.cnstr, phone(i), CardHolders::Search::NumberOrPhone);
                ours[i] = c ? c->vipNo : QString();
            },
            [&](int i) {
                const Table t = b.raw->run(SByPhone, {phone(i), phone(i)});
                raws[i] = t.empty() ? QString() : t[0][0];
            },
            to, tr);
        for (int i = 0; i < b.z.lookups; ++i)
            if (ours[i] != raws[i] || ours[i].isEmpty())
                fail(QStringLiteral("card of %1: %2 against %3").arg(phone(i), ours[i], raws[i]));
        line(QStringLiteral("member lookup by phone"), b.engineName(), to, tr);
    }
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
