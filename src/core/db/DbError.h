#pragma once

#include <QString>

#include "core/base/CoreError.h"

namespace db {

// An error raised by the database layer or a routine built on it. The text is the
// engine's own message (or the routine's), meant to be shown to the operator as is. The
// engine's own code travels with it (PostgreSQL's SQLSTATE, SQLite's result code), so a
// caller can tell a conflict between stations from a fault whatever layer raised it.
class DbError : public CoreError
{
public:
    explicit DbError(const QString &message, int number = 0, const QString &engineCode = QString())
        : CoreError(message, number), m_engineCode(engineCode)
    {
    }

    QString engineCode() const { return m_engineCode; }

    // Two stations met and the engine ended this one's transaction to let the other on:
    // PostgreSQL's serialization failure (40001), deadlock (40P01) or stale plan (0A000),
    // SQLite's busy (5) or locked (6), extended codes included. Running the whole transaction
    // again is safe.
    bool isConflict() const { return isConflictCode(m_engineCode); }
    static bool isConflictCode(const QString &code)
    {
        if (code == QLatin1String("40001") || code == QLatin1String("40P01"))
            return true;
        // A kept statement whose plan went stale when another station changed its table:
        // the transaction it ended runs again on a statement prepared afresh.
        if (code == QLatin1String("0A000"))
            return true;
        bool number = false;
        const int c = code.toInt(&number);
        return number && ((c & 0xff) == 5 || (c & 0xff) == 6);
    }

private:
    QString m_engineCode;
};

} // namespace db
