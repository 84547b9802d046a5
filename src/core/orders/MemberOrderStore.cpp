#include "core/orders/MemberOrderStore.h"

#include "core/db/BillNumbers.h"
#include "core/db/Dialect.h"
#include "core/db/Transaction.h"
#include "core/frame/CoreError.h"
#include "core/frame/Routines.h"
#include "core/members/StoredValueLedger.h"
#include "core/orders/MemberOrder.h"
#include "core/orders/OrderDraft.h"

namespace {

const QString kLineSql = QStringLiteral(
    "insert into VipOrderEntry (FInterID, FEntryID, FItemID, FQty, FPreQty, FCplQty, FPrice,"
    " FAmount, FYxq) values (?,?,?,?,?,?,?,?,?)");

const QString kHeaderSql = QStringLiteral(
    "insert into VipOrder (FInterID, Fdate, FVipNo, FOwner, FPhone, FRemark, FSumQty, FSumAmount,"
    " FCreateTime, FMonth, FVipID, FBillerID, FGetCash, FGetReserve, FClosed)"
    " values (?,?,?,?,?,?,?,?,%1,?,?,?,?,?,?)");

// A stored order that may still be changed: open, none of its lines left (the caller has
// deleted those not handed out, so a remaining line is a started one) and an operator who
// holds EditOrder. Binds the order and the operator twice.
const QString kStillEditable = QStringLiteral(
    "FInterID=? and coalesce(FClosed,0)=0"
    " and not exists (select 1 from VipOrderEntry e where e.FInterID=VipOrder.FInterID)"
    " and (exists (select 1 from t_user u where u.FUserID=? and u.FManager=1)"
    " or exists (select 1 from t_user_grant g where g.FUserID=? and lower(g.FKey)='editorder'"
    " and g.FValue=1))");

QVariant dateOrNull(const QDate &d)
{
    return d.isValid() ? QVariant(d) : QVariant(QMetaType(QMetaType::QDate));
}

// Lines first: a hand-out locks its line before it touches the header, so taking the lines
// before the header never waits in a circle with it. A line handed out meanwhile is not
// deleted (its FCplQty is read again under the lock) and makes the check below fail.
void takeStoredOrder(db::Transaction &tx, int orderId, int userId, bool deleteHeader)
{
    tx.execute(
        QStringLiteral("delete from VipOrderEntry where FInterID=? and coalesce(FCplQty,0)=0"),
        {orderId});
    const QString sql =
        deleteHeader ? QStringLiteral("delete from VipOrder where ") + kStillEditable
                     : QStringLiteral("update VipOrder set FClosed=0 where ") + kStillEditable;
    if (tx.execute(sql, {orderId, userId, userId}) != 1)
        throw CoreError::refusal(MemberOrderStore::lockedMessage());
}

} // namespace

int MemberOrderStore::insert(db::Transaction &tx, const MemberOrder &order, Money cash,
                             Money reserve, int billerId, const QDateTime &createTime)
{
    const int id = db::BillNumbers::draw(tx, db::BillNumbers::MemberOrder);
    write(tx, id, order, cash, reserve, billerId, createTime);
    return id;
}

void MemberOrderStore::rewrite(db::Transaction &tx, int orderId, const MemberOrder &order, Money cash,
                               int billerId)
{
    // Lines first, as every writer of orders takes them.
    tx.execute(QStringLiteral("delete from VipOrderEntry where FInterID=?"), {orderId});
    tx.execute(QStringLiteral("delete from VipOrder where FInterID=?"), {orderId});
    write(tx, orderId, order, cash, Money(), billerId, QDateTime());
}

bool MemberOrderStore::sameAsStored(db::Transaction &tx, int orderId, const MemberOrder &order, Money cash)
{
    const db::Rows head = tx.query(
        QStringLiteral("select FVipNo, FOwner, FPhone, FVipID, Fdate, FGetCash from VipOrder where FInterID=?"),
        {orderId});
    if (head.isEmpty())
        return false;
    const db::Row &h = head.first();
    if (h.text(QStringLiteral("FVipNo")) != order.vipNo || h.text(QStringLiteral("FOwner")) != order.owner ||
        h.text(QStringLiteral("FPhone")) != order.phone || h.text(QStringLiteral("FVipID")) != order.vipId ||
        h.date(QStringLiteral("Fdate")) != order.date || h.money(QStringLiteral("FGetCash")) != cash)
        return false;
    const db::Rows lines = tx.query(
        QStringLiteral("select FItemID, FQty, FPreQty, FCplQty, FPrice, FYxq from VipOrderEntry"
                       " where FInterID=? order by FEntryID"),
        {orderId});
    if (lines.size() != order.lines.size())
        return false;
    for (int i = 0; i < lines.size(); ++i) {
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
                      order.phone, order.remark, order.sumQty(), order.sumAmount().toVariant()};
    if (createTime.isValid())
        params << createTime;
    params << GetBillMonthLabel(order.date) << order.vipId << billerId << cash.toVariant()
           << reserve.toVariant() << (order.isClosed() ? 1 : 0);
    tx.execute(kHeaderSql.arg(time), params);
}

