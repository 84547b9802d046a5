#pragma once

#include <QList>
#include <QStringList>

#include "core/print/GridSnapshot.h"

// What a list or report shows, as the core computes it: the columns and the rows with their
// cells already formatted for their kind. The windows only paint it; totals and subtotals are
// summed from the numbers in the core, never read back from cell text.
struct ReportRow
{
    enum Kind { Detail, Subtotal, Total };
    Kind kind = Detail;
    QStringList cells; // one per column, in column order
};

struct ReportTable
{
    QList<GridSnapshot::Column> columns;
    QList<ReportRow> rows;
    QStringList hiddenColumns; // keys of columns the window hides

    int columnOf(const QString &key) const
    {
        for (int i = 0; i < columns.size(); ++i)
            if (columns[i].key.compare(key, Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    }
    int count(ReportRow::Kind kind) const
    {
        int n = 0;
        for (const ReportRow &r : rows)
            n += r.kind == kind;
        return n;
    }
};
