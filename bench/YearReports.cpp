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

// One statement, run raw: text parameters, every value of every row read as text.
class Raw
{
public:
    virtual ~Raw() = default;
    virtual void exec(const QString &sql) = 0;
    virtual size_t rows(const QString &sql, const QStringList &params) = 0;
    // The engine's plan of the statement last run, as text lines.
    virtual QStringList plan(const QString &sql, const QStringList &params) = 0;
};

class RawSqlite : public Raw
{
public:
    explicit RawSqlite(const QString &path)
    {
        if (sqlite3_open(path.toUtf8().constData(), &m_db) != SQLITE_OK)
            fail(QStringLiteral("sqlite open"));
        sqlite3_busy_timeout(m_db, 30000);
    }
    ~RawSqlite() override
    {
        if (m_stmt)
            sqlite3_finalize(m_stmt);
        sqlite3_close(m_db);
    }
    void exec(const QString &sql) override
    {
        char *err = nullptr;
        if (sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &err) != SQLITE_OK)
            fail(QString::fromUtf8(err ? err : "sqlite exec"));
    }
    size_t rows(const QString &sql, const QStringList &params) override
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
        size_t n = 0;
        const int cols = sqlite3_column_count(m_stmt);
        int rc;
        QString sink;
        while ((rc = sqlite3_step(m_stmt)) == SQLITE_ROW) {
            for (int c = 0; c < cols; ++c)
                if (const auto *t = sqlite3_column_text(m_stmt, c))
                    sink = QString::fromUtf8(reinterpret_cast<const char *>(t));
            ++n;
        }
        sqlite3_reset(m_stmt);
        if (rc != SQLITE_DONE)
            fail(QString::fromUtf8(sqlite3_errmsg(m_db)));
        return n;
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
    void exec(const QString &sql) override
    {
        PGresult *r = PQexec(m_conn, sql.toUtf8().constData());
        const auto st = PQresultStatus(r);
        PQclear(r);
        if (st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK)
            fail(QString::fromUtf8(PQerrorMessage(m_conn)));
    }
    size_t rows(const QString &sql, const QStringList &params) override
    {
        // Prepared afresh every time, as our core runs a report, so the server plans it for
        // the values given (a day or a year) instead of settling on a generic plan.
        {
            if (!m_sql.isEmpty())
                exec(QStringLiteral("deallocate y"));
            QString text;
            int n = 0;
            for (QChar c : sql)
                text += c == u'?' ? QStringLiteral("$%1").arg(++n) : QString(c);
            PGresult *r = PQprepare(m_conn, "y", text.toUtf8().constData(), 0, nullptr);
            const auto st = PQresultStatus(r);
            PQclear(r);
            if (st != PGRES_COMMAND_OK)
                fail(QString::fromUtf8(PQerrorMessage(m_conn)));
            m_sql = sql;
        }
        std::vector<QByteArray> values;
        std::vector<const char *> ptrs;
        for (const QString &p : params)
            values.push_back(p.toUtf8());
        for (const QByteArray &v : values)
            ptrs.push_back(v.constData());
        PGresult *r =
            PQexecPrepared(m_conn, "y", int(ptrs.size()), ptrs.data(), nullptr, nullptr, 0);
        if (PQresultStatus(r) != PGRES_TUPLES_OK) {
            PQclear(r);
            fail(QString::fromUtf8(PQerrorMessage(m_conn)));
        }
        const int rows = PQntuples(r), cols = PQnfields(r);
        QString sink;
        for (int i = 0; i < rows; ++i)
            for (int c = 0; c < cols; ++c)
                if (!PQgetisnull(r, i, c))
                    sink = QString::fromUtf8(PQgetvalue(r, i, c));
        PQclear(r);
        return size_t(rows);
    }

    QStringList plan(const QString &sql, const QStringList &params) override
    {
        rows(sql, params);
        QStringList quoted;
        for (const QString &p : params)
            quoted << u'\'' + QString(p).replace(u'\'', QStringLiteral("''")) + u'\'';
        const QString text =
            QStringLiteral("explain (analyze, costs off, timing off) execute y(%1)")
                .arg(quoted.join(u','));
        PGresult *r = PQexec(m_conn, text.toUtf8().constData());
        QStringList out;
        if (PQresultStatus(r) == PGRES_TUPLES_OK)
            for (int i = 0; i < PQntuples(r); ++i)
                out << QString::fromUtf8(PQgetvalue(r, i, 0));
        PQclear(r);
        return out;
    }

private:
    PGconn *m_conn = nullptr;
    QString m_sql;
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

struct Case
{
    const char *name;
    std::function<GroupedReport::Design()> design;
    GroupedReport::Request request;
    double goalSeconds[2]; // end to end: SQLite, PostgreSQL; 0 for none
};

