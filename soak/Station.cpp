#include "Station.h"

#include <QThread>

#include "core/db/Database.h"
#include "core/base/CoreError.h"
#include "core/frame/ReferenceData.h"
#include "core/members/CardHolders.h"
#include "core/members/CardReplacement.h"
#include "core/members/MemberDetails.h"
#include "core/members/RechargeBill.h"
#include "core/members/StoredValueLedger.h"
#include "core/orders/MemberOrderStore.h"
#include "core/orders/OrderDraft.h"
#include "core/orders/OrderOutDetail.h"
#include "core/pos/ItemLookup.h"
#include "core/pos/MemberOrders.h"
#include "core/pos/SaleBill.h"
#include "core/pos/SaleBillStore.h"
#include "core/pos/SettlementRules.h"
#include "core/reports/CardMovements.h"
#include "core/reports/StoredValueReport.h"

namespace {

// A soak operation that ends before its save: what the window would have told the cashier.
struct Skip
{
    QString message;
};

QString tagOf(int station, int id)
{
    return QStringLiteral("%1-%2").arg(station).arg(id);
}

} // namespace

Station::Station(const QString &cnstr, int number, const QString &journalPath, quint64 seed)
    : m_cnstr(cnstr), m_number(number), m_biller(SoakSeed::billerOf(number)),
      m_journalPath(journalPath), m_journal(journalPath), m_rng(seed),
      m_members(SoakSeed::members()), m_items(SoakSeed::items()), m_codes(SoakSeed::scanCodes()),
      m_today(QDate::currentDate())
{
}

void Station::run(int total)
{
    for (int id = Journal::begun(m_journalPath) + 1; id <= total; ++id)
        operate(id);
}

template <typename Save>
void Station::journaled(int id, const QString &kind, const QStringList &key, Save save)
{
    m_journal.begin(id, kind, key);
    try {
        m_journal.done(id, save());
    } catch (const Skip &s) {
        m_journal.refused(id, s.message);
    } catch (const CoreError &e) {
        if (e.isRefusal()) {
            m_journal.refused(id, e.message());
        } else {
            m_journal.failed(id, e.message());
            // The server is away (a restart): give it a moment instead of spinning through
            // the remaining operations.
            if (Journal::isConnectionLoss(e.message())) {
                db::closeAll();
                QThread::msleep(200);
            }
        }
    } catch (const std::exception &e) {
        m_journal.failed(id, QString::fromLocal8Bit(e.what()));
    }
}

QString Station::memberCard(const SoakSeed::Member &m)
{
    // As the counter's card dialog does: by telephone, which no operation changes, so a
    // replaced card is found under its new number.
    if (const auto card = CardHolders::find(m_cnstr, m.phone, CardHolders::Search::NumberOrPhone))
        return card->vipNo;
    return m.card;
}

void Station::operate(int id)
{
    try {
        if (m_retailStyle == 0) {
            m_retailStyle =
                db::scalar(m_cnstr,
                           QStringLiteral("select FItemID from t_pricestyle where FName=?"),
                           {SoakSeed::retailStyleName()})
                    .toInt();
            m_stockId = ReferenceData::warehouseId(m_cnstr, SoakSeed::stockName());
        }
        const int roll = pick(100);
        if (roll < 24)
            sale(id, false);
        else if (roll < 44)
            sale(id, true);
        else if (roll < 53)
            recharge(id, false);
        else if (roll < 58)
            recharge(id, true);
        else if (roll < 67)
            newOrder(id);
        else if (roll < 73)
            editOrder(id, false);
        else if (roll < 77)
            editOrder(id, true);
        else if (roll < 80)
            replaceCard(id);
        else if (roll < 85)
            changeDetails(id);
        else
            report(id);
    } catch (const CoreError &e) {
        // A lookup before the save failed (the server away): the operation never began, but
        // it counts, so a dead server cannot hold a station forever.
        m_journal.begin(id, QStringLiteral("lookup"), {});
        if (e.isRefusal()) {
            m_journal.refused(id, e.message());
            return;
        }
        m_journal.failed(id, e.message());
        if (Journal::isConnectionLoss(e.message())) {
            db::closeAll();
            QThread::msleep(200);
        }
    }
}

