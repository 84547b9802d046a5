#pragma once

// The engines' own C interfaces, as a skilled developer would drive them: one prepared
// statement per operation, text parameters, rows as texts.
#include <memory>
#include <vector>

#include <QString>

#include "core/db/ConnectionString.h"

struct pg_conn; // libpq's PGconn
struct sqlite3;

namespace bench {

using Texts = std::vector<QString>;
using Table = std::vector<Texts>;

class Raw
{
public:
    virtual ~Raw() = default;
    virtual Table run(int id, const Texts &params) = 0;
    virtual void prepare(int id, const QString &sql) = 0;
    virtual void exec(const char *sql) = 0;
};

std::unique_ptr<Raw> rawSqlite(const QString &path);
std::unique_ptr<Raw> rawPg(const db::ConnectionString &cs);

// A libpq connection to the account set's database, in its schema; the bench stops when the
// server refuses it.
pg_conn *connectPg(const db::ConnectionString &cs);
// A statement with no rows wanted; the bench stops on the engine's error.
void execPg(pg_conn *conn, const char *sql);
void execSqlite(sqlite3 *db, const char *sql);
// A SQLite file opened as the stations open it: waiting for a lock instead of failing.
sqlite3 *openSqlite(const QString &path);

} // namespace bench