SavedOrder MemberOrderStore::save(const QString &cnstr, const OrderDraft &order,
                                  const SalePayment &payment, int billerId)
{
    order.checkForSave(false, QDate());
    if (order.id != 0 && order.hasMissingItem())
        throw CoreError::refusal(lockedMessage());
    if (payment.cash < Money() || payment.reserve < Money())
        throw CoreError::refusal(QStringLiteral("付款金额不能为负数！"));
    if (payment.reserve > max(order.due(), Money()))
        throw CoreError::refusal(QStringLiteral("本次扣款金额不允许大于应收金额！"));

    db::Transaction tx(cnstr);
    SavedOrder saved;
    Money paidCash, paidReserve;
    if (order.id != 0) {
        takeStoredOrder(tx, order.id, billerId, false);
        const db::Row paid =
            tx.query(QStringLiteral("select FGetCash, FGetReserve from VipOrder where FInterID=?"),
                     {order.id})
                .first();
        paidCash = paid.money(QStringLiteral("FGetCash"));
        paidReserve = paid.money(QStringLiteral("FGetReserve"));
        // The payment settled what the screen saw as paid; another station's re-save changed it.
        if (paidCash + paidReserve != order.paid())
            throw CoreError::refusal(QStringLiteral("订单已在其他站点修改，请重新打开！"));
        tx.execute(QStringLiteral("delete from VipOrder where FInterID=?"), {order.id});
        saved.orderId = order.id;
    } else {
        saved.orderId = db::BillNumbers::draw(tx, db::BillNumbers::MemberOrder);
    }

    const Money due = order.sumAmount() - paidCash - paidReserve;
    Money reserveBack;
    if (due < Money()) {
        reserveBack = min(-due, max(paidReserve, Money()));
        saved.cashBack = -due - reserveBack;
    } else if (payment.cash + payment.reserve > due) {
        // More than the order costs would be recorded as paid for good.
        throw CoreError::refusal(QStringLiteral("付款金额不允许大于应收金额！"));
    }
    if (due <= Money() && (!payment.cash.isZero() || !payment.reserve.isZero()))
        throw CoreError::refusal(QStringLiteral("付款金额不允许大于应收金额！"));
    saved.cash = payment.cash;
    saved.reserve = payment.reserve - reserveBack;

    int entry = 0;
    for (const OrderDraftLine &l : order.lines())
        tx.execute(kLineSql, {saved.orderId, ++entry, l.itemId, l.qty, l.gift, 0,
                              l.price.toVariant(), l.amount.toVariant(), dateOrNull(l.validTo)});
    db::Params params{saved.orderId, order.date, order.vipNo,    order.owner,
                      order.phone,   QString(),  order.sumQty(), order.sumAmount().toVariant()};
    params << GetBillMonthLabel(order.date) << order.vipId << billerId
           << (paidCash + payment.cash - saved.cashBack).toVariant()
           << (paidReserve + saved.reserve).toVariant() << 0;
    tx.execute(kHeaderSql.arg(db::Dialect::nowExpression(tx.engine())), params);
    // Only the orders whose identity number differs: locking every header of the card would
    // wait on a sale handing out from another of its orders, in whatever order the rows come,
    // and PostgreSQL would end one of the two with its deadlock message.
    tx.execute(QStringLiteral("update VipOrder set FVipID=? where FVipNo=? and coalesce(FVipID,'')<>?"),
               {order.vipId, order.vipNo, order.vipId});

    // The balance on screen is only a proposal: the one read under the card's lock decides.
    // When stored value moves, the ledger's payment takes the lock and reads it; only an order
    // paid without stored value needs a read of its own to see whether the card holds any.
    bool write = !saved.reserve.isZero();
    if (!write) {
        StoredValueLedger::lockCard(tx, order.vipNo);
        const Money balance = StoredValueLedger::balance(tx, order.vipNo);
        saved.balanceBefore = saved.balanceAfter = balance;
        write = !balance.isZero();
    }
    if (write) {
        StoredValueMovement m;
        m.vipNo = order.vipNo;
        m.type = StoredValueMovement::Payment;
        m.date = order.date;
        m.billerId = billerId;
        m.amount = saved.reserve;
        m.hasSumAmount = true;
        m.sumAmount = order.sumAmount();
        const PostedMovement posted = StoredValueLedger::pay(tx, m);
        saved.movementWritten = true;
        saved.balanceBefore = posted.before;
        saved.balanceAfter = posted.after;
    }
    tx.commit();
    return saved;
}

void MemberOrderStore::remove(const QString &cnstr, int orderId, int userId)
{
    db::Transaction tx(cnstr);
    takeStoredOrder(tx, orderId, userId, true);
    tx.commit();
}
