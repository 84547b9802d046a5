#include "core/exchange/ShopImport.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include "core/backoffice/PriceStyleStore.h"
#include "core/backoffice/RecordGuard.h"
#include "core/db/BillNumbers.h"
#include "core/db/Dialect.h"
#include "core/db/Database.h"
#include "core/db/Transaction.h"
#include "core/exchange/BulkRows.h"
#include "core/exchange/SheetReader.h"
#include "core/base/CoreError.h"
#include "core/frame/Routines.h"
#include "core/members/CardNumbers.h"
#include "core/members/StoredValueLedger.h"
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
    QHash<QString, int> at;
    QMap<int, int> prices;        // style id -> column
    QHash<QString, QString> names; // key -> the header as written
    int headerRow = 0;

    QString cell(const QStringList &cells, const QString &key) const
    {
        const int i = at.value(key, -1);
        return i >= 0 && i < cells.size() ? cells.at(i).trimmed() : QString();
    }
    bool has(const QString &key) const { return at.contains(key); }
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

QHash<QString, int> hashOf(const QString &cnstr, const QString &sql, const db::Params &params = {})
{
    QHash<QString, int> h;
    for (const db::Row &r : db::query(cnstr, sql, params))
        h.insert(r.text(QStringLiteral("FKey")), r.integer(QStringLiteral("FID")));
    return h;
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

struct Reading
{
    const QString &cnstr;
    const ShopImport::Options &options;
    ShopImport::Plan &plan;
    Layout layout;
    QList<PriceStyleStore::Style> styles;
    int retailId = 0;
    // Keys seen so far in the file, with their row.
    QHash<QString, int> seen, codesSeen;
    QHash<QString, int> shopNumbers, codes, orderKeys;
    QHash<QString, int> orderIndex; // external number -> index in plan.orders
    QHash<int, ItemRecord> stored;   // items with a shop number, by id
    QList<int> memberRows;           // rows of plan.members whose balance is still to check

    void refuse(int row, const QString &key, const QString &reason)
    {
        plan.refusals.append({row, layout.names.value(key, key), reason});
    }

    bool codesRead = false;

    void readCodes()
    {
        codes = hashOf(cnstr, QStringLiteral("select FCode as FKey, FItemID as FID from t_icitem_code"));
        codesRead = true;
    }

    void prepare(Kind kind)
    {
        if (kind == Kind::Items || kind == Kind::Orders)
            shopNumbers = hashOf(cnstr, QStringLiteral(
                "select FShopNumber as FKey, min(FItemID) as FID from t_icitem"
                " where FShopNumber is not null and FShopNumber<>'' group by FShopNumber"));
        // Orders name their items by shop number as a rule: the codes only once one does not.
        if (kind == Kind::Items)
            readCodes();
        // Once for the whole file, not an item a row.
        if (kind == Kind::Items && !shopNumbers.isEmpty())
            stored = bulk::itemsWithShopNumbers(bulk::on(cnstr));
        if (kind == Kind::Orders)
            orderKeys = hashOf(cnstr, QStringLiteral(
                "select FRemark as FKey, FInterID as FID from VipOrder where FRemark like ?"),
                               {ShopImport::orderKeyPrefix() + QStringLiteral("%")});
    }

    void item(int row, const QStringList &cells)
    {
        const Layout &l = layout;
        ItemRecord it;
        const QString shop = l.cell(cells, "shop");
        if (shop.isEmpty())
            return refuse(row, "shop", QStringLiteral("不能为空"));
        if (seen.contains(shop))
            return refuse(row, "shop", QStringLiteral("与第%1行重复").arg(seen.value(shop)));
        seen.insert(shop, row);
        std::optional<ItemRecord> storedItem;
        if (const int id = shopNumbers.value(shop, 0)) {
            const auto at = stored.constFind(id);
            if (at != stored.cend())
                storedItem = *at;
            if (storedItem)
                it = *storedItem;
        }
        it.shopNumber = shop;
        it.name = l.cell(cells, "name");
        if (l.has("number"))
            it.number = l.cell(cells, "number");
        if (it.number.isEmpty())
            it.number = shop;
        for (const char *k : {"bar", "model", "unit"}) {
            if (!l.has(k))
                continue;
            QString &target = QLatin1StringView(k) == QLatin1StringView("bar") ? it.barCode
                              : QLatin1StringView(k) == QLatin1StringView("model") ? it.model
                                                                                   : it.unit;
            target = l.cell(cells, k);
        }
        try {
            for (auto p = l.prices.cbegin(); p != l.prices.cend(); ++p) {
                const QString key = QStringLiteral("price_%1").arg(p.key());
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
                    one.at.insert("v", 0);
                    c.price = money(one, {prices.value(i)}, "v");
                    c.priceStyleId = retailId;
                    if (!styleNames.value(i).isEmpty()) {
                        c.priceStyleId = 0;
                        for (const PriceStyleStore::Style &s : styles)
                            if (s.name == styleNames.value(i))
                                c.priceStyleId = s.id;
                        if (c.priceStyleId == 0)
                            throw CoreError::refusal(QStringLiteral("没有价格体系“%1”").arg(styleNames.value(i)), QStringLiteral("packStyle"));
                    }
                    it.codes.append(c);
                }
            }
        } catch (const CoreError &e) {
            return refuse(row, e.field(), e.message());
        }
        try {
            ItemStore::check(it);
        } catch (const CoreError &e) {
            return refuse(row, itemKeyOf(e.field()), stripped(e.message()));
        }
        QStringList all;
        if (!it.barCode.isEmpty())
            all << it.barCode;
        for (const PackCode &c : std::as_const(it.codes))
            all << c.barCode;
        for (const QString &code : std::as_const(all)) {
            const QString key = code == it.barCode ? QStringLiteral("bar") : QStringLiteral("packs");
            if (codesSeen.contains(code))
                return refuse(row, key, QStringLiteral("条码“%1”与第%2行重复").arg(code).arg(codesSeen.value(code)));
            const int owner = codes.value(code, 0);
            if (owner != 0 && owner != it.id) {
                const auto other = ItemStore::load(cnstr, owner);
                return refuse(row, key, QStringLiteral("已被商品“%1”使用").arg(other ? other->name : code));
            }
        }
        for (const QString &code : std::as_const(all))
            codesSeen.insert(code, row);
        plan.items.append({row, std::move(it), std::move(storedItem)});
    }

    void member(int row, const QStringList &cells)
    {
        const Layout &l = layout;
        ShopImport::MemberRow m;
        m.row = row;
        m.vipNo = l.cell(cells, "card");
        if (m.vipNo.isEmpty())
            return refuse(row, "card", QStringLiteral("不能为空"));
        if (seen.contains(m.vipNo))
            return refuse(row, "card", QStringLiteral("与第%1行重复").arg(seen.value(m.vipNo)));
        seen.insert(m.vipNo, row);
        m.owner = l.cell(cells, "owner");
        m.vipId = l.cell(cells, "vipId");
        m.phone = l.cell(cells, "phone");
        try {
            m.opening = money(l, cells, "balance");
        } catch (const CoreError &e) {
            return refuse(row, e.field(), e.message());
        }
        plan.members.append(m);
    }

    // The cards' balances, read a list of cards at a time once every row is in: a card holding
    // another balance is refused unless the user chose to update it.
    void checkBalances()
    {
        db::Params cards;
        cards.reserve(plan.members.size());
        for (const ShopImport::MemberRow &m : std::as_const(plan.members))
            cards << m.vipNo;
        const QHash<QString, Balance> now = balancesOf(bulk::on(cnstr), cards);
        QList<ShopImport::MemberRow> kept;
        for (const ShopImport::MemberRow &m : std::as_const(plan.members)) {
            const Money balance = now.value(m.vipNo).balance;
            if (!balance.isZero() && balance != m.opening && !options.update)
                refuse(m.row, "card", QStringLiteral("卡内已有余额 %1 元（选择“更新”可改为表中的余额）").arg(balance.format()));
            else
                kept.append(m);
        }
        plan.members = kept;
        // Refusals in the order of the rows, as they were found before.
        std::stable_sort(plan.refusals.begin(), plan.refusals.end(),
                         [](const ShopImport::Refusal &a, const ShopImport::Refusal &b) { return a.row < b.row; });
    }

    void orderLine(int row, const QStringList &cells)
    {
        const Layout &l = layout;
        const QString key = l.cell(cells, "key");
        if (key.isEmpty())
            return refuse(row, "key", QStringLiteral("不能为空"));
        const QString card = l.cell(cells, "card");
        if (card.isEmpty())
            return refuse(row, "card", QStringLiteral("不能为空"));
        const QString itemText = l.cell(cells, "item");
        int itemId = shopNumbers.value(itemText, 0);
        if (itemId == 0 && !codesRead)
            readCodes();
        if (itemId == 0)
            itemId = codes.value(itemText, 0);
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
            ShopImport::OrderRow o;
            o.row = row;
            o.key = key;
            o.storedId = orderKeys.value(ShopImport::orderKeyPrefix() + key, 0);
            o.order.vipNo = card;
            o.order.owner = l.cell(cells, "owner");
            o.order.phone = l.cell(cells, "phone");
            o.order.vipId = l.cell(cells, "vipId");
            o.order.date = orderDate.isValid() ? orderDate : options.today;
            o.order.remark = ShopImport::orderKeyPrefix() + key;
            plan.orders.append(o);
            at = orderIndex.insert(key, int(plan.orders.size() - 1));
        }
        ShopImport::OrderRow &o = plan.orders[at.value()];
        if (o.order.vipNo != card)
            return refuse(row, "card", QStringLiteral("与同一单号第%1行的卡号不同").arg(o.row));
        o.order.lines.append(line);
        o.paid = o.paid + paid;
    }
};

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
    Plan plan;
    plan.kind = kind;
    Reading r{cnstr, options, plan, {}, {}, 0, {}, {}, {}, {}, {}, {}, {}, {}, false};
    SheetReader sheet(path);
    SheetReader::Row row;
    if (!sheet.next(row))
        throw CoreError::refusal(QStringLiteral("表格是空的"));

    // The header: known names in any order; for items, a price style's name is its price.
    const QList<Column> known = columnsOf(kind);
    if (kind == Kind::Items) {
        r.styles = PriceStyleStore::list(cnstr);
        for (const PriceStyleStore::Style &s : std::as_const(r.styles))
            if (s.name == PriceStyleStore::retailName())
                r.retailId = s.id;
    }
    r.layout.headerRow = row.number;
    for (int i = 0; i < row.cells.size(); ++i) {
        const QString h = normalized(row.cells.at(i));
        if (h.isEmpty())
            continue;
        bool matched = false;
        for (const Column &c : known) {
            for (const QString &n : c.names)
                if (normalized(n) == h && !r.layout.at.contains(c.key)) {
                    r.layout.at.insert(c.key, i);
                    r.layout.names.insert(c.key, c.names.first());
                    matched = true;
                }
            if (matched)
                break;
        }
        if (matched || kind != Kind::Items)
            continue;
        for (const PriceStyleStore::Style &s : std::as_const(r.styles)) {
            const bool retail = s.id == r.retailId &&
                                (h == QLatin1StringView("retailprice") || h == QLatin1StringView("price"));
            if ((normalized(s.name) == h || retail) && !r.layout.prices.contains(s.id)) {
                const QString key = QStringLiteral("price_%1").arg(s.id);
                r.layout.prices.insert(s.id, i);
                r.layout.at.insert(key, i);
                r.layout.names.insert(key, s.name);
            }
        }
    }
    QStringList missing;
    for (const Column &c : known)
        if (c.required && !r.layout.has(c.key))
            missing << c.names.first();
    if (!missing.isEmpty())
        throw CoreError::refusal(QStringLiteral("第%1行的表头缺少必需的列：%2")
                                     .arg(row.number)
                                     .arg(missing.join(QStringLiteral("、"))));
    for (const Column &c : known)
        if (r.layout.has(c.key))
            plan.columns << c.names.first();
    for (auto p = r.layout.prices.cbegin(); p != r.layout.prices.cend(); ++p)
        plan.columns << r.layout.names.value(QStringLiteral("price_%1").arg(p.key()));

    r.prepare(kind);
    while (sheet.next(row)) {
        ++plan.rows;
        if (plan.firstRows.size() < 20) {
            QStringList shown;
            for (const Column &c : known)
                if (r.layout.has(c.key))
                    shown << r.layout.cell(row.cells, c.key);
            for (auto p = r.layout.prices.cbegin(); p != r.layout.prices.cend(); ++p)
                shown << r.layout.cell(row.cells, QStringLiteral("price_%1").arg(p.key()));
            plan.firstRows << shown;
        }
        switch (kind) {
        case Kind::Items: r.item(row.number, row.cells); break;
        case Kind::Members: r.member(row.number, row.cells); break;
        case Kind::Orders: r.orderLine(row.number, row.cells); break;
        }
        if (plan.rows % 256 == 0) {
            if (hooks.progress)
                hooks.progress(sheet.done(), sheet.total());
            if (hooks.cancelled && hooks.cancelled())
                throw cancelled();
        }
    }
    if (kind == Kind::Members)
        r.checkBalances();
    if (sheet.hasMergedCells())
        throw CoreError::refusal(QStringLiteral("表格中有合并的单元格，请取消合并后再导入"));
    if (plan.rows == 0)
        throw CoreError::refusal(QStringLiteral("表格中只有表头，没有数据"));
    if (hooks.progress)
        hooks.progress(sheet.total(), sheet.total());
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

