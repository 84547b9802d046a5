#pragma once

#include "core/db/DbError.h"

class QSqlError;

namespace db::detail {

// The statements kept prepared per connection and thread live in StatementCache.cpp, behind
// detail::run(), runFresh(), forget() and forgetAll() (declared in Database.h).

// The engine's message with its own code kept.
DbError engineError(const QSqlError &e);

} // namespace db::detail
