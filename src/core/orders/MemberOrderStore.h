#pragma once

#include <QDateTime>

#include "core/frame/Money.h"

struct MemberOrder;
namespace db {
class Transaction;
}

// Writes a member order (VipOrder and VipOrderEntry) inside the caller's transaction.
class MemberOrderStore
{
public:
    // Draws number 30, writes the header with the payment parts and the lines (numbered 1, 2,
    // 3 in order) and returns the number. `createTime` invalid: the server's clock.
    static int insert(db::Transaction &tx, const MemberOrder &order, Money cash, Money reserve,
                      int billerId, const QDateTime &createTime = QDateTime());
};
