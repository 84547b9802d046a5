#pragma once

#include <functional>

#include <QString>

namespace db {

class Transaction;

// Creates the shop database's tables on an empty database and brings an older one up to
// the current version, one step per version, all in one transaction under a lock, so two
// stations opening a new database at once cannot both create it.
class Schema
{
public:
    static constexpr int CurrentVersion = 5;

    static void ensure(const QString &cnstr);
    // A new shop: on an empty database creates the tables and runs firstRows in the same
    // transaction, under the same lock (so of two stations doing this at once, one creates and
    // the other finds the shop made); on a shop of ours brings it up to date. Returns whether it
    // created the shop. A database holding tables that are not ours is refused.
    static bool create(const QString &cnstr, const std::function<void(Transaction &)> &firstRows);
    // Whether the database holds tables but no shop of ours.
    static bool foreign(const QString &cnstr);
    static int version(const QString &cnstr); // 0 on an empty database

    // Adds a price style and its price column "FPrice_<id>" on t_icitem; returns the id.
    static int addPriceStyle(const QString &cnstr, const QString &name);

private:
    static bool run(const QString &cnstr, const std::function<void(Transaction &)> &firstRows);
    static void upgradeTo1(Transaction &tx);
    static void upgradeTo2(Transaction &tx);
    static void upgradeTo3(Transaction &tx);
    static void upgradeTo4(Transaction &tx);
    static void upgradeTo5(Transaction &tx);
};

} // namespace db
