#pragma once

#include <QDate>
#include <QList>
#include <QString>

#include "core/reports/ReportTable.h"

// The lines of the stored sale bills of a date range, of one card or of all, sorted by date,
// bill and line so a bill's lines stand together and are counted once. A line that hands out
// member-order goods shows its quantity as a member quantity, any other as a non-member one;
// the total row (only when a line is listed) sums the numbers read.
class SaleList
{
public:
    struct Result
    {
        ReportTable table;
        QList<int> billIds; // one per table row; 0 on the total row
        int billCount = 0;
    };

    static QList<GridSnapshot::Column> columns();
    // Bills dated from `from` to `to`, both days included; a card number (surrounding blanks
    // ignored) narrows them to that card.
    static Result run(const QString &cnstr, const QString &vipNo, const QDate &from,
                      const QDate &to);
};
