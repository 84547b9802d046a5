#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

#include "core/base/Money.h"
#include "core/print/RecordSet.h"

// The fields the receipt templates are written against, each defined once with its type and
// size: the sale receipt (1002), the member order (1001) and the recharge slip (250) name the
// ones they print, each in the order its templates and older copies expect.
namespace ReceiptFields {

RecordSet sale();
RecordSet order();
RecordSet recharge();

// What every line of a sale or order receipt repeats. The printed bill number is always 0:
// the templates print none.
struct Header
{
    QDate date;
    QString vipNo;
    QString owner;
    QString sumQty;
    QString sumAmount;
    QString biller;
    QDateTime printTime;
    Money cash;
    Money reserve;        // the stored-value part
    Money reserveBalance; // the card's balance after this payment
};
// Sets the header on the current record; FVipNo shows the card with its holder.
void setHeader(RecordSet &rs, const Header &header);

} // namespace ReceiptFields
