#pragma once

#include <functional>
#include <memory>
#include <optional>

#include <QDate>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// Brings a shop's items, members with their opening balances, and open member orders in from a
// spreadsheet (XLSX or CSV). Reading checks every row and writes nothing; writing reads the file
// again and writes it in one transaction, all or nothing, keyed so that running the same file
// again changes what differs and adds nothing twice: items by shop number, members by card
// number, orders by their external number. Neither holds the file's rows: a sheet of a
// million items passes through in a few hundred rows at a time.
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
    static QString changedMessage()
    {
        return QStringLiteral("文件在检查之后被改动过，没有写入任何数据；请重新预览后再导入。");
    }

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

    // What the check keeps for the write: the file as it was read, and the few keys the write
    // holds the database to.
    struct Checked;

    // What reading found: the header, the first rows as they will be stored and every refused
    // row.
    struct Plan
    {
        Kind kind = Kind::Items;
        QStringList columns;
        QList<QStringList> firstRows;
        QList<Refusal> refusals;
        int rows = 0;
        std::shared_ptr<const Checked> checked;
    };

    struct Result
    {
        int added = 0, updated = 0, unchanged = 0;
    };

    // Reads and checks the whole file. A file that cannot be taken at all (not a spreadsheet,
    // empty, a required column missing, merged cells) is refused; refused rows are listed.
    static Plan read(const QString &cnstr, Kind kind, const QString &path,
                     const Options &options, const Hooks &hooks);
    // Writes a plan without refusals in one transaction (refused otherwise), reading its file
    // again; a file changed since it was read is refused with changedMessage().
    static Result write(const QString &cnstr, const Plan &plan, const Options &options,
                        const Hooks &hooks);

    // The columns of a kind's template and export, in Chinese; items add a column per price
    // style.
    static QStringList columns(const QString &cnstr, Kind kind);
};
