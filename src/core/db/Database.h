#pragma once

#include <memory>

#include <QString>

#include "core/db/ConnectionString.h"
#include "core/db/Row.h"

namespace db {

namespace detail {
class Connection;
}

// Reads and writes on the pooled connection of a connection string. Each call runs one
// statement with every value bound; failures throw DbError with the engine's message.
Rows query(const QString &cnstr, const QString &sql, const Params &params = {});
QVariant scalar(const QString &cnstr, const QString &sql, const Params &params = {});
// A read whose best plan depends on its values (a report over one day or over a year): on
// PostgreSQL planned afresh each time, so the server plans it for these values instead of
// settling on a generic plan after a few runs; on SQLite as query().
Rows queryPlannedForValues(const QString &cnstr, const QString &sql, const Params &params = {});
int execute(const QString &cnstr, const QString &sql, const Params &params = {});
// Several reads at once: one round trip on PostgreSQL (each read a snapshot of its own, as
// separate queries would be); the rows of each in order.
struct Statement
{
    QString sql;
    Params params;
};
QList<Rows> queryTogether(const QString &cnstr, const QList<Statement> &statements);

Engine engineOf(const QString &cnstr);
// The connection string taken apart, once per thread and text.
const ConnectionString &parsed(const QString &cnstr);

// The open connection kept for a connection string in this thread (the role tells apart the
// ordinary reader from the connection transactions take for themselves). Opens it on first
// use and again after the server dropped it.
std::shared_ptr<detail::Connection> connection(const QString &cnstr,
                                               const QString &role = QStringLiteral("main"));

// Closes and forgets every pooled connection of this thread (tests and account-set switches).
void closeAll();

} // namespace db
