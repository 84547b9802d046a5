#include "core/members/CardNumbers.h"

#include "core/db/Database.h"
#include "core/db/Dialect.h"
#include "core/db/Transaction.h"
#include "core/base/CoreError.h"

namespace {

const QString kReplacedSql =
    QStringLiteral("select FNewVipNo from t_VipCardReplaced where FOldVipNo=?");

// Follows the chain V1 -> N1 -> N2 to the number in use; a bounded walk, so a loop made by
// hand in the table cannot hang a station.
template <class Read>
QString follow(const QString &vipNo, Read read)
{
    QString current = CardNumbers::clean(vipNo);
    if (current.isEmpty())
        return QString();
    QString last;
    for (int i = 0; i < 32; ++i) {
        const QVariant next = read(current);
        if (next.isNull() || !next.isValid())
            break;
        last = current = next.toString();
    }
    return last;
}

} // namespace

QString CardNumbers::replacedMessage(const QString &newNo)
{
    return QStringLiteral("该卡已换为新卡号 ") + newNo + QStringLiteral("，请重新读卡！");
}

QString CardNumbers::replacedBy(const QString &cnstr, const QString &vipNo)
{
    return follow(vipNo, [&](const QString &n) { return db::scalar(cnstr, kReplacedSql, {n}); });
}

QString CardNumbers::replacedBy(db::Transaction &tx, const QString &vipNo)
{
    return follow(vipNo, [&](const QString &n) { return tx.scalar(kReplacedSql, {n}); });
}

void CardNumbers::checkLive(const QString &cnstr, const QString &vipNo)
{
    const QString now = replacedBy(cnstr, vipNo);
    if (!now.isEmpty())
        throw CoreError::refusal(replacedMessage(now), QStringLiteral("txtVipNo"));
}

void CardNumbers::lock(db::Transaction &tx, const QString &vipNo)
{
    const QString card = clean(vipNo);
    if (!card.isEmpty())
        db::Dialect::lockKey(tx, card);
}

void CardNumbers::lockOrders(db::Transaction &tx, const QString &vipNo)
{
    db::Dialect::lockRows(
        tx, QStringLiteral("select FInterID from VipOrder where FVipNo=? order by FInterID"),
        {vipNo});
}

void CardNumbers::lockLive(db::Transaction &tx, const QString &vipNo)
{
    lock(tx, vipNo);
    const QString now = replacedBy(tx, vipNo);
    if (!now.isEmpty())
        throw CoreError::refusal(replacedMessage(now), QStringLiteral("txtVipNo"));
}

CardNumbers::LiveCheck CardNumbers::queueLockLive(db::Transaction &tx, const QString &vipNo)
{
    lock(tx, vipNo);
    const QString card = clean(vipNo);
    return {card, card.isEmpty() ? db::Queued() : tx.queue(kReplacedSql, {card})};
}

void CardNumbers::requireLive(db::Transaction &tx, const LiveCheck &check)
{
    const QVariant next = check.replaced.scalar();
    if (next.isNull() || !next.isValid())
        return;
    // Replaced: the rest of the chain names the number now in use.
    QString now = next.toString();
    const QString later = replacedBy(tx, now);
    if (!later.isEmpty())
        now = later;
    throw CoreError::refusal(replacedMessage(now), QStringLiteral("txtVipNo"));
}

void CardNumbers::recordReplacement(db::Transaction &tx, const QString &oldNo,
                                    const QString &newNo, int userId)
{
    tx.execute(QStringLiteral("insert into t_VipCardReplaced (FOldVipNo, FNewVipNo, FTime, FUserID)"
                              " values (?,?,%1,?)")
                   .arg(db::Dialect::nowExpression(tx.engine())),
               {clean(oldNo), clean(newNo), userId});
}
