#include "core/exchange/ShopImport.h"

#include <cstring>

#include <QCryptographicHash>
#include <QDataStream>
#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include "core/backoffice/ItemStore.h"
#include "core/backoffice/PriceStyleStore.h"
#include "core/backoffice/RecordGuard.h"
#include "core/db/BillNumbers.h"
#include "core/db/Dialect.h"
#include "core/db/Database.h"
#include "core/db/Transaction.h"
#include "core/exchange/BulkRows.h"
#include "core/exchange/KeyTable.h"
#include "core/exchange/SheetReader.h"
#include "core/base/CoreError.h"
#include "core/frame/Routines.h"
#include "core/members/CardNumbers.h"
#include "core/members/StoredValueLedger.h"
#include "core/orders/MemberOrder.h"
#include "core/orders/MemberOrderStore.h"

namespace {

using Kind = ShopImport::Kind;

// A column: its Chinese caption first, then the other names a header may use.
struct Column
{
    QString key;
    QStringList names;
    bool required = false;
};

QList<Column> columnsOf(Kind kind)
{
    switch (kind) {
    case Kind::Items:
        return {{"shop", {"店内码", "shop number", "shopnumber", "店内编码"}, true},
                {"number", {"商品编号", "item number", "编号", "number"}},
                {"bar", {"条码", "bar code", "barcode", "条形码"}},
                {"name", {"商品名称", "name", "item name", "名称", "品名"}, true},
                {"model", {"规格", "model", "型号", "size"}},
                {"unit", {"单位", "unit"}},
                {"packs", {"包装条码", "pack codes", "pack code"}},
                {"pieces", {"每包件数", "pieces per pack", "pieces"}},
                {"packPrice", {"包装价", "pack price", "包装价格"}},
                {"packStyle", {"包装价格体系", "pack price style"}}};
    case Kind::Members:
        return {{"card", {"卡号", "card number", "card", "会员卡号"}, true},
                {"owner", {"持卡人", "holder", "name", "姓名"}},
                {"vipId", {"身份证号", "identity number", "身份证", "id number"}},
                {"phone", {"电话", "phone", "手机", "手机号"}},
                {"balance", {"期初余额", "opening balance", "balance", "余额", "卡内余额"}}};
    case Kind::Orders:
        return {{"key", {"外部单号", "external number", "order number", "单号"}, true},
                {"card", {"卡号", "card number", "card", "会员卡号"}, true},
                {"owner", {"持卡人", "holder", "姓名"}},
                {"phone", {"电话", "phone", "手机"}},
                {"vipId", {"身份证号", "identity number", "身份证"}},
                {"date", {"订单日期", "order date", "date", "日期"}},
                {"item", {"店内码", "item", "shop number", "商品", "商品店内码"}, true},
                {"itemName", {"商品名称", "item name"}},
                {"price", {"单价", "price", "unit price"}},
                {"qty", {"订购数量", "ordered", "ordered quantity", "数量"}, true},
                {"gift", {"赠送数量", "gift", "gift quantity"}},
                {"done", {"已取数量", "handed out", "已提数量"}},
                {"validTo", {"有效期", "valid to", "validity", "有效日期"}},
                {"paid", {"实付金额", "amount paid", "paid", "已付金额"}}};
    }
    return {};
}

QString normalized(QString header)
{
    header = header.toLower();
    header.remove(QRegularExpression(QStringLiteral("[\\s*:：_]")));
    return header;
}

CoreError cancelled()
{
    return CoreError::refusal(ShopImport::cancelledMessage());
}

// Where each column sits in the sheet (-1: absent), by key; price styles by id.
struct Layout
{
    // Looked up a few times a row by a key written in the code: a short list read through
    // beats hashing a string made for the lookup.
    QList<std::pair<QString, int>> at;
    QMap<int, int> prices;         // style id -> column
    QMap<int, QString> priceKeys;  // style id -> its column's key
    QHash<QString, QString> names; // key -> the header as written
    int headerRow = 0;

    int index(QAnyStringView key) const
    {
        for (const auto &[k, i] : at)
            if (QAnyStringView::equal(k, key))
                return i;
        return -1;
    }
    QString cell(const QStringList &cells, QAnyStringView key) const
    {
        const int i = index(key);
        return i >= 0 && i < cells.size() ? cells.at(i).trimmed() : QString();
    }
    bool has(QAnyStringView key) const { return index(key) >= 0; }
};

// A cell is refused with a CoreError refusal naming the column's key as its field.

qint64 quantity(const Layout &l, const QStringList &cells, const QString &key)
{
    const QString t = l.cell(cells, key);
    if (t.isEmpty())
        return 0;
    static const QRegularExpression whole(QStringLiteral("^\\d{1,12}(\\.0*)?$"));
    if (!whole.match(t).hasMatch())
        throw CoreError::refusal(QStringLiteral("数量必须是不小于0的整数"), key);
    return t.section(u'.', 0, 0).toLongLong();
}

Money money(const Layout &l, const QStringList &cells, const QString &key)
{
    QString t = l.cell(cells, key);
    t.remove(u',');
    if (t.isEmpty())
        return Money();
    static const QRegularExpression number(QStringLiteral("^(-?)(\\d{1,12})(?:\\.(\\d*))?$"));
    const QRegularExpressionMatch m = number.match(t);
    if (!m.hasMatch())
        throw CoreError::refusal(QStringLiteral("“%1”不是金额").arg(t), key);
    QString fraction = m.captured(3);
    while (fraction.endsWith(u'0'))
        fraction.chop(1);
    if (fraction.size() > 2)
        throw CoreError::refusal(QStringLiteral("金额最多两位小数"), key);
    if (!m.captured(1).isEmpty())
        throw CoreError::refusal(QStringLiteral("金额不能为负数"), key);
    return Money::fromCents(m.captured(2).toLongLong() * 100 +
                            fraction.leftJustified(2, u'0').toInt());
}

QDate date(const Layout &l, const QStringList &cells, const QString &key)
{
    const QString t = l.cell(cells, key);
    if (t.isEmpty())
        return QDate();
    static const QRegularExpression forms(
        QStringLiteral("^(\\d{4})(?:-(\\d{1,2})-(\\d{1,2})|/(\\d{1,2})/(\\d{1,2})|年(\\d{1,2})月(\\d{1,2})日)$"));
    const QRegularExpressionMatch m = forms.match(t);
    QDate d;
    if (m.hasMatch()) {
        const int month = (m.captured(2) + m.captured(4) + m.captured(6)).toInt();
        const int day = (m.captured(3) + m.captured(5) + m.captured(7)).toInt();
        d = QDate(m.captured(1).toInt(), month, day);
    }
    if (!d.isValid())
        throw CoreError::refusal(QStringLiteral("“%1”不是日期（写作 2026-12-07、2026/12/7 或 2026年12月7日）").arg(t), key);
    return d;
}

// "a;b", "a；b" or "a|b": a list in one cell.
QStringList splitList(const QString &text)
{
    QStringList parts;
    qsizetype from = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text.at(i) == u';' || text.at(i) == u'；' || text.at(i) == u'|') {
            parts << QStringView(text).mid(from, i - from).trimmed().toString();
            from = i + 1;
        }
    }
    if (parts.size() == 1 && parts.first().isEmpty())
        parts.clear();
    return parts;
}

