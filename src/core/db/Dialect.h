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

};

} // namespace db
