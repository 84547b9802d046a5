#pragma once

#include <QSqlDatabase>
#include <QString>

#include "core/db/ConnectionString.h"
#include "core/db/DbError.h"
#include "core/db/Row.h"

namespace db {

// All-or-nothing writes: begins on construction, rolls back in the destructor unless
// commit() ran. Takes a connection of its own for its lifetime, so reads elsewhere on the
// screen never see half a document. On SQLite the write lock is taken at BEGIN, so
// stations queue instead of deadlocking. A second transaction on the same connection string
// in the same thread is refused (DbError) instead of waiting on the first.
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
    void commit();

    Engine engine() const { return m_engine; }
    const QString &cnstr() const { return m_cnstr; }

private:
    void rollback() noexcept;
    QString m_cnstr;
    Engine m_engine;
    QString m_role = QStringLiteral("tx");
    QSqlDatabase m_db;
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
