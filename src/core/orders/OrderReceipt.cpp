#include "core/orders/OrderReceipt.h"

#include "core/orders/OrderDraft.h"
#include "core/print/ReceiptFields.h"

RecordSet OrderReceipt::build(const OrderDraft &order, const QString &biller, Money cash,
                              Money reserve, Money reserveBalance, const QDateTime &printTime,
                              Money cashBack)
{
    RecordSet rs = ReceiptFields::order();
    const ReceiptFields::Header header{order.date,
                                       order.vipNo,
                                       order.owner,
                                       QString::number(order.sumQty()),
                                       order.sumAmount().format(),
                                       biller,
                                       printTime,
                                       cash,
                                       reserve,
                                       reserveBalance};
    for (const OrderDraftLine &l : order.lines()) {
        rs.addNew();
        ReceiptFields::setHeader(rs, header);
        rs.setValue(QStringLiteral("FPhone"), order.phone);
        rs.setValue(QStringLiteral("FName"), l.name);
        rs.setValue(QStringLiteral("FQty"), l.qtyText);
        rs.setValue(QStringLiteral("FPreQty"), l.giftText);
        rs.setValue(QStringLiteral("FPrice"), l.priceText);
        rs.setValue(QStringLiteral("FAmount"), l.amountText);
        rs.setValue(QStringLiteral("Fyxq"), l.validText());
        rs.setValue(QStringLiteral("FCashBack"), cashBack.toDouble());
    }
    rs.moveFirst();
    return rs;
}
