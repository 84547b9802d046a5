#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <initializer_list>
#include <utility>

#include "core/base/Money.h"
#include "core/reports/ReportTable.h"

// How the lists write their cells, so the order, uncompleted-order and sale lists read alike.
namespace ListCells {

// Quantities are whole numbers on the counter; a loose-goods fraction keeps its decimals.
QString quantity(Money qty);
QString date(const QDate &date);             // yyyy-MM-dd; empty for none
QString dateTime(const QDateTime &dateTime); // yyyy-MM-dd HH:mm:ss; empty for none
QString count(int bills);                    // "共N张单据"

// A list's total row: "合计" in the first column, each text given under the column of its key
// (matched in any case), the other cells empty.
ReportRow totalRow(const QList<GridSnapshot::Column> &columns,
                   std::initializer_list<std::pair<const char *, QString>> cells);

} // namespace ListCells
