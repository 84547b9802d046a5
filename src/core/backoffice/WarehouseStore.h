#pragma once

#include <optional>

#include <QList>
#include <QString>

namespace db {
class Transaction;
}

// Warehouses (t_stock): listed by number (ReferenceData looks them up for the counter). A warehouse is
// disabled, never deleted; the last one in use stays.
class WarehouseStore
{
public:
    struct Warehouse
    {
        int id = 0; // 0: not saved yet
        QString number, name;
        bool disabled = false;
        bool operator==(const Warehouse &) const = default;
    };

    // In number order; disabled ones only when asked for.
    static QList<Warehouse> list(const QString &cnstr, bool withDisabled = true);

    // Adds (asRead empty) or renames; the name is required and not another warehouse's. A
    // change is refused as stale when the stored row is no longer `asRead`. Returns the id.
    static int save(const QString &cnstr, const Warehouse &warehouse,
                    const std::optional<Warehouse> &asRead = std::nullopt);
    static int save(db::Transaction &tx, const Warehouse &warehouse,
                    const std::optional<Warehouse> &asRead = std::nullopt);

    // Refused for the last enabled warehouse.
    static void setDisabled(const QString &cnstr, const Warehouse &asRead, bool disabled);
};
