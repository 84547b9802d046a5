#include "core/orders/OrderOutDetail.h"

#include "core/base/NumberText.h"
#include "core/db/Database.h"

QList<OrderOutDetail::Line> OrderOutDetail::load(const QString &cnstr, int orderId, int entryId)
{
    const db::Rows rows =
        db::query(cnstr,
                  QStringLiteral("select t1.FSysTime,t2.FQty "
                                 "from ICStockBill t1 inner join ICStockBillEntry t2 "
                                 "on t1.FInterID=t2.FInterID "
                                 "where t2.FOrderBillInterID=? and t2.FOrderBillEntryID=? "
                                 "order by t1.Fdate,t1.FSysTime,t1.FInterID,t2.FEntryID"),
                  {orderId, entryId});
    QList<Line> lines;
    for (const db::Row &r : rows)
        lines.append({r.dateTime(QStringLiteral("FSysTime")), r.number(QStringLiteral("FQty"))});
    return lines;
}

double OrderOutDetail::total(const QList<Line> &lines)
{
    double sum = 0.0;
    for (const Line &l : lines)
        sum += l.qty;
    return sum;
}

QString OrderOutDetail::timeText(const QDateTime &time)
{
    return time.isValid() ? time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QString();
}

QString OrderOutDetail::vipLabel(const QString &vipNo)
{
    return QStringLiteral("卡号：") + vipNo;
}

QString OrderOutDetail::orderQtyLabel(int orderQty)
{
    return QStringLiteral("订单数量：") + QString::number(orderQty);
}

QString OrderOutDetail::saleQtyLabel(double saleQty)
{
    return QStringLiteral("完成数量：") + NumberText::plain(saleQty);
}

QStringList OrderOutDetail::printLines(const QString &vipLabel, const QString &orderQtyLabel,
                                       const QString &saleQtyLabel,
                                       const QList<QStringList> &rows)
{
    QStringList out{vipLabel + QStringLiteral("    "), orderQtyLabel, saleQtyLabel, QString(),
                    QStringLiteral("日期") + QString(15, u' ') + QStringLiteral("数量")};
    for (const QStringList &r : rows)
        out << r.value(0) + QStringLiteral("   ") + r.value(1);
    return out;
}
