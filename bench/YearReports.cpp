// The grouped reports over a year of a busy shop (1M sale lines over 365 days, 100k orders
// with 250k lines): each report through our core end to end, its statement alone through
// our core, and the same statement raw through the engine's C interface, alternating, with
// medians of each.
#include "YearReports.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <vector>

#include <libpq-fe.h>
#include <sqlite3.h>

#include <QDate>
#include <QTemporaryDir>

#include "RawEngines.h"
#include "core/db/ConnectionString.h"
#include "core/db/Database.h"
#include "core/db/Schema.h"
#include "core/reports/GroupedReport.h"
#include "core/reports/ReportTable.h"

namespace {

using Clock = std::chrono::steady_clock;

[[noreturn]] void fail(const QString &what)
{
    throw std::runtime_error(what.toStdString());
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

QString ms(double us)
{
    return QStringLiteral("%1 ms").arg(us / 1000.0, 0, 'f', 1);
}

using Table = std::vector<QVariantList>;

// One statement, run raw: text parameters, every value of every row read as the engine hands
// it over (SQLite: numbers as numbers; libpq: text).
class Raw
{
public:
    virtual ~Raw() = default;
    virtual void exec(const QString &sql) = 0;
    virtual Table rows(const QString &sql, const QStringList &params) = 0;
    // The engine's plan of the statement last run, as text lines.
    virtual QStringList plan(const QString &sql, const QStringList &params) = 0;
};

class RawSqlite : public Raw
{
public:
    explicit RawSqlite(const QString &path) : m_db(bench::openSqlite(path)) {}
    ~RawSqlite() override
    {
        if (m_stmt)
            sqlite3_finalize(m_stmt);
        sqlite3_close(m_db);
    }
    void exec(const QString &sql) override { bench::execSqlite(m_db, sql.toUtf8().constData()); }
    Table rows(const QString &sql, const QStringList &params) override
    {
        if (sql != m_sql) {
            if (m_stmt)
                sqlite3_finalize(m_stmt);
            m_stmt = nullptr;
            if (sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &m_stmt, nullptr) !=
                SQLITE_OK)
                fail(QString::fromUtf8(sqlite3_errmsg(m_db)));
            m_sql = sql;
        }
        for (int i = 0; i < params.size(); ++i) {
            // Numbers as numbers: SQLite compares a number with a text as different.
            bool number = false;
            const qlonglong n = params[i].toLongLong(&number);
            const QByteArray v = params[i].toUtf8();
            if (number)
                sqlite3_bind_int64(m_stmt, i + 1, n);
            else
                sqlite3_bind_text(m_stmt, i + 1, v.constData(), int(v.size()), SQLITE_TRANSIENT);
        }
        Table out;
        const int cols = sqlite3_column_count(m_stmt);
        int rc;
        while ((rc = sqlite3_step(m_stmt)) == SQLITE_ROW) {
            QVariantList row;
            row.reserve(cols);
            for (int c = 0; c < cols; ++c) {
                switch (sqlite3_column_type(m_stmt, c)) {
                case SQLITE_INTEGER:
                    row << qlonglong(sqlite3_column_int64(m_stmt, c));
                    break;
                case SQLITE_FLOAT:
                    row << sqlite3_column_double(m_stmt, c);
                    break;
                case SQLITE_NULL:
                    row << QVariant();
                    break;
                default:
                    row << QString::fromUtf8(
                        reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, c)));
                }
            }
            out.push_back(std::move(row));
        }
        sqlite3_reset(m_stmt);
        if (rc != SQLITE_DONE)
            fail(QString::fromUtf8(sqlite3_errmsg(m_db)));
        return out;
    }

    QStringList plan(const QString &sql, const QStringList &params) override
    {
        sqlite3_stmt *s = nullptr;
        const QByteArray text = (QStringLiteral("explain query plan ") + sql).toUtf8();
        if (sqlite3_prepare_v2(m_db, text.constData(), -1, &s, nullptr) != SQLITE_OK)
            fail(QString::fromUtf8(sqlite3_errmsg(m_db)));
        for (int i = 0; i < params.size(); ++i) {
            const QByteArray v = params[i].toUtf8();
            sqlite3_bind_text(s, i + 1, v.constData(), int(v.size()), SQLITE_TRANSIENT);
        }
        QStringList out;
        while (sqlite3_step(s) == SQLITE_ROW)
            out << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(s, 3)));
        sqlite3_finalize(s);
        return out;
    }

