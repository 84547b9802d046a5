#pragma once

#include <utility>

#include <QDate>
#include <QList>
#include <QString>

#include "core/base/Money.h"

// One line of a sale bill. Ordinary lines sell goods for money; a pick-up line hands out
// goods a member has already paid for on an order (it names the order line and adds
// nothing to what the customer pays).
struct SaleLine
{
    int itemId = 0;
    QString name;
    Money price;      // the price shown: of the scanned unit (a pack on a pack line)
    int mainQty = 0;  // 1 on a pack line, else 0
    double qty = 0;   // in pieces
    Money amount;     // the amount shown
    Money price1;     // what the save writes as FPrice / FBeforeZkPrice
    Money amount1;    // what the save writes as FAmount / FBeforeZkAmount
    int orderId = 0;  // FInterID of the order line, 0 on an ordinary line
    int orderEntryId = 0;
    qint64 orderBalance = 0; // units still open on the order line (shown only)
    QDate validTo;           // the order line's validity (shown only)

    bool isPickup() const { return orderId != 0; }
};

// The sale bill the counter screen is filling: its lines, totals and header values. Rules
// live here so the screen only draws them; refusals come as CoreError naming the field.
class SaleBill
{
public:
    // The largest quantity one line takes: more is a bar code scanned into the quantity box.
    static constexpr double MaxQty = 9999;

    // Adds a line for a looked-up item. `exchange` is the number of pieces in the scanned
    // unit (a pack bar code); the price is the scanned unit's, so the amount counts units.
    // Refuses "请输入商品！" (txtBarcode), "请输入数量！" (txtQty: not above 0, or past MaxQty),
    // "请输入单价！" (txtPrice: not above 0) and a price past the cents (txtPrice).
    const SaleLine &add(int itemId, const QString &name, double qty, Money price, int exchange = 1);
    // A pick-up line made by the member lookup (amounts as given).
    const SaleLine &addLine(const SaleLine &line);
    void remove(int index); // 0-based; out of range is ignored
    void clear();
    // Drops every pick-up line (the card changed: they belong to the other card's orders).
    // Returns how many went.
    int removePickups();

    const QList<SaleLine> &lines() const { return m_lines; }
    SaleLine &line(int index) { return m_lines[index]; } // 0-based, in range
    bool isEmpty() const { return m_lines.isEmpty(); }
    bool hasPickups() const;

    double totalQty() const;
    Money shownAmount() const; // every line, as the totals label shows it
    Money receivable() const;  // what the customer pays: pick-up lines are already paid

    // A scan with the quantity typed before it, the way counters multiply: "3*6901234" is 3
    // of that code. Returns the quantity text (empty when none was typed) and the code.
    static std::pair<QString, QString> splitScan(const QString &text);
    // Whether a quantity is worth a question: above the station's limit but not so large
    // that add() refuses it anyway.
    static bool looksLikeCode(double qty, int askAbove);

    // "2024年3月": the month label of the header (no leading zero).
    static QString monthLabel(const QDate &date);

    int billId = 0;
    QDate date;
    QString vipNo;
    QString owner;
    int stockId = 0;

private:
    QList<SaleLine> m_lines;
};
