#include "core/orders/OrderReceipt.h"

#include "core/orders/OrderDraft.h"

RecordSet OrderReceipt::build(const OrderDraft &order, const QString &biller, Money cash,
                              Money reserve, Money reserveBalance, const QDateTime &printTime,
                              Money cashBack)
{
    using T = RecordSet::Type;
    RecordSet rs;
    rs.appendField(QStringLiteral("FDate"), T::Date);
    rs.appendField(QStringLiteral("FVipNo"), T::Text, 255);
    rs.appendField(QStringLiteral("FOwner"), T::Text, 255);
    rs.appendField(QStringLiteral("FPhone"), T::Text, 255);
    rs.appendField(QStringLiteral("FName"), T::Text, 255);
    rs.appendField(QStringLiteral("FQty"), T::Text, 40);
    rs.appendField(QStringLiteral("FPreQty"), T::Text, 40);
    rs.appendField(QStringLiteral("FPrice"), T::Text, 40);
    rs.appendField(QStringLiteral("FAmount"), T::Text, 40);
    rs.appendField(QStringLiteral("FSumQty"), T::Text, 40);
    rs.appendField(QStringLiteral("FSumAmount"), T::Text, 40);
    rs.appendField(QStringLiteral("Fyxq"), T::Text, 255);
    rs.appendField(QStringLiteral("FInterID"), T::Integer);
    rs.appendField(QStringLiteral("FBiller"), T::Text, 40);
    rs.appendField(QStringLiteral("FPrintTime"), T::Date);
    rs.appendField(QStringLiteral("FGetCash"), T::Double);
    rs.appendField(QStringLiteral("FGetReserve"), T::Double);
    rs.appendField(QStringLiteral("FReserveBal"), T::Double);
    rs.appendField(QStringLiteral("FCashBack"), T::Double);
    for (const OrderDraftLine &l : order.lines()) {
        rs.addNew();
        rs.setValue(QStringLiteral("FDate"), order.date);
        rs.setValue(QStringLiteral("FVipNo"), order.vipNo + QLatin1Char(' ') + order.owner);
        rs.setValue(QStringLiteral("FOwner"), order.owner);
        rs.setValue(QStringLiteral("FPhone"), order.phone);
        rs.setValue(QStringLiteral("FName"), l.name);
        rs.setValue(QStringLiteral("FQty"), l.qtyText);
        rs.setValue(QStringLiteral("FPreQty"), l.giftText);
        rs.setValue(QStringLiteral("FPrice"), l.priceText);
        rs.setValue(QStringLiteral("FAmount"), l.amountText);
        rs.setValue(QStringLiteral("FSumQty"), QString::number(order.sumQty()));
        rs.setValue(QStringLiteral("FSumAmount"), order.sumAmount().format());
        rs.setValue(QStringLiteral("Fyxq"), l.validText());
        rs.setValue(QStringLiteral("FInterID"), 0);
        rs.setValue(QStringLiteral("FBiller"), biller);
        rs.setValue(QStringLiteral("FPrintTime"), printTime);
        rs.setValue(QStringLiteral("FGetCash"), cash.toDouble());
        rs.setValue(QStringLiteral("FGetReserve"), reserve.toDouble());
        rs.setValue(QStringLiteral("FReserveBal"), reserveBalance.toDouble());
        rs.setValue(QStringLiteral("FCashBack"), cashBack.toDouble());
    }
    rs.moveFirst();
    return rs;
}