private:
    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_stmt = nullptr;
    QString m_sql;
};

class RawPg : public Raw
{
public:
    explicit RawPg(const db::ConnectionString &cs)
    {
        m_conn = bench::connectPg(cs);
    }
    ~RawPg() override { PQfinish(m_conn); }
    void exec(const QString &sql) override { bench::execPg(m_conn, sql.toUtf8().constData()); }
    Table rows(const QString &sql, const QStringList &params) override
    {
        // Unnamed, in one round trip: the server plans it for the values given (a day or a
        // year) instead of settling on a generic plan.
        QString text = sql;
        for (int i = 9; i >= 1; --i)
            text.replace(QStringLiteral("?%1").arg(i), QStringLiteral("$%1").arg(i));
        std::vector<QByteArray> values;
        std::vector<const char *> ptrs;
        for (const QString &p : params)
            values.push_back(p.toUtf8());
        for (const QByteArray &v : values)
            ptrs.push_back(v.constData());
        PGresult *r = PQexecParams(m_conn, text.toUtf8().constData(), int(ptrs.size()), nullptr,
                                   ptrs.data(), nullptr, nullptr, 0);
        if (PQresultStatus(r) != PGRES_TUPLES_OK) {
            const QString error = QString::fromUtf8(PQerrorMessage(m_conn));
            PQclear(r);
            fail(error);
        }
        const int rows = PQntuples(r), cols = PQnfields(r);
        Table out;
        out.reserve(rows);
        for (int i = 0; i < rows; ++i) {
            QVariantList row;
            row.reserve(cols);
            for (int c = 0; c < cols; ++c)
                row << (PQgetisnull(r, i, c) ? QVariant()
                                             : QVariant(QString::fromUtf8(PQgetvalue(r, i, c))));
            out.push_back(std::move(row));
        }
        PQclear(r);
        return out;
    }

    QStringList plan(const QString &sql, const QStringList &params) override
    {
        QStringList out;
        for (const QVariantList &r :
             rows(QStringLiteral("explain (analyze, costs off, timing off) ") + sql, params))
            out << r.value(0).toString();
        return out;
    }

private:
    PGconn *m_conn = nullptr;
};

struct Size
{
    int items, users, bills, linesPerBill, orders, rounds;
};

