#include "core/reports/GroupedReport.h"

#include "core/db/Database.h"
#include "core/db/Dialect.h"
#include "core/base/CoreError.h"

namespace {

const QString kTotal1 = QStringLiteral("FTotal1");
const QString kTotal2 = QStringLiteral("FTotal2");

QString byBytes(db::Engine engine, const QString &shown)
{
    return db::Dialect::byteOrder(engine, shown);
}

// Months are labelled "2012年9月" on the bills (and "2012年09月" elsewhere): as text the
// tenth month would come before the second, so they sort by the year and month read from
// the label, and the label itself last.
const GroupedReport::Criterion kCriteria[] = {
    {QStringLiteral("日期"),
     [](db::Engine e) {
         return QStringLiteral("coalesce(%1,'')")
             .arg(db::Dialect::dateText(e, QStringLiteral("t1.FDate")));
     },
     byBytes,
     false,
     false},
    {QStringLiteral("商品"),
     [](db::Engine) { return QStringLiteral("coalesce(t3.FName,'')"); },
     byBytes,
     true,
     false},
    {QStringLiteral("月份"),
     [](db::Engine) { return QStringLiteral("coalesce(t1.FMonth,'')"); },
     [](db::Engine e, const QString &shown) {
         return db::Dialect::yearMonthKeys(e, shown) + QStringLiteral(", ") +
                db::Dialect::byteOrder(e, shown);
     },
     false,
     false},
    {QStringLiteral("收银"),
     [](db::Engine) { return QStringLiteral("coalesce(t4.FUserName,'')"); },
     byBytes,
     false,
     true},
};

// a × b / c in ten-thousandths, half away from zero; c is not 0.
Money scaled(Money a, qint64 b, qint64 c)
{
    __int128 n = __int128(a.units()) * b;
    const bool negative = (n < 0) != (c < 0);
    if (n < 0)
        n = -n;
    const __int128 d = c < 0 ? -__int128(c) : __int128(c);
    const __int128 q = (2 * n + d) / (2 * d);
    return Money::fromUnits(qint64(negative ? -q : q));
}

QString quantityText(Money m)
{
    const qint64 u = m.units();
    if (u % Money::Scale == 0)
        return QString::number(u / Money::Scale);
    QString s = QString::number(double(u) / Money::Scale, 'f', 4);
    while (s.endsWith(u'0'))
        s.chop(1);
    return s;
}

} // namespace

const GroupedReport::Criterion *GroupedReport::criterion(const QString &text)
{
    for (const Criterion &c : kCriteria)
        if (c.text == text)
            return &c;
    return nullptr;
}

const QStringList &GroupedReport::dailyCriteria()
{
    static const QStringList list{QStringLiteral("日期"), QStringLiteral("商品"),
                                  QStringLiteral("月份"), QStringLiteral("收银")};
    return list;
}

const QStringList &GroupedReport::orderSummaryCriteria()
{
    static const QStringList list{QStringLiteral("日期"), QStringLiteral("月份"),
                                  QStringLiteral("商品")};
    return list;
}

