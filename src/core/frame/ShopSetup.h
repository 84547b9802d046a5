#pragma once

#include <QString>

#include "core/db/ConnectionString.h"

// How a station gets its account sets: a new shop in a SQLite file, or a shop on a
// PostgreSQL server, new (an empty database) or joined (a database that holds one of ours).
// A new shop holds the schema, the retail price style and its first manager; no items,
// members or sales (receipts print on the built-in layouts until the shop designs its own).
class ShopSetup
{
public:
    enum class Outcome { Created, Joined };

    // Name the station lists the shop under: refused when empty, too long or already listed.
    static void checkName(const QString &name);
    // The first manager: a name and a password typed twice.
    static void checkManager(const QString &manager, const QString &password,
                             const QString &confirm);

    // A new SQLite shop in `file` (its folder is created owner-only); refused when the file
    // exists. Lists it under `name`.
    static void newSqlite(const QString &name, const QString &file, const QString &manager,
                          const QString &password);

    // A shop on a PostgreSQL server. The password goes to libpq's password file, never into
    // the station's list. An empty database gets the schema and the first manager (only when
    // mayCreate); a shop of ours is joined as it is (brought up to date after a backup when
    // older); tables of another program, or a shop newer than this program, are refused.
    static Outcome openServer(const QString &name, db::ConnectionString server,
                              const QString &manager, const QString &password, bool mayCreate);

    // Connects once with a short timeout: the server's version, or throws with its message.
    static QString testConnection(db::ConnectionString server);

    // The station's connection string of a server (no password).
    static QString cnstrOf(const db::ConnectionString &server);
};