// Everything in one transaction, a statement per table, numbers from the engine.
void seed(const QString &cnstr, Raw &raw, db::Engine engine, const Size &z)
{
    db::Schema::ensure(cnstr);
    const bool lite = engine == db::Engine::SQLite;
    auto series = [&](int n, const QString &body) {
        return lite ? QStringLiteral("with recursive s(i) as (select 1 union all select i+1 from s "
                                     "where i<%1) ")
                              .arg(n) +
                          body + QStringLiteral(" from s")
                    : body + QStringLiteral(" from generate_series(1,%1) s(i)").arg(n);
    };
    // Day d (0..364) of 2026, its date and its month label as the bills write it.
    auto date = [&](const QString &d) {
        return lite ? QStringLiteral("date('2026-01-01','+'||(%1)||' days')").arg(d)
                    : QStringLiteral("(date '2026-01-01' + (%1))").arg(d);
    };
    auto month = [&](const QString &d) {
        return lite ? QStringLiteral(
                          "strftime('%Y',%1)||'年'||cast(strftime('%m',%1) as integer)||'月'")
                          .arg(date(d))
                    : QStringLiteral("to_char(%1,'YYYY')||'年'||extract(month from %1)::int||'月'")
                          .arg(date(d));
    };
    auto mod = [](const QString &a, int b) {
        return QStringLiteral("((%1) %% %2)")
            .arg(a)
            .arg(b)
            .replace(QStringLiteral("%%"), QStringLiteral("%"));
    };
    std::printf("seeding %s …\n", lite ? "SQLite" : "PostgreSQL");
    std::fflush(stdout);
    raw.exec(QStringLiteral("BEGIN"));
    raw.exec(
        series(z.users,
               QStringLiteral(
                   "insert into t_user (FUserID, FUserName, FManager) select i, '收银员'||i, 0")));
    raw.exec(
        series(z.items,
               QStringLiteral(
                   "insert into t_icitem (FItemID, FName, FNumber) select i, '鲜奶'||i, 'N'||i")));
    const QString billDay = QStringLiteral("(i-1)*365/%1").arg(z.bills);
    raw.exec(series(
        z.bills,
        QStringLiteral("insert into ICStockBill (FInterID, FTrantype, Fdate, FMonth, FBillerID)"
                       " select i, 99, %1, %2, %3")
            .arg(date(billDay), month(billDay),
                 mod(QStringLiteral("i"), z.users) + QStringLiteral("+1"))));
    // One line in four hands out an order line; the others are sold for money.
    const int lines = z.bills * z.linesPerBill;
    raw.exec(series(
        lines,
        QStringLiteral("insert into ICStockBillEntry (FInterID, FEntryID, FItemID, FQty, FPrice,"
                       " FAmount, FOrderBillInterID, FOrderBillEntryID)"
                       " select (i-1)/%1+1, %2+1, %3+1, %4+1, 3.5, (%4+1)*3.5,"
                       " case when %5=0 then %6+1 else 0 end, case when %5=0 then 1 else 0 end")
            .arg(z.linesPerBill)
            .arg(mod(QStringLiteral("i-1"), z.linesPerBill), mod(QStringLiteral("i*7"), z.items),
                 mod(QStringLiteral("i"), 3), mod(QStringLiteral("i"), 4),
                 mod(QStringLiteral("i"), z.orders))));
    const QString orderDay = QStringLiteral("(i-1)*365/%1").arg(z.orders);
    raw.exec(series(
        z.orders, QStringLiteral(
                      "insert into VipOrder (FInterID, Fdate, FMonth, FBillerID, FClosed)"
                      " select i, %1, %2, %3, case when %4=0 then 1 when %4=1 then null else 0 end")
                      .arg(date(orderDay), month(orderDay),
                           mod(QStringLiteral("i"), z.users) + QStringLiteral("+1"),
                           mod(QStringLiteral("i"), 3))));
    // Two and a half lines an order: 250k lines for 100k orders.
    const int orderLines = z.orders * 5 / 2;
    raw.exec(
        series(orderLines,
               QStringLiteral(
                   "insert into VipOrderEntry (FInterID, FEntryID, FItemID, FQty, FPreQty,"
                   " FCplQty, FPrice, FAmount) select (i-1)*2/5+1, i, %1+1, 30, 3, %2, 3.5, 105")
                   .arg(mod(QStringLiteral("i*13"), z.items), mod(QStringLiteral("i"), 34))));
    raw.exec(QStringLiteral("COMMIT"));
    raw.exec(QStringLiteral("ANALYZE"));
}

// The reports written by hand: each source's lines summed per raw key first (a day, an item
// number, a month label, an operator number), the names joined to those few groups only,
// then the groups of the same shown text merged. ?1 the first day, ?2 the day after the last
// (a time of day on the last day still counts), ?3 the operator's name or the order status.
struct Criterion
{
    QString key;   // over t1 and t2
    QString shown; // over the key k
    QString join;  // for the shown text, "" when none
    bool month = false;
};

Criterion criterion(db::Engine e, const QString &text, const QString &k)
{
    const bool lite = e == db::Engine::SQLite;
    if (text == u"日期")
        return {lite ? u"substr(t1.FDate,1,10)"_qs : u"t1.FDate"_qs,
                lite ? QStringLiteral("coalesce(u.%1,'')").arg(k)
                     : QStringLiteral("coalesce(to_char(u.%1,'YYYY-MM-DD'),'')").arg(k),
                QString()};
    if (text == u"商品")
        return {u"t2.FItemID"_qs, QStringLiteral("coalesce(t3%1.FName,'')").arg(k),
                QStringLiteral(" left join t_icitem t3%1 on t3%1.FItemID=u.%1").arg(k)};
    if (text == u"收银")
        return {u"t1.FBillerID"_qs, QStringLiteral("coalesce(t4%1.FUserName,'')").arg(k),
                QStringLiteral(" left join t_User t4%1 on t4%1.FUserID=u.%1").arg(k)};
    return {u"t1.FMonth"_qs, QStringLiteral("coalesce(u.%1,'')").arg(k), QString(), true};
}