// The field of an item refusal to the column a user reads.
QString itemKeyOf(const QString &field)
{
    if (field == QLatin1StringView("txtName"))
        return QStringLiteral("name");
    if (field == QLatin1StringView("txtBarcode"))
        return QStringLiteral("bar");
    if (field == QLatin1StringView("txtShopNumber"))
        return QStringLiteral("shop");
    if (field == QLatin1StringView("FlexCodes"))
        return QStringLiteral("packs");
    return QString();
}

QString stripped(const QString &message)
{
    QString m = message;
    while (m.endsWith(u'！') || m.endsWith(u'!') || m.endsWith(u'。'))
        m.chop(1);
    return m;
}

// A card's balance and whether any movement names it.
struct Balance
{
    Money balance;
    bool known = false;
};

// The balances of `cards`, a list of cards per statement (as StoredValueLedger::balance sums
// them): once for the file instead of once a row.
QHash<QString, Balance> balancesOf(const bulk::Run &run, const db::Params &cards)
{
    QHash<QString, Balance> out;
    out.reserve(cards.size());
    const QString sql = QStringLiteral(
        "select FVipNo, coalesce(sum(case when FTranType=1 then FKAmount when FTranType=2 then -FKAmount"
        " else 0 end),0) as FBalance, count(*) as FMovements from VipCzBill where FVipNo in (%1)"
        " group by FVipNo");
    for (const db::Row &r : bulk::in(run, sql, cards))
        out.insert(r.text(QStringLiteral("FVipNo")),
                   {Money::fromVariant(r.value(QStringLiteral("FBalance"))),
                    r.integer(QStringLiteral("FMovements")) > 0});
    return out;
}

// Rows whose database lookups go together: one list of keys per statement.
constexpr int kChunk = bulk::KeysPerStatement;

// Every key of a column with the id it names, a page at a time in the order of the keys, so
// that no result of a million rows is held at once. `sql` reads "FKey" and "FID" where the key
// is %1 and is ordered by the key; %2 is the page's size.
KeyTable keyTable(const bulk::Run &run, const QString &sql)
{
    constexpr int page = 20000;
    KeyTable table;
    QString after;
    for (bool first = true;; first = false) {
        // The first page from the first key that is not empty, each next one after the last.
        const db::Rows rows = first ? run(sql.arg(QStringLiteral("<>''")).arg(page), {})
                                    : run(sql.arg(QStringLiteral(">?")).arg(page), {after});
        for (const db::Row &r : rows)
            table.insert(r.text(QStringLiteral("FKey")), r.integer(QStringLiteral("FID")));
        if (rows.size() < page)
            return table;
        after = rows.last().text(QStringLiteral("FKey"));
    }
}

KeyTable shopNumbersOf(const bulk::Run &run)
{
    return keyTable(run, QStringLiteral("select FShopNumber as FKey, min(FItemID) as FID from t_icitem"
                                        " where FShopNumber%1 group by FShopNumber order by FShopNumber limit %2"));
}

KeyTable codesOf(const bulk::Run &run)
{
    return keyTable(run, QStringLiteral("select FCode as FKey, FItemID as FID from t_icitem_code"
                                        " where FCode%1 order by FCode limit %2"));
}

// What marks a stored item as the check saw it: a write that finds it otherwise is refused
// as stale instead of overwriting another station's change.
quint64 fingerprint(const ItemRecord &it)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << it.id << it.number << it.shopNumber << it.barCode << it.name << it.model << it.unit << it.disabled;
    for (auto p = it.prices.cbegin(); p != it.prices.cend(); ++p)
        out << p.key() << p.value().units();
    for (const PackCode &c : it.codes)
        out << c.barCode << c.priceStyleId << c.exchange << c.price.units();
    const QByteArray digest = QCryptographicHash::hash(bytes, QCryptographicHash::Sha1);
    quint64 f = 0;
    std::memcpy(&f, digest.constData(), sizeof f);
    return f;
}

// When and how big: the file as it was read.
struct Stamp
{
    qint64 size = -1;
    QDateTime modified, changed;
    bool operator==(const Stamp &) const = default;
};

Stamp stampOf(const QString &path)
{
    const QFileInfo f(path);
    if (!f.exists())
        return {};
    // The change time too: setting a file's modification time back changes it.
    return {f.size(), f.fileTime(QFileDevice::FileModificationTime),
            f.fileTime(QFileDevice::FileMetadataChangeTime)};
}

// An open sheet past its header: where each known column sits.
struct Sheet
{
    SheetReader reader;
    Layout layout;
    QList<Column> known;
    QStringList columns; // the known ones the sheet has, as the preview shows them
    QList<PriceStyleStore::Style> styles;
    int retailId = 0;

