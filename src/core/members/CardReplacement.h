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

    // In one transaction: both cards locked in a fixed order (a save begun on the old number
    // waits, then finds it replaced), the old number refused when another station replaced it
    // meanwhile (naming the new number) or when it holds nothing, the new number checked
    // again, the old card's order headers locked by number, then the orders, the movements
    // and the sale bills moved and the replacement recorded (old, new, when, `userId`).
    // Numbers are trimmed. Returns the rows moved.
    static int replace(const QString &cnstr, const QString &oldNo, const QString &newNo,
                       int userId = 0);
};