QString orderOf(db::Engine e, const Criterion &c, const QString &column)
{
    const bool lite = e == db::Engine::SQLite;
    const QString bytes = lite ? column : column + QStringLiteral(" collate \"C\"");
    if (!c.month)
        return bytes;
    // The label "2026年9月" read as its year and month, so the tenth month follows the ninth.
    return (lite ? QStringLiteral("cast(substr(%1,1,4) as integer), cast(substr(%1,6) as integer)")
                 : QStringLiteral("cast(coalesce(substring(%1 from '^[0-9]+'),'0') as integer),"
                                  " cast(coalesce(substring(%1 from '年([0-9]+)'),'0') as integer)"))
               .arg(column) +
           u',' + bytes;
}

// sources: the grouped selects over "k1[, k2]"; measures: the outer sums over u.
QString handStatement(db::Engine e, const QString &t1, const QString &t2, const QStringList &sources,
                      const QString &measures)
{
    const bool two = !t2.isEmpty();
    const Criterion c1 = criterion(e, t1, u"k1"_qs), c2 = criterion(e, t2, u"k2"_qs);
    QStringList parts = sources;
    for (QString &p : parts)
        p.replace(u"%K"_qs, c1.key + QStringLiteral(" as k1") +
                                (two ? QStringLiteral(", ") + c2.key + QStringLiteral(" as k2")
                                     : QString()))
            .replace(u"%G"_qs, two ? u"1,2"_qs : u"1"_qs);
    const QString u = parts.size() == 1 ? parts.first()
                                        : parts.join(QStringLiteral(" union all "));
    return QStringLiteral("select * from (select %1 as FTotal1, %2 as FTotal2, %3 from (%4) u%5%6"
                          " group by %7) g order by %8")
        .arg(c1.shown, two ? c2.shown : u"''"_qs, measures, u, c1.join, two ? c2.join : QString(),
             two ? QStringLiteral("1,2") : QStringLiteral("1"),
             orderOf(e, c1, u"FTotal1"_qs) +
                 (two ? u',' + orderOf(e, c2, u"FTotal2"_qs) : QString()));
}

QString handDaily(db::Engine e, const QString &t1, const QString &t2, bool byBiller)
{
    const QString range = QStringLiteral(" where t1.FDate>=?1 and t1.FDate<?2") +
                          (byBiller ? QStringLiteral(" and t1.FBillerID in (select FUserID from"
                                                     " t_User where FUserName=?3)")
                                    : QString());
    const QString member = QStringLiteral("coalesce(t2.FOrderBillInterID,0)<>0");
    return handStatement(
        e, t1, t2,
        {QStringLiteral("select %K, sum(coalesce(t2.FQty,0)) as oq, sum(coalesce(t2.FAmount,0)) as"
                        " oa, 0 as vq, 0 as nq, 0 as sa from VipOrder t1 join VipOrderEntry t2 on"
                        " t2.FInterID=t1.FInterID") +
             range + QStringLiteral(" group by %G"),
         QStringLiteral("select %K, 0, 0, sum(case when %1 then coalesce(t2.FQty,0) else 0 end),"
                        " sum(case when %1 then 0 else coalesce(t2.FQty,0) end), sum(case when %1"
                        " then 0 else coalesce(t2.FAmount,0) end) from ICStockBill t1 join"
                        " ICStockBillEntry t2 on t2.FInterID=t1.FInterID")
                 .arg(member) +
             range + QStringLiteral(" and t1.FTrantype=99 group by %G")},
        QStringLiteral("sum(oq) as FOrderQty, sum(oa) as FOrderAmount, sum(vq) as FVipQty,"
                       " sum(nq) as FNoVipQty, sum(sa) as FSaleAmount"));
}

