#include "core/pos/SettlementRules.h"

#include "core/frame/NumberText.h"

namespace {

Money field(const QString &text)
{
    return Money::parse(text);
}

} // namespace

Money SettlementRules::receivable(Money bill, const QString &discount, Money dyq, bool *isRate)
{
    const QString z = discount.trimmed();
    Money r;
    const bool rate = z.startsWith(u'*');
    if (rate)
        r = bill.times(NumberText::val(z.mid(1))) - dyq;
    else if (z.startsWith(u'-'))
        r = bill - field(z.mid(1)) - dyq;
    else
        r = bill - field(z) - dyq;
    if (isRate)
        *isRate = rate;
    return min(r.roundedToWholeUnitHalfEven(), bill - dyq);
}

Money SettlementRules::proposedReserve(const QString &vipNo, Money balance, Money bill)
{
    if (vipNo.trimmed().isEmpty() || balance <= Money())
        return Money();
    return max(min(balance, bill), Money());
}

SettlementFigures SettlementRules::figures(const SettlementEntry &e)
{
    SettlementFigures f;
    if (e.asOpened)
        f.receivable = e.bill;
    else
        f.receivable = receivable(e.bill, e.discount, field(e.dyq), &f.discountIsRate);
    const Money reserve = field(e.reserve);
    f.endBalance = e.balance - reserve;
    const Money c = field(e.amount) + field(e.blank) + field(e.xjq) + reserve - f.receivable;
    f.isShort = c < Money();
    f.change = f.isShort ? -c : c;
    return f;
}

std::optional<SettlementRefusal> SettlementRules::check(const SettlementEntry &e)
{
    // A negative payment would turn into a recharge or a negative cash part.
    for (const auto &[text, name] : {std::pair{e.dyq, "txtGetDyq"}, std::pair{e.xjq, "txtGetXjq"},
                                     std::pair{e.reserve, "txtGetReserve"},
                                     std::pair{e.blank, "txtGetBlank"}, std::pair{e.amount, "txtAmount"}})
        if (field(text).isNegative())
            return SettlementRefusal{QStringLiteral("付款金额不能为负数！"), QString::fromLatin1(name)};
    const SettlementFigures f = figures(e);
    const Money dyq = field(e.dyq);
    if ((dyq + field(e.discount) > e.bill && e.bill > Money()) || f.receivable.isNegative())
        return SettlementRefusal{QStringLiteral("优惠幅度不允许大于消费金额！"), QStringLiteral("txtZk")};
    const Money reserve = field(e.reserve);
    if (!reserve.isZero()) {
        // Stored value is the card's own: none without a card, never beyond a positive balance.
        if (e.vipNo.trimmed().isEmpty() || reserve > max(e.balance, Money()))
            return SettlementRefusal{QStringLiteral("本次扣款金额不允许大于卡内余额！"),
                                     QStringLiteral("txtGetReserve")};
        if (reserve > f.receivable)
            return SettlementRefusal{QStringLiteral("本次扣款金额不允许大于应收金额！"),
                                     QStringLiteral("txtGetReserve")};
    }
    if (f.isShort && f.receivable > Money())
        return SettlementRefusal{QStringLiteral("收款金额不足!"), QStringLiteral("txtAmount"), true};
    if (result(e).cash.isNegative())
        return SettlementRefusal{QStringLiteral("付款金额不能为负数！"), QStringLiteral("txtGetBlank")};
    return std::nullopt;
}

SettlementResult SettlementRules::result(const SettlementEntry &e)
{
    const SettlementFigures f = figures(e);
    SettlementResult r;
    r.amount = field(e.amount);
    r.dyq = field(e.dyq);
    r.xjq = field(e.xjq);
    r.reserve = field(e.reserve);
    r.blank = field(e.blank);
    r.cash = (f.receivable - r.blank - r.reserve - r.xjq).roundedToCents();
    r.change = f.change;
    return r;
}
