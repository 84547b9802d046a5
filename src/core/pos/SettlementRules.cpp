#include "core/pos/SettlementRules.h"

#include "core/base/CoreError.h"

#include "core/base/NumberText.h"

namespace {

Money field(const QString &text)
{
    return Money::parseTyped(text);
}

// The amount part of the discount field; a rate ("*0.9") is no amount.
QString discountAmount(const QString &discount)
{
    const QString z = discount.trimmed();
    if (z.startsWith(u'*'))
        return QString();
    return z.startsWith(u'-') ? z.mid(1) : z;
}

} // namespace

Money SettlementRules::receivable(Money bill, const QString &discount, Money dyq, bool *isRate)
{
    const QString z = discount.trimmed();
    Money r;
    const bool rate = z.startsWith(u'*');
    if (rate)
        r = bill.times(NumberText::val(z.mid(1))) - dyq;
    else
        r = bill - field(discountAmount(z)) - dyq;
    if (isRate)
        *isRate = rate;
    return min(r.roundedToWholeUnitHalfEven(), bill - dyq);
}

Money SettlementRules::proposedReserve(const QString &vipNo, Money balance, Money bill)
{
    if (vipNo.trimmed().isEmpty() || balance <= Money())
        return Money();
    // Whole cents, never more than the card holds: a balance of 20.125 proposes 20.12.
    const Money cents = Money::fromUnits(balance.units() - balance.units() % 100);
    return max(min(cents, bill), Money());
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

void SettlementRules::check(const SettlementEntry &e)
{
    // Money is paid in cents: a tail past them would be booked but never shown.
    for (const auto &[text, name] :
         {std::pair{discountAmount(e.discount), "txtZk"}, std::pair{e.dyq, "txtGetDyq"},
          std::pair{e.xjq, "txtGetXjq"}, std::pair{e.reserve, "txtGetReserve"},
          std::pair{e.blank, "txtGetBlank"}, std::pair{e.amount, "txtAmount"}})
        if (!field(text).isWholeCents())
            throw CoreError::refusal(Money::subCentRefusal(), QString::fromLatin1(name));
    // A negative payment would turn into a recharge or a negative cash part.
    for (const auto &[text, name] : {std::pair{e.dyq, "txtGetDyq"}, std::pair{e.xjq, "txtGetXjq"},
                                     std::pair{e.reserve, "txtGetReserve"},
                                     std::pair{e.blank, "txtGetBlank"}, std::pair{e.amount, "txtAmount"}})
        if (field(text).isNegative())
            throw CoreError::refusal(QStringLiteral("付款金额不能为负数！"), QString::fromLatin1(name));
    const SettlementFigures f = figures(e);
    const Money dyq = field(e.dyq);
    if ((dyq + field(e.discount) > e.bill && e.bill > Money()) || f.receivable.isNegative())
        throw CoreError::refusal(QStringLiteral("优惠幅度不允许大于消费金额！"), QStringLiteral("txtZk"));
    const Money reserve = field(e.reserve);
    if (!reserve.isZero()) {
        // Stored value is the card's own: none without a card, never beyond a positive balance.
        if (e.vipNo.trimmed().isEmpty())
            throw CoreError::refusal(QStringLiteral("未读会员卡，不能使用储值付款！"),
                                     QStringLiteral("txtGetReserve"));
        if (reserve > max(e.balance, Money()))
            throw CoreError::refusal(QStringLiteral("本次扣款金额不允许大于卡内余额！"),
                                     QStringLiteral("txtGetReserve"));
        if (reserve > f.receivable)
            throw CoreError::refusal(QStringLiteral("本次扣款金额不允许大于应收金额！"),
                                     QStringLiteral("txtGetReserve"));
    }
    if (f.isShort && f.receivable > Money())
        throw CoreError::warning(QStringLiteral("收款金额不足!"), QStringLiteral("txtAmount"));
    if (result(e).cash.isNegative())
        throw CoreError::refusal(QStringLiteral("付款金额不能为负数！"), QStringLiteral("txtGetBlank"));
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