QString handSummary(db::Engine e, const QString &t1, const QString &t2, int status)
{
    const QString where = QStringLiteral(" where t1.FDate>=?1 and t1.FDate<?2") +
                          (status ? QStringLiteral(" and coalesce(t1.FClosed,0)=?3") : QString());
    if (e == db::Engine::SQLite) {
        // One source on SQLite: grouped once by the shown texts, names joined per line, as a
        // second grouping costs SQLite a second sort of nearly as many groups.
        const bool two = !t2.isEmpty();
        auto shown = [](const QString &c) {
            return c == u"日期"   ? QStringLiteral("coalesce(substr(t1.FDate,1,10),'')")
                   : c == u"商品" ? QStringLiteral("coalesce(t3.FName,'')")
                                  : QStringLiteral("coalesce(t1.FMonth,'')");
        };
        const bool item = t1 == u"商品" || t2 == u"商品";
        return QStringLiteral("select * from (select %1 as FTotal1, %2 as FTotal2,"
                              " sum(coalesce(t2.FQty,0)+coalesce(t2.FPreQty,0)) as FOrderQty,"
                              " sum(coalesce(t2.FAmount,0)) as FOrderAmount,"
                              " sum(coalesce(t2.FPreQty,0)) as FPreQty,"
                              " sum(coalesce(t2.FCplQty,0)) as FCplQty,"
                              " sum(coalesce(t2.FQty,0)+coalesce(t2.FPreQty,0)-coalesce(t2.FCplQty,0))"
                              " as FUnCplQty from VipOrder t1 join VipOrderEntry t2 on"
                              " t2.FInterID=t1.FInterID%3%4 group by %5) g order by %6")
            .arg(shown(t1), two ? shown(t2) : u"''"_qs,
                 item ? QStringLiteral(" left join t_icitem t3 on t3.FItemID=t2.FItemID") : QString(),
                 where, two ? u"1,2"_qs : u"1"_qs,
                 orderOf(e, criterion(e, t1, u"k1"_qs), u"FTotal1"_qs) +
                     (two ? u',' + orderOf(e, criterion(e, t2, u"k2"_qs), u"FTotal2"_qs)
                          : QString()));
    }
    return handStatement(
        e, t1, t2,
        {QStringLiteral("select %K, sum(coalesce(t2.FQty,0)+coalesce(t2.FPreQty,0)) as q,"
                        " sum(coalesce(t2.FAmount,0)) as a, sum(coalesce(t2.FPreQty,0)) as g,"
                        " sum(coalesce(t2.FCplQty,0)) as c from VipOrder t1 join VipOrderEntry t2"
                        " on t2.FInterID=t1.FInterID") +
         where + QStringLiteral(" group by %G")},
        QStringLiteral("sum(q) as FOrderQty, sum(a) as FOrderAmount, sum(g) as FPreQty,"
                       " sum(c) as FCplQty, sum(q)-sum(c) as FUnCplQty"));
}

struct Case
{
    const char *name;
    std::function<GroupedReport::Design()> design;
    GroupedReport::Request request;
    std::function<QString(db::Engine)> hand;
    QString third; // ?3 of the hand-written statement, "" for none
    double goalSeconds[2]; // end to end: SQLite, PostgreSQL; 0 for none
};

[[noreturn]] void differs(const Case &c, const QString &where, const QString &ours,
                          const QString &raw)
{
    fail(QStringLiteral("%1: %2: ours %3, raw %4")
             .arg(QString::fromUtf8(c.name), where, ours, raw));
}

