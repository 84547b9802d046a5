#pragma once

#include <QDate>
#include <QList>
#include <QString>

#include "core/db/Row.h"
#include "core/base/Money.h"

// One line of the order being entered: the texts as the grid shows them, and the values the
// save writes, taken once when the line is added or loaded. The grid is drawn from these
// values and never read back, so "1,234.00" on screen is still 1234.00 when saved.
struct OrderDraftLine
{
    int number = 0; // "序号": the row number when the line was added; not renumbered
    int itemId = 0;
    QString name;
    QString priceText;
    QString qtyText;
    QString giftText;
    QString amountText;
    Money price;
    qint64 qty = 0;
    qint64 gift = 0;
    Money amount;
    QDate validTo;            // invalid: the line has no validity date
    qint64 done = 0;          // handed out so far (FCplQty), stored orders only
    bool itemMissing = false; // its item was deleted elsewhere

    QString validText() const;
};

// A member as the order screen's card lookup finds them.
struct OrderMember
{
    bool found = false; // a name, phone and identity number were found
    QString owner;
    QString phone;
    QString vipId;
    Money balance;
};

// An item found by its name in the order screen's name box.
struct NamedItem
{
    bool found = false;
    int itemId = 0;
    QString number; // FNumber, shown in the code box
    bool hasPrice = false;
    Money price;
};

// The member order on the order screen: header, lines and the rules of entering them
// (totals, proposed validity, the checks before a line is added and before saving, the
// lock of an order that may no longer be changed). Refusals come as CoreError naming the
// control to correct.
class OrderDraft
{
public:
    // The validity a gift earns: 5 gives 30 days, 10 gives 60, 15 gives 90, anything else 0.
    static int validityDays(const QString &giftText);
    static QDate proposedValidity(const QDate &today, const QString &giftText);
    // What the amount box shows for a typed quantity and price.
    static Money entryAmount(const QString &qtyText, const QString &priceText);
    // A typed whole quantity, by the leading-number rule.
    static qint64 quantity(const QString &text);

    // Adds a line from the entry boxes. Refuses "商品名称不存在！" (cmbItem), "请输入数量！"
    // (txtQty) and "请输入金额！" (txtAmount).
    const OrderDraftLine &add(int itemId, const QString &name, const QString &priceText,
                              const QString &qtyText, const QString &giftText,
                              const QString &amountText, const QDate &validTo = QDate());
    void remove(int index); // 0-based; out of range is ignored
    void setValidity(int index, const QDate &date);
    // A new, empty order.
    void clear();

    const QList<OrderDraftLine> &lines() const { return m_lines; }
    bool isEmpty() const { return m_lines.isEmpty(); }
    qint64 sumQty() const;   // ordered plus gift over all lines
    Money sumAmount() const; // what the order costs
    // The total label: the lines and the amount still in the entry box.
    Money shownTotal(const QString &entryAmountText) const;

    // Already paid on a stored order, and what this save has to settle (negative: to give back).
    Money paid() const { return paidCash + paidReserve + paidOther; }
    Money due() const { return sumAmount() - paid(); }

    bool isTaken() const;        // a line has been handed out in part
    bool hasMissingItem() const; // a line's item no longer exists
    // A stored order is locked for an operator without the right to edit orders, once goods
    // have been handed out, and when a line lost its item (a re-save would drop that line).
    bool isLocked(bool mayEditOrders) const;

    // The checks before settling: "请输入会员卡号！" (txtVipNo), "请输入身份证号！" (txtVipID),
    // "请输入订单商品！", and "有效期必须大于今日！" for the entry's validity (dtpYxq) or a
    // line's (FlexOrder) not after the order date.
    void checkForSave(bool entryHasValidity, const QDate &entryValidity) const;

    // The stored order with its lines in line order; lines whose item is gone are kept. An
    // order that does not exist loads empty with id 0.
    static OrderDraft load(const QString &cnstr, int id);
    // The card's holder, phone and identity number from its first order, else from its first
    // stored-value movement, and its balance. An empty card looks nothing up.
    static OrderMember member(const QString &cnstr, const QString &vipNo);
    static NamedItem itemByName(const QString &cnstr, const QString &name, int retailStyleId);

    int id = 0;
    QDate date;
    QString vipNo;
    QString owner;
    QString phone;
    QString vipId;
    Money paidCash;    // FGetCash as loaded
    Money paidReserve; // FGetReserve as loaded
    Money paidOther;   // FGetOther as loaded: bank card, vouchers, discount
    // The stored order as it was loaded (stampOf), compared by a re-save under the order's
    // lock, so a change made at another station meanwhile is refused instead of overwritten.
    QString loadedStamp;
    // The card the order was stored under when loaded: a re-save locks it without reading it
    // first (a card changed meanwhile shows in the stamp). Empty: read under the save.
    QString loadedVipNo;

    // The header and lines a re-save compares, in a form both reads produce alike: the
    // header row of stampHeaderSql() (empty when the order is gone) and the rows of
    // stampLinesSql(). Each statement binds the order number.
    static QString stampHeaderSql();
    static QString stampLinesSql();
    static QString stampOf(const db::Rows &header, const db::Rows &lines);

private:
    QList<OrderDraftLine> m_lines;
};
