#pragma once

#include <QDate>

#include "core/base/Money.h"
#include "core/pos/MemberOrders.h"

// An open line of order `orderId`: 12 bottles of 鲜牛奶 250ml for 36.00, `open` still to
// collect, valid to the end of May 2026.
inline OpenOrderLine orderLine(int orderId, qint64 open)
{
    OpenOrderLine l;
    l.name = "鲜牛奶 250ml";
    l.qty = 12;
    l.open = open;
    l.amount = Money::fromInt(36);
    l.orderId = orderId;
    l.validTo = QDate(2026, 5, 31);
    return l;
}
