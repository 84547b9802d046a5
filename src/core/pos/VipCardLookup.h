#pragma once

#include <optional>

#include <QString>

// A member as the card dialog finds them: by card number or telephone number, first among
// the orders, then among the stored-value bills (members who never ordered).
class VipCardLookup
{
public:
    struct Card
    {
        QString vipNo;
        QString owner;
    };

    // Nothing for an empty text or an unknown number; a replaced card number is refused,
    // naming the new one. Throws db::DbError on a database failure.
    static std::optional<Card> find(const QString &cnstr, const QString &numberOrPhone);
};