void Station::sale(int id, bool pickup)
{
    SaleBill bill;
    bill.date = m_today;
    bill.stockId = m_stockId;
    Money balance;
    if (pickup || chance(50)) {
        const SoakSeed::Member &m = m_members.at(pick(int(m_members.size())));
        bill.vipNo = memberCard(m);
        balance = StoredValueLedger::balance(m_cnstr, bill.vipNo);
    }
    const int scans = pickup ? pick(2) : 1 + pick(4);
    for (int i = 0; i < scans; ++i) {
        const ItemMatch item =
            ItemLookup::find(m_cnstr, m_codes.at(pick(int(m_codes.size()))), m_retailStyle);
        if (!item.found || !item.hasPrice)
            continue; // the cashier sees "not found" and scans the next one
        bill.add(item.itemId, item.name, 1 + pick(3), item.price, item.exchange);
    }
    qint64 units = 0;
    if (pickup) {
        const MemberLookup found = MemberOrders::lookup(m_cnstr, bill.vipNo, m_today, &bill);
        bill.owner = found.owner;
        QList<OpenOrderLine> open = found.lines;
        for (int n = 1 + pick(2); n > 0 && !open.isEmpty(); --n) {
            const OpenOrderLine line = open.takeAt(pick(int(open.size())));
            const qint64 q = 1 + pick(int(qMin<qint64>(line.open, 3)));
            bill.addLine(MemberOrders::pickup(line, q));
            units += q;
        }
    }

    // The settlement as the cashier fills it: a discount now and then, and one of cash,
    // stored value, a voucher, a bank card, or a mix.
    SalePayment payment;
    const Money receivable = bill.receivable();
    SettlementEntry e;
    e.bill = receivable;
    e.vipNo = bill.vipNo;
    e.balance = balance;
    const int style = pick(10);
    e.discount = style == 0 ? QStringLiteral("*0.9") : style == 1 ? QStringLiteral("1") : QString();
    const Money due = SettlementRules::figures(e).receivable;
    Money rest = due;
    auto take = [&rest](Money m) {
        m = max(min(m, rest), Money());
        rest -= m;
        return m.format();
    };
    switch (pick(5)) {
    case 0:
        break; // cash
    case 1:
        e.reserve = take(SettlementRules::proposedReserve(bill.vipNo, balance, due));
        break;
    case 2:
        e.xjq = take(Money::fromInt(5));
        break;
    case 3:
        e.blank = take(rest);
        break;
    default:
        e.reserve = take(SettlementRules::proposedReserve(bill.vipNo, balance, due).dividedBy(2));
        e.xjq = take(Money::fromInt(2));
        break;
    }
    e.amount = rest.format();

    const QStringList key{bill.vipNo.isEmpty() ? QStringLiteral("-") : bill.vipNo,
                          receivable.format(), Money::parse(e.reserve).format(),
                          QString::number(bill.lines().size()), QString::number(units)};
    journaled(id, QStringLiteral("sale"), key, [&] {
        if (!receivable.isZero()) {
            try {
                SettlementRules::check(e);
            } catch (const CoreError &refusal) {
                throw Skip{refusal.message()};
            }
            const SettlementResult r = SettlementRules::result(e);
            payment = {r.cash, r.reserve};
        }
        return QString::number(SaleBillStore::save(m_cnstr, bill, payment, m_biller).billId);
    });
}

void Station::recharge(int id, bool refund)
{
    const SoakSeed::Member &m = m_members.at(pick(int(m_members.size())));
    RechargeInput r;
    r.vipNo = memberCard(m);
    if (const auto found = CardHolders::find(m_cnstr, r.vipNo)) {
        r.owner = found->owner;
        r.phone = found->phone;
        r.vipId = found->vipId;
    }
    if (r.vipId.isEmpty())
        r.vipId = m.vipId;
    r.date = m_today;
    r.refund = refund;
    r.billerId = m_biller;
    // The remark tells this bill apart from every other, so the check at the end finds it.
    r.remark = QStringLiteral("soak-") + tagOf(m_number, id);
    if (refund) {
        // Now and then more than the card holds, as a cashier misreading the balance would.
        const Money balance = StoredValueLedger::balance(m_cnstr, r.vipNo);
        r.amount = max(Money::fromInt(1), balance.times(0.2 * (1 + pick(6)))).roundedToCents();
    } else {
        r.amount = Money::fromInt(10 * (1 + pick(20)));
        r.gift = chance(30) ? Money::fromInt(10) : Money();
    }
    journaled(id, refund ? QStringLiteral("refund") : QStringLiteral("recharge"),
              {r.vipNo, r.remark}, [&] {
                  RechargeBill::checkRefund(r, StoredValueLedger::balance(m_cnstr, r.vipNo));
                  return QString::number(RechargeBill::save(m_cnstr, r).id);
              });
}

void Station::newOrder(int id)
{
    const SoakSeed::Member &m = m_members.at(pick(int(m_members.size())));
    OrderDraft d;
    d.date = m_today;
    d.vipNo = memberCard(m);
    const OrderMember found = OrderDraft::member(m_cnstr, d.vipNo);
    d.owner = found.found ? found.owner : m.owner;
    d.phone = m.phone;
    d.vipId = found.vipId.isEmpty() ? m.vipId : found.vipId;
    for (int n = 1 + pick(2); n > 0; --n) {
        const SoakSeed::Item &it = m_items.at(pick(int(m_items.size())));
        const QString qty = QString::number(2 + pick(5));
        const QString gift = chance(30) ? QStringLiteral("5") : QString::number(pick(2));
        const QString price = it.price.format();
        const int days = OrderDraft::validityDays(gift);
        d.add(it.id, it.name, price, qty, gift, OrderDraft::entryAmount(qty, price).format(),
              days ? OrderDraft::proposedValidity(m_today, gift) : QDate());
    }
    SalePayment payment;
    if (chance(40))
        payment.reserve = SettlementRules::proposedReserve(d.vipNo, found.balance, d.due());
    payment.cash = d.due() - payment.reserve;
    journaled(id, QStringLiteral("order-new"),
              {d.vipNo, d.sumAmount().format(), payment.reserve.format()}, [&] {
                  return QString::number(
                      MemberOrderStore::save(m_cnstr, d, payment, m_biller).orderId);
              });
}

