#pragma once

#include <optional>

#include <QString>

#include "core/base/Money.h"

// What the cashier has typed into the settlement: the texts of its fields as they stand.
struct SettlementEntry
{
    Money bill;        // the bill's amount before discount
    QString vipNo;     // empty for a customer without a card
    Money balance;     // the card's stored value
    QString discount;  // txtZk: "*0.9" a rate, "-10" or "10" an amount off
    QString dyq;       // deduction voucher, taken off the receivable
    QString xjq;       // cash voucher used as payment
    QString reserve;   // paid from stored value
    QString blank;     // paid by bank card
    QString amount;    // cash handed over
    // Neither the discount nor the deduction voucher touched since the settlement opened: the
    // receivable is still the bill as it came, not yet rounded to a whole unit.
    bool asOpened = false;
};

// The figures the settlement shows while the cashier types.
struct SettlementFigures
{
    Money receivable;
    bool discountIsRate = true; // label "折扣(&F3)：", else "少收(&F3)："
    Money endBalance;           // balance less the stored-value part
    Money change;               // the absolute figure shown
    bool isShort = false;       // label "少收金额：", else "找零金额："
};

// How the customer pays, once the entry is confirmed.
struct SettlementResult
{
    Money amount;  // cash handed over
    Money cash;    // the receivable's cash part
    Money change;
    Money dyq;     // deduction voucher, taken off the receivable
    Money reserve; // paid from stored value
    Money xjq;     // cash voucher used as payment
    Money blank;   // paid by bank card
};

// The rules of the settlement shared by the sale and the member order. Nothing here reads the
// database: the balance is only a proposal, which the saving transaction checks again.
class SettlementRules
{
public:
    // The bill less the discount and the deduction voucher, rounded to a whole unit (half to
    // even), but never above the bill less the voucher: rounding never charges more.
    static Money receivable(Money bill, const QString &discount, Money dyq, bool *isRate = nullptr);
    // Stored value proposed as payment: none without a card or without a positive balance;
    // otherwise the balance in whole cents, at most `bill` (the receivable as it stands).
    static Money proposedReserve(const QString &vipNo, Money balance, Money bill);
    static SettlementFigures figures(const SettlementEntry &e);
    // The checks in order; the first that fails throws its CoreError refusal naming the box
    // (a short payment as a warning). Every money field is read with Money::parseTyped, so an
    // amount past the cents is refused before anything else.
    static void check(const SettlementEntry &e);
    // The payment split of an entry that passes check().
    static SettlementResult result(const SettlementEntry &e);
};
