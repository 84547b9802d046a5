#include "core/backoffice/ItemStore.h"

#include <functional>

#include <QRegularExpression>
#include <QSet>

#include "core/backoffice/PriceStyleStore.h"
#include "core/backoffice/RecordGuard.h"
#include "core/db/Database.h"
#include "core/db/DbError.h"
#include "core/db/Dialect.h"
#include "core/db/Transaction.h"
#include "core/base/CoreError.h"

namespace {

using Reader = std::function<db::Rows(const QString &, const db::Params &)>;

const QString kItemSql = QStringLiteral("select * from t_icitem where FItemID=?");
const QString kCodesSql = QStringLiteral(
    "select FBarCode, FPriceStyleID, FExchange, FPrice from t_icitem_barcode where FItemID=?"
    " order by FBarCode");
const QString kUsedSql = QStringLiteral(
    "select (select count(*) from ICStockBillEntry where FItemID=?)"
    " + (select count(*) from VipOrderEntry where FItemID=?) as FUsed");
const QString kOwnerSql = QStringLiteral(
    "select t2.FName from t_icitem_code t1 join t_icitem t2 on t2.FItemID=t1.FItemID"
    " where t1.FCode=? and t1.FItemID<>?");

// The id, codes, names and state of a t_icitem row, into a list row or a whole item.
template <typename Item>
void readNames(const db::Row &r, Item &item)
{
    item.id = r.integer(QStringLiteral("FItemID"));
    item.number = r.text(QStringLiteral("FNumber"));
    item.shopNumber = r.text(QStringLiteral("FShopNumber"));
    item.barCode = r.text(QStringLiteral("FBar_Code"));
    item.name = r.text(QStringLiteral("FName"));
    item.model = r.text(QStringLiteral("FModel"));
    item.unit = r.text(QStringLiteral("FUnit"));
    item.disabled = r.integer(QStringLiteral("FDisabled")) != 0;
}

QString priceColumn(int styleId)
{
    return QStringLiteral("FPrice_%1").arg(styleId);
}

std::optional<ItemRecord> loadWith(const Reader &read, int id)
{
    const db::Rows rows = read(kItemSql, {id});
    if (rows.isEmpty())
        return std::nullopt;
    // Every price column the row carries, whichever styles exist now.
    const db::Row &r = rows.first();
    ItemRecord item = ItemStore::fromRow(r, ItemStore::priceColumns(r.columns()));
    item.id = id;
    for (const db::Row &c : read(kCodesSql, {id}))
        item.codes.append({c.text(QStringLiteral("FBarCode")), c.integer(QStringLiteral("FPriceStyleID")),
                           c.integer(QStringLiteral("FExchange")), c.money(QStringLiteral("FPrice"))});
    return item;
}

void checkPrice(Money price, const QString &field)
{
    if (price.isNegative() || price.units() % 100 != 0)
        throw CoreError::refusal(QStringLiteral("价格必须是不小于0、最多两位小数的数！"), field);
}

QString likePattern(const QString &text, bool prefix)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
        .replace(QLatin1Char('%'), QLatin1String("\\%"))
        .replace(QLatin1Char('_'), QLatin1String("\\_"));
    return prefix ? escaped + QLatin1Char('%') : QLatin1Char('%') + escaped + QLatin1Char('%');
}

void refuseStale(db::Transaction &tx, const ItemRecord &asRead)
{
    const Reader read = [&tx](const QString &sql, const db::Params &p) { return tx.query(sql, p); };
    db::Dialect::lockRows(tx, QStringLiteral("select FItemID from t_icitem where FItemID=?"),
                          {asRead.id});
    if (loadWith(read, asRead.id) != asRead)
        throw CoreError::refusal(RecordGuard::staleMessage());
}

} // namespace

QList<ItemStore::Row> ItemStore::search(const QString &cnstr, const QString &text,
                                        int retailStyleId, int limit)
{
    const QString t = text.trimmed();
    QList<Row> list;
    const QString retail = priceColumn(retailStyleId);
    for (const db::Row &r : db::query(cnstr, searchSql(!t.isEmpty()), searchParams(t, limit))) {
        Row row;
        readNames(r, row);
        if (retailStyleId != 0 && r.has(retail) && !r.isNull(retail)) {
            row.hasRetailPrice = true;
            row.retailPrice = r.money(retail);
        }
        list.append(row);
    }
    return list;
}

QString ItemStore::searchSql(bool withText)
{
    QString sql = QStringLiteral("select t1.* from t_icitem t1");
    if (withText)
        sql += QStringLiteral(
            " where t1.FShopNumber like ? escape '\\' or t1.FBar_Code like ? escape '\\'"
            " or t1.FName like ? escape '\\' or t1.FNumber like ? escape '\\'"
            " or t1.FItemID in (select FItemID from t_icitem_barcode where FBarCode like ? escape '\\')");
    return sql + QStringLiteral(" order by t1.FNumber, t1.FItemID limit ?");
}

