#include "core/db/Transaction.h"

#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

#include "core/db/Database.h"
#include "core/db/DbError.h"

namespace db {

namespace {
// Connection strings with an open transaction in this thread. A second one would wait for
// the first (SQLite's write lock, PostgreSQL's row locks) and so for itself.
thread_local QSet<QString> t_open;
} // namespace

Transaction::Transaction(const QString &cnstr) : m_cnstr(cnstr), m_engine(engineOf(cnstr))
{
    if (t_open.contains(cnstr))
        throw DbError(QStringLiteral("同一连接上已有未完成的事务。"));
    const QString begin =
        m_engine == Engine::SQLite ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN");
    m_db = connection(cnstr, m_role);
    try {
        detail::run(m_db, m_engine, begin, {});
    } catch (const DbError &) {
        // A server restart drops the kept connection; nothing has begun yet, so begin once
        // more on a fresh one, as reads do.
        if (m_db.isOpen())
            throw;
        m_db = connection(cnstr, m_role);
        detail::run(m_db, m_engine, begin, {});
    }
    m_open = true;
    t_open.insert(cnstr);
}

Transaction::~Transaction()
{
    if (m_open)
        rollback();
}

Rows Transaction::query(const QString &sql, const Params &params)
{
    if (!m_open)
        throw DbError(QStringLiteral("事务已结束"));
    return detail::run(m_db, m_engine, sql, params, nullptr, true);
}

QVariant Transaction::scalar(const QString &sql, const Params &params)
{
    const Rows rows = query(sql, params);
    if (rows.isEmpty() || rows.first().count() == 0)
        return QVariant();
    return rows.first().at(0);
}

int Transaction::execute(const QString &sql, const Params &params)
{
    if (!m_open)
        throw DbError(QStringLiteral("事务已结束"));
    int affected = 0;
    detail::run(m_db, m_engine, sql, params, &affected, true);
    return affected;
}

void Transaction::commit()
{
    if (!m_open)
        throw DbError(QStringLiteral("事务已结束"));
    detail::run(m_db, m_engine, QStringLiteral("COMMIT"), {});
    m_open = false;
    t_open.remove(m_cnstr);
}

void Transaction::rollback() noexcept
{
    m_open = false;
    t_open.remove(m_cnstr);
    QSqlQuery q(m_db);
    if (!q.exec(QStringLiteral("ROLLBACK")))
        qWarning("rollback failed: %s", qPrintable(q.lastError().text()));
}

} // namespace db
