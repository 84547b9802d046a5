#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include "core/base/Money.h"
#include "core/print/PrintTypes.h"
#include "core/print/RecordSet.h"

class SaleBill;
struct OpenOrderLine;

// What the customer paid, as the receipt shows it. The save passes the balance left on the
// card as read inside its own transaction; a test print passes no payment and the balance
// the screen shows.
struct ReceiptPayment
{
    Money cash;
    Money reserve;      // the stored-value part
    Money balanceAfter; // the card's balance after this payment
};

// The sale receipt's print data: one record per sale line, in the field order the receipt
// templates are written against, built from the bill itself (never read back from a grid or
// the database, so a failed save or a test print shows exactly what is on the counter).
class SaleReceipt
{
public:
    static constexpr int TranType = PrintTypes::Sale;
    static QString templateName(); // "标准格式"

    // The field list, empty of records.
    static RecordSet fields();

    // `openAfter` is what the member's order lines still hold once this bill's picks are
    // taken off (the order grid's open quantities); `biller` the operator's name.
    static RecordSet build(const SaleBill &bill, qint64 openAfter, const QString &biller,
                           const QDateTime &printTime, const ReceiptPayment &payment);

    // The open quantities still offered on the member's order lines.
    static qint64 openAfterTotal(const QList<OpenOrderLine> &lines);
    // The units this bill hands out against orders, each line taken as whole units.
    static qint64 pickedTotal(const SaleBill &bill);
};