QString GroupedReport::statement(db::Engine engine, const Design &design, const Request &request,
                                 db::Params *params)
{
    const Criterion *c1 = criterion(request.total1);
    if (!c1)
        throw CoreError::refusal(QStringLiteral("请选择汇总依据！"), QStringLiteral("cmbTotal1"));
    const Criterion *c2 = criterion(request.total2);

    QStringList measures; // the columns the statement returns beside the two group values
    for (int i = 0; i < design.columns.size(); ++i)
        if (!design.sources.first().lineValues.value(i).isEmpty())
            measures << design.columns[i].key;

    // Each source is summed by the criteria's raw keys (the day, the month label, the item's
    // and the operator's numbers) with no name joined; only those groups then take the item's
    // or the operator's name and are summed again by what the report shows, since two items
    // may share a name. A year of lines is so grouped once, not joined to names line by line.
    const auto keyOf = [engine](const Criterion &c) {
        return c.needsItem ? QStringLiteral("t2.FItemID")
               : c.needsUser ? QStringLiteral("t1.FBillerID")
                             : c.select(engine);
    };
    QString names; // the joins of the named keys
    // Each key's name under an alias of its own (n1, n2), so one table may name both.
    const auto shown = [&](const Criterion &c, const QString &key) {
        const QString alias = u'n' + key.right(1);
        if (c.needsItem) {
            names += QStringLiteral(" left join t_icitem %1 on %1.FItemID=k.%2").arg(alias, key);
            return QStringLiteral("coalesce(%1.FName,'')").arg(alias);
        }
        if (c.needsUser) {
            names += QStringLiteral(" left join t_User %1 on %1.FUserID=k.%2").arg(alias, key);
            return QStringLiteral("coalesce(%1.FUserName,'')").arg(alias);
        }
        return QStringLiteral("k.") + key;
    };
    QStringList branches;
    for (const Source &src : design.sources) {
        QString branch = QStringLiteral("select %1 as K1").arg(keyOf(*c1));
        if (c2)
            branch += QStringLiteral(",%1 as K2").arg(keyOf(*c2));
        for (int i = 0; i < design.columns.size(); ++i) {
            const QString v = src.lineValues.value(i);
            if (!v.isEmpty())
                branch += QStringLiteral(",sum(%1) as %2").arg(v, design.columns[i].key);
        }
        // Half-open: a bill dated with a time of day on the last day still counts.
        branch += QStringLiteral(" from ") + src.from + QStringLiteral(" where t1.FDate>=? and t1.FDate<?");
        if (!src.where.isEmpty())
            branch += QStringLiteral(" and ") + src.where;
        params->append(request.from);
        params->append(request.to.addDays(1));
        params->append(src.params);
        // A constant is no group: PostgreSQL refuses "group by ''".
        branch += QStringLiteral(" group by ") + keyOf(*c1) + (c2 ? u',' + keyOf(*c2) : QString());
        branches << branch;
        if (!design.regroup)
            break;
    }
    const QString t1 = shown(*c1, QStringLiteral("K1"));
    const QString t2 = c2 ? shown(*c2, QStringLiteral("K2")) : QStringLiteral("''");
    QString inner = QStringLiteral("select %1 as FTotal1,%2 as FTotal2").arg(t1, t2);
    for (const QString &m : measures)
        inner += QStringLiteral(",sum(%1) as %1").arg(m);
    inner += QStringLiteral(" from (") + branches.join(QStringLiteral(" union all ")) +
             QStringLiteral(") k") + names + QStringLiteral(" group by ") + t1 +
             (c2 ? u',' + t2 : QString());
    QStringList order{c1->sort(engine, kTotal1)};
    if (c2)
        order << c2->sort(engine, kTotal2);
    return QStringLiteral("select * from (") + inner + QStringLiteral(") g order by ") +
           order.join(u',');
}

ReportTable GroupedReport::run(const QString &cnstr, const Design &design, const Request &request)
{
    db::Params params;
    const QString sql = statement(db::engineOf(cnstr), design, request, &params);
    return build(design, request, db::queryPlannedForValues(cnstr, sql, params));
}

QString GroupedReport::format(const std::optional<Money> &value, Format format, bool blankZero)
{
    if (!value || (blankZero && value->isZero()))
        return QString();
    switch (format) {
    case Format::Quantity:
        return quantityText(*value);
    case Format::Amount:
        return value->format();
    case Format::AmountGrouped:
        return value->formatGrouped();
    case Format::Percent:
        return value->format() + u'%';
    }
    return QString();
}