void measure(const QString &cnstr, db::Engine engine, Raw &raw, const Case &c, int rounds)
{
    const GroupedReport::Design design = c.design();
    db::Params params;
    const QString sql = GroupedReport::statement(engine, design, c.request, &params);
    QStringList texts;
    for (const QVariant &p : params)
        texts << (p.typeId() == QMetaType::QDate ? p.toDate().toString(Qt::ISODate) : p.toString());
    std::vector<double> whole, ours, bare, shape;
    size_t rawRows = 0, ourRows = 0, tableRows = 0;
    auto timed = [](std::vector<double> &into, const std::function<void()> &f) {
        const auto a = Clock::now();
        f();
        into.push_back(std::chrono::duration<double, std::micro>(Clock::now() - a).count());
    };
    // A first run of each warms the caches; then the three take turns, the order turning too.
    const db::Rows fetched = db::queryPlannedForValues(cnstr, sql, params);
    raw.rows(sql, texts);
    for (int i = 0; i < rounds; ++i) {
        std::vector<std::function<void()>> steps = {
            [&] {
                timed(whole, [&] {
                    tableRows = size_t(GroupedReport::run(cnstr, design, c.request).rows.size());
                });
            },
            [&] {
                timed(ours, [&] {
                    ourRows = size_t(db::queryPlannedForValues(cnstr, sql, params).size());
                });
            },
            [&] { timed(bare, [&] { rawRows = raw.rows(sql, texts); }); },
            // The rows turned into the table alone, from rows already read.
            [&] { timed(shape, [&] { GroupedReport::build(design, c.request, fetched); }); },
        };
        std::rotate(steps.begin(), steps.begin() + i % 4, steps.end());
        for (auto &s : steps)
            s();
    }
    if (qEnvironmentVariableIsSet("KWPOS_BENCH_PLANS"))
        for (const QString &l : raw.plan(sql, texts))
            std::printf("    %s\n", qPrintable(l));
    if (ourRows != rawRows)
        fail(QStringLiteral("%1: ours %2 rows, raw %3")
                 .arg(QString::fromLatin1(c.name))
                 .arg(ourRows)
                 .arg(rawRows));
    const double w = median(whole), o = median(ours), r = median(bare), b = median(shape);
    const double goal = c.goalSeconds[engine == db::Engine::SQLite ? 0 : 1];
    std::printf("%-36s %-10s rows %7zu  report %10s  statement %10s  raw %10s  rows to table %10s"
                "  report/raw %5.2f  statement/raw %5.2f%s\n",
                c.name, engine == db::Engine::SQLite ? "SQLite" : "PostgreSQL", tableRows,
                qPrintable(ms(w)), qPrintable(ms(o)), qPrintable(ms(r)), qPrintable(ms(b)),
                r > 0 ? w / r : 0.0, r > 0 ? o / r : 0.0,
                goal > 0 ? qPrintable(QStringLiteral("  goal %1 s: %2")
                                          .arg(goal)
                                          .arg(w <= goal * 1e6 ? u"met"_qs : u"MISSED"_qs))
                         : "");
    std::fflush(stdout);
}

void runAll(const QString &cnstr, db::Engine engine, Raw &raw, int rounds)
{
    const QDate day(2026, 6, 15);
    const Case cases[] = {
        {"daily report, a year, 日期+商品",
         [] { return GroupedReport::dailyBusiness({}); },
         {QStringLiteral("日期"), QStringLiteral("商品"), QDate(2026, 1, 1), QDate(2026, 12, 31)},
         {5, 3}},
        {"daily report, one day, 日期+商品",
         [] { return GroupedReport::dailyBusiness({}); },
         {QStringLiteral("日期"), QStringLiteral("商品"), day, day},
         {0.1, 0.1}},
        {"daily report, a year, 月份+收银",
         [] { return GroupedReport::dailyBusiness({}); },
         {QStringLiteral("月份"), QStringLiteral("收银"), QDate(2026, 1, 1), QDate(2026, 12, 31)},
         {0, 0}},
        {"daily report, a year, one cashier",
         [] { return GroupedReport::dailyBusiness(QStringLiteral("收银员3")); },
         {QStringLiteral("日期"), QStringLiteral("商品"), QDate(2026, 1, 1), QDate(2026, 12, 31)},
         {0, 0}},
        {"order summary, 100k orders, 日期+商品",
         [] { return GroupedReport::orderSummary(0); },
         {QStringLiteral("日期"), QStringLiteral("商品"), QDate(2026, 1, 1), QDate(2026, 12, 31)},
         {0, 1.5}},
        {"order summary, 100k orders, 月份",
         [] { return GroupedReport::orderSummary(1); },
         {QStringLiteral("月份"), QString(), QDate(2026, 1, 1), QDate(2026, 12, 31)},
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
            db::execute(pg, QStringLiteral("drop schema if exists kwpos_year cascade"));
            db::execute(pg, QStringLiteral("create schema kwpos_year"));
            db::ConnectionString cs = db::ConnectionString::parse(pg);
            cs.schema = QStringLiteral("kwpos_year");
            const QString cnstr = cs.toString();
            RawPg raw(cs);
            db::Schema::ensure(cnstr);
            seed(cnstr, raw, db::Engine::PostgreSQL, z);
            runAll(cnstr, db::Engine::PostgreSQL, raw, z.rounds);
            db::closeAll();
            db::execute(pg, QStringLiteral("drop schema if exists kwpos_year cascade"));
        } else {
            std::printf("PostgreSQL: skipped (no --pg connection string)\n");
        }
    } catch (const std::exception &e) {
        std::fprintf(stderr, "\nbench failed: %s\n", e.what());
        return 1;
    }
    return 0;
}
