#pragma once

#include <memory>
#include <vector>

#include <QString>

#include "core/db/ConnectionString.h"
#include "core/db/DbError.h"
#include "core/db/Row.h"

namespace db {

namespace detail {
class Connection;
struct Step;
} // namespace detail

// A statement queued in a transaction; what it gave back is there once the batch it went
// with has run (Transaction::flush, or any query, execute or commit after it).
class Queued
{
public:
    Queued() = default;
    const Rows &rows() const;
    QVariant scalar() const; // first value of the first row, or null
    int affected() const;

private:
    friend class Transaction;
    explicit Queued(std::shared_ptr<detail::Step> step) : m_step(std::move(step)) {}
    std::shared_ptr<detail::Step> m_step;
};

// All-or-nothing writes: rolls back in the destructor unless commit() ran. Takes a
// connection of its own for its lifetime, so reads elsewhere on the screen never see half a
// document. On SQLite the write lock is taken at once (BEGIN IMMEDIATE), so stations queue
// instead of deadlocking. On PostgreSQL BEGIN goes with the first statement, and statements
// queued with queue() go together in one round trip. A second transaction on the same
// connection string in the same thread is refused (DbError) instead of waiting on the first.
class Transaction
{
public:
    explicit Transaction(const QString &cnstr);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    Rows query(const QString &sql, const Params &params = {});
    QVariant scalar(const QString &sql, const Params &params = {});
    int execute(const QString &sql, const Params &params = {});
    // A statement whose answer is not needed before the next one: on PostgreSQL it waits to
    // go with the next round trip; on SQLite it runs at once. A failure is thrown from the
    // call that sent it.
    Queued queue(const QString &sql, const Params &params = {});
    // Sends what is queued (one round trip on PostgreSQL).
    void flush();
    // Many rows into one table, `values` holding columns.size() values a row: by COPY on
    // PostgreSQL, a kept insert stepped a row on SQLite. After what is queued.
    void copyRows(const QString &table, const QStringList &columns, const Params &values);
    void commit();

    Engine engine() const { return m_engine; }
    const QString &cnstr() const { return m_cnstr; }
    // Round trips to the server this transaction took (0 on SQLite).
    qint64 roundTrips() const;

private:
    void send(const std::shared_ptr<detail::Step> &last);
    void rollback() noexcept;
    QString m_cnstr;
    Engine m_engine;
    std::shared_ptr<detail::Connection> m_conn;
    std::vector<std::shared_ptr<detail::Step>> m_queued;
    qint64 m_tripsBefore = 0;
    bool m_begun = false; // BEGIN has reached the server
    bool m_open = false;
};

// Runs a whole save, its transaction inside `save`, once more when the engine ended it in a
// conflict with another station (a deadlock or serialization failure on PostgreSQL, busy or
// locked on SQLite): the first attempt rolled back in full, so nothing is written twice, and
// the cashier sees a message only when the second attempt fails too.
template <class Save>
auto retryOnConflict(Save &&save) -> decltype(save())
{
    try {
        return save();
    } catch (const DbError &e) {
        if (!e.isConflict())
            throw;
    }
    return save();
}

} // namespace db