void Station::editOrder(int id, bool remove)
{
    // An order of a member as the counter lists it: one with units still open.
    const SoakSeed::Member &m = m_members.at(pick(int(m_members.size())));
    const MemberLookup found = MemberOrders::lookup(m_cnstr, memberCard(m), m_today);
    if (found.lines.isEmpty())
        return report(id);
    const int orderId = found.lines.at(pick(int(found.lines.size()))).orderId;
    if (remove) {
        journaled(id, QStringLiteral("order-delete"), {QString::number(orderId)}, [&] {
            MemberOrderStore::remove(m_cnstr, orderId, m_biller);
            return QStringLiteral("-");
        });
        return;
    }
    OrderDraft d = OrderDraft::load(m_cnstr, orderId);
    if (d.id == 0)
        return report(id);
    d.vipId = OrderDraft::member(m_cnstr, d.vipNo).vipId;
    if (d.vipId.isEmpty())
        d.vipId = m.vipId;
    if (d.lines().size() > 1 && chance(50)) {
        d.remove(pick(int(d.lines().size())));
    } else {
        const SoakSeed::Item &it = m_items.at(pick(int(m_items.size())));
        const QString qty = QString::number(1 + pick(4));
        const QString price = it.price.format();
        d.add(it.id, it.name, price, qty, QStringLiteral("0"),
              OrderDraft::entryAmount(qty, price).format());
    }
    SalePayment payment;
    payment.cash = max(d.due(), Money());
    journaled(id, QStringLiteral("order-edit"), {QString::number(orderId), d.sumAmount().format()},
              [&] {
                  MemberOrderStore::save(m_cnstr, d, payment, m_biller);
                  return QString::number(orderId);
              });
}

void Station::replaceCard(int id)
{
    const SoakSeed::Member &m = m_members.at(pick(int(m_members.size())));
    // The screen lists the cards on the identity number; the holder has lost the one found
    // by telephone.
    CardReplacement::cards(m_cnstr, m.vipId);
    const QString oldNo = memberCard(m);
    const QString newNo = QStringLiteral("N") + tagOf(m_number, id);
    journaled(id, QStringLiteral("replace"), {oldNo, newNo}, [&] {
        CardReplacement::replace(m_cnstr, oldNo, newNo, m_biller);
        return QStringLiteral("-");
    });
}

void Station::changeDetails(int id)
{
    const SoakSeed::Member &m = m_members.at(pick(int(m_members.size())));
    const QString card = memberCard(m);
    MemberDetails::Details d{card, m.owner, m.phone, m.vipId};
    if (const auto h = CardHolders::find(m_cnstr, card, CardHolders::Search::OrdersOnly))
        d = {card, h->owner, h->phone, h->vipId};
    // The new name is this operation's own, so the check at the end can tell whether it landed.
    d.owner = m.owner + QStringLiteral("·") + tagOf(m_number, id);
    d.phone = m.phone;
    journaled(id, QStringLiteral("details"), {card, d.owner}, [&] {
        const int changed = MemberDetails::update(m_cnstr, d);
        if (changed == 0)
            throw Skip{MemberDetails::nothingChangedMessage()};
        return QString::number(changed);
    });
}

void Station::report(int id)
{
    const SoakSeed::Member &m = m_members.at(pick(int(m_members.size())));
    const int which = pick(6);
    const QString card = memberCard(m);
    journaled(id, QStringLiteral("report"), {QString::number(which)}, [&] {
        StoredValueReport::Filter f{m_today.addDays(-1), m_today, QString()};
        switch (which) {
        case 0:
            StoredValueReport::run(m_cnstr, 103, f);
            break;
        case 1:
            StoredValueReport::run(m_cnstr, 104, f);
            break;
        case 2:
            StoredValueReport::run(m_cnstr, 106, f);
            break;
        case 3:
            f.vipNo = card;
            if (CardMovements::any(m_cnstr, card))
                StoredValueReport::run(m_cnstr, 109, f);
            break;
        default: {
            const MemberLookup found = MemberOrders::lookup(m_cnstr, card, m_today);
            for (const OpenOrderLine &l : found.lines)
                OrderOutDetail::load(m_cnstr, l.orderId, l.entryId);
            break;
        }
        }
        return QStringLiteral("-");
    });
}
