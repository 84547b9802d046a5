#pragma once

#include "core/db/Transaction.h"

namespace db {

// Bill numbers from ICMaxNum, drawn inside the saving transaction. The counter is raised
// first and read second: the update locks the row, so two stations saving at the same
// moment can never read the same number, and a rolled-back save gives its number back.
class BillNumbers
{
public:
    static constexpr int SaleBill = 0;
    static constexpr int MemberOrder = 30;

    static int draw(Transaction &tx, int counter);
};

} // namespace db
