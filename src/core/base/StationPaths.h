#pragma once

#include <QString>

// Where this station keeps what is its own, read from the environment alone, so that the
// database layer and the frame find the same places.
namespace StationPaths {

// KWPOS_DATA_DIR, or "kwpos" in the user's data folder: the demo shop, new shops' default,
// the copies of server shops.
QString dataDir();

// The password file libpq and PostgreSQL's tools read: PGPASSFILE, or ~/.pgpass
// (%APPDATA%\postgresql\pgpass.conf on Windows).
QString serverPasswordFile();

} // namespace StationPaths