    Sheet(const QString &cnstr, Kind kind, const QString &path) : reader(path), known(columnsOf(kind))
    {
        SheetReader::Row row;
        if (!reader.next(row))
            throw CoreError::refusal(QStringLiteral("表格是空的"));
        // The header: known names in any order; for items, a price style's name is its price.
        if (kind == Kind::Items) {
            styles = PriceStyleStore::list(cnstr);
            for (const PriceStyleStore::Style &s : std::as_const(styles))
                if (s.name == PriceStyleStore::retailName())
                    retailId = s.id;
        }
        layout.headerRow = row.number;
        for (int i = 0; i < row.cells.size(); ++i) {
            const QString h = normalized(row.cells.at(i));
            if (h.isEmpty())
                continue;
            bool matched = false;
            for (const Column &c : std::as_const(known)) {
                for (const QString &n : c.names)
                    if (normalized(n) == h && !layout.has(c.key)) {
                        layout.at.append({c.key, i});
                        layout.names.insert(c.key, c.names.first());
                        matched = true;
                    }
                if (matched)
                    break;
            }
            if (matched || kind != Kind::Items)
                continue;
            for (const PriceStyleStore::Style &s : std::as_const(styles)) {
                const bool retail = s.id == retailId &&
                                    (h == QLatin1StringView("retailprice") || h == QLatin1StringView("price"));
                if ((normalized(s.name) == h || retail) && !layout.prices.contains(s.id)) {
                    const QString key = QStringLiteral("price_%1").arg(s.id);
                    layout.prices.insert(s.id, i);
                    layout.priceKeys.insert(s.id, key);
                    layout.at.append({key, i});
                    layout.names.insert(key, s.name);
                }
            }
        }
        QStringList missing;
        for (const Column &c : std::as_const(known))
            if (c.required && !layout.has(c.key))
                missing << c.names.first();
        if (!missing.isEmpty())
            throw CoreError::refusal(QStringLiteral("第%1行的表头缺少必需的列：%2")
                                         .arg(row.number)
                                         .arg(missing.join(QStringLiteral("、"))));
        for (const Column &c : std::as_const(known))
            if (layout.has(c.key))
                columns << c.names.first();
        for (auto p = layout.prices.cbegin(); p != layout.prices.cend(); ++p)
            columns << layout.names.value(QStringLiteral("price_%1").arg(p.key()));
    }

    // A row as the preview shows it.
    QStringList shown(const QStringList &cells) const
    {
        QStringList out;
        for (const Column &c : known)
            if (layout.has(c.key))
                out << layout.cell(cells, c.key);
        for (auto p = layout.prices.cbegin(); p != layout.prices.cend(); ++p)
            out << layout.cell(cells, QStringLiteral("price_%1").arg(p.key()));
        return out;
    }
};

// The item a row describes: what is stored of it, when it is, with the row's columns over it.
// A refused cell throws a CoreError naming its column's key.
ItemRecord itemOf(const Sheet &sheet, const QString &shop, const QStringList &cells,
                  const std::optional<ItemRecord> &stored)
{
    const Layout &l = sheet.layout;
    ItemRecord it = stored ? *stored : ItemRecord();
    it.shopNumber = shop;
    it.name = l.cell(cells, "name");
    if (l.has("number"))
        it.number = l.cell(cells, "number");
    if (it.number.isEmpty())
        it.number = shop;
    if (l.has("bar"))
        it.barCode = l.cell(cells, "bar");
    if (l.has("model"))
        it.model = l.cell(cells, "model");
    if (l.has("unit"))
        it.unit = l.cell(cells, "unit");
    for (auto p = l.priceKeys.cbegin(); p != l.priceKeys.cend(); ++p) {
        const QString &key = p.value();
        if (l.cell(cells, key).isEmpty())
            it.prices.remove(p.key());
        else
            it.prices.insert(p.key(), money(l, cells, key));
    }
    if (l.has("packs")) {
        const QStringList packs = splitList(l.cell(cells, "packs"));
        const QStringList pieces = splitList(l.cell(cells, "pieces"));
        const QStringList prices = splitList(l.cell(cells, "packPrice"));
        const QStringList styleNames = splitList(l.cell(cells, "packStyle"));
        it.codes.clear();
        for (int i = 0; i < packs.size(); ++i) {
            PackCode c;
            c.barCode = packs.at(i);
            const QString n = pieces.value(i);
            static const QRegularExpression whole(QStringLiteral("^\\d{1,6}$"));
            if (!whole.match(n).hasMatch() || n.toInt() < 1)
                throw CoreError::refusal(QStringLiteral("每包件数必须是不小于1的整数"), QStringLiteral("pieces"));
            c.exchange = n.toInt();
            Layout one;
            one.at.append({QStringLiteral("v"), 0});
            c.price = money(one, {prices.value(i)}, "v");
            c.priceStyleId = sheet.retailId;
            if (!styleNames.value(i).isEmpty()) {
                c.priceStyleId = 0;
                for (const PriceStyleStore::Style &s : sheet.styles)
                    if (s.name == styleNames.value(i))
                        c.priceStyleId = s.id;
                if (c.priceStyleId == 0)
                    throw CoreError::refusal(QStringLiteral("没有价格体系“%1”").arg(styleNames.value(i)),
                                             QStringLiteral("packStyle"));
            }
            it.codes.append(c);
        }
    }
    try {
        ItemStore::check(it);
    } catch (const CoreError &e) {
        throw CoreError::refusal(stripped(e.message()), itemKeyOf(e.field()));
    }
    return it;
}

struct MemberRow
{
    int row = 0;
    QString vipNo, owner, vipId, phone;
    Money opening;
};

MemberRow memberOf(const Layout &l, int row, const QStringList &cells)
{
    return {row, l.cell(cells, "card"), l.cell(cells, "owner"), l.cell(cells, "vipId"), l.cell(cells, "phone"),
            money(l, cells, "balance")};
}

struct OrderRow
{
    int row = 0; // of its first line
    MemberOrder order;
    Money paid;
};

