#pragma once

#include <QString>
#include <QStringList>

// A lost card replaced by a new number: every order, stored-value movement and sale of the
// old card moves to the new one, so the member's history and balance stay whole.
class CardReplacement
{
public:
    // The cards registered on an identity number, from the member's orders.
    struct Holder
    {
        QString owner;     // holder of the first card
        QStringList cards; // in card-number order
    };

    // Nothing is looked up for an empty identity number (walk-in rows carry none).
    static Holder cards(const QString &cnstr, const QString &vipId);

    // Whether a number occurs anywhere a card is kept: orders, stored-value movements or
    // sale bills. A number found only in the movements is someone's balance.
    static bool isUsed(const QString &cnstr, const QString &vipNo);

    // The checks before the question: an old card chosen, a new number typed and not in use.
    // Throws a CoreError refusal naming the field to correct.
    static void check(const QString &cnstr, const QString &oldNo, const QString &newNo);

    // In one transaction: the old card's order headers locked, then both cards through the
    // stored-value ledger (a sale paying from the old card waits, then finds it empty), the
    // new number checked again, the old card refused when it holds nothing any more (replaced
    // at another station since its list was read), then the orders, the movements and the
    // sale bills moved. Returns the rows moved.
    static int replace(const QString &cnstr, const QString &oldNo, const QString &newNo);
};