QVariantList ItemStore::searchParams(const QString &text, int limit)
{
    db::Params params;
    const QString t = text.trimmed();
    if (!t.isEmpty()) {
        const QString prefix = likePattern(t, true), inside = likePattern(t, false);
        params << prefix << prefix << inside << inside << prefix;
    }
    return params << limit;
}

std::optional<ItemRecord> ItemStore::load(const QString &cnstr, int id)
{
    return loadWith([&cnstr](const QString &sql, const db::Params &p) { return db::query(cnstr, sql, p); },
                    id);
}

std::optional<Money> ItemStore::parsePrice(const QString &text, const QString &field)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    static const QRegularExpression number(QStringLiteral("^(\\d{1,10})(?:\\.(\\d*))?$"));
    const QRegularExpressionMatch m = number.match(t);
    QString fraction = m.captured(2);
    while (fraction.endsWith(QLatin1Char('0')))
        fraction.chop(1);
    if (!m.hasMatch() || fraction.size() > 2)
        throw CoreError::refusal(QStringLiteral("价格必须是不小于0、最多两位小数的数！"), field);
    return Money::fromCents(m.captured(1).toLongLong() * 100 +
                            fraction.leftJustified(2, QLatin1Char('0')).toInt());
}

int ItemStore::parsePieces(const QString &text, const QString &field)
{
    static const QRegularExpression whole(QStringLiteral("^\\d{1,6}$"));
    const QString t = text.trimmed();
    const int n = whole.match(t).hasMatch() ? t.toInt() : 0;
    if (n < 1)
        throw CoreError::refusal(QStringLiteral("每包件数必须是不小于1的整数！"), field);
    return n;
}

void ItemStore::check(const ItemRecord &item)
{
    RecordGuard::text(item.name, QStringLiteral("商品名称"), QStringLiteral("txtName"), true);
    const std::pair<const QString *, const char *> fields[] = {
        {&item.number, "txtNumber"}, {&item.shopNumber, "txtShopNumber"},
        {&item.barCode, "txtBarcode"}, {&item.model, "txtModel"}, {&item.unit, "txtUnit"}};
    for (const auto &[text, field] : fields)
        RecordGuard::text(*text, QStringLiteral("输入的内容"), QString::fromLatin1(field), false);
    for (auto it = item.prices.cbegin(); it != item.prices.cend(); ++it)
        checkPrice(it.value(), QStringLiteral("txtPrice_%1").arg(it.key()));
    const QString grid = QStringLiteral("FlexCodes");
    QSet<QString> seen;
    if (!item.barCode.trimmed().isEmpty())
        seen.insert(item.barCode.trimmed());
    for (const PackCode &c : item.codes) {
        const QString code = RecordGuard::text(c.barCode, QStringLiteral("条码"), grid, true);
        if (seen.contains(code))
            throw CoreError::refusal(QStringLiteral("条码“%1”重复！").arg(code), grid);
        seen.insert(code);
        if (c.priceStyleId == 0)
            throw CoreError::refusal(QStringLiteral("请选择条码“%1”的价格体系！").arg(code), grid);
        if (c.exchange < 1)
            throw CoreError::refusal(QStringLiteral("每包件数必须是不小于1的整数！"), grid);
        checkPrice(c.price, grid);
    }
}

int ItemStore::save(const QString &cnstr, const ItemRecord &item, const std::optional<ItemRecord> &asRead)
{
    check(item);
    try {
        db::Transaction tx(cnstr);
        const int id = save(tx, item, asRead);
        tx.commit();
        return id;
    } catch (const db::DbError &) {
        // Another station took a code between our check and our insert (the index said no):
        // name its item, as the check would have.
        for (const QString &code : item.allCodes()) {
            const QString owner = codeOwner(cnstr, code.trimmed(), item.id);
            if (!owner.isEmpty())
                throw CoreError::refusal(QStringLiteral("条码已被商品“%1”使用！").arg(owner),
                                         code == item.barCode ? QStringLiteral("txtBarcode")
                                                              : QStringLiteral("FlexCodes"));
        }
        throw;
    }
}