QString balanceRefusal(const Money &balance)
{
    return QStringLiteral("卡内已有余额 %1 元（选择“更新”可改为表中的余额）").arg(balance.format());
}

} // namespace

// What the check found that the write holds the database and the file to.
struct ShopImport::Checked
{
    QString path;
    Stamp stamp;
    // Items: each row that named a stored item, with its id, whether the row leaves it as it
    // is, and else its fingerprint as the check saw it.
    struct Stored
    {
        int id = 0;
        bool unchanged = false;
        quint64 fingerprint = 0;
    };
    QHash<int, Stored> stored;
    KeyTable cards; // members: every card of the file
    // Orders: the items by shop number and, when a line named one otherwise, by code, as the
    // check found them, so that the write does not read them again.
    KeyTable shops, codes;

    void requireUnchanged() const
    {
        if (stampOf(path) != stamp)
            throw CoreError::refusal(ShopImport::changedMessage());
    }
};

namespace {

// The check of a sheet's rows, the first pass: every refusal, and no more of the rows than the
// keys that find a duplicate. Orders are gathered here for their write too, with their lines.
struct Checking
{
    const QString &cnstr;
    const ShopImport::Options &options;
    ShopImport::Plan &plan;
    ShopImport::Checked &checked;
    const Sheet &sheet;
    bool withLines = false;                        // orders: keep their lines, for the write
    const ShopImport::Checked *earlier = nullptr; // orders, writing: the check's keys of items
    // Keys seen so far in the file, with their row.
    KeyTable seen{}, codesSeen{};
    KeyTable shopNumbers{}, codes{}; // the database's
    bool codesRead = false;
    QList<SheetReader::Row> waitingItems{}; // rows waiting for their stored items
    QList<MemberRow> waitingMembers{};       // members waiting for their cards' balances
    QHash<QString, int> orderIndex{};        // external number -> index in orders
    QList<OrderRow> orders{};

    void refuse(int row, const QString &key, const QString &reason)
    {
        plan.refusals.append({row, sheet.layout.names.value(key, key), reason});
    }

    void readCodes()
    {
        codes = codesOf(bulk::on(cnstr));
        codesRead = true;
    }

    void prepare()
    {
        if (earlier)
            return;
        if (plan.kind == Kind::Items || plan.kind == Kind::Orders)
            shopNumbers = shopNumbersOf(bulk::on(cnstr));
        // Orders name their items by shop number as a rule: the codes only once one does not.
        if (plan.kind == Kind::Items)
            readCodes();
    }

    void row(const SheetReader::Row &row)
    {
        switch (plan.kind) {
        case Kind::Items:
            waitingItems.append(row);
            if (waitingItems.size() == kChunk)
                items();
            break;
        case Kind::Members:
            member(row.number, row.cells);
            if (waitingMembers.size() == kChunk)
                balances();
            break;
        case Kind::Orders: orderLine(row.number, row.cells); break;
        }
    }

    void finish()
    {
        items();
        balances();
        // Refusals in the order of the rows, as they were found before the balances.
        std::stable_sort(plan.refusals.begin(), plan.refusals.end(),
                         [](const ShopImport::Refusal &a, const ShopImport::Refusal &b) { return a.row < b.row; });
        if (plan.kind == Kind::Members)
            checked.cards = std::move(seen);
        if (plan.kind == Kind::Orders) {
            checked.shops = std::move(shopNumbers);
            checked.codes = std::move(codes);
        }
    }

    // An order line's item: by shop number as a rule, else by code.
    int itemIdOf(const QString &text)
    {
        if (earlier) {
            const int id = earlier->shops.value(text);
            return id ? id : earlier->codes.value(text);
        }
        const int id = shopNumbers.value(text);
        if (id != 0)
            return id;
        if (!codesRead)
            readCodes();
        return codes.value(text);
    }

    // The waiting rows, with the stored items they name read in one go.
    void items()
    {
        if (waitingItems.isEmpty())
            return;
        db::Params ids;
        for (const SheetReader::Row &r : std::as_const(waitingItems))
            if (const int id = shopNumbers.value(sheet.layout.cell(r.cells, "shop")))
                ids << id;
        const QHash<int, ItemRecord> stored = ids.isEmpty() ? QHash<int, ItemRecord>()
                                                            : bulk::itemsOf(bulk::on(cnstr), ids);
        for (const SheetReader::Row &r : std::as_const(waitingItems))
            item(r.number, r.cells, stored);
        waitingItems.clear();
    }

    void item(int row, const QStringList &cells, const QHash<int, ItemRecord> &stored)
    {
        const QString shop = sheet.layout.cell(cells, "shop");
        if (shop.isEmpty())
            return refuse(row, "shop", QStringLiteral("不能为空"));
        if (seen.contains(shop))
            return refuse(row, "shop", QStringLiteral("与第%1行重复").arg(seen.value(shop)));
        seen.insert(shop, row);
        std::optional<ItemRecord> storedItem;
        if (const int id = shopNumbers.value(shop)) {
            const auto at = stored.constFind(id);
            if (at != stored.cend())
                storedItem = *at;
        }
        ItemRecord it;
        try {
            it = itemOf(sheet, shop, cells, storedItem);
        } catch (const CoreError &e) {
            return refuse(row, e.field(), e.message());
        }
        const QStringList all = it.allCodes();
        for (const QString &code : all) {
            const QString key = code == it.barCode ? QStringLiteral("bar") : QStringLiteral("packs");
            if (codesSeen.contains(code))
                return refuse(row, key, QStringLiteral("条码“%1”与第%2行重复").arg(code).arg(codesSeen.value(code)));
            const int owner = codes.value(code);
            if (owner != 0 && owner != it.id) {
                const auto other = ItemStore::load(cnstr, owner);
                return refuse(row, key, QStringLiteral("已被商品“%1”使用").arg(other ? other->name : code));
            }
        }
        for (const QString &code : all)
            codesSeen.insert(code, row);
        if (storedItem)
            checked.stored.insert(row, {storedItem->id, *storedItem == it,
                                        *storedItem == it ? 0 : fingerprint(*storedItem)});
    }

