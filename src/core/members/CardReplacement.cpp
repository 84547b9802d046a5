#include "core/members/CardReplacement.h"

#include <algorithm>

#include "core/db/Database.h"
#include "core/db/Transaction.h"
#include "core/frame/CoreError.h"
#include "core/members/StoredValueLedger.h"

namespace {

const QString kUsedSql = QStringLiteral(
    "select (select count(*) from VipOrder where FVipNo=?) + (select count(*) from VipCzBill"
    " where FVipNo=?) + (select count(*) from ICStockBill where FVipNo=?)");

// The three places a card number is kept, in the order they are moved.
const QString kMoves[] = {
    QStringLiteral("update VipOrder set FVipNo=? where FVipNo=?"),
    QStringLiteral("update VipCzBill set FVipNo=? where FVipNo=?"),
    QStringLiteral("update ICStockBill set FVipNo=? where FVipNo=?"),
};

const QString kUsedMessage = QStringLiteral("新的会员卡号已经被使用！");
const QString kNewField = QStringLiteral("txtNewVipNo");
const QString kGoneMessage = QStringLiteral("原来卡号已不存在，请重新输入身份证号！");

} // namespace

CardReplacement::Holder CardReplacement::cards(const QString &cnstr, const QString &vipId)
{
    Holder h;
    if (vipId.trimmed().isEmpty())
        return h;
    const db::Rows rows = db::query(
        cnstr,
        QStringLiteral("select FVipNo, min(FOwner) as FOwner from VipOrder where FVipID=? and"
                       " FVipID<>'' group by FVipNo order by FVipNo"),
        {vipId});
    for (const db::Row &r : rows)
        h.cards << r.text(QStringLiteral("FVipNo"));
    if (!rows.isEmpty())
        h.owner = rows.first().text(QStringLiteral("FOwner"));
    return h;
}

bool CardReplacement::isUsed(const QString &cnstr, const QString &vipNo)
{
    return db::scalar(cnstr, kUsedSql, {vipNo, vipNo, vipNo}).toInt() > 0;
}

void CardReplacement::check(const QString &cnstr, const QString &oldNo, const QString &newNo)
{
    if (oldNo.trimmed().isEmpty())
        throw CoreError::refusal(QStringLiteral("请输入身份证号！"), QStringLiteral("txtID"));
    if (newNo.trimmed().isEmpty())
        throw CoreError::refusal(QStringLiteral("请输入新的卡号！"), kNewField);
    if (isUsed(cnstr, newNo))
        throw CoreError::refusal(kUsedMessage, kNewField);
}

int CardReplacement::replace(const QString &cnstr, const QString &oldNo, const QString &newNo)
{
    check(cnstr, oldNo, newNo);
    db::Transaction tx(cnstr);
    // The old card's order headers before the cards, in number order: a sale handing out
    // from the card holds its orders' headers while it waits for the card, so taking the card
    // first and the headers second would wait on it in a circle. SQLite's BEGIN IMMEDIATE
    // already is the one lock.
    if (tx.engine() == db::Engine::PostgreSQL)
        tx.query(QStringLiteral("select FInterID from VipOrder where FVipNo=? order by FInterID for update"),
                 {oldNo});
    // Always in the same order, so two replacements over the same two numbers cannot wait
    // on each other.
    StoredValueLedger::lockCard(tx, std::min(oldNo, newNo));
    StoredValueLedger::lockCard(tx, std::max(oldNo, newNo));
    // Another station may have given the number out since the question was asked.
    if (tx.scalar(kUsedSql, {newNo, newNo, newNo}).toInt() > 0)
        throw CoreError::refusal(kUsedMessage, kNewField);
    // The list of old cards may be stale: another station replaced the card meanwhile. Moving
    // nothing would hand the member an empty card while the balance sits on the other one.
    if (tx.scalar(kUsedSql, {oldNo, oldNo, oldNo}).toInt() == 0)
        throw CoreError::refusal(kGoneMessage, QStringLiteral("cmbVipNo"));
    int moved = 0;
    for (const QString &sql : kMoves)
        moved += tx.execute(sql, {newNo, oldNo});
    tx.commit();
    return moved;
}
