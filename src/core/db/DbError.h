#pragma once

#include "core/frame/CoreError.h"

namespace db {

// An error raised by the database layer or a routine built on it. The text is the
// engine's own message (or the routine's), meant to be shown to the operator as is.
class DbError : public CoreError
{
public:
    explicit DbError(const QString &message, int number = 0) : CoreError(message, number) {}
};

} // namespace db