// The write of a plan: the keys read again under the locks (another station may have written
// since the file was checked), then every row with statements prepared once, many rows each.
struct Writing
{
    db::Transaction &tx;
    const ShopImport::Plan &plan;
    const ShopImport::Options &options;
    const std::function<void()> &step;
    ShopImport::Result result;

    [[noreturn]] static void refuse(int row, const QString &column, const QString &reason)
    {
        throw CoreError::refusal(ShopImport::Refusal{row, column, reason}.text());
    }

    void items()
    {
        const bulk::Run run = bulk::on(tx);
        RecordGuard::lock(tx, RecordGuard::Kind::Items);
        const QHash<QString, int> shops = keysOf(run, QStringLiteral(
            "select FShopNumber as FKey, min(FItemID) as FID from t_icitem"
            " where FShopNumber is not null and FShopNumber<>'' group by FShopNumber"));
        const QHash<QString, int> codes =
            keysOf(run, QStringLiteral("select FCode as FKey, FItemID as FID from t_icitem_code"));
        const bool anyStored = std::any_of(plan.items.cbegin(), plan.items.cend(),
                                           [](const ShopImport::ItemRow &i) { return i.stored.has_value(); });
        const QHash<int, ItemRecord> now = anyStored ? bulk::itemsWithShopNumbers(run) : QHash<int, ItemRecord>();
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
        int next = RecordGuard::nextId(tx, QStringLiteral("t_icitem"), QStringLiteral("FItemID"));

        db::Params changed;                                       // updated items: codes anew
        QList<std::pair<int, const ItemRecord *>> written;        // id and item, for the codes
        for (const ShopImport::ItemRow &i : plan.items) {
            if (i.stored && *i.stored == i.item) {
                ++result.unchanged;
                step();
                continue;
            }
            const ItemRecord &it = i.item;
            int id = 0;
            if (i.stored) {
                id = i.stored->id;
                const auto at = now.constFind(id);
                if (at == now.cend() || *at != *i.stored)
                    refuse(i.row, QString(), stale);
            } else {
                // Added by another station since the file was read: not added twice.
                if (shops.contains(it.shopNumber))
                    refuse(i.row, QString(), stale);
                id = next++;
            }
            for (const QString &code : it.allCodes()) {
                const int owner = codes.value(code, 0);
                if (owner != 0 && owner != id)
                    refuse(i.row, QString(),
                           QStringLiteral("条码已被商品“%1”使用")
                               .arg(tx.scalar(QStringLiteral("select FName from t_icitem where FItemID=?"), {owner})
                                        .toString()));
            }
            db::Params values{it.number, it.shopNumber, it.barCode, it.name, it.model, it.unit};
            for (const int style : std::as_const(styles))
                values << (it.prices.contains(style) ? it.prices.value(style).toVariant()
                                                     : QVariant(QMetaType::fromType<double>()));
            if (i.stored) {
                tx.execute(update, values << id);
                changed << id;
                ++result.updated;
            } else {
                added.add(values << 0 << id);
                ++result.added;
            }
            written.append({id, &it});
            step();
        }
        added.flush();
        bulk::in(run, QStringLiteral("delete from t_icitem_barcode where FItemID in (%1)"), changed);
        bulk::in(run, QStringLiteral("delete from t_icitem_code where FItemID in (%1)"), changed);
        bulk::Insert packs(tx, QStringLiteral("insert into t_icitem_barcode (FItemID, FBarCode, FPriceStyleID,"
                                              " FExchange, FPrice)"),
                           QStringLiteral("(?,?,?,?,?)"));
        bulk::Insert owned(tx, QStringLiteral("insert into t_icitem_code (FCode, FItemID)"), QStringLiteral("(?,?)"));
        for (const auto &[id, it] : std::as_const(written)) {
            for (const PackCode &c : it->codes)
                packs.add({id, c.barCode, c.priceStyleId, c.exchange, c.price.toVariant()});
            for (const QString &code : it->allCodes())
                owned.add({code, id});
        }
        packs.flush();
        owned.flush();
    }

