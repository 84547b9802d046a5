#pragma once

#include <QDateTime>
#include <QString>

#include "core/base/Money.h"
#include "core/pos/SaleBillStore.h"

struct MemberOrder;
class OrderDraft;
namespace db {
class Row;
class Transaction;
}

// What a committed order save did with the money, as read inside its transaction.
struct SavedOrder
{
    int orderId = 0;
    Money cash;     // cash taken by this save
    Money reserve;  // stored value moved by this save (negative: given back to the card)
    Money cashBack; // cash to hand back when a re-save lowered the total
    bool movementWritten = false;
    Money balanceBefore; // the card's balance around this save's movement
    Money balanceAfter;
};

// Writes member orders (VipOrder and VipOrderEntry).
class MemberOrderStore
{
public:
    static QString lockedMessage() { return QStringLiteral("已经执行或者没有权限，禁止修改！"); }
    static QString staleMessage() { return QStringLiteral("订单已被修改，请重新查询！"); }
    static QString openOrderMessage() { return QStringLiteral("禁止删除未完工订单！"); }
    static QString negativeTotalMessage() { return QStringLiteral("订单金额不能为负数！"); }
    static QString cardChangeMessage() { return QStringLiteral("该订单已用卡内储值付款，不能更换卡号！"); }
    // The whole order save in one transaction on a connection of its own; the card number
    // trimmed, no text longer than its column, no negative total. Locks in the order every
    // save takes them: the card (both, in a fixed order, when the screen changed it; a
    // replaced number refused), the header, the lines. A new order draws number 30; a stored
    // one is written anew under its number, only while it is still open, nothing of it has
    // been handed out and the operator may edit orders, and only when it is still as the
    // screen loaded it (else staleMessage()). An order paid from stored value keeps its card.
    // `payment` settles the order's due (the total less what was paid before, by any means);
    // when a re-save lowers the total, the difference goes back to stored value up to what
    // stored value paid, the rest is cash to hand back. The header keeps the cumulative
    // payment (FGetCash, FGetReserve, FGetOther). Every order of the card gets the identity
    // number. The movement is written when stored value moves or the card holds a balance,
    // from the balance read under the card's lock. Any refusal or failure rolls everything
    // back, the number included; a conflict with another station runs it once more.
    static SavedOrder save(const QString &cnstr, const OrderDraft &order,
                           const SalePayment &payment, int billerId);

    // Deletes a closed order with its lines, in one transaction; the sale lines and the
    // movements stay as history. An open order is refused with openOrderMessage()
    // (a warning), an operator without EditOrder with "没有权限！".
    static void remove(const QString &cnstr, int orderId, int userId);

    // Draws number 30, writes the header with the payment parts and the lines (numbered 1, 2,
    // 3 in order) and returns the number. `createTime` invalid: the server's clock.
    static int insert(db::Transaction &tx, const MemberOrder &order, Money cash, Money reserve,
                      int billerId, const QDateTime &createTime = QDateTime());

    // Whether a stored order (its header row with FVipNo, FOwner, FPhone, FVipID, Fdate and
    // FGetCash; its lines with FItemID, FQty, FPreQty, FCplQty, FPrice and FYxq in line order)
    // already holds these lines, card and payment: a re-import leaves such an order alone.
    static bool sameAs(const db::Row &head, const QList<db::Row> &lines, const MemberOrder &order,
                       Money cash);

private:
    static SavedOrder write(const QString &cnstr, const OrderDraft &order,
                            const SalePayment &payment, int billerId);
    static void write(db::Transaction &tx, int id, const MemberOrder &order, Money cash,
                      Money reserve, int billerId, const QDateTime &createTime);
};
