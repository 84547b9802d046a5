#pragma once

#include <optional>

#include <QString>

// The holder's name, phone and identity number on a member's orders. Recharge and sale
// rows keep the copies they were written with.
class MemberDetails
{
public:
    struct Details
    {
        QString vipNo;
        QString owner;
        QString phone;
        QString vipId;
    };

    // Card, holder and identity number are required (an empty identity number would blank
    // it on every order of the card), none longer than its column (TextLimits). Throws a
    // CoreError refusal naming the field.
    static void check(const Details &details);

    // Changes every order of the card in one statement, under the card's lock (a replaced
    // number refused); returns the orders changed (0 when the card has none).
    static int update(const QString &cnstr, const Details &details);

    // What the form says when no order held the card.
    static QString nothingChangedMessage();
};