// Every value of every row: the group texts equal, the measures equal as exact money; then
// the table the raw rows make, cell for cell, subtotals and total included.
void compare(const Case &c, const GroupedReport::Design &design, const db::Rows &ours,
             const Table &raw, const ReportTable &table)
{
    if (ours.size() != qsizetype(raw.size()))
        differs(c, u"rows"_qs, QString::number(ours.size()), QString::number(raw.size()));
    QStringList names{u"FTotal1"_qs, u"FTotal2"_qs};
    for (int i = 0; i < design.columns.size(); ++i)
        if (!design.sources.first().lineValues.value(i).isEmpty())
            names << design.columns[i].key;
    db::Rows made;
    for (size_t r = 0; r < raw.size(); ++r) {
        if (raw[r].size() != names.size())
            differs(c, u"columns"_qs, QString::number(names.size()), QString::number(raw[r].size()));
        db::Row row;
        for (int k = 0; k < names.size(); ++k) {
            const QVariant mine = ours[qsizetype(r)].value(names[k]);
            const bool text = k < 2;
            if (text ? mine.toString() != raw[r][k].toString()
                     : Money::fromVariant(mine) != Money::fromVariant(raw[r][k]))
                differs(c, QStringLiteral("row %1 %2").arg(r + 1).arg(names[k]), mine.toString(),
                        raw[r][k].toString());
            row.append(names[k], raw[r][k]);
        }
        made << row;
    }
    const ReportTable mine = GroupedReport::build(design, c.request, made);
    if (mine.rows.size() != table.rows.size())
        differs(c, u"table rows"_qs, QString::number(table.rows.size()),
                QString::number(mine.rows.size()));
    for (qsizetype r = 0; r < table.rows.size(); ++r)
        if (mine.rows[r].cells != table.rows[r].cells || mine.rows[r].kind != table.rows[r].kind)
            differs(c, QStringLiteral("table row %1").arg(r + 1), table.rows[r].cells.join(u'|'),
                    mine.rows[r].cells.join(u'|'));
}

void measure(const QString &cnstr, db::Engine engine, Raw &raw, const Case &c, int rounds)
{
    const GroupedReport::Design design = c.design();
    db::Params params;
    const QString sql = GroupedReport::statement(engine, design, c.request, &params);
    const QString hand = c.hand(engine);
    QStringList texts{c.request.from.toString(Qt::ISODate),
                      c.request.to.addDays(1).toString(Qt::ISODate)};
    if (!c.third.isEmpty())
        texts << c.third;
    std::vector<double> whole, ours, bare, shape;
    ReportTable table;
    db::Rows ourRows;
    Table rawRows;
    auto timed = [](std::vector<double> &into, const std::function<void()> &f) {
        const auto a = Clock::now();
        f();
        into.push_back(std::chrono::duration<double, std::micro>(Clock::now() - a).count());
    };
    // A first run of each warms the caches; then the four take turns, the order turning too.
    const db::Rows fetched = db::queryPlannedForValues(cnstr, sql, params);
    raw.rows(hand, texts);
    for (int i = 0; i < rounds; ++i) {
        std::vector<std::function<void()>> steps = {
            [&] { timed(whole, [&] { table = GroupedReport::run(cnstr, design, c.request); }); },
            [&] {
                timed(ours, [&] { ourRows = db::queryPlannedForValues(cnstr, sql, params); });
            },
            [&] { timed(bare, [&] { rawRows = raw.rows(hand, texts); }); },
            // The rows turned into the table alone, from rows already read.
            [&] { timed(shape, [&] { GroupedReport::build(design, c.request, fetched); }); },
        };
        std::rotate(steps.begin(), steps.begin() + i % 4, steps.end());
        for (auto &s : steps)
            s();
    }
    if (qEnvironmentVariableIsSet("KWPOS_BENCH_PLANS"))
        for (const QString &l : raw.plan(hand, texts))
            std::printf("    %s\n", qPrintable(l));
    compare(c, design, ourRows, rawRows, table);
    const double w = median(whole), o = median(ours), r = median(bare), b = median(shape);
    const double goal = c.goalSeconds[engine == db::Engine::SQLite ? 0 : 1];
    std::printf("%-36s %-10s rows %7lld  report %10s  statement %10s  raw %10s  rows to table %10s"
                "  report/raw %5.2f  statement/raw %5.2f%s\n",
                c.name, engine == db::Engine::SQLite ? "SQLite" : "PostgreSQL",
                qlonglong(table.rows.size()), qPrintable(ms(w)), qPrintable(ms(o)),
                qPrintable(ms(r)), qPrintable(ms(b)), r > 0 ? w / r : 0.0, r > 0 ? o / r : 0.0,
                goal > 0 ? qPrintable(QStringLiteral("  goal %1 s: %2")
                                          .arg(goal)
                                          .arg(w <= goal * 1e6 ? u"met"_qs : u"MISSED"_qs))
                         : "");
    std::fflush(stdout);
}

