#include "core/members/CardReplacement.h"

#include <algorithm>

#include "core/db/Database.h"
#include "core/db/Transaction.h"
#include "core/base/CoreError.h"
#include "core/frame/TextLimits.h"
#include "core/members/CardNumbers.h"

namespace {

// A number given up in an earlier replacement counts as used: handing it out again would
// send the refusals of work begun on it to the wrong member.
const QString kUsedSql = QStringLiteral(
    "select (select count(*) from VipOrder where FVipNo=?) + (select count(*) from VipCzBill"
    " where FVipNo=?) + (select count(*) from ICStockBill where FVipNo=?)"
    " + (select count(*) from t_VipCardReplaced where FOldVipNo=?)");

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
    const QString card = CardNumbers::clean(vipNo);
    return db::scalar(cnstr, kUsedSql, {card, card, card, card}).toInt() > 0;
}

void CardReplacement::check(const QString &cnstr, const QString &oldNo, const QString &newNo)
{
    if (CardNumbers::clean(oldNo).isEmpty())
        throw CoreError::refusal(QStringLiteral("请输入身份证号！"), QStringLiteral("txtID"));
    const QString card = CardNumbers::clean(newNo);
    if (card.isEmpty())
        throw CoreError::refusal(QStringLiteral("请输入新的卡号！"), kNewField);
    TextLimits::check({{card, "t_VipCardReplaced.FNewVipNo", "txtNewVipNo"}});
    if (isUsed(cnstr, card))
        throw CoreError::refusal(kUsedMessage, kNewField);
}

int CardReplacement::replace(const QString &cnstr, const QString &oldNumber,
                             const QString &newNumber, int userId)
{
    const QString oldNo = CardNumbers::clean(oldNumber), newNo = CardNumbers::clean(newNumber);
    check(cnstr, oldNo, newNo);
    return db::retryOnConflict([&] {
        db::Transaction tx(cnstr);
        // The cards first, as every save takes them, and always in the same order, so two
        // replacements over the same two numbers cannot wait on each other. A sale, order or
        // recharge begun on the old number waits here, then finds it replaced.
        CardNumbers::lock(tx, std::min(oldNo, newNo));
        CardNumbers::lock(tx, std::max(oldNo, newNo));
        // Replaced at another station since its list was read: say where the card went.
        const QString now = CardNumbers::replacedBy(tx, oldNo);
        if (!now.isEmpty())
            throw CoreError::refusal(CardNumbers::replacedMessage(now), QStringLiteral("cmbVipNo"));
        // Another station may have given the number out since the question was asked.
        if (tx.scalar(kUsedSql, {newNo, newNo, newNo, newNo}).toInt() > 0)
            throw CoreError::refusal(kUsedMessage, kNewField);
        // Moving nothing would hand the member an empty card.
        if (tx.scalar(kUsedSql, {oldNo, oldNo, oldNo, oldNo}).toInt() == 0)
            throw CoreError::refusal(kGoneMessage, QStringLiteral("cmbVipNo"));
        // Then the old card's order headers in number order, as a sale takes them.
        CardNumbers::lockOrders(tx, oldNo);
        int moved = 0;
        for (const QString &sql : kMoves)
            moved += tx.execute(sql, {newNo, oldNo});
        CardNumbers::recordReplacement(tx, oldNo, newNo, userId);
        tx.commit();
        return moved;
    });
}
