#pragma once

#include <QString>

namespace db {

enum class Engine { SQLite, PostgreSQL };

// The connection string of an account set, in the familiar "Key=Value;Key=Value" form:
//   Provider=SQLite;Data Source=/path/to/file.db
//   Provider=PostgreSQL;Host=127.0.0.1;Port=5432;Database=shop;User ID=pos;Password=x;Schema=s1
// A value holding ';' or '"' is written between double quotes, with '"' doubled.
class ConnectionString
{
public:
    static ConnectionString parse(const QString &text); // throws DbError on an unknown provider
    static ConnectionString sqlite(const QString &path);
    static ConnectionString postgres(const QString &host, int port, const QString &database,
                                     const QString &user, const QString &password,
                                     const QString &schema = QString());

    QString toString() const;

    Engine engine = Engine::SQLite;
    QString path;     // SQLite file
    QString host;     // PostgreSQL
    int port = 5432;
    QString database;
    QString user;
    QString password;
    QString schema;   // optional search path, lets many account sets share one database
};

} // namespace db
