#include "core/members/StoredValueLedger.h"

#include <algorithm>

#include "core/db/Database.h"
#include "core/db/Dialect.h"
#include "core/db/Transaction.h"
#include "core/base/CoreError.h"
#include "core/frame/Routines.h"
#include "core/members/CardNumbers.h"

namespace {

// The sum is read as exact money (a SQLite REAL sum of 1.10 + 2.20 is 3.30).
const QString kBalanceSql = QStringLiteral("select coalesce(sum(%1),0) from VipCzBill where FVipNo=?")
                                .arg(StoredValueLedger::signedAmountSql());

} // namespace

QString StoredValueLedger::signedAmountSql(const QString &alias)
{
    // Recharges and refunds (type 1) add their FKAmount, payments (type 2) take theirs.
    return QStringLiteral("case when %1FTranType=1 then coalesce(%1FKAmount,0) when %1FTranType=2"
                          " then -coalesce(%1FKAmount,0) else 0 end")
        .arg(alias);
}

void StoredValueLedger::lockCard(db::Transaction &tx, const QString &vipNo)
{
    CardNumbers::lockLive(tx, vipNo);
}

Money StoredValueLedger::balance(db::Transaction &tx, const QString &vipNo)
{
    const QString card = CardNumbers::clean(vipNo);
    if (card.isEmpty())
        return Money();
    return Money::fromVariant(tx.scalar(kBalanceSql, {card}));
}

Money StoredValueLedger::balance(const QString &cnstr, const QString &vipNo)
{
    const QString card = CardNumbers::clean(vipNo);
    if (card.isEmpty())
        return Money();
    return Money::fromVariant(db::scalar(cnstr, kBalanceSql, {card}));
}

PostedMovement StoredValueLedger::post(db::Transaction &tx, const StoredValueMovement &m)
{
    lockCard(tx, m.vipNo);
    return write(tx, m, balance(tx, m.vipNo));
}

PostedMovement StoredValueLedger::pay(db::Transaction &tx, const StoredValueMovement &m)
{
    return post(tx, m, [&m](Money before) {
        if (m.kAmount() > Money() && m.kAmount() > std::max(before, Money()))
            throw CoreError::refusal(QStringLiteral("本次扣款金额不允许大于卡内余额！"));
    });
}

PostedMovement StoredValueLedger::post(db::Transaction &tx, const StoredValueMovement &m,
                                       const std::function<void(Money before)> &check)
{
    lockCard(tx, m.vipNo);
    const Money before = balance(tx, m.vipNo);
    check(before);
    return write(tx, m, before);
}

PostedMovement StoredValueLedger::write(db::Transaction &tx, const StoredValueMovement &m,
                                        Money before)
{
    PostedMovement p;
    p.before = before;
    const Money k = m.kAmount();
    p.after = m.type == StoredValueMovement::Recharge ? p.before + k
              : m.type == StoredValueMovement::Payment ? p.before - k
                                                       : p.before;
    const bool recharge = m.type == StoredValueMovement::Recharge;
    const QString created = m.createTime.isValid() ? QStringLiteral("?")
                                                   : db::Dialect::nowExpression(tx.engine());
    db::Params params{CardNumbers::clean(m.vipNo), m.vipId, m.owner, m.phone, m.type, m.date};
    if (m.createTime.isValid())
        params << m.createTime;
    params << m.billerId << k.toVariant() << (recharge ? m.amount : Money()).toVariant()
           << (recharge ? m.gift : Money()).toVariant() << m.remark << p.before.toVariant()
           << p.after.toVariant() << yearLabel(m.date) << seasonLabel(m.date) << monthLabel(m.date)
           << (m.hasSumAmount ? m.sumAmount : k).toVariant();
    const db::Rows rows = tx.query(
        QStringLiteral("insert into VipCzBill (FVipNo, FVipID, FOwner, FPhone, FTranType, FDate,"
                       " FCreateTime, FBillerID, FKAmount, FCzAmount, FZsAmount, FRemark, FBegAmount,"
                       " FEndAmount, FYear, FSeason, FMonth, FSumAmount) values (?,?,?,?,?,?,%1,"
                       "?,?,?,?,?,?,?,?,?,?,?) returning FInterID")
            .arg(created),
        params);
    if (!rows.isEmpty())
        p.id = rows.first().integer(QStringLiteral("FInterID"));
    return p;
}

QString StoredValueLedger::yearLabel(const QDate &date)
{
    return QString::number(date.year()) + QStringLiteral("年");
}

QString StoredValueLedger::seasonLabel(const QDate &date)
{
    return GetSeasonName(date);
}

QString StoredValueLedger::monthLabel(const QDate &date)
{
    return GetMonthName(date);
}
