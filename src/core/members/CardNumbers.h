#pragma once

#include <QString>

#include "core/db/Transaction.h"

// A card number is the member's identity across the documents (there is no member table).
// Every entry point of the core cleans a typed number the same way, and every save that
// names a card takes the card's lock and, inside it, refuses a number given up in a card
// replacement, so work begun on the old number at another station never lands where no
// lookup finds it.
class CardNumbers
{
public:
    // The number as stored: without the blanks a scanner or a cashier leaves around it.
    static QString clean(const QString &vipNo) { return vipNo.trimmed(); }

    // "该卡已换为新卡号 N0001，请重新读卡！"
    static QString replacedMessage(const QString &newNo);

    // The number the card now goes by when `vipNo` was replaced (after every later
    // replacement too); empty for a live or unknown number.
    static QString replacedBy(const QString &cnstr, const QString &vipNo);
    static QString replacedBy(db::Transaction &tx, const QString &vipNo);

    // Lookups: refuses a replaced number, naming the new one. Nothing for an empty number.
    static void checkLive(const QString &cnstr, const QString &vipNo);

    // Serialises the writers of one card until the transaction ends (PostgreSQL: an advisory
    // transaction lock; SQLite: BEGIN IMMEDIATE already serialises writers). The first lock
    // of every save, before order headers and lines.
    static void lock(db::Transaction &tx, const QString &vipNo);
    // lock(), then the replaced number refused inside it.
    static void lockLive(db::Transaction &tx, const QString &vipNo);
    // The same, queued with the save's other statements: requireLive() refuses a replaced
    // number once they have run (the save rolls back), before any other of its checks.
    struct LiveCheck
    {
        QString vipNo;
        db::Queued replaced;
    };
    static LiveCheck queueLockLive(db::Transaction &tx, const QString &vipNo);
    static void requireLive(db::Transaction &tx, const LiveCheck &check);
    // The card's order headers, in number order as a sale takes them (after the card's lock):
    // one update over the card's rows would lock them in whatever order they come.
    static void lockOrders(db::Transaction &tx, const QString &vipNo);

    // Records a replacement (old, new, when, by whom) in the replacing transaction.
    static void recordReplacement(db::Transaction &tx, const QString &oldNo, const QString &newNo,
                                  int userId);
};
