#pragma once

#include <memory>
#include <vector>

#include "core/db/ConnectionString.h"
#include "core/db/Row.h"

namespace db::detail {

// One statement of a batch and, once the batch ran, what it gave back.
struct Step
{
    Step(const QString &text, const Params &values) : sql(text), params(values) {}
    QString sql;
    Params params;
    Rows rows;
    int affected = 0;
    bool done = false;
};

// An open connection on an engine's own client library (sqlite3 or libpq), with the
// statements it has prepared kept by their text.
class Connection
{
public:
    virtual ~Connection() = default;

    Engine engine() const { return m_engine; }

    // Runs the steps in order, each with its values bound; the first failure throws DbError
    // and leaves the later steps undone. On PostgreSQL the whole batch goes to the server in
    // one round trip (pipeline mode); SQLite runs in the process and has no round trips.
    // `inTransaction`: a kept statement that went stale is not run again, since on PostgreSQL
    // its failure has already ended the transaction.
    virtual void runBatch(std::vector<Step *> steps, bool inTransaction) = 0;
    // Runs a statement without keeping it: on PostgreSQL the server plans it for these values.
    virtual Rows runFresh(const QString &sql, const Params &params) = 0;
    // Statements with no values that cannot be prepared (DDL, BEGIN, SET), run as they stand.
    virtual void runPlain(const QString &sql) = 0;
    // Rows straight into a table: `values` holds columns.size() values a row. PostgreSQL
    // takes them by COPY; SQLite steps one kept insert a row. Table and column names are the
    // program's own, never typed text.
    virtual void copyIn(const QString &table, const QStringList &columns, const Params &values) = 0;
    // False once the server connection was lost; the pool opens a new one.
    virtual bool isOpen() const = 0;
    // Round trips to the server so far (0 on SQLite): the bench and tests count them.
    qint64 roundTrips() const { return m_roundTrips; }

    Rows run(const QString &sql, const Params &params, int *affected = nullptr,
             bool inTransaction = false)
    {
        Step s{sql, params};
        runBatch({&s}, inTransaction);
        if (affected)
            *affected = s.affected;
        return std::move(s.rows);
    }

protected:
    explicit Connection(Engine engine) : m_engine(engine) {}
    Engine m_engine;
    qint64 m_roundTrips = 0;
};

std::unique_ptr<Connection> openSqlite(const QString &path, bool readOnly = false);
std::unique_ptr<Connection> openPostgres(const ConnectionString &cs, int connectTimeout = 10);
std::unique_ptr<Connection> open(const ConnectionString &cs);

// "?" placeholders as PostgreSQL numbers them ($1, $2, ...), quoted text and comments left alone.
QByteArray numberedPlaceholders(const QString &sql);

// Statements that may be kept prepared: any with values, and plain reads.
bool keepable(const QString &sql, const Params &params);
bool changesSchema(const QString &sql);

} // namespace db::detail