    void member(int row, const QStringList &cells)
    {
        const QString card = sheet.layout.cell(cells, "card");
        if (card.isEmpty())
            return refuse(row, "card", QStringLiteral("不能为空"));
        if (seen.contains(card))
            return refuse(row, "card", QStringLiteral("与第%1行重复").arg(seen.value(card)));
        seen.insert(card, row);
        try {
            waitingMembers.append(memberOf(sheet.layout, row, cells));
        } catch (const CoreError &e) {
            return refuse(row, e.field(), e.message());
        }
    }

    // The waiting members' cards, a list of cards at a time: a card holding another balance is
    // refused unless the user chose to update it.
    void balances()
    {
        if (waitingMembers.isEmpty())
            return;
        db::Params cards;
        cards.reserve(waitingMembers.size());
        for (const MemberRow &m : std::as_const(waitingMembers))
            cards << m.vipNo;
        const QHash<QString, Balance> now = balancesOf(bulk::on(cnstr), cards);
        for (const MemberRow &m : std::as_const(waitingMembers)) {
            const Money balance = now.value(m.vipNo).balance;
            if (!balance.isZero() && balance != m.opening && !options.update)
                refuse(m.row, "card", balanceRefusal(balance));
        }
        waitingMembers.clear();
    }

    void orderLine(int row, const QStringList &cells)
    {
        const Layout &l = sheet.layout;
        const QString key = l.cell(cells, "key");
        if (key.isEmpty())
            return refuse(row, "key", QStringLiteral("不能为空"));
        const QString card = l.cell(cells, "card");
        if (card.isEmpty())
            return refuse(row, "card", QStringLiteral("不能为空"));
        const QString itemText = l.cell(cells, "item");
        const int itemId = itemIdOf(itemText);
        if (itemId == 0)
            return refuse(row, "item", QStringLiteral("找不到商品“%1”").arg(itemText));
        MemberOrderLine line;
        line.itemId = itemId;
        Money paid;
        QDate orderDate;
        try {
            line.qty = quantity(l, cells, "qty");
            line.gift = quantity(l, cells, "gift");
            line.done = quantity(l, cells, "done");
            line.price = money(l, cells, "price");
            line.validTo = date(l, cells, "validTo");
            paid = money(l, cells, "paid");
            orderDate = date(l, cells, "date");
        } catch (const CoreError &e) {
            return refuse(row, e.field(), e.message());
        }
        if (line.total() <= 0)
            return refuse(row, "qty", QStringLiteral("订购数量与赠送数量不能都为0"));
        if (line.done > line.total())
            return refuse(row, "done", QStringLiteral("已取数量不能大于订购数量与赠送数量之和"));
        const QString lineKey = key + QChar(0x1f) + QString::number(itemId);
        if (seen.contains(lineKey))
            return refuse(row, "item", QStringLiteral("同一单号的商品与第%1行重复").arg(seen.value(lineKey)));
        seen.insert(lineKey, row);
        auto at = orderIndex.find(key);
        if (at == orderIndex.end()) {
            OrderRow o;
            o.row = row;
            o.order.vipNo = card;
            o.order.owner = l.cell(cells, "owner");
            o.order.phone = l.cell(cells, "phone");
            o.order.vipId = l.cell(cells, "vipId");
            o.order.date = orderDate.isValid() ? orderDate : options.today;
            o.order.remark = ShopImport::orderKeyPrefix() + key;
            orders.append(o);
            at = orderIndex.insert(key, int(orders.size() - 1));
        }
        OrderRow &o = orders[at.value()];
        if (o.order.vipNo != card)
            return refuse(row, "card", QStringLiteral("与同一单号第%1行的卡号不同").arg(o.row));
        if (withLines)
            o.order.lines.append(line);
        o.paid = o.paid + paid;
    }
};

// Reads every row of an open sheet through a check; progress in bytes of the file.
void checkRows(Checking &c, Sheet &sheet, const ShopImport::Hooks &hooks, bool preview)
{
    c.prepare();
    SheetReader::Row row;
    while (sheet.reader.next(row)) {
        ++c.plan.rows;
        if (preview && c.plan.firstRows.size() < 20)
            c.plan.firstRows << sheet.shown(row.cells);
        c.row(row);
        if (c.plan.rows % 256 == 0) {
            if (hooks.progress && preview)
                hooks.progress(sheet.reader.done(), sheet.reader.total());
            if (hooks.cancelled && hooks.cancelled())
                throw cancelled();
        }
    }
    c.finish();
}

} // namespace


std::optional<ShopImport::Kind> ShopImport::kindOf(const QString &word)
{
    const QString w = word.trimmed().toLower();
    if (w == QLatin1StringView("items"))
        return Kind::Items;
    if (w == QLatin1StringView("members"))
        return Kind::Members;
    if (w == QLatin1StringView("orders"))
        return Kind::Orders;
    return std::nullopt;
}

QString ShopImport::caption(Kind kind)
{
    return kind == Kind::Items ? QStringLiteral("商品") : kind == Kind::Members ? QStringLiteral("会员")
                                                                               : QStringLiteral("订单");
}

QString ShopImport::Refusal::text() const
{
    if (row <= 0)
        return reason;
    return column.isEmpty() ? QStringLiteral("第%1行 %2").arg(row).arg(reason)
                            : QStringLiteral("第%1行 %2：%3").arg(row).arg(column, reason);
}

QStringList ShopImport::columns(const QString &cnstr, Kind kind)
{
    QStringList out;
    for (const Column &c : columnsOf(kind)) {
        out << c.names.first();
        if (kind == Kind::Items && c.key == QLatin1StringView("unit"))
            for (const PriceStyleStore::Style &s : PriceStyleStore::list(cnstr))
                out << s.name;
    }
    return out;
}

