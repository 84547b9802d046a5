#include "core/orders/OrderLists.h"

#include "core/db/Database.h"
#include "core/reports/ListCells.h"

namespace {

// Lines whose item was deleted elsewhere still show, with an empty name.
const QString kFrom =
    QStringLiteral(" from VipOrder t1 inner join VipOrderEntry t2 on t1.FInterID=t2.FInterID"
                   " left join t_icitem t3 on t2.FItemID=t3.FItemID");
const QString kOrder = QStringLiteral(" order by t1.Fdate, t1.FInterID, t2.FEntryID");
const QString kHead = QStringLiteral(
    "select t1.FInterID, t1.Fdate, coalesce(t1.FVipNo,'') as FVipNo,"
    " coalesce(t1.FOwner,'') as FOwner, coalesce(t1.FPhone,'') as FPhone, t2.FEntryID,"
    " coalesce(t2.FItemID,0) as FItemID, coalesce(t3.FName,'') as FName,"
    " coalesce(t2.FQty,0) as FQty, coalesce(t2.FPreQty,0) as FPreQty");

GridSnapshot::Column text(const char *key, const char *header, int width)
{
    return {QString::fromUtf8(key), QString::fromUtf8(header), width, false};
}

GridSnapshot::Column number(const char *key, const char *header, int width)
{
    return {QString::fromUtf8(key), QString::fromUtf8(header), width, true};
}

// The key columns the buttons read: no header, not shown.
void addKeyColumns(QList<GridSnapshot::Column> &cols)
{
    cols << number("FInterID", "", 0) << number("FItemID", "", 0);
}

OrderLists::RowKey keyOf(const db::Row &r)
{
    return {
        r.integer(QStringLiteral("FInterID")), r.integer(QStringLiteral("FEntryID")),
        r.integer(QStringLiteral("FItemID")),
        qRound((r.money(QStringLiteral("FQty")) + r.money(QStringLiteral("FPreQty"))).toDouble()),
        r.text(QStringLiteral("FVipNo"))};
}

// Counts an order at each change of number: the sort keeps an order's lines together.
void countOrder(OrderLists::Result &res, int &previous, int orderId)
{
    if (res.table.rows.isEmpty() || orderId != previous)
        ++res.orderCount;
    previous = orderId;
}

} // namespace

QList<GridSnapshot::Column> OrderLists::orderColumns()
{
    QList<GridSnapshot::Column> cols{
        text("FDate", "日期", 90),         text("FVipNo", "会员卡号", 90),
        text("FOwner", "持卡人", 80),      text("FPhone", "联系电话", 100),
        text("FName", "商品名称", 130),    number("FQty", "订单数量", 70),
        number("FPreQty", "赠送数量", 70), number("FPrice", "单价", 70),
        number("FAmount", "金额", 90),     text("FCreatetime", "制单时间", 140)};
    addKeyColumns(cols);
    return cols;
}

QList<GridSnapshot::Column> OrderLists::uncompletedColumns()
{
    QList<GridSnapshot::Column> cols{text("FDate", "日期", 90),
                                     text("FVipNo", "会员卡号", 90),
                                     text("FOwner", "持卡人", 80),
                                     text("FPhone", "联系电话", 100),
                                     text("FName", "商品名称", 130),
                                     number("FQty", "订单数量", 70),
                                     number("FPreQty", "赠送数量", 70),
                                     number("FCplQty", "出库数量", 70),
                                     number("FUnCplQty", "未出库数量", 80),
                                     text("Fyxq", "有效期", 90)};
    addKeyColumns(cols);
    return cols;
}

