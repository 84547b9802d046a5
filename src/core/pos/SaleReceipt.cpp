#include "core/pos/SaleReceipt.h"

#include "core/frame/NumberText.h"
#include "core/pos/MemberOrders.h"
#include "core/pos/SaleBill.h"

QString SaleReceipt::templateName()
{
    return QStringLiteral("标准格式");
}

RecordSet SaleReceipt::fields()
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
    rs.appendField(QStringLiteral("FInterID"), T::Integer);
    rs.appendField(QStringLiteral("FBiller"), T::Text, 40);
    rs.appendField(QStringLiteral("FPrintTime"), T::Date);
    rs.appendField(QStringLiteral("FBegBal"), T::Text, 255);
    rs.appendField(QStringLiteral("FEndBal"), T::Text, 255);
    rs.appendField(QStringLiteral("FSumBegBal"), T::Text, 255);
    rs.appendField(QStringLiteral("FSumEndBal"), T::Text, 255);
    rs.appendField(QStringLiteral("Fyxq"), T::Text, 255);
    rs.appendField(QStringLiteral("FGetReserve"), T::Double);
    rs.appendField(QStringLiteral("FGetCash"), T::Double);
    rs.appendField(QStringLiteral("FReserveBal"), T::Double);
    return rs;
}

qint64 SaleReceipt::openAfterTotal(const QList<OpenOrderLine> &lines)
{
    qint64 total = 0;
    for (const OpenOrderLine &l : lines)
        total += l.open;
    return total;
}

qint64 SaleReceipt::pickedTotal(const SaleBill &bill)
{
    qint64 total = 0;
    for (const SaleLine &l : bill.lines())
        if (l.orderId > 0)
            total += NumberText::roundHalfEven(l.qty);
    return total;
}

RecordSet SaleReceipt::build(const SaleBill &bill, qint64 openAfter, const QString &biller,
                             const QDateTime &printTime, const ReceiptPayment &payment)
{
    RecordSet rs = fields();
    const QString sumQty = NumberText::plain(bill.totalQty());
    const QString sumAmount = bill.receivable().format();
    const QString sumBegBal = QString::number(openAfter + pickedTotal(bill));
    const QString sumEndBal = QString::number(openAfter);
    const QString vipNo = bill.vipNo + QLatin1Char(' ') + bill.owner;
    for (const SaleLine &l : bill.lines()) {
        // An ordinary line has no order balance: it "opens" with its own quantity and ends at 0.
        const double bal = l.isPickup() ? double(l.orderBalance) : 0.0;
        rs.addNew();
        rs.setValue(QStringLiteral("FDate"), bill.date);
        rs.setValue(QStringLiteral("FVipNo"), vipNo);
        rs.setValue(QStringLiteral("FOwner"), bill.owner);
        rs.setValue(QStringLiteral("FName"), l.name);
        rs.setValue(QStringLiteral("FQty"),
                    l.mainQty != 0 ? QString::number(l.mainQty) : NumberText::plain(l.qty));
        if (!l.isPickup()) {
            rs.setValue(QStringLiteral("FPrice"), l.price.format());
            rs.setValue(QStringLiteral("FAmount"), l.amount.format());
        }
        rs.setValue(QStringLiteral("FSumQty"), sumQty);
        rs.setValue(QStringLiteral("FSumAmount"), sumAmount);
        rs.setValue(QStringLiteral("FInterID"), 0);
        rs.setValue(QStringLiteral("FBiller"), biller);
        rs.setValue(QStringLiteral("FPrintTime"), printTime);
        rs.setValue(QStringLiteral("FBegBal"), NumberText::plain(bal + l.qty));
        rs.setValue(QStringLiteral("FEndBal"), NumberText::plain(bal));
        rs.setValue(QStringLiteral("FSumBegBal"), sumBegBal);
        rs.setValue(QStringLiteral("FSumEndBal"), sumEndBal);
        if (l.isPickup() && l.validTo.isValid())
            rs.setValue(QStringLiteral("Fyxq"), l.validTo.toString(QStringLiteral("yyyy-MM-dd")));
        rs.setValue(QStringLiteral("FGetReserve"), payment.reserve.toDouble());
        rs.setValue(QStringLiteral("FGetCash"), payment.cash.toDouble());
        rs.setValue(QStringLiteral("FReserveBal"), payment.balanceAfter.toDouble());
    }
    rs.moveFirst();
    return rs;
}
