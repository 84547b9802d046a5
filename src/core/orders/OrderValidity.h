#pragma once

#include <QDate>
#include <QString>

// The validity date of an order's lines.
class OrderValidity
{
public:
    // Sets the date on every line of the order that holds the item, in one transaction;
    // returns the lines changed. Throws CoreError and stores nothing on failure, also when
    // no line holds the item any more (OrderExchange::staleMessage()).
    static int set(const QString &cnstr, int orderId, int itemId, const QDate &date);
};
