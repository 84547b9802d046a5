#pragma once

#include <QDateTime>
#include <QString>

#include "core/base/Money.h"
#include "core/print/PrintTypes.h"
#include "core/print/RecordSet.h"

class OrderDraft;

// The print data of a member order for the template printer (document type 1001, template
// "标准格式"): one record per line, the header values repeated on each.
class OrderReceipt
{
public:
    static constexpr int TranType = PrintTypes::Order;
    static QString templateName() { return QStringLiteral("标准格式"); }

    // `reserveBalance` is the card's balance after this payment; `cashBack` the cash handed
    // back when a re-save lowered the order (field FCashBack, after the fields every template
    // knows). The printed order number is always 0: the template prints no number.
    static RecordSet build(const OrderDraft &order, const QString &biller, Money cash,
                           Money reserve, Money reserveBalance, const QDateTime &printTime,
                           Money cashBack = Money());
};
