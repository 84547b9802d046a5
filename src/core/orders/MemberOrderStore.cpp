#include "core/orders/MemberOrderStore.h"

#include <algorithm>
#include <optional>

#include "core/db/BillNumbers.h"
#include "core/db/Dialect.h"
#include "core/db/Transaction.h"
#include "core/base/CoreError.h"
#include "core/frame/Routines.h"
#include "core/frame/TextLimits.h"
#include "core/members/CardNumbers.h"
#include "core/members/StoredValueLedger.h"
#include "core/orders/MemberOrder.h"
#include "core/orders/OrderDraft.h"

namespace {

// With the order's number as an expression: "?", or a number drawn in the same batch.
const QString kLineSqlOf = QStringLiteral(
    "insert into VipOrderEntry (FInterID, FEntryID, FItemID, FQty, FPreQty, FCplQty, FPrice,"
    " FAmount, FYxq) values (%1,?,?,?,?,?,?,?,?)");

const QString kHeaderSqlOf = QStringLiteral(
    "insert into VipOrder (FInterID, Fdate, FVipNo, FOwner, FPhone, FRemark, FSumQty, FSumAmount,"
    " FCreateTime, FMonth, FVipID, FBillerID, FGetCash, FGetReserve, FGetOther, FClosed)"
    " values (%1,?,?,?,?,?,?,?,%2,?,?,?,?,?,?,?)");

const QString kLineSql = kLineSqlOf.arg(QStringLiteral("?"));
const QString kHeaderSql = kHeaderSqlOf.arg(QStringLiteral("?"), QStringLiteral("%1"));

// A stored order that may still be changed: open, nothing of it handed out, and an operator
// who holds EditOrder. Binds the order and the operator twice.
const QString kStillEditable = QStringLiteral(
    "select count(*) from VipOrder where FInterID=? and coalesce(FClosed,0)=0"
    " and not exists (select 1 from VipOrderEntry e where e.FInterID=VipOrder.FInterID"
    " and coalesce(e.FCplQty,0)<>0)"
    " and (exists (select 1 from t_user u where u.FUserID=? and u.FManager=1)"
    " or exists (select 1 from t_user_grant g where g.FUserID=? and lower(g.FKey)='editorder'"
    " and g.FValue=1))");

QVariant dateOrNull(const QDate &d)
{
    return d.isValid() ? QVariant(d) : QVariant(QMetaType(QMetaType::QDate));
}

// The order's header row locked (PostgreSQL; SQLite's BEGIN IMMEDIATE already is the one lock),
// after the card's lock and before any of its lines, as every save takes them.
void lockHeader(db::Transaction &tx, int orderId)
{
    db::Dialect::lockRows(tx, QStringLiteral("select FInterID from VipOrder where FInterID=?"),
                          {orderId});
}

// The stored number of an order, to lock its card before the order itself.
QString storedCard(db::Transaction &tx, int orderId)
{
    return tx.scalar(QStringLiteral("select FVipNo from VipOrder where FInterID=?"), {orderId})
        .toString();
}

// "" and never NULL: the lists and the back office compare the remark as text.
QString textOrEmpty(const QString &s)
{
    return s.isNull() ? QStringLiteral("") : s;
}

} // namespace

int MemberOrderStore::insert(db::Transaction &tx, const MemberOrder &order, Money cash,
                             Money reserve, int billerId, const QDateTime &createTime)
{
    const int id = db::BillNumbers::draw(tx, db::BillNumbers::MemberOrder);
    write(tx, id, order, cash, reserve, billerId, createTime);
    return id;
}

bool MemberOrderStore::sameAs(const db::Row &h, const db::Rows &lines, const MemberOrder &order,
                              Money cash)
{
    if (h.text(QStringLiteral("FVipNo")) != order.vipNo || h.text(QStringLiteral("FOwner")) != order.owner ||
        h.text(QStringLiteral("FPhone")) != order.phone || h.text(QStringLiteral("FVipID")) != order.vipId ||
        h.date(QStringLiteral("Fdate")) != order.date || h.money(QStringLiteral("FGetCash")) != cash ||
        lines.size() != order.lines.size())
        return false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const db::Row &r = lines.at(i);
        const MemberOrderLine &l = order.lines.at(i);
        if (r.integer(QStringLiteral("FItemID")) != l.itemId ||
            r.money(QStringLiteral("FQty")) != Money::fromInt(l.qty) ||
            r.money(QStringLiteral("FPreQty")) != Money::fromInt(l.gift) ||
            r.money(QStringLiteral("FCplQty")) != Money::fromInt(l.done) ||
            r.money(QStringLiteral("FPrice")) != l.price || r.date(QStringLiteral("FYxq")) != l.validTo)
            return false;
    }
    return true;
}

