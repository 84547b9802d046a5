#include "core/db/Database.h"

#include <QCryptographicHash>
#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QThread>
#include <QTimeZone>

#include "core/db/DbError.h"

namespace db {

namespace {

QString engineMessage(const QSqlError &e)
{
    const QString text = e.databaseText().trimmed();
    return text.isEmpty() ? e.text().trimmed() : text;
}

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
        db.setDatabaseName(cs.path);
        // Several processes may share one file: wait for a lock instead of failing at once.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=30000"));
    } else {
        db.setHostName(cs.host);
        db.setPort(cs.port);
        db.setDatabaseName(cs.database);
        db.setUserName(cs.user);
        db.setPassword(cs.password);
        db.setConnectOptions(QStringLiteral("connect_timeout=10"));
    }
    if (!db.open())
        throw DbError(engineMessage(db.lastError()));
    QSqlQuery q(db);
    if (cs.engine == Engine::SQLite) {
        // WAL lets readers go on while another station writes.
        q.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
        q.exec(QStringLiteral("PRAGMA foreign_keys=OFF"));
    } else {
        if (!cs.schema.isEmpty()) {
            if (!q.exec(QStringLiteral("SET search_path TO \"%1\"")
                            .arg(QString(cs.schema).remove(u'"'))))
                throw DbError(engineMessage(q.lastError()));
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

QVariant bindable(const QVariant &v, Engine engine)
{
    if (v.isNull())
        return v;
    // Date-times are the shop's wall-clock time on both engines (PostgreSQL columns are
    // timestamp without time zone; the driver would otherwise shift them to UTC). SQLite keeps
    // dates as ISO text, so that text comparison orders them.
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (engine != Engine::SQLite)
        return v;
    if (v.typeId() == QMetaType::QDate)
        return v.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    if (v.typeId() == QMetaType::Bool)
        return v.toBool() ? 1 : 0;
    return v;
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
        {
            QSqlDatabase db = QSqlDatabase::database(name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
    }
}

namespace detail {

Rows run(QSqlDatabase &db, Engine engine, const QString &sql, const Params &params, int *affected)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    // numeric columns would otherwise come back from PostgreSQL as strings.
    q.setNumericalPrecisionPolicy(QSql::LowPrecisionDouble);
    // PostgreSQL cannot prepare DDL or transaction control; a statement without values has
    // nothing to bind, so it runs as it is.
    if (params.isEmpty()) {
        if (!q.exec(sql))
            throw DbError(engineMessage(q.lastError()));
    } else {
        if (!q.prepare(sql))
            throw DbError(engineMessage(q.lastError()));
        for (const QVariant &p : params)
            q.addBindValue(bindable(p, engine));
        if (!q.exec())
            throw DbError(engineMessage(q.lastError()));
    }
    Rows rows;
    if (q.isSelect()) {
        const QSqlRecord rec = q.record();
        while (q.next()) {
            Row row;
            for (int i = 0; i < rec.count(); ++i)
                row.append(rec.fieldName(i), q.value(i));
            rows.append(row);
        }
        if (q.lastError().isValid())
            throw DbError(engineMessage(q.lastError()));
    }
    if (affected)
        *affected = q.numRowsAffected();
    q.finish();
    return rows;
}

} // namespace detail

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