ReportTable GroupedReport::build(const Design &design, const Request &request, const db::Rows &rows)
{
    ReportTable table;
    const bool second = criterion(request.total2) != nullptr;
    table.columns.append({kTotal1, request.total1, 130, false});
    table.columns.append({kTotal2, request.total2, 130, false});
    if (!second)
        table.hiddenColumns << kTotal2;
    for (const Column &c : design.columns)
        table.columns.append({c.key, c.header, 90, true});
    const int n = design.columns.size();
    const int labelAt = table.columnOf(design.labelColumn);

    // Column positions are read once from the result, not looked up by name per row.
    QList<int> at(n, -1);
    int at1 = -1, at2 = -1;
    if (!rows.isEmpty()) {
        const QStringList names = rows.first().columns();
        auto find = [&](const QString &key) {
            for (int i = 0; i < names.size(); ++i)
                if (names[i].compare(key, Qt::CaseInsensitive) == 0)
                    return i;
            return -1;
        };
        at1 = find(kTotal1);
        at2 = find(kTotal2);
        for (int i = 0; i < n; ++i)
            at[i] = find(design.columns[i].key);
    }

    auto summary = [&](Values &sums, ReportRow::Kind kind, const QString &label) {
        Values shown = sums;
        for (int i = 0; i < n; ++i)
            if (!design.columns[i].summed)
                shown[i].reset();
        if (design.derive)
            design.derive(shown, false);
        ReportRow row;
        row.kind = kind;
        row.cells.resize(n + 2);
        if (kind == ReportRow::Total)
            row.cells[0] = QStringLiteral("(合计)");
        else
            row.cells[labelAt] = label;
        for (int i = 0; i < n; ++i)
            row.cells[i + 2] = format(shown[i], design.columns[i].summary, false);
        table.rows.append(row);
        for (int i = 0; i < n; ++i)
            sums[i] = design.columns[i].summed ? std::optional<Money>(Money()) : std::nullopt;
    };

    Values zero(n);
    for (int i = 0; i < n; ++i)
        if (design.columns[i].summed)
            zero[i] = Money();
    Values sub = zero, total = zero;
    QString previous;
    int groupRows = 0, details = 0;
    Values v(n); // one buffer for every detail row
    for (const db::Row &r : rows) {
        // Compared as text, and a missing value is '' (coalesced), so it never folds into
        // the group before it.
        const QString t1 = r.at(at1).toString();
        if (details == 0 || t1 != previous) {
            if (groupRows > 1)
                summary(sub, ReportRow::Subtotal, previous + QStringLiteral("(小计)"));
            sub = zero;
            groupRows = 0;
        }
        for (int i = 0; i < n; ++i) {
            if (at[i] >= 0)
                v[i] = Money::fromVariant(r.at(at[i]));
            else
                v[i].reset();
        }
        if (design.derive)
            design.derive(v, true);
        ReportRow row;
        row.cells.reserve(n + 2);
        row.cells << t1 << r.at(at2).toString();
        for (int i = 0; i < n; ++i)
            row.cells << format(v[i], design.columns[i].detail, design.columns[i].blankZero);
        table.rows.append(row);
        for (int i = 0; i < n; ++i)
            if (design.columns[i].summed && v[i]) {
                *sub[i] += *v[i];
                *total[i] += *v[i];
            }
        ++groupRows;
        ++details;
        previous = t1;
    }
    if (groupRows > 1 && second)
        summary(sub, ReportRow::Subtotal,
                design.lastLabelNamesGroup ? previous + QStringLiteral("(小计)")
                                           : QStringLiteral("(小计)"));
    if (details > 0)
        summary(total, ReportRow::Total, QString());
    return table;
}