int ItemStore::save(db::Transaction &tx, const ItemRecord &typed, const std::optional<ItemRecord> &asRead)
{
    check(typed);
    ItemRecord item = typed;
    for (QString *t : {&item.number, &item.shopNumber, &item.barCode, &item.name, &item.model, &item.unit})
        *t = t->trimmed();
    for (PackCode &c : item.codes)
        c.barCode = c.barCode.trimmed();

    RecordGuard::lock(tx, RecordGuard::Kind::Items);
    int id = asRead ? asRead->id : 0;
    if (asRead)
        refuseStale(tx, *asRead);
    else
        id = RecordGuard::nextId(tx, QStringLiteral("t_icitem"), QStringLiteral("FItemID"));

    for (const QString &code : item.allCodes()) {
        const db::Rows owner = tx.query(kOwnerSql, {code, id});
        if (!owner.isEmpty())
            throw CoreError::refusal(
                QStringLiteral("条码已被商品“%1”使用！").arg(owner.first().text(QStringLiteral("FName"))),
                code == item.barCode ? QStringLiteral("txtBarcode") : QStringLiteral("FlexCodes"));
    }

    // Price columns of the styles that exist; a style without a typed price gets NULL.
    QStringList columns{QStringLiteral("FNumber"), QStringLiteral("FShopNumber"), QStringLiteral("FBar_Code"),
                        QStringLiteral("FName"), QStringLiteral("FModel"), QStringLiteral("FUnit")};
    db::Params values{item.number, item.shopNumber, item.barCode, item.name, item.model, item.unit};
    for (const PriceStyleStore::Style &s : PriceStyleStore::list(tx)) {
        columns << priceColumn(s.id);
        values << (item.prices.contains(s.id) ? item.prices.value(s.id).toVariant()
                                              : QVariant(QMetaType::fromType<double>()));
    }
    if (asRead) {
        QStringList sets;
        for (const QString &c : columns)
            sets << c + QStringLiteral("=?");
        tx.execute(QStringLiteral("update t_icitem set %1 where FItemID=?").arg(sets.join(QLatin1Char(','))),
                   values << id);
    } else {
        columns << QStringLiteral("FDisabled") << QStringLiteral("FItemID");
        values << 0 << id;
        tx.execute(QStringLiteral("insert into t_icitem (%1) values (%2)")
                       .arg(columns.join(QLatin1Char(',')),
                            QStringList(columns.size(), QStringLiteral("?")).join(QLatin1Char(','))),
                   values);
    }
    tx.execute(QStringLiteral("delete from t_icitem_barcode where FItemID=?"), {id});
    tx.execute(QStringLiteral("delete from t_icitem_code where FItemID=?"), {id});
    for (const PackCode &c : item.codes)
        tx.execute(QStringLiteral("insert into t_icitem_barcode (FItemID, FBarCode, FPriceStyleID,"
                                  " FExchange, FPrice) values (?,?,?,?,?)"),
                   {id, c.barCode, c.priceStyleId, c.exchange, c.price.toVariant()});
    for (const QString &code : item.allCodes())
        tx.execute(QStringLiteral("insert into t_icitem_code (FCode, FItemID) values (?,?)"), {code, id});
    return id;
}

bool ItemStore::isUsed(const QString &cnstr, int id)
{
    return db::scalar(cnstr, kUsedSql, {id, id}).toInt() > 0;
}

void ItemStore::setDisabled(const QString &cnstr, const ItemRecord &asRead, bool disabled)
{
    db::Transaction tx(cnstr);
    RecordGuard::lock(tx, RecordGuard::Kind::Items);
    refuseStale(tx, asRead);
    tx.execute(QStringLiteral("update t_icitem set FDisabled=? where FItemID=?"), {disabled ? 1 : 0, asRead.id});
    tx.commit();
}

void ItemStore::remove(const QString &cnstr, const ItemRecord &asRead)
{
    db::Transaction tx(cnstr);
    RecordGuard::lock(tx, RecordGuard::Kind::Items);
    refuseStale(tx, asRead);
    if (tx.scalar(kUsedSql, {asRead.id, asRead.id}).toInt() > 0)
        throw CoreError::refusal(QStringLiteral("商品“%1”已被单据使用，不能删除，请停用！").arg(asRead.name));
    for (const char *table : {"t_icitem_code", "t_icitem_barcode", "t_icitem"})
        tx.execute(QStringLiteral("delete from %1 where FItemID=?").arg(QLatin1String(table)), {asRead.id});
    tx.commit();
}

QString ItemStore::codeOwner(const QString &cnstr, const QString &code, int exceptItemId)
{
    const db::Rows rows = db::query(cnstr, kOwnerSql, {code, exceptItemId});
    return rows.isEmpty() ? QString() : rows.first().text(QStringLiteral("FName"));
}

QStringList ItemRecord::allCodes() const
{
    QStringList all;
    if (!barCode.isEmpty())
        all << barCode;
    for (const PackCode &c : codes)
        all << c.barCode;
    return all;
}

ItemStore::PriceColumns ItemStore::priceColumns(const QStringList &columns)
{
    PriceColumns prices;
    for (const QString &column : columns) {
        bool ok = false;
        const int style = column.mid(7).toInt(&ok);
        if (column.startsWith(QLatin1String("fprice_"), Qt::CaseInsensitive) && ok)
            prices.append({column, style});
    }
    return prices;
}

ItemRecord ItemStore::fromRow(const db::Row &r, const PriceColumns &prices)
{
    ItemRecord item;
    readNames(r, item);
    for (const auto &[column, style] : prices)
        if (!r.isNull(column))
            item.prices.insert(style, r.money(column));
    return item;
}
