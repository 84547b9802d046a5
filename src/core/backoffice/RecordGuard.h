#pragma once

#include <QString>

namespace db {
class Transaction;
}

// What the back-office stores share: the refusal when another station changed a record since
// it was read, the lock that serialises writers of one kind of record, new keys, and the
// length and text checks of typed fields.
class RecordGuard
{
public:
    enum class Kind { Items = 1, PriceStyles, Warehouses, Operators };

    // "资料已被其他站点修改，请重新打开！"
    static QString staleMessage();

    // Writers of one kind wait for each other until the transaction ends (PostgreSQL; SQLite's
    // BEGIN IMMEDIATE already is that lock), so a rule counted inside it (the last manager, a
    // new key) holds at commit.
    static void lock(db::Transaction &tx, Kind kind);

    // The next free whole-number key of a table's FItemID or FUserID; call after lock().
    static int nextId(db::Transaction &tx, const QString &table, const QString &keyColumn);

    // What a text column holds, in characters.
    static constexpr int MaxLength = 255;

    // Trimmed; refused (naming `field`) when required and empty, or longer than MaxLength.
    static QString text(const QString &typed, const QString &caption, const QString &field,
                        bool required);
};
