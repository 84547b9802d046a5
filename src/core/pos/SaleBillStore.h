#pragma once

#include <QDateTime>

#include "core/frame/Money.h"

class SaleBill;
namespace db {
class Transaction;
}

// How the customer paid a sale: the cash part and the part taken from stored value.
struct SalePayment
{
    Money cash;
    Money reserve;
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

    // The warehouse of that name, 0 when there is none.
    static int stockId(const QString &cnstr, const QString &name);

    // The whole counter save in one transaction on a connection of its own: books the picked
    // units onto the member's order lines (never past ordered plus gift, only the card's
    // own lines), closes the orders this bill finished, writes the stored-value movement from
    // the balance read under the card's lock, and only then draws the number and writes the
    // lines and the header. Any refusal or failure rolls everything back, the number included.
    static SavedSale save(const QString &cnstr, const SaleBill &bill, const SalePayment &payment,
                          int billerId);

    // Draws the bill number, writes the header and one line per bill line (numbered 1, 2, 3
    // in order) and returns the number. `sysTime` invalid: the server's clock.
    static int insert(db::Transaction &tx, const SaleBill &bill, const SalePayment &payment,
                      int billerId, const QDateTime &sysTime = QDateTime());
};
