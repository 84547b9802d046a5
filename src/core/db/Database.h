#pragma once

#include <QSqlDatabase>
#include <QString>

#include "core/db/ConnectionString.h"
#include "core/db/Row.h"

namespace db {

// Reads and writes on the pooled connection of a connection string. Each call runs one
// statement with every value bound; failures throw DbError with the engine's message.
Rows query(const QString &cnstr, const QString &sql, const Params &params = {});
QVariant scalar(const QString &cnstr, const QString &sql, const Params &params = {});
// A read whose best plan depends on its values (a report over one day or over a year): on
// PostgreSQL prepared afresh each time, so the server plans it for these values instead of
// settling on a generic plan after a few runs; on SQLite as query().
Rows queryPlannedForValues(const QString &cnstr, const QString &sql, const Params &params = {});
int execute(const QString &cnstr, const QString &sql, const Params &params = {});

Engine engineOf(const QString &cnstr);

// The open connection kept for a connection string in this thread (the key tells apart the
// ordinary reader from connections a transaction takes for itself). Opens it on first use.
QSqlDatabase connection(const QString &cnstr, const QString &role = QStringLiteral("main"));

// Closes and forgets every pooled connection of this thread (tests and account-set switches).
void closeAll();

namespace detail {
// Runs one statement on a connection without keeping it.
Rows runFresh(QSqlDatabase &db, Engine engine, const QString &sql, const Params &params);
// Runs one statement on a connection through its kept prepared statements.
Rows run(QSqlDatabase &db, Engine engine, const QString &sql, const Params &params,
         int *affected = nullptr, bool inTransaction = false);
// Drops the kept statements of a connection (it was closed or lost).
void forget(const QString &connectionName);
void forgetAll();
} // namespace detail

} // namespace db