void runAll(const QString &cnstr, db::Engine engine, Raw &raw, int rounds)
{
    const QDate day(2026, 6, 15);
    const QString date = QStringLiteral("日期"), item = QStringLiteral("商品"),
                  month = QStringLiteral("月份"), biller = QStringLiteral("收银");
    const Case cases[] = {
        {"daily report, a year, 日期+商品",
         [] { return GroupedReport::dailyBusiness({}); },
         {date, item, QDate(2026, 1, 1), QDate(2026, 12, 31)},
         [&](db::Engine e) { return handDaily(e, date, item, false); },
         QString(),
         {5, 3}},
        {"daily report, one day, 日期+商品",
         [] { return GroupedReport::dailyBusiness({}); },
         {date, item, day, day},
         [&](db::Engine e) { return handDaily(e, date, item, false); },
         QString(),
         {0.1, 0.1}},
        {"daily report, a year, 月份+收银",
         [] { return GroupedReport::dailyBusiness({}); },
         {month, biller, QDate(2026, 1, 1), QDate(2026, 12, 31)},
         [&](db::Engine e) { return handDaily(e, month, biller, false); },
         QString(),
         {0, 0}},
        {"daily report, a year, one cashier",
         [] { return GroupedReport::dailyBusiness(QStringLiteral("收银员3")); },
         {date, item, QDate(2026, 1, 1), QDate(2026, 12, 31)},
         [&](db::Engine e) { return handDaily(e, date, item, true); },
         QStringLiteral("收银员3"),
         {0, 0}},
        {"order summary, 100k orders, 日期+商品",
         [] { return GroupedReport::orderSummary(0); },
         {date, item, QDate(2026, 1, 1), QDate(2026, 12, 31)},
         [&](db::Engine e) { return handSummary(e, date, item, 0); },
         QString(),
         {0, 1.5}},
        {"order summary, 100k orders, 月份",
         [] { return GroupedReport::orderSummary(1); },
         {month, QString(), QDate(2026, 1, 1), QDate(2026, 12, 31)},
         [&](db::Engine e) { return handSummary(e, month, QString(), 1); },
         u"0"_qs,
         {0, 1.5}},
    };
    for (const Case &c : cases)
        measure(cnstr, engine, raw, c, rounds);
}

} // namespace

int runYearReports(const QStringList &args)
{
    const bool quick = args.contains(QStringLiteral("--quick"));
    const Size z = quick ? Size{50, 4, 2500, 4, 1000, 3} : Size{300, 6, 250000, 4, 100000, 7};
    const int i = args.indexOf(QStringLiteral("--pg"));
    const QString pg = i >= 0 ? args.value(i + 1) : QString();
    std::printf("kwpos bench yearreports: %d sale lines over 365 days, %d orders with %d lines%s\n",
                z.bills * z.linesPerBill, z.orders, z.orders * 5 / 2, quick ? " (quick)" : "");
    try {
        QTemporaryDir dir;
        {
            const QString path = dir.path() + QStringLiteral("/year.db");
            const QString cnstr = db::ConnectionString::sqlite(path).toString();
            db::Schema::ensure(cnstr);
            RawSqlite raw(path);
            seed(cnstr, raw, db::Engine::SQLite, z);
            runAll(cnstr, db::Engine::SQLite, raw, z.rounds);
            db::closeAll();
        }
        if (!pg.isEmpty()) {
            bench::rawPg(db::ConnectionString::parse(pg))
                ->exec("set client_min_messages to warning;"
                       " drop schema if exists kwpos_year cascade; create schema kwpos_year");
            db::ConnectionString cs = db::ConnectionString::parse(pg);
            cs.schema = QStringLiteral("kwpos_year");
            const QString cnstr = cs.toString();
            RawPg raw(cs);
            db::Schema::ensure(cnstr);
            seed(cnstr, raw, db::Engine::PostgreSQL, z);
            runAll(cnstr, db::Engine::PostgreSQL, raw, z.rounds);
            db::closeAll();
            bench::rawPg(db::ConnectionString::parse(pg))
                ->exec("set client_min_messages to warning; drop schema kwpos_year cascade");
        } else {
            std::printf("PostgreSQL: skipped (no --pg connection string)\n");
        }
    } catch (const std::exception &e) {
        std::fprintf(stderr, "\nbench failed: %s\n", e.what());
        return 1;
    }
    return 0;
}
