#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include "core/db/ConnectionString.h"
#include "core/db/Row.h"
#include "core/base/Money.h"

namespace db {

class Transaction;

// The few things that differ between the engines: the server clock, column types,
// identity columns, locks, the text fragments of the grouped reports, and the two server
// routines of the shop database. Nothing outside this class asks which engine it runs on.
class Dialect
{
public:
    // The kind of account set a connection string opens: a PostgreSQL server, or a SQLite
    // file on this machine. asServer() keeps every setting and makes it a server's.
    static bool isServer(const ConnectionString &cs) { return cs.engine == Engine::PostgreSQL; }
    static ConnectionString asServer(ConnectionString cs);

    // SQL expression for the server's current local date and time.
    static QString nowExpression(Engine engine);

    // Replaces the type tokens of portable DDL: {ID} identity key, {INT}, {TEXT}, {MONEY},
    // {DATE}, {DATETIME}, {BLOB}.
    static QString ddl(Engine engine, QString statement);

    // Locks held until the transaction ends. On SQLite BEGIN IMMEDIATE already is the one
    // write lock, so these take nothing there.
    // " for update" on PostgreSQL, empty on SQLite: appended to a read that locks its rows.
    static QString forUpdate(Engine engine);
    // Runs `select` + " for update" on PostgreSQL, for its locks only; nothing on SQLite.
    static void lockRows(Transaction &tx, const QString &select, const Params &params);
    // An advisory lock on a text key (a card number); the key is bound, never spliced in.
    static void lockKey(Transaction &tx, const QString &key);
    // The same lock on many keys at once, taken in the order of the keys so that two
    // writers sharing keys queue instead of deadlocking; a few statements for thousands.
    static void lockKeys(Transaction &tx, QStringList keys);
    // An advisory lock on two numbers: a kind of lock and what it guards.
    static void lockKey(Transaction &tx, int space, int key);

    // The grouped reports' fragments. A date or date-time column as "yyyy-MM-dd" text:
    static QString dateText(Engine engine, const QString &column);
    // Ordered by the text's bytes (SQLite's own order), never by a server's locale:
    static QString byteOrder(Engine engine, const QString &text);
    // The year and the month of a "2012年9月" label as two integer sort keys:
    static QString yearMonthKeys(Engine engine, const QString &label);

    // sp_GetCurDate: the database server's current date and time.
    static QDateTime serverDateTime(const QString &cnstr);

};

} // namespace db
