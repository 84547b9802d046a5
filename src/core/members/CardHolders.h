#pragma once

#include <optional>

#include <QString>

// Who holds a card, as the documents written for it say (there is no member table): the
// card's first order, else, for a member who never ordered, the first stored-value bill.
struct CardHolder
{
    QString vipNo;
    QString owner;
    QString phone;
    QString vipId;
};

class CardHolders
{
public:
    enum class Search {
        OrdersThenRecharges, // by card number
        OrdersOnly,          // by card number, among the orders only
        NumberOrPhone,       // by card number or telephone number, orders then recharges
    };

    // Nothing for an empty text or one found nowhere; a replaced card number is refused,
    // naming the new one. Throws CoreError on a database failure.
    static std::optional<CardHolder> find(const QString &cnstr, const QString &typed,
                                          Search search = Search::OrdersThenRecharges);
};
