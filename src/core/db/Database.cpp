#include "core/db/Database.h"

#include <QCryptographicHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QTimeZone>

#include "core/db/DbError.h"
#include "core/db/StatementCache.h"
#include "core/base/PrivateFiles.h"

namespace db {

namespace {

QString connectionName(const QString &cnstr, const QString &role)
{
    const QByteArray hash =
        QCryptographicHash::hash(cnstr.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return QStringLiteral("kwpos/%1/%2/%3")
        .arg(quintptr(QThread::currentThreadId()))
        .arg(QString::fromLatin1(hash), role);
}

void openConnection(QSqlDatabase &db, const ConnectionString &cs)
{
    if (cs.engine == Engine::SQLite) {
        // A new shop file is owner-only from its first byte; SQLite gives its journals the
        // file's own mode.
        if (!cs.path.isEmpty() && !cs.path.startsWith(u':') && !cs.path.startsWith(QStringLiteral("file:")))
            PrivateFiles::createFile(cs.path);
        db.setDatabaseName(cs.path);
        // Several processes may share one file: wait for a lock instead of failing at once.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=30000"));
    } else {
        db.setHostName(cs.host);
        db.setPort(cs.port);
        db.setDatabaseName(cs.database);
        db.setUserName(cs.user);
        db.setPassword(cs.password);
        // No password here: libpq reads it from its password file, as PostgreSQL's tools do.
        QString options = QStringLiteral("connect_timeout=10");
        if (!cs.sslMode.isEmpty())
            options += QStringLiteral(";sslmode=") + QString(cs.sslMode).remove(u';').remove(u' ');
        db.setConnectOptions(options);
    }
    if (!db.open())
        throw detail::engineError(db.lastError());
    QSqlQuery q(db);
    if (cs.engine == Engine::SQLite) {
        // WAL lets readers go on while another station writes.
        q.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
        // FULL syncs the log at every commit: a sale the cashier saw saved survives a power
        // cut, not only a crash of the program (NORMAL would only promise the latter in WAL).
        q.exec(QStringLiteral("PRAGMA synchronous=FULL"));
        q.exec(QStringLiteral("PRAGMA foreign_keys=OFF"));
    } else {
        if (!cs.schema.isEmpty()) {
            if (!q.exec(QStringLiteral("SET search_path TO \"%1\"")
                            .arg(QString(cs.schema).remove(u'"'))))
                throw detail::engineError(q.lastError());
        }
        q.exec(QStringLiteral("SET client_encoding TO 'UTF8'"));
        // The server clock is read as the station's wall-clock time; a zone the server does
        // not know leaves the server's own setting in force.
        const QByteArray zone = QTimeZone::systemTimeZoneId();
        if (!zone.isEmpty()) {
            QSqlQuery tz(db);
            if (tz.prepare(QStringLiteral("select set_config('TimeZone', ?, false)"))) {
                tz.addBindValue(QString::fromLatin1(zone));
                tz.exec();
            }
        }
    }
}

} // namespace

Engine engineOf(const QString &cnstr)
{
    return ConnectionString::parse(cnstr).engine;
}

QSqlDatabase connection(const QString &cnstr, const QString &role)
{
    const QString name = connectionName(cnstr, role);
    if (QSqlDatabase::contains(name)) {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        if (db.isOpen())
            return db;
        // Statements prepared on the lost connection are gone with it.
        detail::forget(name);
        openConnection(db, ConnectionString::parse(cnstr));
        return db;
    }
    const ConnectionString cs = ConnectionString::parse(cnstr);
    QSqlDatabase db = QSqlDatabase::addDatabase(
        cs.engine == Engine::SQLite ? QStringLiteral("QSQLITE") : QStringLiteral("QPSQL"), name);
    if (!db.isValid()) {
        QSqlDatabase::removeDatabase(name);
        throw DbError(QStringLiteral("数据库驱动不可用：%1")
                          .arg(cs.engine == Engine::SQLite ? u"QSQLITE"_qs : u"QPSQL"_qs));
    }
    try {
        openConnection(db, cs);
    } catch (...) {
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
        throw;
    }
    return db;
}

void closeAll()
{
    const QString prefix = QStringLiteral("kwpos/%1/").arg(quintptr(QThread::currentThreadId()));
    for (const QString &name : QSqlDatabase::connectionNames()) {
        if (!name.startsWith(prefix))
            continue;
        detail::forget(name);
        {
            QSqlDatabase db = QSqlDatabase::database(name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
    }
}

Rows queryPlannedForValues(const QString &cnstr, const QString &sql, const Params &params)
{
    if (engineOf(cnstr) == Engine::SQLite)
        return query(cnstr, sql, params);
    QSqlDatabase db = connection(cnstr);
    try {
        return detail::runFresh(db, Engine::PostgreSQL, sql, params);
    } catch (const DbError &) {
        if (db.isOpen())
            throw;
    }
    db = connection(cnstr);
    return detail::runFresh(db, Engine::PostgreSQL, sql, params);
}

Rows query(const QString &cnstr, const QString &sql, const Params &params)
{
    QSqlDatabase db = connection(cnstr);
    try {
        return detail::run(db, engineOf(cnstr), sql, params);
    } catch (const DbError &) {
        // A server restart drops the kept connection; a read is safe to run again once on a
        // fresh one, so the station carries on instead of failing its next lookup.
        if (db.isOpen())
            throw;
    }
    db = connection(cnstr);
    return detail::run(db, engineOf(cnstr), sql, params);
}

QVariant scalar(const QString &cnstr, const QString &sql, const Params &params)
{
    const Rows rows = query(cnstr, sql, params);
    if (rows.isEmpty() || rows.first().count() == 0)
        return QVariant();
    return rows.first().at(0);
}

int execute(const QString &cnstr, const QString &sql, const Params &params)
{
    QSqlDatabase db = connection(cnstr);
    int affected = 0;
    detail::run(db, engineOf(cnstr), sql, params, &affected);
    return affected;
}

} // namespace db
