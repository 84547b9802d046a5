#pragma once

#include <QString>

// Whether a stored-value card has any movement (a recharge, refund or payment on any day): a
// member's statement for a card without one would only be an empty page, so the window says
// the card is not known instead.
class CardMovements
{
public:
    // The card number as typed (spaces around it are ignored). Throws CoreError.
    static bool any(const QString &cnstr, const QString &vipNo);
};
