#pragma once

#include <optional>

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include "core/base/Money.h"

namespace db {
class Row;
class Transaction;
}

// An item as the counter reads it: its own codes and names (t_icitem), a price per price
// style (the columns "FPrice_<style id>"), and its pack codes (t_icitem_barcode).
struct PackCode
{
    QString barCode;
    int priceStyleId = 0;
    int exchange = 1; // pieces per scanned pack
    Money price;
    bool operator==(const PackCode &) const = default;
};

struct ItemRecord
{
    int id = 0; // 0: not saved yet
    QString number, shopNumber, barCode, name, model, unit;
    bool disabled = false;
    QMap<int, Money> prices; // by price style id; a style without an entry has no price
    QList<PackCode> codes;
    // Every code the item holds: its own bar code (when it has one) and its packs'.
    QStringList allCodes() const;
    bool operator==(const ItemRecord &) const = default;
};

// The one writer of items. Every bar code, an item's own and its packs', belongs to one item:
// a unique index over all of them decides between two stations adding the same code.
class ItemStore
{
public:
    // One line of the item list.
    struct Row
    {
        int id = 0;
        QString number, shopNumber, barCode, name, model, unit;
        Money retailPrice;
        bool hasRetailPrice = false;
        bool disabled = false;
    };

    // Items whose shop number or a bar code (own or pack) begins with `text`, or whose name or
    // item number holds it, in item-number order, at most `limit`; disabled ones too.
    static QList<Row> search(const QString &cnstr, const QString &text, int retailStyleId,
                             int limit = 500);

    // The statement and values of search(), for timing it raw.
    static QString searchSql(bool withText);
    static QVariantList searchParams(const QString &text, int limit);

    static std::optional<ItemRecord> load(const QString &cnstr, int id);
    // The price columns ("FPrice_<style id>") among a t_icitem row's columns, with their styles.
    using PriceColumns = QList<std::pair<QString, int>>;
    static PriceColumns priceColumns(const QStringList &columns);
    // An item as its t_icitem row holds it, prices from `prices`, without its pack codes.
    static ItemRecord fromRow(const db::Row &r, const PriceColumns &prices);

    // Typed text to a price: a plain number ≥ 0 with at most two decimals, else a refusal
    // naming `field`. An empty text is no price (nullopt).
    static std::optional<Money> parsePrice(const QString &text, const QString &field);
    // Typed pieces per pack: a whole number from 1 up, else a refusal naming `field`.
    static int parsePieces(const QString &text, const QString &field);

    // The rules a save applies before it touches the database; throws a refusal naming the
    // field (txtName, txtBarcode, txtPrice_<style id>, FlexCodes).
    static void check(const ItemRecord &item);

    // Adds (asRead empty) or changes an item in one transaction; returns its id. A change is
    // refused with RecordGuard::staleMessage() when the stored item is no longer `asRead`;
    // a bar code held by another item is refused naming that item.
    static int save(const QString &cnstr, const ItemRecord &item,
                    const std::optional<ItemRecord> &asRead = std::nullopt);
    static int save(db::Transaction &tx, const ItemRecord &item,
                    const std::optional<ItemRecord> &asRead = std::nullopt);

    // Whether a bill, an order or a hand-out names the item.
    static bool isUsed(const QString &cnstr, int id);
    // Disabling keeps the item on its bills; a disabled item is not found at the counter.
    static void setDisabled(const QString &cnstr, const ItemRecord &asRead, bool disabled);
    // Only an item nothing names; a used one is refused (disable it instead).
    static void remove(const QString &cnstr, const ItemRecord &asRead);

    // The item holding a bar code (own or pack), by name; empty when none.
    static QString codeOwner(const QString &cnstr, const QString &code, int exceptItemId = 0);
};