    void members()
    {
        const bulk::Run run = bulk::on(tx);
        db::Params cards;
        cards.reserve(plan.members.size());
        for (const ShopImport::MemberRow &m : plan.members)
            cards << m.vipNo;
        // Each card locked as every writer of a card locks it, in the order of the numbers, so
        // that two imports sharing cards queue instead of deadlocking.
        QStringList cardKeys;
        for (const QVariant &c : cards)
            cardKeys << c.toString();
        db::Dialect::lockKeys(tx, cardKeys);
        // Inside the locks: a number given up in a card replacement is refused.
        for (const db::Row &r : bulk::in(run, QStringLiteral("select FOldVipNo from t_VipCardReplaced"
                                                             " where FOldVipNo in (%1)"),
                                         cards)) {
            const QString card = r.text(QStringLiteral("FOldVipNo"));
            for (const ShopImport::MemberRow &m : plan.members)
                if (m.vipNo == card)
                    refuse(m.row, QStringLiteral("卡号"),
                           stripped(CardNumbers::replacedMessage(CardNumbers::replacedBy(tx, card))));
        }
        // Read again under the locks: a station may have moved money since the check.
        const QHash<QString, Balance> balances = balancesOf(run, cards);
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
        for (const ShopImport::MemberRow &m : plan.members) {
            const Balance b = balances.value(m.vipNo);
            if (b.known && b.balance == m.opening) {
                ++result.unchanged;
            } else {
                if (!b.balance.isZero() && !options.update)
                    refuse(m.row, QStringLiteral("卡号"),
                           QStringLiteral("卡内已有余额 %1 元（选择“更新”可改为表中的余额）").arg(b.balance.format()));
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

    void orders()
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
        for (const ShopImport::OrderRow &o : plan.orders) {
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
        QList<std::pair<int, const ShopImport::OrderRow *>> written;
        for (const ShopImport::OrderRow &o : plan.orders) {
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
    const qint64 total = plan.items.size() + plan.members.size() + plan.orders.size();
    qint64 done = 0;
    const std::function<void()> step = [&] {
        ++done;
        if (hooks.cancelled && hooks.cancelled())
            throw cancelled();
        if (hooks.progress && (done % 64 == 0 || done == total))
            hooks.progress(done, total);
    };
    db::Transaction tx(cnstr);
    Writing w{tx, plan, options, step, {}};
    if (!plan.items.isEmpty())
        w.items();
    if (!plan.members.isEmpty())
        w.members();
    if (!plan.orders.isEmpty())
        w.orders();
    tx.commit();
    return w.result;
}
