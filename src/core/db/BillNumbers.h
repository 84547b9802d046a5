#pragma once

#include "core/db/Transaction.h"

namespace db {

// Bill numbers from ICMaxNum, drawn inside the saving transaction in one statement that raises
// the counter and returns it: the update locks the row, so two stations saving at the same
// moment can never read the same number, and a rolled-back save gives its number back. The
// lock lasts until the commit, so a save draws its number after its checks, just before the
// inserts that need it.
class BillNumbers
{
public:
    static constexpr int SaleBill = 0;
    static constexpr int MemberOrder = 30;

    static int draw(Transaction &tx, int counter);
    // The same draw queued with the save's other statements (one round trip on PostgreSQL):
    // the statements after it name the number as drawnSql(counter), read inside the server,
    // and the caller reads it from drawn() once the batch has run.
    static Queued queueDraw(Transaction &tx, int counter);
    static QString drawnSql(int counter);
    static int drawn(const Queued &draw, int counter);
    // `count` numbers at once (an import's new bills), in the same one statement under the
    // same row lock; returns the first, the others follow it without a gap.
    static int drawBlock(Transaction &tx, int counter, int count);
};

} // namespace db
