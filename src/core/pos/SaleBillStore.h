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

// Writes a sale bill (ICStockBill type 99 and its lines) inside the caller's transaction.
class SaleBillStore
{
public:
    // Draws the bill number, writes the header and one line per bill line (numbered 1, 2, 3
    // in order) and returns the number. `sysTime` invalid: the server's clock.
    static int insert(db::Transaction &tx, const SaleBill &bill, const SalePayment &payment,
                      int billerId, const QDateTime &sysTime = QDateTime());
};
