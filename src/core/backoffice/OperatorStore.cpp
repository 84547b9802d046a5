#include "core/backoffice/OperatorStore.h"

#include "core/backoffice/RecordGuard.h"
#include "core/db/Database.h"
#include "core/db/Dialect.h"
#include "core/db/Transaction.h"
#include "core/base/CoreError.h"
#include "core/frame/PasswordHash.h"

namespace {

const QString kColumns = QStringLiteral("FUserID, FUserName, FManager, FAllowQuerydAys, FDisabled");

OperatorStore::Operator fromRow(const db::Row &r)
{
    return {r.integer(QStringLiteral("FUserID")), r.text(QStringLiteral("FUserName")),
            r.integer(QStringLiteral("FManager")) == 1, r.integer(QStringLiteral("FAllowQuerydAys")),
            r.integer(QStringLiteral("FDisabled")) != 0};
}

void refuseStale(db::Transaction &tx, const OperatorStore::Operator &asRead)
{
    const QString lock = db::Dialect::forUpdate(tx.engine());
    const db::Rows rows =
        tx.query(QStringLiteral("select %1 from t_user where FUserID=?").arg(kColumns) + lock, {asRead.id});
    if (rows.isEmpty() || fromRow(rows.first()) != asRead)
        throw CoreError::refusal(RecordGuard::staleMessage());
}

QString checkedName(const OperatorStore::Operator &op)
{
    if (op.allowQueryDays < 0)
        throw CoreError::refusal(QStringLiteral("查询天数不能小于0！"), QStringLiteral("txtDays"));
    return RecordGuard::text(op.name, QStringLiteral("操作员名称"), QStringLiteral("txtName"), true);
}

void refuseTakenName(db::Transaction &tx, const QString &name, int exceptId)
{
    if (tx.scalar(QStringLiteral("select count(*) from t_user where FUserName=? and FUserID<>?"), {name, exceptId})
            .toInt() > 0)
        throw CoreError::refusal(QStringLiteral("操作员“%1”已存在！").arg(name), QStringLiteral("txtName"));
}

QString checkedHash(const QString &password, const QString &confirm)
{
    if (password.isEmpty())
        throw CoreError::refusal(QStringLiteral("请输入密码！"), QStringLiteral("txtPassword"));
    if (password != confirm)
        throw CoreError::refusal(QStringLiteral("两次输入的密码不一致！"), QStringLiteral("txtConfirm"));
    if (password.size() > RecordGuard::MaxLength)
        throw CoreError::refusal(QStringLiteral("密码太长！"), QStringLiteral("txtPassword"));
    return PasswordHash::hash(password);
}

// Inside the operators' lock: whether another enabled manager remains.
void refuseLastManager(db::Transaction &tx, int id)
{
    if (tx.scalar(QStringLiteral("select count(*) from t_user where FManager=1 and coalesce(FDisabled,0)=0"
                                 " and FUserID<>?"),
                  {id})
            .toInt() == 0)
        throw CoreError::refusal(QStringLiteral("至少要保留一个启用的店长！"));
}

} // namespace

QList<OperatorStore::Operator> OperatorStore::list(const QString &cnstr)
{
    QList<Operator> list;
    for (const db::Row &r : db::query(cnstr, QStringLiteral("select %1 from t_user order by FUserID").arg(kColumns)))
        list.append(fromRow(r));
    return list;
}

namespace {

int insertHashed(db::Transaction &tx, const OperatorStore::Operator &op, const QString &name,
                 const QString &hash)
{
    RecordGuard::lock(tx, RecordGuard::Kind::Operators);
    refuseTakenName(tx, name, 0);
    const int id = RecordGuard::nextId(tx, QStringLiteral("t_user"), QStringLiteral("FUserID"));
    tx.execute(QStringLiteral("insert into t_user (FUserID, FUserName, FManager, FAllowQuerydAys,"
                              " FPasswordHash, FDisabled) values (?,?,?,?,?,0)"),
               {id, name, op.manager ? 1 : 0, op.allowQueryDays, hash});
    return id;
}

} // namespace

int OperatorStore::add(const QString &cnstr, const Operator &op, const QString &password, const QString &confirm)
{
    const QString name = checkedName(op);
    const QString hash = checkedHash(password, confirm); // slow on purpose: outside the lock
    db::Transaction tx(cnstr);
    const int id = insertHashed(tx, op, name, hash);
    tx.commit();
    return id;
}

int OperatorStore::add(db::Transaction &tx, const Operator &op, const QString &password, const QString &confirm)
{
    const QString name = checkedName(op);
    return insertHashed(tx, op, name, checkedHash(password, confirm));
}

void OperatorStore::update(const QString &cnstr, const Operator &op, const Operator &asRead)
{
    const QString name = checkedName(op);
    db::Transaction tx(cnstr);
    RecordGuard::lock(tx, RecordGuard::Kind::Operators);
    refuseStale(tx, asRead);
    refuseTakenName(tx, name, asRead.id);
    if (asRead.manager && !asRead.disabled && !op.manager)
        refuseLastManager(tx, asRead.id);
    tx.execute(QStringLiteral("update t_user set FUserName=?, FManager=?, FAllowQuerydAys=? where FUserID=?"),
               {name, op.manager ? 1 : 0, op.allowQueryDays, asRead.id});
    tx.commit();
}

void OperatorStore::resetPassword(const QString &cnstr, const Operator &asRead, const QString &password,
                                  const QString &confirm)
{
    const QString hash = checkedHash(password, confirm);
    db::Transaction tx(cnstr);
    RecordGuard::lock(tx, RecordGuard::Kind::Operators);
    refuseStale(tx, asRead);
    tx.execute(QStringLiteral("update t_user set FPasswordHash=? where FUserID=?"), {hash, asRead.id});
    tx.commit();
}

void OperatorStore::setDisabled(const QString &cnstr, const Operator &asRead, bool disabled, int actingUserId)
{
    if (disabled && asRead.id == actingUserId)
        throw CoreError::refusal(QStringLiteral("不能停用自己！"));
    db::Transaction tx(cnstr);
    RecordGuard::lock(tx, RecordGuard::Kind::Operators);
    refuseStale(tx, asRead);
    if (disabled && asRead.manager)
        refuseLastManager(tx, asRead.id);
    tx.execute(QStringLiteral("update t_user set FDisabled=? where FUserID=?"), {disabled ? 1 : 0, asRead.id});
    tx.commit();
}
