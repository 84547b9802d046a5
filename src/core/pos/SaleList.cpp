#include "core/pos/SaleList.h"

#include "core/db/Database.h"
#include "core/reports/ListCells.h"

namespace {

// A NULL order reference is an ordinary sale; a line whose item was deleted still shows.
const QString kSql = QStringLiteral(
    "select t1.FInterID, t1.Fdate, coalesce(t1.FVipNo,'') as FVipNo,"
    " coalesce(t1.FOwner,'') as FOwner, t1.FSysTime, t2.FEntryID, coalesce(t2.FQty,0) as FQty,"
    " coalesce(t2.FPrice,0) as FPrice, coalesce(t2.FAmount,0) as FAmount,"
    " coalesce(t2.FOrderBillInterID,0) as FOrderBillInterID, coalesce(t3.FName,'') as FName"
    " from ICStockBill t1 inner join ICStockBillEntry t2 on t1.FInterID=t2.FInterID"
    " left join t_icitem t3 on t2.FItemID=t3.FItemID"
    " where t1.FTrantype=99 and t1.Fdate>=? and t1.Fdate<?");

} // namespace

QList<GridSnapshot::Column> SaleList::columns()
{
    const auto c = [](const char *key, const char *header, int width, bool numeric) {
        return GridSnapshot::Column{QString::fromUtf8(key), QString::fromUtf8(header), width,
                                    numeric};
    };
    return {c("FDate", "日期", 90, false),         c("FVipNo", "会员卡号", 90, false),
            c("FOwner", "持卡人", 80, false),      c("FName", "商品名称", 130, false),
            c("FQty1", "会员数量", 70, true),      c("FQty2", "非会员数量", 80, true),
            c("FPrice", "单价", 70, true),         c("FAmount", "金额", 90, true),
            c("FSysTime", "制单时间", 140, false), c("FInterID", "", 0, true)};
}

SaleList::Result SaleList::run(const QString &cnstr, const QString &vipNo, const QDate &from,
                               const QDate &to)
{
    QString sql = kSql;
    db::Params params{from, to.addDays(1)};
    const QString card = vipNo.trimmed();
    if (!card.isEmpty()) {
        sql += QStringLiteral(" and t1.FVipNo=?");
        params << card;
    }
    const db::Rows rows = db::query(
        cnstr, sql + QStringLiteral(" order by t1.Fdate, t1.FInterID, t2.FEntryID"), params);

    Result res;
    res.table.columns = columns();
    Money member, other, amount;
    int previous = 0;
    for (const db::Row &r : rows) {
        const int id = r.integer(QStringLiteral("FInterID"));
        if (res.billIds.isEmpty() || id != previous)
            ++res.billCount;
        previous = id;
        const Money qty = r.money(QStringLiteral("FQty")), a = r.money(QStringLiteral("FAmount"));
        const bool picked = r.integer(QStringLiteral("FOrderBillInterID")) > 0;
        (picked ? member : other) += qty;
        amount += a;
        res.table.rows.append(
            {ReportRow::Detail,
             {ListCells::date(r.date(QStringLiteral("Fdate"))), r.text(QStringLiteral("FVipNo")),
              r.text(QStringLiteral("FOwner")), r.text(QStringLiteral("FName")),
              picked ? ListCells::quantity(qty) : QString(),
              picked ? QString() : ListCells::quantity(qty),
              r.money(QStringLiteral("FPrice")).format(), a.format(),
              ListCells::dateTime(r.dateTime(QStringLiteral("FSysTime"))), QString::number(id)}});
        res.billIds.append(id);
    }
    if (!rows.isEmpty()) {
        res.table.rows.append(
            ListCells::totalRow(res.table.columns, {{"FQty1", ListCells::quantity(member)},
                                                    {"FQty2", ListCells::quantity(other)},
                                                    {"FAmount", amount.formatGrouped()}}));
        res.billIds.append(0);
    }
    return res;
}
