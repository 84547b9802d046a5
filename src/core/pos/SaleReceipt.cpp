#include "core/pos/SaleReceipt.h"

#include "core/base/NumberText.h"
#include "core/pos/MemberOrders.h"
#include "core/pos/SaleBill.h"
#include "core/print/ReceiptFields.h"

QString SaleReceipt::templateName()
{
    return QStringLiteral("标准格式");
}

RecordSet SaleReceipt::fields()
{
    return ReceiptFields::sale();
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
    const ReceiptFields::Header header{bill.date,
                                       bill.vipNo,
                                       bill.owner,
                                       NumberText::plain(bill.totalQty()),
                                       bill.receivable().format(),
                                       biller,
                                       printTime,
                                       payment.cash,
                                       payment.reserve,
                                       payment.balanceAfter};
    const QString sumBegBal = QString::number(openAfter + pickedTotal(bill));
    const QString sumEndBal = QString::number(openAfter);
    for (const SaleLine &l : bill.lines()) {
        // An ordinary line has no order balance: it "opens" with its own quantity and ends at 0.
        const double bal = l.isPickup() ? double(l.orderBalance) : 0.0;
        rs.addNew();
        ReceiptFields::setHeader(rs, header);
        rs.setValue(QStringLiteral("FName"), l.name);
        rs.setValue(QStringLiteral("FQty"),
                    l.mainQty != 0 ? QString::number(l.mainQty) : NumberText::plain(l.qty));
        if (!l.isPickup()) {
            rs.setValue(QStringLiteral("FPrice"), l.price.format());
            rs.setValue(QStringLiteral("FAmount"), l.amount.format());
        }
        rs.setValue(QStringLiteral("FBegBal"), NumberText::plain(bal + l.qty));
        rs.setValue(QStringLiteral("FEndBal"), NumberText::plain(bal));
        rs.setValue(QStringLiteral("FSumBegBal"), sumBegBal);
        rs.setValue(QStringLiteral("FSumEndBal"), sumEndBal);
        if (l.isPickup() && l.validTo.isValid())
            rs.setValue(QStringLiteral("Fyxq"), l.validTo.toString(QStringLiteral("yyyy-MM-dd")));
    }
    rs.moveFirst();
    return rs;
}
