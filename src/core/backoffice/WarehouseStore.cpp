#include "core/backoffice/WarehouseStore.h"

#include <QStringList>

#include "core/backoffice/RecordGuard.h"
#include "core/db/Database.h"
#include "core/db/Dialect.h"
#include "core/db/Transaction.h"
#include "core/base/CoreError.h"

namespace {

WarehouseStore::Warehouse fromRow(const db::Row &r)
{
    return {r.integer(QStringLiteral("FItemID")), r.text(QStringLiteral("FNumber")),
            r.text(QStringLiteral("FName")), r.integer(QStringLiteral("FDisabled")) != 0};
}

void refuseStale(db::Transaction &tx, const WarehouseStore::Warehouse &asRead)
{
    const QString lock = db::Dialect::forUpdate(tx.engine());
    const db::Rows rows = tx.query(
        QStringLiteral("select FItemID, FNumber, FName, FDisabled from t_stock where FItemID=?") + lock,
        {asRead.id});
    if (rows.isEmpty() || fromRow(rows.first()) != asRead)
        throw CoreError::refusal(RecordGuard::staleMessage());
}

} // namespace

QList<WarehouseStore::Warehouse> WarehouseStore::list(const QString &cnstr, bool withDisabled)
{
    QList<Warehouse> list;
    for (const db::Row &r : db::query(cnstr, QStringLiteral("select FItemID, FNumber, FName, FDisabled"
                                                           " from t_stock order by FNumber, FItemID"))) {
        const Warehouse w = fromRow(r);
        if (withDisabled || !w.disabled)
            list.append(w);
    }
    return list;
}

int WarehouseStore::save(const QString &cnstr, const Warehouse &warehouse, const std::optional<Warehouse> &asRead)
{
    db::Transaction tx(cnstr);
    const int id = save(tx, warehouse, asRead);
    tx.commit();
    return id;
}

int WarehouseStore::save(db::Transaction &tx, const Warehouse &warehouse, const std::optional<Warehouse> &asRead)
{
    const QString name = RecordGuard::text(warehouse.name, QStringLiteral("仓库名称"), QStringLiteral("txtName"), true);
    const QString number = RecordGuard::text(warehouse.number, QStringLiteral("仓库编号"), QStringLiteral("txtNumber"), false);
    RecordGuard::lock(tx, RecordGuard::Kind::Warehouses);
    int id = 0;
    if (asRead) {
        refuseStale(tx, *asRead);
        id = asRead->id;
    } else {
        id = RecordGuard::nextId(tx, QStringLiteral("t_stock"), QStringLiteral("FItemID"));
    }
    // The sale screen finds its warehouse by name: two of one name would be one.
    if (tx.scalar(QStringLiteral("select count(*) from t_stock where FName=? and FItemID<>?"), {name, id}).toInt() > 0)
        throw CoreError::refusal(QStringLiteral("仓库“%1”已存在！").arg(name), QStringLiteral("txtName"));
    if (asRead)
        tx.execute(QStringLiteral("update t_stock set FNumber=?, FName=? where FItemID=?"), {number, name, id});
    else
        tx.execute(QStringLiteral("insert into t_stock (FItemID, FNumber, FName, FDisabled) values (?,?,?,0)"),
                   {id, number, name});
    return id;
}

void WarehouseStore::setDisabled(const QString &cnstr, const Warehouse &asRead, bool disabled)
{
    db::Transaction tx(cnstr);
    RecordGuard::lock(tx, RecordGuard::Kind::Warehouses);
    refuseStale(tx, asRead);
    if (disabled &&
        tx.scalar(QStringLiteral("select count(*) from t_stock where coalesce(FDisabled,0)=0 and FItemID<>?"),
                  {asRead.id})
                .toInt() == 0)
        throw CoreError::refusal(QStringLiteral("至少要保留一个启用的仓库！"));
    tx.execute(QStringLiteral("update t_stock set FDisabled=? where FItemID=?"), {disabled ? 1 : 0, asRead.id});
    tx.commit();
}