ShopImport::Plan ShopImport::read(const QString &cnstr, Kind kind, const QString &path,
                                  const Options &options, const Hooks &hooks)
{
    auto checked = std::make_shared<Checked>();
    checked->path = path;
    // Before the first byte is read: a change while reading shows at the write.
    checked->stamp = stampOf(path);
    Sheet sheet(cnstr, kind, path);
    Plan plan;
    plan.kind = kind;
    plan.columns = sheet.columns;
    Checking c{cnstr, options, plan, *checked, sheet};
    checkRows(c, sheet, hooks, true);
    if (sheet.reader.hasMergedCells())
        throw CoreError::refusal(QStringLiteral("表格中有合并的单元格，请取消合并后再导入"));
    if (plan.rows == 0)
        throw CoreError::refusal(QStringLiteral("表格中只有表头，没有数据"));
    if (hooks.progress)
        hooks.progress(sheet.reader.total(), sheet.reader.total());
    plan.checked = std::move(checked);
    return plan;
}

namespace {

// The first key of the import's own two-key lock on PostgreSQL, apart from the back office's.
constexpr int kImportLock = 0x6b7769; // "kwi"
constexpr int kOrdersLock = 3;

QVariant dateOrNull(const QDate &d)
{
    return d.isValid() ? QVariant(d) : QVariant(QMetaType(QMetaType::QDate));
}

QHash<QString, int> keysOf(const bulk::Run &run, const QString &sql, const db::Params &params = {})
{
    QHash<QString, int> h;
    for (const db::Row &r : run(sql, params))
        h.insert(r.text(QStringLiteral("FKey")), r.integer(QStringLiteral("FID")));
    return h;
}

// The second pass: the keys read again under the locks (another station may have written
// since the file was checked), then the file read again and written a few hundred rows at a
// time, with statements prepared once, many rows each.
struct Writing
{
    db::Transaction &tx;
    const ShopImport::Checked &checked;
    const ShopImport::Options &options;
    const std::function<void()> &step;
    ShopImport::Result result;
    int rows = 0; // read again

    [[noreturn]] static void refuse(int row, const QString &column, const QString &reason)
    {
        throw CoreError::refusal(ShopImport::Refusal{row, column, reason}.text());
    }

    void items(Sheet &sheet)
    {
        const bulk::Run run = bulk::on(tx);
        RecordGuard::lock(tx, RecordGuard::Kind::Items);
        const KeyTable shops = shopNumbersOf(run);
        const KeyTable codes = codesOf(run);
        const QString stale = stripped(RecordGuard::staleMessage());

        QStringList columns{QStringLiteral("FNumber"), QStringLiteral("FShopNumber"), QStringLiteral("FBar_Code"),
                            QStringLiteral("FName"), QStringLiteral("FModel"), QStringLiteral("FUnit")};
        QList<int> styles;
        for (const PriceStyleStore::Style &s : PriceStyleStore::list(tx)) {
            columns << QStringLiteral("FPrice_%1").arg(s.id);
            styles << s.id;
        }
        QStringList sets;
        for (const QString &c : std::as_const(columns))
            sets << c + QStringLiteral("=?");
        const QString update =
            QStringLiteral("update t_icitem set %1 where FItemID=?").arg(sets.join(u','));
        bulk::Insert added(tx,
                           QStringLiteral("insert into t_icitem (%1,FDisabled,FItemID)").arg(columns.join(u',')),
                           u'(' + QStringList(columns.size() + 2, QStringLiteral("?")).join(u',') + u')');
        bulk::Insert packs(tx, QStringLiteral("insert into t_icitem_barcode (FItemID, FBarCode, FPriceStyleID,"
                                              " FExchange, FPrice)"),
                           QStringLiteral("(?,?,?,?,?)"));
        bulk::Insert owned(tx, QStringLiteral("insert into t_icitem_code (FCode, FItemID)"), QStringLiteral("(?,?)"));
        int next = RecordGuard::nextId(tx, QStringLiteral("t_icitem"), QStringLiteral("FItemID"));

        const auto chunk = [&](const QList<SheetReader::Row> &waiting) {
            // The stored items the rows change, as they are now.
            db::Params ids;
            for (const SheetReader::Row &r : waiting)
                if (const auto w = checked.stored.constFind(r.number); w != checked.stored.cend() && !w->unchanged)
                    ids << w->id;
            const QHash<int, ItemRecord> now = ids.isEmpty() ? QHash<int, ItemRecord>() : bulk::itemsOf(run, ids);
            db::Params changed;                          // updated items: codes anew
            QList<std::pair<int, ItemRecord>> written;   // id and item, for the codes
            for (const SheetReader::Row &r : waiting) {
                const auto w = checked.stored.constFind(r.number);
                if (w != checked.stored.cend() && w->unchanged) {
                    ++result.unchanged;
                    step();
                    continue;
                }
                const QString shop = sheet.layout.cell(r.cells, "shop");
                std::optional<ItemRecord> stored;
                if (w != checked.stored.cend()) {
                    const auto at = now.constFind(w->id);
                    if (at == now.cend() || fingerprint(*at) != w->fingerprint)
                        refuse(r.number, QString(), stale);
                    stored = *at;
                } else if (shops.contains(shop)) {
                    // Added by another station since the file was read: not added twice.
                    refuse(r.number, QString(), stale);
                }
                ItemRecord it;
                try {
                    it = itemOf(sheet, shop, r.cells, stored);
                } catch (const CoreError &e) {
                    refuse(r.number, sheet.layout.names.value(e.field(), e.field()), e.message());
                }
                const int id = stored ? stored->id : next++;
                for (const QString &code : it.allCodes()) {
                    const int owner = codes.value(code);
                    if (owner != 0 && owner != id)
                        refuse(r.number, QString(),
                               QStringLiteral("条码已被商品“%1”使用")
                                   .arg(tx.scalar(QStringLiteral("select FName from t_icitem where FItemID=?"), {owner})
                                            .toString()));
                }
                db::Params values{it.number, it.shopNumber, it.barCode, it.name, it.model, it.unit};
                for (const int style : std::as_const(styles))
                    values << (it.prices.contains(style) ? it.prices.value(style).toVariant()
                                                         : QVariant(QMetaType::fromType<double>()));
                if (stored) {
                    tx.execute(update, values << id);
                    changed << id;
                    ++result.updated;
                } else {
                    added.add(values << 0 << id);
                    ++result.added;
                }
                written.append({id, std::move(it)});
                step();
            }
            // An updated item's codes go before its new ones come: a code is one item's.
            bulk::in(run, QStringLiteral("delete from t_icitem_barcode where FItemID in (%1)"), changed);
            bulk::in(run, QStringLiteral("delete from t_icitem_code where FItemID in (%1)"), changed);
            for (const auto &[id, it] : std::as_const(written)) {
                for (const PackCode &c : it.codes)
                    packs.add({id, c.barCode, c.priceStyleId, c.exchange, c.price.toVariant()});
                for (const QString &code : it.allCodes())
                    owned.add({code, id});
            }
        };
        QList<SheetReader::Row> waiting;
        SheetReader::Row row;
        while (sheet.reader.next(row)) {
            ++rows;
            waiting.append(row);
            if (waiting.size() == kChunk) {
                chunk(waiting);
                waiting.clear();
            }
        }
        chunk(waiting);
        added.flush();
        packs.flush();
        owned.flush();
    }

