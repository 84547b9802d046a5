#pragma once

#include <functional>
#include <optional>

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include "core/db/ConnectionString.h"
#include "core/db/Row.h"
#include "core/base/Money.h"
#include "core/reports/ReportTable.h"

// The one engine of the grouped reports (the daily business report, the order summary): the
// lines of one or more sources are grouped on one or two criteria by a single statement over a
// derived table, and the groups become detail rows, a subtotal row after every first-level
// group of two or more rows, and one total row. Sums come from the numbers, never from the
// formatted cells.
class GroupedReport
{
public:
    // How a criterion reads on an engine: the shown value (the group is that text, so a time
    // part of a date cannot split a day) and the sort keys of that text.
    struct Criterion
    {
        QString text; // as the combo boxes offer it: "日期", "商品", "月份", "收银"
        QString (*select)(db::Engine engine); // already coalesced to ''
        QString (*sort)(db::Engine engine, const QString &shown);
        bool needsItem = false; // reads t3 (t_icitem)
        bool needsUser = false; // reads t4 (t_User)
    };
    static const Criterion *criterion(const QString &text); // nullptr for anything else

    enum class Format {
        Quantity,      // a plain number; "0" in summary rows
        Amount,        // "0.00"
        AmountGrouped, // "#,0.00"
        Percent        // "0.00%"
    };
    struct Column
    {
        QString key;
        QString header;
        Format detail;
        Format summary;
        bool summed = true;    // summary rows add up the detail values; else derive recomputes
        bool blankZero = true; // a detail cell of 0 stays empty
    };
    using Values = QList<std::optional<Money>>; // one per value column; nullopt leaves it empty

    // One source of lines: its tables (the header t1, the lines t2, the item t3, the
    // operator t4), its conditions besides the date range of t1.FDate with their bound
    // values, and the value per line of each column in column order ("" for a derived one).
    struct Source
    {
        QString from;     // "VipOrder t1 inner join VipOrderEntry t2 on …"
        QString itemJoin; // joined only when a criterion reads t3
        QString userJoin; // joined only when a criterion reads t4
        QString where;    // "" or conditions joined by "and"
        db::Params params;
        QStringList lineValues;
    };

    // What tells the reports apart.
    struct Design
    {
        QList<Column> columns; // the value columns after FTotal1 and FTotal2
        QList<Source> sources;
        // true: the sources' lines are unioned and grouped once over the union (several
        // sources meet in one row); false: the single source groups its own lines.
        bool regroup = true;
        QString labelColumn; // where a subtotal row's label goes: FTotal1 or FTotal2
        bool lastLabelNamesGroup =
            false; // the closing subtotal reads "<group>(小计)", not "(小计)"
        // Fills the derived columns: every column of a detail row, the unsummed ones of a
        // summary row (from its sums).
        std::function<void(Values &values, bool detail)> derive;
    };

    struct Request
    {
        QString total1; // criterion texts; total2 may be empty (or anything not a criterion)
        QString total2;
        QDate from; // both days included
        QDate to;
    };

    // The statement and its bound values, as run() sends them (the benchmark runs it raw).
    static QString statement(db::Engine engine, const Design &design, const Request &request,
                             db::Params *params);
    // Throws CoreError::refusal("请选择汇总依据！", "cmbTotal1") for no first criterion and
    // CoreError for a database failure.
    static ReportTable run(const QString &cnstr, const Design &design, const Request &request);
    // Turns grouped rows, in their order, into the table (FTotal1, FTotal2, the measures).
    static ReportTable build(const Design &design, const Request &request, const db::Rows &rows);

    static QString format(const std::optional<Money> &value, Format format, bool blankZero);

    // The daily business report: orders taken and goods that left on sale bills, split into
    // hand-outs against orders and goods sold for money; biller empty for every operator.
    static Design dailyBusiness(const QString &biller);
    // The order summary: status 0 every order, 1 open (a NULL FClosed is open), 2 closed.
    static Design orderSummary(int status);
    static const QStringList &dailyCriteria();        // 日期, 商品, 月份, 收银
    static const QStringList &orderSummaryCriteria(); // 日期, 月份, 商品
};
