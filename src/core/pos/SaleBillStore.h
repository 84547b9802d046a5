#pragma once

#include <QDateTime>

#include "core/base/Money.h"
#include "core/db/Transaction.h"

class SaleBill;

// How the customer paid a sale: the cash part and the part taken from stored value. A member
// order also records what the settlement covered otherwise (bank card, vouchers, discount),
// so that a re-save of the order settles only the true difference.
struct SalePayment
{
    SalePayment() = default;
    SalePayment(Money cashPart, Money reservePart, Money otherPart = Money())
        : cash(cashPart), reserve(reservePart), other(otherPart)
    {
    }

    Money cash;
    Money reserve;
    Money other; // orders only: the settled amount less cash and stored value
};

// What a committed sale looks like: its number and the card's balance around the payment,
// as read inside the saving transaction (the receipt prints these, not the screen's).
struct SavedSale
{
    int billId = 0;
    Money balanceBefore;
    Money balanceAfter;
};

// Writes sale bills (ICStockBill type 99 and its lines).
class SaleBillStore
{
public:
    // The refusal number of a pick-up the order line no longer holds (another station
    // handed the units out since the lookup).
    enum Refusal { UnitsGone = 4202 };

    // The whole counter save in one transaction on a connection of its own (the card number
    // trimmed, no text longer than its column): takes the card's lock (a replaced number is
    // refused), then the headers of the orders handed out from by number, books the picked
    // units onto the member's order lines (never past ordered plus gift, only the card's
    // own lines), closes the orders this bill finished, writes the stored-value movement from
    // the balance read under the card's lock, and only then draws the number and writes the
    // lines and the header. Any refusal or failure rolls everything back, the number included;
    // a conflict with another station runs the save once more before it is reported. On
    // PostgreSQL all of it goes to the server in one round trip and the commit in a second.
    static SavedSale save(const QString &cnstr, const SaleBill &bill, const SalePayment &payment,
                          int billerId);

    // Draws the bill number, writes the header and one line per bill line (numbered 1, 2, 3
    // in order) and returns the number. `sysTime` invalid: the server's clock.
    static int insert(db::Transaction &tx, const SaleBill &bill, const SalePayment &payment,
                      int billerId, const QDateTime &sysTime = QDateTime());
    // The same queued with the save's other statements; the number is BillNumbers::drawn()
    // of the draw returned, once they have run.
    static db::Queued queueInsert(db::Transaction &tx, const SaleBill &bill,
                                  const SalePayment &payment, int billerId,
                                  const QDateTime &sysTime = QDateTime());

private:
    static SavedSale write(const QString &cnstr, const SaleBill &bill, const SalePayment &payment,
                           int billerId);
};
