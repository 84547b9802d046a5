#include "core/db/Transaction.h"

#include <QSet>

#include "core/db/Connection.h"
#include "core/db/Database.h"
#include "core/db/DbError.h"

namespace db {

namespace {
// Connection strings with an open transaction in this thread. A second one would wait for
// the first (SQLite's write lock, PostgreSQL's row locks) and so for itself.
thread_local QSet<QString> t_open;
const QString kRole = QStringLiteral("tx");
constexpr size_t kMaxQueued = 64;

DbError ended()
{
    return DbError(QStringLiteral("事务已结束"));
}
} // namespace

const Rows &Queued::rows() const
{
    static const Rows none;
    return m_step && m_step->done ? m_step->rows : none;
}

QVariant Queued::scalar() const
{
    const Rows &r = rows();
    return r.isEmpty() || r.first().count() == 0 ? QVariant() : r.first().at(0);
}

int Queued::affected() const
{
    return m_step && m_step->done ? m_step->affected : 0;
}

Transaction::Transaction(const QString &cnstr) : m_cnstr(cnstr), m_engine(engineOf(cnstr))
{
    if (t_open.contains(cnstr))
        throw DbError(QStringLiteral("同一连接上已有未完成的事务。"));
    m_conn = connection(cnstr, kRole);
    m_tripsBefore = m_conn->roundTrips();
    if (m_engine == Engine::SQLite) {
        m_conn->runPlain(QStringLiteral("BEGIN IMMEDIATE"));
        m_begun = true;
    }
    m_open = true;
    t_open.insert(cnstr);
}

Transaction::~Transaction()
{
    if (m_open)
        rollback();
}

void Transaction::send(const std::shared_ptr<detail::Step> &last)
{
    if (!m_open)
        throw ended();
    std::vector<std::shared_ptr<detail::Step>> batch;
    if (!m_begun)
        batch.push_back(std::make_shared<detail::Step>(QStringLiteral("BEGIN"), Params()));
    for (auto &s : m_queued)
        batch.push_back(std::move(s));
    m_queued.clear();
    if (last)
        batch.push_back(last);
    if (batch.empty())
        return;
    std::vector<detail::Step *> steps;
    for (const auto &s : batch)
        steps.push_back(s.get());
    const bool beginning = !m_begun;
    // From here the server may hold a transaction of ours, whatever the batch's outcome: a
    // failure leaves it aborted until the ROLLBACK.
    m_begun = true;
    try {
        m_conn->runBatch(steps, true);
    } catch (const DbError &) {
        // A server restart drops the kept connection. When this batch began the transaction,
        // nothing of it survived on the lost connection: run it once more on a fresh one.
        if (!beginning || m_conn->isOpen())
            throw;
        m_conn = connection(m_cnstr, kRole);
        m_tripsBefore = m_conn->roundTrips();
        for (auto &s : batch) {
            s->rows.clear();
            s->done = false;
        }
        m_conn->runBatch(steps, true);
    }
}

Rows Transaction::query(const QString &sql, const Params &params)
{
    auto step = std::make_shared<detail::Step>(sql, params);
    send(step);
    return std::move(step->rows);
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
    auto step = std::make_shared<detail::Step>(sql, params);
    send(step);
    return step->affected;
}

Queued Transaction::queue(const QString &sql, const Params &params)
{
    if (!m_open)
        throw ended();
    auto step = std::make_shared<detail::Step>(sql, params);
    if (m_engine == Engine::SQLite) {
        send(step); // in the process: nothing to save by waiting
    } else {
        m_queued.push_back(step);
        // A long run of queued writes (an import) goes out in bounded batches: one round trip
        // each, without holding every row's values until the commit.
        if (m_queued.size() >= kMaxQueued)
            flush();
    }
    return Queued(step);
}

void Transaction::flush()
{
    send(nullptr);
}

void Transaction::copyRows(const QString &table, const QStringList &columns, const Params &values)
{
    flush();
    m_conn->copyIn(table, columns, values);
}

void Transaction::commit()
{
    if (!m_open)
        throw ended();
    if (!m_begun && m_queued.empty()) {
        // Nothing reached the server: there is nothing to commit.
        m_open = false;
        t_open.remove(m_cnstr);
        return;
    }
    send(std::make_shared<detail::Step>(QStringLiteral("COMMIT"), Params()));
    m_open = false;
    t_open.remove(m_cnstr);
}

qint64 Transaction::roundTrips() const
{
    return m_conn->roundTrips() - m_tripsBefore;
}

void Transaction::rollback() noexcept
{
    m_open = false;
    t_open.remove(m_cnstr);
    m_queued.clear();
    if (!m_begun || !m_conn->isOpen())
        return;
    try {
        m_conn->runPlain(QStringLiteral("ROLLBACK"));
    } catch (const DbError &e) {
        qWarning("rollback failed: %s", qPrintable(e.message()));
    }
}

} // namespace db