GroupedReport::Design GroupedReport::dailyBusiness(const QString &biller)
{
    Design d;
    using F = Format;
    d.columns = {
        {QStringLiteral("FOrderQty"), QStringLiteral("订单数量"), F::Quantity, F::Quantity},
        {QStringLiteral("FOrderAmount"), QStringLiteral("订单金额"), F::AmountGrouped, F::Amount},
        {QStringLiteral("FVipQty"), QStringLiteral("会员销售"), F::Quantity, F::Quantity},
        {QStringLiteral("FNoVipQty"), QStringLiteral("非会员销售"), F::Quantity, F::Quantity},
        {QStringLiteral("FSaleAmount"), QStringLiteral("销售金额"), F::AmountGrouped,
         F::AmountGrouped},
        {QStringLiteral("FSumAmount"), QStringLiteral("合计金额"), F::AmountGrouped,
         F::AmountGrouped},
    };
    const QString item = QStringLiteral("left join t_icitem t3 on t2.FItemID=t3.FItemID");
    const QString user = QStringLiteral("left join t_User t4 on t1.FBillerID=t4.FUserID");
    const QString byBiller =
        QStringLiteral("t1.FBillerID in (select FUserID from t_User where FUserName=?)");
    Source orders{
        QStringLiteral("VipOrder t1 inner join VipOrderEntry t2 on t1.FInterID=t2.FInterID"),
        item,
        user,
        QString(),
        {},
        {QStringLiteral("coalesce(t2.FQty,0)"), QStringLiteral("coalesce(t2.FAmount,0)"),
         QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0"), QString()}};
    // A line without an order reference (0 or NULL) was sold for money; any other was handed
    // out against an order whose money came with the order.
    const QString member = QStringLiteral("coalesce(t2.FOrderBillInterID,0)<>0");
    Source sales{
        QStringLiteral("ICStockBill t1 inner join ICStockBillEntry t2 on t1.FInterID=t2.FInterID"),
        item,
        user,
        QStringLiteral("t1.FTrantype=99"),
        {},
        {QStringLiteral("0"), QStringLiteral("0"),
         QStringLiteral("case when %1 then coalesce(t2.FQty,0) else 0 end").arg(member),
         QStringLiteral("case when %1 then 0 else coalesce(t2.FQty,0) end").arg(member),
         QStringLiteral("case when %1 then 0 else coalesce(t2.FAmount,0) end").arg(member),
         QString()}};
    if (!biller.isEmpty()) {
        orders.where = byBiller;
        orders.params = {biller};
        sales.where += QStringLiteral(" and ") + byBiller;
        sales.params = {biller};
    }
    d.sources = {orders, sales};
    d.regroup = true;
    d.labelColumn = kTotal2;
    d.lastLabelNamesGroup = false;
    d.derive = [](Values &v, bool detail) {
        if (detail)
            v[5] = v[1].value_or(Money()) + v[4].value_or(Money());
    };
    return d;
}

GroupedReport::Design GroupedReport::orderSummary(int status)
{
    Design d;
    using F = Format;
    d.columns = {
        {QStringLiteral("FOrderQty"), QStringLiteral("订单总量"), F::Quantity, F::Quantity},
        {QStringLiteral("FPrice"), QStringLiteral("均价"), F::Amount, F::Amount, false, false},
        {QStringLiteral("FOrderAmount"), QStringLiteral("订单金额"), F::Amount, F::AmountGrouped},
        {QStringLiteral("FPreQty"), QStringLiteral("赠数"), F::Quantity, F::Quantity},
        {QStringLiteral("FCplQty"), QStringLiteral("已取数量"), F::Quantity, F::Quantity},
        {QStringLiteral("FCplAmount"), QStringLiteral("已取金额"), F::AmountGrouped,
         F::AmountGrouped, true, false},
        {QStringLiteral("FUnCplQty"), QStringLiteral("未取数量"), F::Quantity, F::Quantity},
        {QStringLiteral("FUnCplAmount"), QStringLiteral("未取金额"), F::AmountGrouped,
         F::AmountGrouped, true, false},
        {QStringLiteral("FRate"), QStringLiteral("完成比"), F::Percent, F::Percent, false, false},
    };
    const QString qty = QStringLiteral("coalesce(t2.FQty,0)+coalesce(t2.FPreQty,0)");
    Source orders{
        QStringLiteral("VipOrder t1 inner join VipOrderEntry t2 on t1.FInterID=t2.FInterID"),
        QStringLiteral("left join t_icitem t3 on t2.FItemID=t3.FItemID"),
        QString(),
        QString(),
        {},
        {qty, QString(), QStringLiteral("coalesce(t2.FAmount,0)"),
         QStringLiteral("coalesce(t2.FPreQty,0)"), QStringLiteral("coalesce(t2.FCplQty,0)"),
         QString(), qty + QStringLiteral("-coalesce(t2.FCplQty,0)"), QString(), QString()}};
    if (status == 1 || status == 2) {
        orders.where = QStringLiteral("coalesce(t1.FClosed,0)=?");
        orders.params = {status == 1 ? 0 : 1};
    }
    d.sources = {orders};
    d.regroup = false;
    d.labelColumn = kTotal1;
    d.lastLabelNamesGroup = true;
    d.derive = [](Values &v, bool detail) {
        const Money q = v[0].value_or(Money()), a = v[2].value_or(Money());
        const Money c = v[4].value_or(Money()), u = v[6].value_or(Money());
        // Nothing ordered: no price and no ratio, rather than a division by zero.
        if (q.isZero())
            return;
        v[1] = scaled(a, Money::Scale, q.units());
        v[8] = scaled(c, 100 * Money::Scale, q.units());
        if (detail) {
            // Rounded to cents as shown, so the subtotals add up what the rows say.
            if (!c.isZero())
                v[5] = scaled(a, c.units(), q.units()).roundedToCents();
            if (!u.isZero())
                v[7] = scaled(a, u.units(), q.units()).roundedToCents();
        }
    };
    return d;
}
