#include "core/members/StoredValueLedger.h"


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

QString StoredValueLedger::overdrawMessage()
{
    return QStringLiteral("本次扣款金额不允许大于卡内余额！");
}

PostedMovement StoredValueLedger::post(db::Transaction &tx, const StoredValueMovement &m)
{
    const CardNumbers::LiveCheck live = CardNumbers::queueLockLive(tx, m.vipNo);
    const QueuedMovement queued = queue(tx, m);
    tx.flush();
    CardNumbers::requireLive(tx, live);
    return posted(queued);
}

PostedMovement StoredValueLedger::pay(db::Transaction &tx, const StoredValueMovement &m)
{
    const CardNumbers::LiveCheck live = CardNumbers::queueLockLive(tx, m.vipNo);
    const QueuedMovement queued =
        queue(tx, m, paymentMinimum(m), CoreError::refusal(overdrawMessage()));
    tx.flush();
    CardNumbers::requireLive(tx, live);
    return posted(queued);
}

StoredValueLedger::QueuedMovement StoredValueLedger::queuePayment(db::Transaction &tx,
                                                                  const QString &vipNo,
                                                                  const QDate &date, int billerId,
                                                                  Money amount, Money sumAmount,
                                                                  bool onlyWhenHeld)
{
    StoredValueMovement m;
    m.vipNo = vipNo;
    m.type = StoredValueMovement::Payment;
    m.date = date;
    m.billerId = billerId;
    m.amount = amount;
    m.hasSumAmount = true;
    m.sumAmount = sumAmount;
    return queue(tx, m, paymentMinimum(m), CoreError::refusal(overdrawMessage()), onlyWhenHeld);
}

std::optional<Money> StoredValueLedger::paymentMinimum(const StoredValueMovement &m)
{
    return m.kAmount() > Money() ? std::optional<Money>(m.kAmount()) : std::nullopt;
}

StoredValueLedger::QueuedMovement StoredValueLedger::queue(db::Transaction &tx,
                                                           const StoredValueMovement &m,
                                                           std::optional<Money> minimumBefore,
                                                           const CoreError &refusal,
                                                           bool onlyWhenHeld)
{
    const Money k = m.kAmount();
    const Money change = m.type == StoredValueMovement::Recharge ? k
                         : m.type == StoredValueMovement::Payment ? -k
                                                                  : Money();
    const bool recharge = m.type == StoredValueMovement::Recharge;
    const QString card = CardNumbers::clean(m.vipNo);
    const QString created = m.createTime.isValid() ? QStringLiteral("?")
                                                   : db::Dialect::nowExpression(tx.engine());
    db::Params params{card, m.vipId, m.owner, m.phone, m.type, m.date};
    if (m.createTime.isValid())
        params << m.createTime;
    params << m.billerId << k.toVariant() << (recharge ? m.amount : Money()).toVariant()
           << (recharge ? m.gift : Money()).toVariant() << m.remark << change.toVariant()
           << yearLabel(m.date) << seasonLabel(m.date) << monthLabel(m.date)
           << (m.hasSumAmount ? m.sumAmount : k).toVariant() << card;
    if (minimumBefore)
        params << minimumBefore->toVariant();
    // The balance is read by the statement itself, rounded to the columns' four decimals (a
    // SQLite REAL sum of 1.10 + 2.20 is 3.30), so the save needs no round trip for it; an
    // empty card has no balance, never the sum of the walk-in rows.
    const QString sql =
        QStringLiteral(
            "insert into VipCzBill (FVipNo, FVipID, FOwner, FPhone, FTranType, FDate, FCreateTime,"
            " FBillerID, FKAmount, FCzAmount, FZsAmount, FRemark, FBegAmount, FEndAmount, FYear,"
            " FSeason, FMonth, FSumAmount)"
            " select ?,?,?,?,?,?,%1,?,?,?,?,?,b.bal,round(b.bal+?,4),?,?,?,?"
            " from (select round(coalesce(sum(%2),0),4) as bal from VipCzBill"
            " where FVipNo=? and FVipNo<>'') b%3"
            " returning FInterID, FBegAmount, FEndAmount")
            .arg(created, signedAmountSql(),
                 minimumBefore  ? QStringLiteral(" where b.bal>=?")
                 : onlyWhenHeld ? QStringLiteral(" where b.bal<>0")
                                : QString());
    return {tx.queue(sql, params), refusal, onlyWhenHeld};
}

PostedMovement StoredValueLedger::posted(const QueuedMovement &queued)
{
    const db::Rows &rows = queued.row.rows();
    if (rows.isEmpty() && queued.onlyWhenHeld)
        return PostedMovement();
    if (rows.isEmpty())
        throw queued.refusal;
    const db::Row &r = rows.first();
    PostedMovement p;
    p.id = r.integer(QStringLiteral("FInterID"));
    p.before = r.money(QStringLiteral("FBegAmount"));
    p.after = r.money(QStringLiteral("FEndAmount"));
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
