#pragma once

#include <QString>

#include "core/base/Money.h"

// What a typed or scanned code found: the item, and the price the counter offers for it.
struct ItemMatch
{
    bool found = false;
    int itemId = 0;
    QString name;
    bool hasPrice = false; // false: the caller keeps whatever price it shows
    Money price;
    int exchange = 1; // pieces per scanned unit; only a pack bar code with its own price sets it
};

// Finds an item by the codes a cashier types or scans. The item's own codes come first; a
// pack bar code (t_icitem_barcode) is tried only when none of them matches. A disabled item is
// not found.
class ItemLookup
{
public:
    enum class Codes {
        ShopNumberOrBarCode,           // the sale screen
        ShopNumberItemNumberOrBarCode, // the order exchange also takes the item number
    };

    // A pack bar code's own price wins; otherwise the retail price style's column gives the
    // price, unless retailStyleId is 0. Throws CoreError on a database failure.
    static ItemMatch find(const QString &cnstr, const QString &code, int retailStyleId,
                          Codes codes = Codes::ShopNumberOrBarCode);
};
