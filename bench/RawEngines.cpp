#include "RawEngines.h"

#include <libpq-fe.h>
#include <sqlite3.h>

#include "Bench.h"

namespace bench {

namespace {

class RawSqlite : public Raw
{
public:
    explicit RawSqlite(const QString &path) : m_db(openSqlite(path))
    {
        exec("PRAGMA journal_mode=WAL");
    }
    ~RawSqlite() override
    {
        for (auto &s : m_stmts)
            sqlite3_finalize(s);
        sqlite3_close(m_db);
    }
    void exec(const char *sql) override { execSqlite(m_db, sql); }
    void prepare(int id, const QString &sql) override
    {
        if (int(m_stmts.size()) <= id)
            m_stmts.resize(id + 1, nullptr);
        const QByteArray text = sql.toUtf8();
        if (sqlite3_prepare_v2(m_db, text.constData(), -1, &m_stmts[id], nullptr) != SQLITE_OK)
            fail(QString::fromUtf8(sqlite3_errmsg(m_db)));
    }
    Table run(int id, const Texts &params) override
    {
        sqlite3_stmt *s = m_stmts[id];
        for (size_t i = 0; i < params.size(); ++i) {
            // A null text is SQL's NULL, an empty one ''.
            const QByteArray v = params[i].toUtf8();
            if (params[i].isNull())
                sqlite3_bind_null(s, int(i + 1));
            else
                sqlite3_bind_text(s, int(i + 1), v.constData(), v.size(), SQLITE_TRANSIENT);
        }
        Table out;
        const int n = sqlite3_column_count(s);
        int rc;
        while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
            Texts row(n);
            for (int c = 0; c < n; ++c)
                if (const auto *t = sqlite3_column_text(s, c))
                    row[c] = QString::fromUtf8(reinterpret_cast<const char *>(t));
            out.push_back(std::move(row));
        }
        sqlite3_reset(s);
        if (rc != SQLITE_DONE)
            fail(QString::fromUtf8(sqlite3_errmsg(m_db)));
        return out;
    }

private:
    sqlite3 *m_db = nullptr;
    std::vector<sqlite3_stmt *> m_stmts;
};

class RawPg : public Raw
{
public:
    explicit RawPg(const db::ConnectionString &cs)
    {
        m_conn = bench::connectPg(cs);
    }
    ~RawPg() override { PQfinish(m_conn); }
    void exec(const char *sql) override { execPg(m_conn, sql); }
    void prepare(int id, const QString &sql) override
    {
        // $1, $2 … for the ? of our statements.
        QString text;
        int n = 0;
        for (QChar c : sql)
            text += c == u'?' ? QStringLiteral("$%1").arg(++n) : QString(c);
        PGresult *r = PQprepare(m_conn, QByteArray::number(id).prepend("b").constData(),
                                text.toUtf8().constData(), 0, nullptr);
        const auto st = PQresultStatus(r);
        PQclear(r);
        if (st != PGRES_COMMAND_OK)
            fail(QString::fromUtf8(PQerrorMessage(m_conn)));
    }
    Table run(int id, const Texts &params) override
    {
        std::vector<QByteArray> values;
        std::vector<const char *> ptrs;
        for (const QString &p : params)
            values.push_back(p.toUtf8());
        for (size_t i = 0; i < values.size(); ++i)
            ptrs.push_back(params[i].isNull() ? nullptr : values[i].constData());
        PGresult *r = PQexecPrepared(m_conn, QByteArray::number(id).prepend("b").constData(),
                                     int(ptrs.size()), ptrs.data(), nullptr, nullptr, 0);
        const auto st = PQresultStatus(r);
        if (st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK) {
            PQclear(r);
            fail(QString::fromUtf8(PQerrorMessage(m_conn)));
        }
        Table out;
        const int rows = PQntuples(r), n = PQnfields(r);
        out.reserve(rows);
        for (int i = 0; i < rows; ++i) {
            Texts row(n);
            for (int c = 0; c < n; ++c)
                if (!PQgetisnull(r, i, c))
                    row[c] = QString::fromUtf8(PQgetvalue(r, i, c));
            out.push_back(std::move(row));
        }
        PQclear(r);
        return out;
    }

private:
    PGconn *m_conn = nullptr;
};

} // namespace

std::unique_ptr<Raw> rawSqlite(const QString &path)
{
    return std::make_unique<RawSqlite>(path);
}

std::unique_ptr<Raw> rawPg(const db::ConnectionString &cs)
{
    return std::make_unique<RawPg>(cs);
}

void execPg(PGconn *conn, const char *sql)
{
    PGresult *r = PQexec(conn, sql);
    const auto st = PQresultStatus(r);
    PQclear(r);
    if (st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK)
        fail(QString::fromUtf8(PQerrorMessage(conn)));
}

void execSqlite(sqlite3 *db, const char *sql)
{
    char *err = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &err) != SQLITE_OK) {
        const QString message = QString::fromUtf8(err ? err : "sqlite exec");
        sqlite3_free(err);
        fail(message);
    }
}

sqlite3 *openSqlite(const QString &path)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK)
        fail(QStringLiteral("sqlite open: %1").arg(path));
    sqlite3_busy_timeout(db, 30000);
    return db;
}

PGconn *connectPg(const db::ConnectionString &cs)
{
    const QString info = QStringLiteral("host=%1 port=%2 dbname=%3 user=%4")
                             .arg(cs.host)
                             .arg(cs.port)
                             .arg(cs.database, cs.user);
    PGconn *conn = PQconnectdb(info.toUtf8().constData());
    if (PQstatus(conn) != CONNECTION_OK)
        fail(QString::fromUtf8(PQerrorMessage(conn)));
    if (!cs.schema.isEmpty()) {
        const QByteArray path = QStringLiteral("set search_path to %1").arg(cs.schema).toUtf8();
        PGresult *r = PQexec(conn, path.constData());
        const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
        PQclear(r);
        if (!ok)
            fail(QString::fromUtf8(PQerrorMessage(conn)));
    }
    return conn;
}

} // namespace bench
