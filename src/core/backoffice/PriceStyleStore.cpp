#include "core/backoffice/PriceStyleStore.h"

#include "core/backoffice/RecordGuard.h"
#include "core/db/Database.h"
#include "core/db/Dialect.h"
#include "core/db/Transaction.h"
#include "core/base/CoreError.h"

namespace {

const QString kNameField = QStringLiteral("txtName");

QString checkedName(const QString &typed)
{
    return RecordGuard::text(typed, QStringLiteral("价格体系名称"), kNameField, true);
}

void refuseTakenName(db::Transaction &tx, const QString &name, int exceptId)
{
    if (tx.scalar(QStringLiteral("select count(*) from t_pricestyle where FName=? and FItemID<>?"),
                  {name, exceptId})
            .toInt() > 0)
        throw CoreError::refusal(QStringLiteral("价格体系“%1”已存在！").arg(name), kNameField);
}

// The style as it is now, refused as stale when it is gone or no longer what was read.
void refuseStale(db::Transaction &tx, const PriceStyleStore::Style &asRead)
{
    const db::Rows rows =
        tx.query(QStringLiteral("select FName from t_pricestyle where FItemID=?"), {asRead.id});
    if (rows.isEmpty() || rows.first().text(QStringLiteral("FName")) != asRead.name)
        throw CoreError::refusal(RecordGuard::staleMessage());
}

void refuseRetail(const PriceStyleStore::Style &style, const QString &what)
{
    if (style.name == PriceStyleStore::retailName())
        throw CoreError::refusal(
            QStringLiteral("“%1”是前台使用的价格，不能%2！").arg(style.name, what));
}

} // namespace

QString PriceStyleStore::retailName()
{
    return QStringLiteral("零售价");
}

namespace {
const QString kListSql = QStringLiteral("select FItemID, FName from t_pricestyle order by FItemID");

QList<PriceStyleStore::Style> styles(const db::Rows &rows)
{
    QList<PriceStyleStore::Style> list;
    for (const db::Row &r : rows)
        list.append({r.integer(QStringLiteral("FItemID")), r.text(QStringLiteral("FName"))});
    return list;
}
} // namespace

QList<PriceStyleStore::Style> PriceStyleStore::list(const QString &cnstr)
{
    return styles(db::query(cnstr, kListSql));
}

QList<PriceStyleStore::Style> PriceStyleStore::list(db::Transaction &tx)
{
    return styles(tx.query(kListSql));
}

int PriceStyleStore::add(const QString &cnstr, const QString &name)
{
    const QString checked = checkedName(name);
    db::Transaction tx(cnstr);
    const int id = add(tx, checked);
    tx.commit();
    return id;
}

int PriceStyleStore::add(db::Transaction &tx, const QString &name)
{
    const QString checked = checkedName(name);
    RecordGuard::lock(tx, RecordGuard::Kind::PriceStyles);
    refuseTakenName(tx, checked, 0);
    const int id = RecordGuard::nextId(tx, QStringLiteral("t_pricestyle"), QStringLiteral("FItemID"));
    tx.execute(QStringLiteral("insert into t_pricestyle (FItemID, FName) values (?, ?)"), {id, checked});
    // The id is a number we made, never typed text, so it may stand in the column name.
    tx.execute(db::Dialect::ddl(tx.engine(),
                                QStringLiteral("alter table t_icitem add column FPrice_%1 {MONEY}").arg(id)));
    return id;
}

void PriceStyleStore::rename(const QString &cnstr, const Style &asRead, const QString &newName)
{
    const QString checked = checkedName(newName);
    refuseRetail(asRead, QStringLiteral("改名"));
    db::Transaction tx(cnstr);
    RecordGuard::lock(tx, RecordGuard::Kind::PriceStyles);
    refuseStale(tx, asRead);
    refuseTakenName(tx, checked, asRead.id);
    tx.execute(QStringLiteral("update t_pricestyle set FName=? where FItemID=?"), {checked, asRead.id});
    tx.commit();
}

void PriceStyleStore::remove(const QString &cnstr, const Style &asRead)
{
    refuseRetail(asRead, QStringLiteral("删除"));
    db::Transaction tx(cnstr);
    RecordGuard::lock(tx, RecordGuard::Kind::PriceStyles);
    refuseStale(tx, asRead);
    if (tx.scalar(QStringLiteral("select count(*) from t_icitem_barcode where FPriceStyleID=?"), {asRead.id})
            .toInt() > 0)
        throw CoreError::refusal(
            QStringLiteral("价格体系“%1”已被商品条码使用，不能删除！").arg(asRead.name));
    tx.execute(QStringLiteral("delete from t_pricestyle where FItemID=?"), {asRead.id});
    tx.execute(QStringLiteral("alter table t_icitem drop column FPrice_%1").arg(asRead.id));
    tx.commit();
}
