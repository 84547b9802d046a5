#include "core/db/StatementCache.h"

#include <list>
#include <memory>
#include <unordered_map>

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include "core/db/Database.h"

namespace db {

namespace detail {

namespace {

QString engineMessage(const QSqlError &e)
{
    const QString text = e.databaseText().trimmed();
    return text.isEmpty() ? e.text().trimmed() : text;
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

// The statements a kept connection has prepared, by text, the least recently used first out.
// On SQLite a kept statement is not parsed again; on PostgreSQL Qt's driver keeps the server's
// prepared statement, so a repeated call sends one EXECUTE instead of PREPARE, EXECUTE and
// DEALLOCATE, and the server plans it once.
class StatementCache
{
public:
    static constexpr int Capacity = 100;

    QSqlQuery *find(const QString &sql)
    {
        const auto it = m_index.find(sql);
        if (it == m_index.end())
            return nullptr;
        m_order.splice(m_order.begin(), m_order, it->second);
        return m_order.front().query.get();
    }
    QSqlQuery *add(const QString &sql, std::unique_ptr<QSqlQuery> q)
    {
        m_order.push_front({sql, std::move(q)});
        m_index[sql] = m_order.begin();
        if (m_order.size() > Capacity) {
            m_index.erase(m_order.back().sql);
            m_order.pop_back();
        }
        return m_order.front().query.get();
    }
    void remove(const QString &sql)
    {
        const auto it = m_index.find(sql);
        if (it == m_index.end())
            return;
        m_order.erase(it->second);
        m_index.erase(it);
    }

    // Qt's SQLite driver sizes a statement's row before SQLite re-prepares it, so a statement
    // reading "*" prepared before another connection changed the table's columns writes past
    // its row. The schema's version number tells; when it moves every kept statement goes and
    // the schema is loaded again before the next prepare.
    void checkSchema(QSqlDatabase &db)
    {
        if (!m_version) {
            m_version = std::make_unique<QSqlQuery>(db);
            m_version->setForwardOnly(true);
            if (!m_version->prepare(QStringLiteral("PRAGMA schema_version")))
                throw engineError(m_version->lastError());
        }
        if (!m_version->exec() || !m_version->next())
            throw engineError(m_version->lastError());
        const qint64 seen = m_version->value(0).toLongLong();
        m_version->finish();
        if (seen != m_schemaVersion) {
            m_index.clear();
            m_order.clear();
            // SQLite prepares on the schema it last loaded and notices a change only when a
            // statement runs; one that reads the schema loads it afresh.
            QSqlQuery reload(db);
            reload.exec(QStringLiteral("select count(*) from sqlite_master"));
            m_schemaVersion = seen;
        }
    }

private:
    struct Kept
    {
        QString sql;
        std::unique_ptr<QSqlQuery> query;
    };
    std::list<Kept> m_order;
    std::unordered_map<QString, std::list<Kept>::iterator> m_index;
    std::unique_ptr<QSqlQuery> m_version;
    qint64 m_schemaVersion = -1;
};

// Per thread, like the connections. Left alone at thread exit: the drivers may be gone by then.
std::unordered_map<QString, StatementCache> &caches()
{
    thread_local auto *map = new std::unordered_map<QString, StatementCache>();
    return *map;
}

bool startsWithWord(const QString &sql, QLatin1String word)
{
    return QStringView(sql).trimmed().startsWith(word, Qt::CaseInsensitive);
}

// PostgreSQL prepares only plain statements (no DDL, no transaction control).
bool keepable(const QString &sql, const Params &params)
{
    return !params.isEmpty() || startsWithWord(sql, QLatin1String("select")) ||
           startsWithWord(sql, QLatin1String("with"));
}

bool changesSchema(const QString &sql)
{
    return startsWithWord(sql, QLatin1String("create")) ||
           startsWithWord(sql, QLatin1String("alter")) ||
           startsWithWord(sql, QLatin1String("drop"));
}

std::unique_ptr<QSqlQuery> newQuery(QSqlDatabase &db)
{
    auto q = std::make_unique<QSqlQuery>(db);
    q->setForwardOnly(true);
    // numeric columns would otherwise come back from PostgreSQL as strings.
    q->setNumericalPrecisionPolicy(QSql::LowPrecisionDouble);
    return q;
}

// "select *", "t1.*": the statement's columns follow the table's.
bool readsEveryColumn(const QString &sql)
{
    for (qsizetype i = sql.indexOf(u'*'); i >= 0; i = sql.indexOf(u'*', i + 1)) {
        qsizetype j = i - 1;
        while (j >= 0 && sql[j].isSpace())
            --j;
        if (j < 0 || sql[j] != u'(')
            return true;
    }
    return false;
}

QSqlQuery *prepared(QSqlDatabase &db, Engine engine, const QString &sql, bool *kept)
{
    StatementCache &cache = caches()[db.connectionName()];
    if (engine == Engine::SQLite && readsEveryColumn(sql))
        cache.checkSchema(db);
    if (QSqlQuery *q = cache.find(sql)) {
        *kept = true;
        return q;
    }
    *kept = false;
    auto q = newQuery(db);
    if (!q->prepare(sql))
        throw engineError(q->lastError());
    return cache.add(sql, std::move(q));
}

bool execPrepared(QSqlQuery &q, Engine engine, const Params &params)
{
    for (int i = 0; i < params.size(); ++i)
        q.bindValue(i, bindable(params.at(i), engine));
    return q.exec();
}

Rows collect(QSqlQuery &q, int *affected)
{
    Rows rows;
    if (q.isSelect()) {
        const QSqlRecord rec = q.record();
        const int n = rec.count();
        QStringList names;
        names.reserve(n);
        for (int i = 0; i < n; ++i)
            names.append(rec.fieldName(i));
        const auto columns = std::make_shared<const RowColumns>(names);
        while (q.next()) {
            QList<QVariant> values;
            values.reserve(n);
            for (int i = 0; i < n; ++i)
                values.append(q.value(i));
            rows.append(Row(columns, std::move(values)));
        }
        if (q.lastError().isValid()) {
            const DbError error = engineError(q.lastError());
            q.finish();
            throw error;
        }
    }
    if (affected)
        *affected = q.numRowsAffected();
    // Resets the kept statement (SQLite would hold its read lock) and frees the result.
    q.finish();
    return rows;
}

} // namespace

DbError engineError(const QSqlError &e)
{
    return DbError(engineMessage(e), 0, e.nativeErrorCode());
}

void forget(const QString &connectionName)
{
    caches().erase(connectionName);
}

void forgetAll()
{
    caches().clear();
}

Rows run(QSqlDatabase &db, Engine engine, const QString &sql, const Params &params, int *affected,
         bool inTransaction)
{
    if (!keepable(sql, params)) {
        // Plans of kept statements may name what the change removes.
        if (changesSchema(sql))
            forgetAll();
        auto q = newQuery(db);
        if (!q->exec(sql))
            throw engineError(q->lastError());
        return collect(*q, affected);
    }
    bool kept = false;
    QSqlQuery *q = prepared(db, engine, sql, &kept);
    if (execPrepared(*q, engine, params))
        return collect(*q, affected);
    const DbError error = engineError(q->lastError());
    q = nullptr;
    if (!db.isOpen()) {
        forget(db.connectionName());
        throw error;
    }
    caches()[db.connectionName()].remove(sql);
    // A kept statement may have gone stale (another station changed a table it reads, and
    // PostgreSQL refuses a plan whose columns changed). Nothing ran, so prepare it afresh and
    // try once more; inside a PostgreSQL transaction the failure has already ended it.
    if (!kept || (inTransaction && engine == Engine::PostgreSQL))
        throw error;
    q = prepared(db, engine, sql, &kept);
    if (!execPrepared(*q, engine, params)) {
        const DbError again = engineError(q->lastError());
        caches()[db.connectionName()].remove(sql);
        throw again;
    }
    return collect(*q, affected);
}

Rows runFresh(QSqlDatabase &db, Engine engine, const QString &sql, const Params &params)
{
    auto q = newQuery(db);
    if (!q->prepare(sql) || !execPrepared(*q, engine, params))
        throw engineError(q->lastError());
    return collect(*q, nullptr);
}

} // namespace detail

} // namespace db
