#pragma once

// The account sets every part runs on: items, pack codes, three years of stored-value
// movements and, for the recharge part, member orders, each table in one statement.
#include <QString>

#include "Bench.h"

namespace bench {

// First number of the member orders seeded for the lookups; the sale part's history takes
// the numbers below it.
constexpr int kLookupOrders = 1000000;

void progress(const char *engine, const char *what);
void seed(const QString &cnstr, Raw &raw, db::Engine engine, const Size &z);

} // namespace bench
