#pragma once

#include <optional>

#include <QDate>
#include <QList>
#include <QString>

#include "core/base/Money.h"
#include "core/pos/SaleBill.h"

// One order line a member can still collect goods from, as the sale screen lists it.
struct OpenOrderLine
{
    QDate date;       // the order's date
    QString name;     // the item's name
    qint64 qty = 0;   // ordered plus gift
    qint64 done = 0;  // handed out so far
    qint64 open = 0;  // what may still be handed out (after the expiry deduction)
    Money price;
    Money amount;
    QDate validTo;    // invalid: no validity date
    int itemId = 0;
    int orderId = 0;
    int entryId = 0;
};

// What a member lookup at the counter finds.
struct MemberLookup
{
    Money balance;
    QString owner; // the card's holder; empty for a card no order or stored-value bill knows
    QList<OpenOrderLine> lines;
};

// The member side of the counter sale: open order lines and the pick-up arithmetic. The
// quantities here are proposals; the sale save books them only within ordered plus gift.
class MemberOrders
{
public:
    // The gift forfeited by an expired line, by what has been handed out so far.
    static qint64 expiryDeduction(qint64 done);
    // The open quantity a line offers, or nothing when it is not listed. A line expires the
    // day after its validity date, never on it.
    static std::optional<qint64> openQuantity(qint64 qty, qint64 gift, qint64 done, const QDate &validTo,
                                              const QDate &today);
    // The card's balance and its open order lines in order date and line order. Units already
    // picked on `bill` are not offered again. An empty card looks nothing up; a replaced
    // number is refused, naming the new one.
    static MemberLookup lookup(const QString &cnstr, const QString &vipNo, const QDate &today,
                               const SaleBill *bill = nullptr);
    // A pick-up line of q units: the order's amount spread over ordered plus gift quantity.
    static SaleLine pickup(const OpenOrderLine &line, qint64 q);
    // Brings the bill's pick-up lines in line with the order lines a lookup just found (open
    // quantities net of the bill's picks): each shows what its order line holds after it and
    // the bill's earlier picks, and the order line's validity date as it now stands. Run after
    // every lookup, so a dropped pick or a changed date shows on the lines and the receipt.
    static void refreshPickups(SaleBill &bill, const QList<OpenOrderLine> &open);
};
