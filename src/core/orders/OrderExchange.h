#pragma once

#include <optional>

#include <QString>

#include "core/db/Row.h"

// The same-price exchange of an ordered item: a member's open order lines, the price rule,
// and the change of the item itself.
class OrderExchange
{
public:
    // The member's first order (card number, holder, phone, date), or nothing.
    static std::optional<db::Row> member(const QString &cnstr, const QString &vipNo);

    // Every line of every order of the card that is not closed, with the item name (FName),
    // in line order; also lines handed out in full.
    static db::Rows openLines(const QString &cnstr, const QString &vipNo);

    // Prices are compared as the cashier sees them, in cents, so 3.5 and "3.50" agree.
    static bool samePrice(double oldPrice, double newPrice);

    // Every line of the order holding oldItemId now holds newItemId; quantities, price,
    // amount and validity stay. One statement in one transaction; returns the lines changed.
    // No line holding the old item (the screen showed a row changed since, here or at another
    // station) throws CoreError with staleMessage() and changes nothing.
    static int exchangeItem(const QString &cnstr, int orderId, int oldItemId, int newItemId);

    // The refusal of a change to order lines that no longer hold what the screen showed.
    static QString staleMessage();
};
