#pragma once

#include <QtTest>

#include "TestDb.h"
#include "core/db/Database.h"
#include "core/base/CoreError.h"
#include "core/members/RechargeBill.h"
#include "core/orders/MemberOrderStore.h"
#include "core/orders/OrderDraft.h"
#include "core/pos/SaleBill.h"
#include "core/pos/SaleBillStore.h"

// The cards, bills and stations the member document tests share.

inline RechargeInput bill(const QString &card, bool refund, Money amount, Money gift = Money())
{
    return {card,   "O'Neil", "13800000004", "110101199002020057", QDate(2012, 10, 5),
            refund, amount,   gift,          "it's paid",          7};
}

// A sale paid wholly from stored value through the counter's own save; false when refused.
inline bool salePays(const QString &cnstr, const QString &card, Money pay)
{
    SaleBill sale;
    sale.date = QDate(2024, 3, 9);
    sale.vipNo = card;
    sale.stockId = 1;
    sale.add(1, QStringLiteral("鲜牛奶"), 1, pay);
    const QString refusal = TestDb::refusalOf([&] {
        SaleBillStore::save(cnstr, sale, {Money(), pay}, 2);
    });
    if (refusal.startsWith("failure: "))
        throw CoreError(refusal);
    return refusal.isEmpty();
}

// A sale of one bottle for `pay` from stored value, or 0.50 in cash; its refusal or "".
inline QString saleOf(const QString &cnstr, const QString &card, Money pay = Money(),
               const QString &owner = QString())
{
    SaleBill sale;
    sale.date = QDate(2024, 3, 9);
    sale.vipNo = card;
    sale.owner = owner;
    sale.stockId = 1;
    sale.add(1, QStringLiteral("鲜牛奶"), 1, pay.isZero() ? Money::fromCents(50) : pay);
    return TestDb::refusalAt([&] {
        SaleBillStore::save(cnstr, sale, {pay.isZero() ? Money::fromCents(50) : Money(), pay}, 2);
    });
}

// A new order of one bottle for 5.00 in cash; its refusal or "".
inline QString orderOf(const QString &cnstr, const QString &card, const QString &phone = "138")
{
    OrderDraft d;
    d.date = QDate(2024, 3, 9);
    d.vipNo = card;
    d.owner = "王五";
    d.phone = phone;
    d.vipId = "ID1";
    d.add(1, "鲜牛奶", "5.00", "1", "", "5.00");
    return TestDb::refusalAt([&] { MemberOrderStore::save(cnstr, d, {Money::fromInt(5), Money()}, 1); });
}

// 王五 ("ID1") holds cards V'2 and V1 on orders; V1 also has stored value and a sale;
// "used" numbers occur in one table each; a walk-in order carries no identity number.
inline void addMembers(const QString &c)
{
    const QDate day(2024, 3, 1);
    TestDb::insert(c, "VipOrder (FInterID, FVipNo, FOwner, FPhone, FVipID)",
                   {{1, "V1", "王五", "138", "ID1"}, {2, "V'2", "王五", "138", "ID1"},
                    {3, "V1", "王五", "138", "ID1"}, {4, "ORDERED", "赵六", "139", "ID2"},
                    {5, "", "散客", "", ""}});
    TestDb::insert(c, "ICStockBill (FInterID, FTrantype, FVipNo)", {{1, 99, "V1"}, {2, 99, "SOLD"}});
    db::execute(c, "update ICMaxNum set FMaxNum=? where FTranType=?", {2, 0});
    db::execute(c, "update ICMaxNum set FMaxNum=? where FTranType=?", {5, 30});
    TestDb::insert(c, "VipCzBill (FVipNo, FTranType, FDate, FKAmount, FBegAmount, FEndAmount)",
                   {{"V1", 1, day, 100, 0, 100}});
}

// Orders, movements and sale bills on a card.
inline QString countsOn(const QString &c, const QString &card)
{
    return TestDb::dump(c,
                        "select (select count(*) from VipOrder where FVipNo=?), (select"
                        " count(*) from VipCzBill where FVipNo=?), (select count(*) from"
                        " ICStockBill where FVipNo=?)", {card, card, card});
}

// On PostgreSQL, waits until `n` connections wait for a lock; SQLite lets one writer in at a
// time, so there the others simply queue.
inline void waitForBlocked(const TestDb &t, int n)
{
    const QString waiting = "select count(*) from pg_locks where not granted";
    for (int i = 0; t.engine() == db::Engine::PostgreSQL && i < 3000 &&
                    db::scalar(TestDb::postgresCnstr(), waiting).toInt() < n;
         ++i)
        QTest::qWait(10);
}