    void members(Sheet &sheet)
    {
        const bulk::Run run = bulk::on(tx);
        // Each card locked as every writer of a card locks it, in the order of the numbers, so
        // that two imports sharing cards queue instead of deadlocking.
        const QStringList cards = checked.cards.keys();
        db::Dialect::lockKeys(tx, cards);
        // Inside the locks, and before a movement is added (a statement planned on the empty
        // table would scan what the import adds, list after list): the numbers given up in a
        // card replacement, and the balances read again, as a station may have moved money
        // since the check. The balances packed, a list of cards at a time.
        QSet<QString> replaced;
        KeyTable knownAt;
        std::vector<qint64> units;
        for (qsizetype from = 0; from < cards.size(); from += bulk::KeysPerStatement) {
            const QStringList part = cards.mid(from, bulk::KeysPerStatement);
            const db::Params list(part.cbegin(), part.cend());
            for (const db::Row &r : bulk::in(run, QStringLiteral("select FOldVipNo from t_VipCardReplaced"
                                                                 " where FOldVipNo in (%1)"),
                                             list))
                replaced.insert(r.text(QStringLiteral("FOldVipNo")));
            const QHash<QString, Balance> balances = balancesOf(run, list);
            for (auto b = balances.cbegin(); b != balances.cend(); ++b) {
                knownAt.insert(b.key(), int(units.size()));
                units.push_back(b->balance.units());
            }
        }
        bulk::Insert moves(tx,
                           QStringLiteral("insert into VipCzBill (FVipNo, FVipID, FOwner, FPhone, FTranType,"
                                          " FDate, FCreateTime, FBillerID, FKAmount, FCzAmount, FZsAmount,"
                                          " FRemark, FBegAmount, FEndAmount, FYear, FSeason, FMonth,"
                                          " FSumAmount)"),
                           QStringLiteral("(?,?,?,?,?,?,%1,?,?,?,?,?,?,?,?,?,?,?)")
                               .arg(db::Dialect::nowExpression(tx.engine())));
        const QDate today = options.today;
        const QString year = StoredValueLedger::yearLabel(today), season = StoredValueLedger::seasonLabel(today),
                      month = StoredValueLedger::monthLabel(today);
        SheetReader::Row row;
        while (sheet.reader.next(row)) {
            ++rows;
            MemberRow m;
            try {
                m = memberOf(sheet.layout, row.number, row.cells);
            } catch (const CoreError &e) {
                refuse(row.number, sheet.layout.names.value(e.field(), e.field()), e.message());
            }
            if (replaced.contains(m.vipNo))
                refuse(m.row, QStringLiteral("卡号"),
                       stripped(CardNumbers::replacedMessage(CardNumbers::replacedBy(tx, m.vipNo))));
            const int at = knownAt.value(m.vipNo, -1);
            const Balance b = at < 0 ? Balance() : Balance{Money::fromUnits(units[size_t(at)]), true};
            if (b.known && b.balance == m.opening) {
                ++result.unchanged;
            } else {
                if (!b.balance.isZero() && !options.update)
                    refuse(m.row, QStringLiteral("卡号"), balanceRefusal(b.balance));
                // A recharge of the difference, from the balance read under the lock: it
                // chains like any movement.
                const Money k = m.opening - b.balance;
                moves.add({m.vipNo, m.vipId, m.owner, m.phone, int(StoredValueMovement::Recharge), today,
                           options.billerId, k.toVariant(), k.toVariant(), Money().toVariant(),
                           ShopImport::openingRemark(), b.balance.toVariant(), m.opening.toVariant(), year,
                           season, month, k.toVariant()});
                ++(b.known ? result.updated : result.added);
            }
            step();
        }
        moves.flush();
    }

