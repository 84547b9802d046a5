#pragma once

#include <QString>

#include "core/db/ConnectionString.h"

// Server passwords live where libpq looks for them, so the program, psql, pg_dump and
// pg_restore all read the same one: the password file named by PGPASSFILE, or ~/.pgpass
// (%APPDATA%\postgresql\pgpass.conf on Windows), owner-only. Never in stations.ini.
class ServerPasswords
{
public:
    static QString filePath();
    // Sets the password of host:port:database:user (replacing an earlier line of the same
    // four); an empty password changes nothing. Throws CoreError when the file cannot be written.
    static void save(const db::ConnectionString &cs);
};
