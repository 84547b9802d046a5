#pragma once

#include <optional>

#include <QDate>
#include <QDateTime>
#include <QString>

#include "core/base/CoreError.h"
#include "core/base/Money.h"
#include "core/db/Transaction.h"

// One stored-value movement to write. Type 1 is a recharge (or, with a negative amount, a
// refund): it adds amount + gift. Type 2 is a payment from stored value: it takes amount.
struct StoredValueMovement
{
    enum Type { Recharge = 1, Payment = 2 };

    QString vipNo;
    QString vipId;
    QString owner;
    QString phone;
    int type = Payment;
    QDate date;
    QDateTime createTime; // invalid: the server's clock
    int billerId = 0;
    Money amount;         // recharge or refund amount (FCzAmount) / payment (FKAmount)
    Money gift;           // type 1 only (FZsAmount)
    QString remark;
    bool hasSumAmount = false; // FSumAmount; the movement's own amount unless given
    Money sumAmount;

    Money kAmount() const { return type == Recharge ? amount + gift : amount; }
};

// What a written movement looks like: its id and the balances around it.
struct PostedMovement
{
    int id = 0;
    Money before;
    Money after;
};

// The only writer of stored-value movements (VipCzBill). Each write locks the card for the
// rest of the transaction and reads the balance inside it, so the begin and end balances of
// the movements of a card always chain, whichever station writes them.
class StoredValueLedger
{
public:
    // Serialises the writers of one card until the transaction ends: an advisory
    // transaction lock on PostgreSQL; on SQLite BEGIN IMMEDIATE already serialises writers.
    // Inside the lock a number given up in a card replacement is refused
    // (CardNumbers::lockLive).
    static void lockCard(db::Transaction &tx, const QString &vipNo);

    // The card's balance as the sum of its movements (type 1 adds FKAmount, type 2 takes it).
    // An empty card has no balance: 0, never the sum of the walk-in rows.
    static Money balance(db::Transaction &tx, const QString &vipNo);
    static Money balance(const QString &cnstr, const QString &vipNo);
    // What one movement row adds to its card's balance, as an SQL expression over VipCzBill
    // (`alias` "t1." or empty): for the reports and lists that sum many cards at once.
    static QString signedAmountSql(const QString &alias = QString());

    // Locks the card, reads its balance and writes the movement from it.
    static PostedMovement post(db::Transaction &tx, const StoredValueMovement &m);
    // A payment that may not overdraw: like post, but a payment above the balance read under
    // the lock (any payment from no card, or from a card at 0 or below) is refused with
    // overdrawMessage() and nothing is written.
    static PostedMovement pay(db::Transaction &tx, const StoredValueMovement &m);
    static QString overdrawMessage();

    // A movement queued with the save's other statements, after the card's lock: its one
    // statement reads the card's balance inside the server and writes nothing when the
    // balance before it is below `minimumBefore`. posted() reads what it wrote once the batch
    // has run, or throws the refusal.
    // `onlyWhenHeld`: written only when the card holds a balance (a movement of 0 that
    // records the balance on a document); posted() then gives id 0 and balances of 0.
    struct QueuedMovement
    {
        db::Queued row;
        CoreError refusal;
        bool onlyWhenHeld = false;
    };
    static QueuedMovement queue(db::Transaction &tx, const StoredValueMovement &m,
                                std::optional<Money> minimumBefore = std::nullopt,
                                const CoreError &refusal = CoreError(QString()),
                                bool onlyWhenHeld = false);
    // What a payment needs on the card: its amount when it takes any.
    static std::optional<Money> paymentMinimum(const StoredValueMovement &m);
    // A document's payment of `amount` from the card (0 too) towards its total `sumAmount`,
    // queued, refused with overdrawMessage() above the balance.
    static QueuedMovement queuePayment(db::Transaction &tx, const QString &vipNo,
                                       const QDate &date, int billerId, Money amount,
                                       Money sumAmount, bool onlyWhenHeld = false);
    static PostedMovement posted(const QueuedMovement &queued);

    // The period labels a movement carries: "2012年", "2012年4季度", "2012年10月".
    static QString yearLabel(const QDate &date);
    static QString seasonLabel(const QDate &date);
    static QString monthLabel(const QDate &date);

};