void MemberOrderStore::write(db::Transaction &tx, int id, const MemberOrder &order, Money cash,
                             Money reserve, int billerId, const QDateTime &createTime)
{
    int entry = 0;
    for (const MemberOrderLine &l : order.lines)
        tx.execute(kLineSql, {id, ++entry, l.itemId, l.qty, l.gift, l.done, l.price.toVariant(),
                              l.amount().toVariant(), dateOrNull(l.validTo)});
    const QString time =
        createTime.isValid() ? QStringLiteral("?") : db::Dialect::nowExpression(tx.engine());
    db::Params params{id,          order.date,   order.vipNo,    order.owner,
                      order.phone, textOrEmpty(order.remark), order.sumQty(),
                      order.sumAmount().toVariant()};
    if (createTime.isValid())
        params << createTime;
    params << GetBillMonthLabel(order.date) << order.vipId << billerId << cash.toVariant()
           << reserve.toVariant() << 0 << (order.isClosed() ? 1 : 0);
    tx.execute(kHeaderSql.arg(time), params);
}

SavedOrder MemberOrderStore::save(const QString &cnstr, const OrderDraft &typed,
                                  const SalePayment &payment, int billerId)
{
    OrderDraft order = typed;
    order.vipNo = CardNumbers::clean(order.vipNo);
    order.checkForSave(false, QDate());
    TextLimits::check({{order.vipNo, "VipOrder.FVipNo", "txtVipNo"},
                       {order.owner, "VipOrder.FOwner", "txtOwner"},
                       {order.phone, "VipOrder.FPhone", "txtPhone"},
                       {order.vipId, "VipOrder.FVipID", "txtVipID"}});
    // A negative total would pay cash out of the drawer for an order.
    if (order.sumAmount().isNegative())
        throw CoreError::refusal(negativeTotalMessage(), QStringLiteral("FlexOrder"));
    if (order.id != 0 && order.hasMissingItem())
        throw CoreError::refusal(lockedMessage());
    if (payment.cash < Money() || payment.reserve < Money() || payment.other < Money())
        throw CoreError::refusal(QStringLiteral("付款金额不能为负数！"));
    if (payment.reserve > max(order.due(), Money()))
        throw CoreError::refusal(QStringLiteral("本次扣款金额不允许大于应收金额！"));
    return db::retryOnConflict([&] { return write(cnstr, order, payment, billerId); });
}

