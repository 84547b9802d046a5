#include "core/pos/SaleBill.h"

#include <algorithm>
#include <cmath>

#include <QRegularExpression>

#include "core/base/CoreError.h"
#include "core/frame/Routines.h"

const SaleLine &SaleBill::add(int itemId, const QString &name, double qty, Money price, int exchange)
{
    if (itemId == 0)
        throw CoreError::refusal(QStringLiteral("请输入商品！"), QStringLiteral("txtBarcode"));
    // The counter sells; it does not take goods back. A negative line would make a bill the
    // settlement cannot pay out and a sale list that counts returns as sales.
    if (!(qty > 0) || !std::isfinite(qty) || qty > MaxQty)
        throw CoreError::refusal(QStringLiteral("请输入数量！"), QStringLiteral("txtQty"));
    if (price <= Money())
        throw CoreError::refusal(QStringLiteral("请输入单价！"), QStringLiteral("txtPrice"));
    if (!price.isWholeCents())
        throw CoreError::refusal(Money::subCentRefusal(), QStringLiteral("txtPrice"));
    SaleLine l;
    l.itemId = itemId;
    l.name = name;
    l.price = price;
    if (exchange > 1) {
        l.qty = qty * exchange;
        l.mainQty = 1;
    } else {
        l.qty = qty;
    }
    l.amount = Money::lineAmount(price, qty);
    l.price1 = l.price;
    l.amount1 = l.amount;
    m_lines.append(l);
    return m_lines.last();
}

const SaleLine &SaleBill::addLine(const SaleLine &line)
{
    m_lines.append(line);
    return m_lines.last();
}

void SaleBill::remove(int index)
{
    if (index >= 0 && index < m_lines.size())
        m_lines.removeAt(index);
}

int SaleBill::removePickups()
{
    return int(m_lines.removeIf([](const SaleLine &l) { return l.isPickup(); }));
}

bool SaleBill::hasPickups() const
{
    return std::any_of(m_lines.begin(), m_lines.end(),
                       [](const SaleLine &l) { return l.isPickup(); });
}

void SaleBill::clear()
{
    m_lines.clear();
    billId = 0;
    vipNo.clear();
    owner.clear();
}

double SaleBill::totalQty() const
{
    double q = 0;
    for (const SaleLine &l : m_lines)
        q += l.qty;
    return q;
}

Money SaleBill::shownAmount() const
{
    Money m;
    for (const SaleLine &l : m_lines)
        m += l.amount;
    return m;
}

Money SaleBill::receivable() const
{
    Money m;
    for (const SaleLine &l : m_lines)
        if (!l.isPickup())
            m += l.amount;
    return m;
}

std::pair<QString, QString> SaleBill::splitScan(const QString &text)
{
    static const QRegularExpression re(
        QStringLiteral("^\\s*(\\d+(?:\\.\\d+)?)\\s*\\*\\s*(\\S.*)$"));
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch())
        return {QString(), text.trimmed()};
    return {m.captured(1), m.captured(2).trimmed()};
}

bool SaleBill::looksLikeCode(double qty, int askAbove)
{
    return qty > askAbove && qty <= MaxQty;
}

QString SaleBill::monthLabel(const QDate &date)
{
    return GetBillMonthLabel(date);
}