OrderLists::Result OrderLists::orders(const QString &cnstr, const QString &vipNo, const QDate &from,
                                      const QDate &to)
{
    QString sql = kHead +
                  QStringLiteral(", coalesce(t2.FPrice,0) as FPrice,"
                                 " coalesce(t2.FAmount,0) as FAmount, t1.FCreateTime") +
                  kFrom;
    db::Params params;
    const QString card = vipNo.trimmed();
    if (!card.isEmpty()) {
        sql += QStringLiteral(" where t1.FVipNo=?");
        params << card;
    } else {
        sql += QStringLiteral(" where t1.Fdate>=? and t1.Fdate<?");
        params << from << to.addDays(1);
    }
    const db::Rows rows = db::query(cnstr, sql + kOrder, params);

    Result res;
    res.table.columns = orderColumns();
    Money qty, gift, amount;
    int previous = 0;
    for (const db::Row &r : rows) {
        countOrder(res, previous, r.integer(QStringLiteral("FInterID")));
        const Money q = r.money(QStringLiteral("FQty")), g = r.money(QStringLiteral("FPreQty"));
        const Money a = r.money(QStringLiteral("FAmount"));
        qty += q;
        gift += g;
        amount += a;
        res.table.rows.append(
            {ReportRow::Detail,
             {ListCells::date(r.date(QStringLiteral("Fdate"))), r.text(QStringLiteral("FVipNo")),
              r.text(QStringLiteral("FOwner")), r.text(QStringLiteral("FPhone")),
              r.text(QStringLiteral("FName")), ListCells::quantity(q), ListCells::quantity(g),
              r.money(QStringLiteral("FPrice")).format(), a.format(),
              ListCells::dateTime(r.dateTime(QStringLiteral("FCreateTime"))),
              r.text(QStringLiteral("FInterID")), r.text(QStringLiteral("FItemID"))}});
        res.keys.append(keyOf(r));
    }
    if (!rows.isEmpty()) {
        res.table.rows.append(
            ListCells::totalRow(res.table.columns, {{"FQty", ListCells::quantity(qty)},
                                                    {"FPreQty", ListCells::quantity(gift)},
                                                    {"FAmount", amount.formatGrouped()}}));
        res.keys.append(RowKey());
    }
    return res;
}

OrderLists::Result OrderLists::uncompleted(const QString &cnstr, const QString &vipNo)
{
    // A NULL hand-out is nothing handed out, and a NULL gift no gift: the line still shows.
    QString sql =
        kHead + QStringLiteral(", coalesce(t2.FCplQty,0) as FCplQty, t2.FYxq") + kFrom +
        QStringLiteral(" where coalesce(t2.FQty,0)+coalesce(t2.FPreQty,0)>coalesce(t2.FCplQty,0)");
    db::Params params;
    const QString card = vipNo.trimmed();
    if (!card.isEmpty()) {
        sql += QStringLiteral(" and t1.FVipNo=?");
        params << card;
    }
    const db::Rows rows = db::query(cnstr, sql + kOrder, params);

    Result res;
    res.table.columns = uncompletedColumns();
    Money qty, gift, done, open;
    int previous = 0;
    for (const db::Row &r : rows) {
        countOrder(res, previous, r.integer(QStringLiteral("FInterID")));
        const Money q = r.money(QStringLiteral("FQty")), g = r.money(QStringLiteral("FPreQty"));
        const Money c = r.money(QStringLiteral("FCplQty"));
        qty += q;
        gift += g;
        done += c;
        open += q + g - c;
        res.table.rows.append(
            {ReportRow::Detail,
             {ListCells::date(r.date(QStringLiteral("Fdate"))), r.text(QStringLiteral("FVipNo")),
              r.text(QStringLiteral("FOwner")), r.text(QStringLiteral("FPhone")),
              r.text(QStringLiteral("FName")), ListCells::quantity(q), ListCells::quantity(g),
              ListCells::quantity(c), ListCells::quantity(q + g - c),
              ListCells::date(r.date(QStringLiteral("FYxq"))), r.text(QStringLiteral("FInterID")),
              r.text(QStringLiteral("FItemID"))}});
        res.keys.append(keyOf(r));
    }
    if (!rows.isEmpty()) {
        res.table.rows.append(
            ListCells::totalRow(res.table.columns, {{"FQty", ListCells::quantity(qty)},
                                                    {"FPreQty", ListCells::quantity(gift)},
                                                    {"FCplQty", ListCells::quantity(done)},
                                                    {"FUnCplQty", ListCells::quantity(open)}}));
        res.keys.append(RowKey());
    }
    return res;
}
