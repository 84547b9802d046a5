#pragma once

#include <QString>

namespace db {

enum class Engine { SQLite, PostgreSQL };

// The connection string of an account set, in the familiar "Key=Value;Key=Value" form:
//   Provider=SQLite;Data Source=/path/to/file.db
//   Provider=PostgreSQL;Host=127.0.0.1;Port=5432;Database=shop;User ID=pos;SSL Mode=require;Schema=s1
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

    // libpq's "key=value" form ("host=… port=… dbname=… user=… password=… sslmode=…"), as the
    // command line and PostgreSQL's own tools take it; throws DbError on an unknown key.
    static ConnectionString fromLibpq(const QString &conninfo);
    // The same for libpq and its tools; the password is left out (the password file has it).
    QString toLibpq() const;

    Engine engine = Engine::SQLite;
    QString path;     // SQLite file
    QString host;     // PostgreSQL
    int port = 5432;
    QString database;
    QString user;
    QString password;
    QString schema;   // optional search path, lets many account sets share one database
    QString sslMode;  // libpq's sslmode; empty leaves libpq's default
};

} // namespace db
