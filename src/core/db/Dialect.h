#pragma once

#include <QDateTime>
#include <QString>

#include "core/db/ConnectionString.h"
#include "core/frame/Money.h"

namespace db {

// The few things that differ between the engines: the server clock, column types,
// identity columns, and the two server routines of the shop database.
class Dialect
{
public:
    // SQL expression for the server's current local date and time.
    static QString nowExpression(Engine engine);

    // Replaces the type tokens of portable DDL: {ID} identity key, {INT}, {TEXT}, {MONEY},
    // {DATE}, {DATETIME}, {BLOB}.
    static QString ddl(Engine engine, QString statement);

    // sp_GetCurDate: the database server's current date and time.
    static QDateTime serverDateTime(const QString &cnstr);

    // Rp_VipGetCzBal: recharges and refunds (type 1) add their FKAmount, payments (type 2)
    // subtract theirs. The sum is read as exact money (a SQLite REAL sum of 1.10 + 2.20 is
    // 3.30); an empty card number has no balance, whatever the walk-in rows add up to.
    static Money vipBalance(const QString &cnstr, const QString &vipNo);
    static QString vipBalanceSql(); // one bound value: the card number
};

} // namespace db