    void orders(const QList<OrderRow> &orders)
    {
        const bulk::Run run = bulk::on(tx);
        // Imports of orders one at a time: an external number another import adds meanwhile
        // is seen below, and is not added twice.
        db::Dialect::lockKey(tx, kImportLock, kOrdersLock);
        const QHash<QString, int> keys =
            keysOf(run, QStringLiteral("select FRemark as FKey, FInterID as FID from VipOrder where FRemark like ?"),
                   {ShopImport::orderKeyPrefix() + QStringLiteral("%")});
        db::Params storedIds;
        int fresh = 0;
        for (const OrderRow &o : orders) {
            if (const int id = keys.value(o.order.remark, 0))
                storedIds << id;
            else
                ++fresh;
        }
        QSet<int> handedOut;
        QHash<int, db::Row> heads;
        QHash<int, QList<db::Row>> lines;
        if (!storedIds.isEmpty()) {
            // Row locks exist only on the server; SQLite's one write lock already holds them.
            if (const QString forUpdate = db::Dialect::forUpdate(tx.engine()); !forUpdate.isEmpty())
                bulk::in(run, QStringLiteral("select FInterID from VipOrder where FInterID in (%1)") + forUpdate,
                         storedIds);
            // An order the counter has handed out from since it came in stays as it is.
            for (const db::Row &r : bulk::in(run, QStringLiteral("select distinct FOrderBillInterID as FID"
                                                                 " from ICStockBillEntry where FOrderBillInterID in (%1)"),
                                             storedIds))
                handedOut.insert(r.integer(QStringLiteral("FID")));
            for (const db::Row &r : bulk::in(run, QStringLiteral("select FInterID, FVipNo, FOwner, FPhone, FVipID,"
                                                                 " Fdate, FGetCash from VipOrder where FInterID in (%1)"),
                                             storedIds))
                heads.insert(r.integer(QStringLiteral("FInterID")), r);
            for (const db::Row &r : bulk::in(run, QStringLiteral("select FInterID, FItemID, FQty, FPreQty, FCplQty,"
                                                                 " FPrice, FYxq from VipOrderEntry where FInterID in (%1)"
                                                                 " order by FInterID, FEntryID"),
                                             storedIds))
                lines[r.integer(QStringLiteral("FInterID"))].append(r);
        }
        int next = fresh > 0 ? db::BillNumbers::drawBlock(tx, db::BillNumbers::MemberOrder, fresh) : 0;

        db::Params rewritten;
        QList<std::pair<int, const OrderRow *>> written;
        for (const OrderRow &o : orders) {
            const int stored = keys.value(o.order.remark, 0);
            if (stored != 0) {
                const auto h = heads.constFind(stored);
                if (handedOut.contains(stored) ||
                    (h != heads.cend() && MemberOrderStore::sameAs(*h, lines.value(stored), o.order, o.paid))) {
                    ++result.unchanged;
                } else {
                    rewritten << stored;
                    written.append({stored, &o});
                    ++result.updated;
                }
            } else {
                written.append({next++, &o});
                ++result.added;
            }
            step();
        }
        // The header before its lines, the order every save locks them in.
        bulk::in(run, QStringLiteral("delete from VipOrder where FInterID in (%1)"), rewritten);
        bulk::in(run, QStringLiteral("delete from VipOrderEntry where FInterID in (%1)"), rewritten);
        bulk::Insert headers(
            tx,
            QStringLiteral("insert into VipOrder (FInterID, Fdate, FVipNo, FOwner, FPhone, FRemark, FSumQty,"
                           " FSumAmount, FCreateTime, FMonth, FVipID, FBillerID, FGetCash, FGetReserve,"
                           " FGetOther, FClosed)"),
            QStringLiteral("(?,?,?,?,?,?,?,?,%1,?,?,?,?,?,?,?)").arg(db::Dialect::nowExpression(tx.engine())));
        bulk::Insert entries(tx,
                             QStringLiteral("insert into VipOrderEntry (FInterID, FEntryID, FItemID, FQty,"
                                            " FPreQty, FCplQty, FPrice, FAmount, FYxq)"),
                             QStringLiteral("(?,?,?,?,?,?,?,?,?)"));
        for (const auto &[id, o] : std::as_const(written)) {
            const MemberOrder &order = o->order;
            // Closed when nothing is left to hand out, open otherwise.
            headers.add({id, order.date, order.vipNo, order.owner, order.phone, order.remark, order.sumQty(),
                         order.sumAmount().toVariant(), GetBillMonthLabel(order.date), order.vipId,
                         options.billerId, o->paid.toVariant(), Money().toVariant(), 0,
                         order.isClosed() ? 1 : 0});
            int entry = 0;
            for (const MemberOrderLine &l : order.lines)
                entries.add({id, ++entry, l.itemId, l.qty, l.gift, l.done, l.price.toVariant(),
                             l.amount().toVariant(), dateOrNull(l.validTo)});
        }
        headers.flush();
        entries.flush();
    }
};

} // namespace

ShopImport::Result ShopImport::write(const QString &cnstr, const Plan &plan, const Options &options,
                                     const Hooks &hooks)
{
    if (!plan.refusals.isEmpty())
        throw CoreError::refusal(QStringLiteral("有 %1 行数据不能导入，没有写入任何数据：%2")
                                     .arg(plan.refusals.size())
                                     .arg(plan.refusals.first().text()));
    if (!plan.checked)
        throw CoreError::refusal(QStringLiteral("请先检查文件，再导入"));
    const Checked &checked = *plan.checked;
    // Nothing is written from a file other than the one checked.
    checked.requireUnchanged();
    Sheet sheet(cnstr, plan.kind, checked.path);
    if (sheet.columns != plan.columns)
        throw CoreError::refusal(changedMessage());

    qint64 total = plan.rows, done = 0;
    const std::function<void()> step = [&] {
        ++done;
        if (hooks.cancelled && hooks.cancelled())
            throw cancelled();
        if (hooks.progress && (done % 64 == 0 || done == total))
            hooks.progress(done, total);
    };
    QList<OrderRow> orders;
    if (plan.kind == Kind::Orders) {
        // An order's lines may lie anywhere in the file and its header sums them all: the
        // orders are gathered before they are written, a few per thousand rows of the file.
        Plan again;
        again.kind = plan.kind;
        Checked scratch;
        Checking c{cnstr, options, again, scratch, sheet, true, &checked};
        checkRows(c, sheet, hooks, false);
        if (again.rows != plan.rows)
            throw CoreError::refusal(changedMessage());
        if (!again.refusals.isEmpty())
            throw CoreError::refusal(again.refusals.first().text());
        orders = std::move(c.orders);
        total = orders.size();
    }
    db::Transaction tx(cnstr);
    Writing w{tx, checked, options, step, {}};
    switch (plan.kind) {
    case Kind::Items: w.items(sheet); break;
    case Kind::Members: w.members(sheet); break;
    case Kind::Orders: w.orders(orders); w.rows = plan.rows; break;
    }
    // The file as it was checked, to its end.
    if (w.rows != plan.rows)
        throw CoreError::refusal(changedMessage());
    checked.requireUnchanged();
    tx.commit();
    return w.result;
}