SavedOrder MemberOrderStore::write(const QString &cnstr, const OrderDraft &order,
                                   const SalePayment &payment, int billerId)
{
    db::Transaction tx(cnstr);
    SavedOrder saved;
    Money paidCash, paidReserve, paidOther;
    std::optional<CardNumbers::LiveCheck> live;
    db::Queued draw;
    if (order.id != 0) {
        // The cards first, in a fixed order: the one on the screen and the one the order is
        // stored under, when the screen changed it. Inside the lock a replaced number is
        // refused; a stored card that moved since the order was loaded shows in the stamp
        // below. Locks and checks go to the server together.
        const QString stored =
            order.loadedVipNo.isEmpty() ? storedCard(tx, order.id) : order.loadedVipNo;
        const QString first = std::min(stored, order.vipNo), second = std::max(stored, order.vipNo);
        const CardNumbers::LiveCheck liveFirst = CardNumbers::queueLockLive(tx, first);
        std::optional<CardNumbers::LiveCheck> liveSecond;
        if (second != first)
            liveSecond = CardNumbers::queueLockLive(tx, second);
        lockHeader(tx, order.id);
        const db::Queued editable = tx.queue(kStillEditable, {order.id, billerId, billerId});
        const db::Queued stampHeader = tx.queue(OrderDraft::stampHeaderSql(), {order.id});
        const db::Queued stampLines = tx.queue(OrderDraft::stampLinesSql(), {order.id});
        tx.flush();
        CardNumbers::requireLive(tx, liveFirst);
        if (liveSecond)
            CardNumbers::requireLive(tx, *liveSecond);
        // Handed out, closed or no right any more: locked, as the screen would have shown it.
        if (editable.scalar().toInt() != 1)
            throw CoreError::refusal(lockedMessage());
        // The whole order as the screen loaded it: another station's re-save, exchange,
        // validity or member change made meanwhile is not overwritten.
        const db::Rows &header = stampHeader.rows();
        if (OrderDraft::stampOf(header, stampLines.rows()) != order.loadedStamp)
            throw CoreError::refusal(staleMessage());
        const db::Row &h = header.first();
        paidCash = h.money(QStringLiteral("FGetCash"));
        paidReserve = h.money(QStringLiteral("FGetReserve"));
        paidOther = h.money(QStringLiteral("FGetOther"));
        // Stored value goes back only to the card that paid it: such an order keeps its card.
        if (h.text(QStringLiteral("FVipNo")) != order.vipNo && !paidReserve.isZero())
            throw CoreError::refusal(cardChangeMessage(), QStringLiteral("txtVipNo"));
        tx.queue(QStringLiteral("delete from VipOrderEntry where FInterID=?"), {order.id});
        tx.queue(QStringLiteral("delete from VipOrder where FInterID=?"), {order.id});
        saved.orderId = order.id;
    } else {
        // A new order: the card's lock and the number go with the lines and the header, one
        // round trip on PostgreSQL, and the commit a second.
        live = CardNumbers::queueLockLive(tx, order.vipNo);
        draw = db::BillNumbers::queueDraw(tx, db::BillNumbers::MemberOrder);
    }
    // The order's number as its statements name it: bound, or the one drawn in this batch.
    const QString id = order.id != 0 ? QStringLiteral("?")
                                     : db::BillNumbers::drawnSql(db::BillNumbers::MemberOrder);
    const auto withId = [&](db::Params p) {
        if (order.id != 0)
            p.prepend(order.id);
        return p;
    };

    // A lower total goes back to stored value up to what stored value paid, the rest in cash,
    // taken off the cash paid first and then off what was paid otherwise.
    const Money due = order.sumAmount() - paidCash - paidReserve - paidOther;
    Money reserveBack, cashOff, otherOff;
    if (due < Money()) {
        reserveBack = min(-due, max(paidReserve, Money()));
        saved.cashBack = -due - reserveBack;
        cashOff = min(saved.cashBack, max(paidCash, Money()));
        otherOff = saved.cashBack - cashOff;
    }
    const Money settled = payment.cash + payment.reserve + payment.other;
    // More than the order costs would be recorded as paid for good.
    if ((due <= Money() && !settled.isZero()) || (due > Money() && settled > due))
        throw CoreError::refusal(QStringLiteral("付款金额不允许大于应收金额！"));
    saved.cash = payment.cash;
    saved.reserve = payment.reserve - reserveBack;

    int entry = 0;
    const QString lineSql = kLineSqlOf.arg(id);
    for (const OrderDraftLine &l : order.lines())
        tx.queue(lineSql, withId({++entry, l.itemId, l.qty, l.gift, 0, l.price.toVariant(),
                                  l.amount.toVariant(), dateOrNull(l.validTo)}));
    db::Params params{order.date,   order.vipNo,    order.owner, order.phone, QStringLiteral(""),
                      order.sumQty(), order.sumAmount().toVariant()};
    params << GetBillMonthLabel(order.date) << order.vipId << billerId
           << (paidCash + payment.cash - cashOff).toVariant()
           << (paidReserve + saved.reserve).toVariant()
           << (paidOther + payment.other - otherOff).toVariant() << 0;
    tx.queue(kHeaderSqlOf.arg(id, db::Dialect::nowExpression(tx.engine())), withId(params));
    // Only the orders whose identity number differs: the card's lock is held, so no other
    // save of the card is under way, and a sale of another card never touches them.
    tx.queue(QStringLiteral("update VipOrder set FVipID=? where FVipNo=? and coalesce(FVipID,'')<>?"),
             {order.vipId, order.vipNo, order.vipId});

    // The balance on screen is only a proposal: the one read under the card's lock decides.
    // A payment from stored value is refused above it; an order paid without stored value
    // writes a movement of 0 only when the card holds any.
    const bool paysFromCard = !saved.reserve.isZero();
    const auto movement =
        StoredValueLedger::queuePayment(tx, order.vipNo, order.date, billerId, saved.reserve,
                                        order.sumAmount(), !paysFromCard);
    tx.flush();

    if (live)
        CardNumbers::requireLive(tx, *live);
    const PostedMovement posted = StoredValueLedger::posted(movement);
    saved.movementWritten = paysFromCard || posted.id != 0;
    saved.balanceBefore = posted.before;
    saved.balanceAfter = posted.after;
    if (order.id == 0)
        saved.orderId = db::BillNumbers::drawn(draw, db::BillNumbers::MemberOrder);
    tx.commit();
    return saved;
}

void MemberOrderStore::remove(const QString &cnstr, int orderId, int userId)
{
    db::retryOnConflict([&] {
        db::Transaction tx(cnstr);
        lockHeader(tx, orderId);
        const db::Rows rows = tx.query(
            QStringLiteral("select coalesce(FClosed,0) as FClosed from VipOrder where FInterID=?"),
            {orderId});
        if (rows.isEmpty())
            throw CoreError::refusal(staleMessage());
        // Still open: its units and the money paid for them belong to the member. Lowering the
        // order on the order screen gives back the difference.
        if (rows.first().integer(QStringLiteral("FClosed")) == 0)
            throw CoreError::warning(openOrderMessage());
        if (tx.scalar(QStringLiteral("select count(*) from t_user u where u.FUserID=? and"
                                     " (u.FManager=1 or exists (select 1 from t_user_grant g where"
                                     " g.FUserID=u.FUserID and lower(g.FKey)='editorder'"
                                     " and g.FValue=1))"),
                      {userId})
                .toInt() == 0)
            throw CoreError::refusal(QStringLiteral("没有权限！"));
        // Header and lines together, or a list would never show the lines again; the sale
        // lines and the movements stay as history.
        tx.execute(QStringLiteral("delete from VipOrderEntry where FInterID=?"), {orderId});
        tx.execute(QStringLiteral("delete from VipOrder where FInterID=?"), {orderId});
        tx.commit();
    });
}
