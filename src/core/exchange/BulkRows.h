#pragma once

#include <functional>

#include <QHash>
#include <QString>
#include <QStringList>

#include "core/backoffice/ItemStore.h"
#include "core/db/Row.h"

namespace db {
class Transaction;
}

// The statements of an import: many rows per round trip, every value bound.
namespace bulk {

// One statement on a connection string or in a transaction, as the caller has it.
using Run = std::function<db::Rows(const QString &sql, const db::Params &params)>;
Run on(const QString &cnstr);
Run on(db::Transaction &tx);

// Keys per "in (...)" list: SQLite before 3.32 binds at most 999 values in a statement.
constexpr int KeysPerStatement = 500;

// Runs `sql`, whose "%1" stands for a list of ? marks, over `keys` a list at a time, and
// returns the rows of every list together. `before` is bound ahead of each list.
db::Rows in(const Run &run, const QString &sql, const db::Params &keys, const db::Params &before = {});

// Rows of one table written a batch per statement: one multi-row insert carries a few hundred
// rows, so a PostgreSQL server is asked a few hundred times for 100,000 rows instead of once a
// row, and SQLite steps one statement per batch. The statement of a full batch is prepared
// once and kept by the connection; the last, shorter batch gets its own.
class Insert
{
public:
    // `head`: "insert into T (A, B)"; `row`: one row's values, "(?,?)" (it may name SQL
    // expressions besides its marks, the server's clock for instance).
    Insert(db::Transaction &tx, const QString &head, const QString &row);
    void add(const db::Params &values);
    // Writes what is waiting; call before the rows are read or the transaction commits.
    void flush();

private:
    QString statement(int rows) const;
    db::Transaction &m_tx;
    QString m_head, m_row, m_full;
    QString m_table;       // by COPY when set
    QStringList m_columns;
    int m_perRow = 0, m_perStatement = 1, m_waiting = 0;
    db::Params m_values;
};

// The items of `ids` as ItemStore::load reads them, by id: two statements a list of ids
// instead of two an item.
QHash<int, ItemRecord> itemsOf(const Run &run, const db::Params &ids);

} // namespace bulk
