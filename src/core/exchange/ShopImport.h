#pragma once

#include <functional>
#include <optional>

#include <QDate>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include "core/backoffice/ItemStore.h"
#include "core/base/Money.h"
#include "core/orders/MemberOrder.h"

// Brings a shop's items, members with their opening balances, and open member orders in from a
// spreadsheet (XLSX or CSV). Reading checks every row and writes nothing; writing is one
// transaction, all or nothing, keyed so that running the same file again changes what differs
// and adds nothing twice: items by shop number, members by card number, orders by their
// external number.
class ShopImport
{
public:
    enum class Kind { Items, Members, Orders };
    // "items", "members", "orders"; nullopt for any other word.
    static std::optional<Kind> kindOf(const QString &word);
    static QString caption(Kind kind); // 商品, 会员, 订单

    // The remark of a member's opening balance movement.
    static QString openingRemark() { return QStringLiteral("期初余额"); }
    // An imported order's remark: it carries the order's external number.
    static QString orderKeyPrefix() { return QStringLiteral("导入单号："); }
    static QString cancelledMessage() { return QStringLiteral("导入已取消，没有写入任何数据。"); }

    struct Refusal
    {
        int row = 0; // the row's number in the sheet
        QString column, reason;
        QString text() const; // "第12行 条码：已被商品“鲜牛奶 250ml”使用"
    };

    struct Options
    {
        bool update = false; // "更新": a card's balance may be set anew
        int billerId = 0;
        QDate today = QDate::currentDate();
    };

    // progress(done, total) while reading and writing; cancelled() is asked as often, and true
    // ends the work with cancelledMessage(), nothing written.
    struct Hooks
    {
        std::function<void(qint64, qint64)> progress;
        std::function<bool()> cancelled;
    };

    struct ItemRow
    {
        int row = 0;
        ItemRecord item;
        std::optional<ItemRecord> stored;
    };
    struct MemberRow
    {
        int row = 0;
        QString vipNo, owner, vipId, phone;
        Money opening;
    };
    struct OrderRow
    {
        int row = 0; // of its first line
        QString key;
        int storedId = 0;
        MemberOrder order;
        Money paid;
    };

    // What reading found: the header, the first rows as they will be stored, every refused
    // row, and the records to write.
    struct Plan
    {
        Kind kind = Kind::Items;
        QStringList columns;
        QList<QStringList> firstRows;
        QList<Refusal> refusals;
        int rows = 0;
        QList<ItemRow> items;
        QList<MemberRow> members;
        QList<OrderRow> orders;
    };

    struct Result
    {
        int added = 0, updated = 0, unchanged = 0;
    };

    // Reads and checks the whole file. A file that cannot be taken at all (not a spreadsheet,
    // empty, a required column missing, merged cells) is refused; refused rows are listed.
    static Plan read(const QString &cnstr, Kind kind, const QString &path,
                     const Options &options, const Hooks &hooks);
    // Writes a plan without refusals in one transaction (refused otherwise).
    static Result write(const QString &cnstr, const Plan &plan, const Options &options,
                        const Hooks &hooks);

    // The columns of a kind's template and export, in Chinese; items add a column per price
    // style.
    static QStringList columns(const QString &cnstr, Kind kind);
};
