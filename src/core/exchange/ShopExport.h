#pragma once

#include <QDate>
#include <QString>

#include "core/exchange/ShopImport.h"

// Writes a shop's items, members with their balances, or open orders to a spreadsheet that
// the import reads back as it stands: XLSX or CSV (UTF-8 with byte-order mark), taken from the
// file's extension. Codes are written as text.
class ShopExport
{
public:
    // Returns the number of data rows written. A file that is neither .xlsx nor .csv is refused.
    static int write(const QString &cnstr, ShopImport::Kind kind, const QString &path,
                     const QDate &today = QDate::currentDate());
    // The kind's headers in Chinese and no rows; code columns formatted as text.
    static void writeTemplate(const QString &cnstr, ShopImport::Kind kind, const QString &path);
};
