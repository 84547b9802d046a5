#include "core/db/Transaction.h"

#include <QSqlError>
#include <QSqlQuery>

#include "core/db/Database.h"
#include "core/db/DbError.h"

namespace db {

namespace {
thread_local int t_depth = 0; // nested transactions each take their own connection
}

Transaction::Transaction(const QString &cnstr)
    : m_cnstr(cnstr), m_engine(engineOf(cnstr)), m_role(QStringLiteral("tx%1").arg(t_depth))
{
    m_db = connection(cnstr, m_role);
    detail::run(m_db, m_engine,
                m_engine == Engine::SQLite ? QStringLiteral("BEGIN IMMEDIATE")
                                           : QStringLiteral("BEGIN"),
                {});
    m_open = true;
    ++t_depth;
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
    return detail::run(m_db, m_engine, sql, params);
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
    detail::run(m_db, m_engine, sql, params, &affected);
    return affected;
}

void Transaction::commit()
{
    if (!m_open)
        throw DbError(QStringLiteral("事务已结束"));
    detail::run(m_db, m_engine, QStringLiteral("COMMIT"), {});
    m_open = false;
    --t_depth;
}

void Transaction::rollback() noexcept
{
    m_open = false;
    --t_depth;
    QSqlQuery q(m_db);
    if (!q.exec(QStringLiteral("ROLLBACK")))
        qWarning("rollback failed: %s", qPrintable(q.lastError().text()));
}

} // namespace db
