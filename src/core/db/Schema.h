#pragma once

#include <QString>

namespace db {

// Creates the shop database's tables on an empty database and brings an older one up to
// the current version, one step per version, all in one transaction under a lock, so two
// stations opening a new database at once cannot both create it.
class Schema
{
public:
    static constexpr int CurrentVersion = 5;

    static void ensure(const QString &cnstr);
    static int version(const QString &cnstr); // 0 on an empty database

    // Adds a price style and its price column "FPrice_<id>" on t_icitem; returns the id.
    static int addPriceStyle(const QString &cnstr, const QString &name);

private:
    static void upgradeTo1(class Transaction &tx);
    static void upgradeTo2(class Transaction &tx);
    static void upgradeTo3(class Transaction &tx);
    static void upgradeTo4(class Transaction &tx);
    static void upgradeTo5(class Transaction &tx);
};

} // namespace db
