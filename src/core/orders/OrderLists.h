#pragma once

#include <QDate>
#include <QList>
#include <QString>

#include "core/reports/ReportTable.h"

// The two lists of stored member orders, line by line: every order of a card or of a date
// range, and the lines that still have goods to hand out. Rows come sorted by date, order and
// line, so the lines of one order stand together and the order count is right; the total row
// (only when a line is listed) sums the numbers read, never the cells.
class OrderLists
{
public:
    // What the window acts on for one row. The total row has order 0: it acts on nothing.
    struct RowKey
    {
        int orderId = 0;
        int entryId = 0;
        int itemId = 0;
        int orderQty = 0; // ordered plus gift
        QString vipNo;
    };
    struct Result
    {
        ReportTable table;
        QList<RowKey> keys; // one per table row
        int orderCount = 0;
    };

    static QList<GridSnapshot::Column> orderColumns();
    static QList<GridSnapshot::Column> uncompletedColumns();

    // A card number (surrounding blanks ignored) lists every order of the card, whatever the
    // dates; without one, the orders dated from `from` to `to`, both days included.
    static Result orders(const QString &cnstr, const QString &vipNo, const QDate &from,
                         const QDate &to);
    // Lines whose ordered plus gift quantity exceeds what was handed out, of one card or of all.
    static Result uncompleted(const QString &cnstr, const QString &vipNo);
};
