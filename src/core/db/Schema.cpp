#include "core/db/Schema.h"

#include <QStringList>

#include "core/db/Backup.h"
#include "core/db/Database.h"
#include "core/db/DbError.h"
#include "core/db/Dialect.h"
#include "core/db/Transaction.h"

namespace db {

namespace {

QString tableExistsSql(Engine engine)
{
    if (engine == Engine::SQLite)
        return QStringLiteral("select count(*) from sqlite_master where type='table' "
                              "and lower(name)=lower(?)");
    return QStringLiteral("select count(*) from information_schema.tables "
                          "where table_schema=current_schema() and table_name=lower(?)");
}

const QString kVersionTable = QStringLiteral("t_SchemaVersion");
const QString kVersionSql = QStringLiteral("select max(FVersion) from t_SchemaVersion");

// Any fixed number: every station that creates or upgrades a database takes the same lock.
constexpr qint64 kSchemaLock = 0x6b77706f73; // "kwpos"

// Tables and views of the database (the current schema on PostgreSQL), ours or not.
QString tableCountSql(Engine engine)
{
    if (engine == Engine::SQLite)
        return QStringLiteral("select count(*) from sqlite_master where type in ('table','view')"
                              " and name not like 'sqlite_%'");
    return QStringLiteral("select count(*) from information_schema.tables"
                          " where table_schema=current_schema()");
}

DbError foreignDatabase()
{
    return DbError(QStringLiteral("该数据库中已有其他程序的数据表，不是本程序的帐套，不能使用。"));
}

// The version as seen inside the upgrading transaction, after the lock.
int versionIn(Transaction &tx)
{
    if (tx.scalar(tableExistsSql(tx.engine()), {kVersionTable}).toInt() == 0)
        return 0;
    return tx.scalar(kVersionSql).toInt();
}

const char *const kVersion1[] = {
    "create table t_SchemaVersion (FVersion {INT} not null)",

    "create table t_pricestyle (FItemID {INT} primary key, FName {TEXT} not null)",
    "create table t_icitem (FItemID {INT} primary key, FName {TEXT} not null, FNumber {TEXT},"
    " FShopNumber {TEXT}, FBar_Code {TEXT}, FModel {TEXT}, FUnit {TEXT})",
    "create index ix_icitem_shopnumber on t_icitem (FShopNumber)",
    "create index ix_icitem_barcode on t_icitem (FBar_Code)",
    "create index ix_icitem_number on t_icitem (FNumber)",
    "create index ix_icitem_name on t_icitem (FName)",
    "create table t_icitem_barcode (FItemID {INT} not null, FBarCode {TEXT} not null,"
    " FPriceStyleID {INT}, FExchange {INT} default 1, FPrice {MONEY})",
    "create index ix_icitem_barcode_code on t_icitem_barcode (FBarCode)",
    "create index ix_icitem_barcode_item on t_icitem_barcode (FItemID)",
    "create table t_stock (FItemID {INT} primary key, FName {TEXT} not null, FNumber {TEXT})",
    "create index ix_stock_name on t_stock (FName)",

    "create table t_user (FUserID {INT} primary key, FUserName {TEXT} not null,"
    " FManager {INT} default 0, FAllowQuerydAys {INT} default 0, FPasswordHash {TEXT})",
    "create unique index ix_user_name on t_user (FUserName)",
    "create table t_user_grant (FUserID {INT} not null, FKey {TEXT} not null, FValue {INT})",
    "create index ix_user_grant_user on t_user_grant (FUserID)",

    "create table TDBill (FTranType {INT} not null, FTDBillName {TEXT} not null,"
    " FTemplate {MEMO})",
    "create index ix_tdbill_type on TDBill (FTranType)",

    "create table ICStockBill (FInterID {INT} primary key, FTrantype {INT}, Fyear {INT},"
    " FPeriod {INT}, FDeleted {INT} default 0, Fdate {DATE}, FVipNo {TEXT}, FOwner {TEXT},"
    " FSumQty {MONEY}, FSumAmount {MONEY}, FSysTime {DATETIME}, FMonth {TEXT},"
    " FBillerID {INT}, FGetReserve {MONEY}, FGetCash {MONEY})",
    "create index ix_icstockbill_date on ICStockBill (Fdate)",
    "create index ix_icstockbill_vipno on ICStockBill (FVipNo)",
    "create table ICStockBillEntry (FInterID {INT} not null, FEntryID {INT} not null,"
    " FItemID {INT}, FMainQty {MONEY}, FQty {MONEY}, FPrice {MONEY}, FAmount {MONEY},"
    " FBeforeZkPrice {MONEY}, FBeforeZkAmount {MONEY}, FOrderBillInterID {INT} default 0,"
    " FOrderBillEntryID {INT} default 0, FOutStockID {INT}, primary key (FInterID, FEntryID))",
    "create index ix_icstockbillentry_order on ICStockBillEntry (FOrderBillInterID, FOrderBillEntryID)",
    "create index ix_icstockbillentry_item on ICStockBillEntry (FItemID)",

    "create table VipOrder (FInterID {INT} primary key, Fdate {DATE}, FVipNo {TEXT},"
    " FOwner {TEXT}, FPhone {TEXT}, FRemark {TEXT}, FSumQty {MONEY}, FSumAmount {MONEY},"
    " FCreateTime {DATETIME}, FMonth {TEXT}, FVipID {TEXT}, FBillerID {INT}, FGetCash {MONEY},"
    " FGetReserve {MONEY}, FClosed {INT} default 0)",
    "create index ix_viporder_vipno on VipOrder (FVipNo)",
    "create index ix_viporder_phone on VipOrder (FPhone)",
    "create index ix_viporder_vipid on VipOrder (FVipID)",
    "create index ix_viporder_date on VipOrder (Fdate)",
    "create table VipOrderEntry (FInterID {INT} not null, FEntryID {INT} not null,"
    " FItemID {INT}, FQty {MONEY}, FPreQty {MONEY}, FCplQty {MONEY}, FPrice {MONEY},"
    " FAmount {MONEY}, FYxq {DATE}, primary key (FInterID, FEntryID))",
    "create index ix_viporderentry_item on VipOrderEntry (FItemID)",

    "create table VipCzBill (FInterID {ID}, FVipNo {TEXT}, FVipID {TEXT}, FOwner {TEXT},"
    " FPhone {TEXT}, FTranType {INT}, FDate {DATE}, FCreateTime {DATETIME}, FBillerID {INT},"
    " FKAmount {MONEY}, FCzAmount {MONEY}, FZsAmount {MONEY}, FRemark {TEXT},"
    " FBegAmount {MONEY}, FEndAmount {MONEY}, FYear {TEXT}, FSeason {TEXT}, FMonth {TEXT},"
    " FSumAmount {MONEY})",
    "create index ix_vipczbill_vipno on VipCzBill (FVipNo)",
    "create index ix_vipczbill_phone on VipCzBill (FPhone)",
    "create index ix_vipczbill_vipid on VipCzBill (FVipID)",
    "create index ix_vipczbill_date on VipCzBill (FDate)",
    "create view vwCZBill as select t1.*, t2.FUserName as FBillerName from VipCzBill t1"
    " left join t_user t2 on t1.FBillerID=t2.FUserID",

    "create table ICMaxNum (FTranType {INT} primary key, FMaxNum {INT} not null default 0)",
    "insert into ICMaxNum (FTranType, FMaxNum) values (0, 0)",
    "insert into ICMaxNum (FTranType, FMaxNum) values (30, 0)",
};

// Page set-up and column widths of list grids, per screen (format name).
const char *const kVersion2[] = {
    "create table t_GridPageSet (FFormatName {TEXT} primary key, FPaper {TEXT},"
    " FLandscape {INT} default 0, FMarginLeft {MONEY}, FMarginTop {MONEY}, FMarginRight {MONEY},"
    " FMarginBottom {MONEY})",
    "create table t_GridColWidth (FFormatName {TEXT} not null, FColIndex {INT} not null,"
    " FColKey {TEXT} not null, FWidth {INT} not null, primary key (FFormatName, FColKey))",
};

// The stored-value reports sum a card's movements before a date without reading the table.
const char *const kVersion3[] = {
    "create index ix_vipczbill_card_date on VipCzBill (FVipNo, FDate, FTranType, FKAmount,"
    " FCzAmount)",
};

// The shop's own back office: items, warehouses and operators are disabled instead of deleted
// once used, and every bar code (an item's own or a pack's) is registered once, so two
// stations adding the same code cannot both succeed. Codes already held twice keep their
// first item.
const char *const kVersion5[] = {
    "alter table t_icitem add column FDisabled {INT} default 0",
    "alter table t_stock add column FDisabled {INT} default 0",
    "alter table t_user add column FDisabled {INT} default 0",
    "create table t_icitem_code (FCode {TEXT} primary key, FItemID {INT} not null)",
    "create index ix_icitem_code_item on t_icitem_code (FItemID)",
    "insert into t_icitem_code (FCode, FItemID) select FCode, min(FItemID) from ("
    "select FBar_Code as FCode, FItemID from t_icitem where FBar_Code is not null and FBar_Code<>''"
    " union all select FBarCode, FItemID from t_icitem_barcode where FBarCode<>'') t group by FCode",
};

// Handed-out and gift quantities default to 0, so adding to them never meets NULL; one
// template per type and name, so two stations saving a new one at once cannot make two.
void upgradeQuantitiesAndTemplates(Transaction &tx)
{
    if (tx.engine() == Engine::SQLite) {
        // SQLite cannot change a column's default in place: rebuild the table.
        tx.execute(Dialect::ddl(tx.engine(), QStringLiteral(
            "create table VipOrderEntry_v3 (FInterID {INT} not null, FEntryID {INT} not null,"
            " FItemID {INT}, FQty {MONEY}, FPreQty {MONEY} default 0, FCplQty {MONEY} default 0,"
            " FPrice {MONEY}, FAmount {MONEY}, FYxq {DATE}, primary key (FInterID, FEntryID))")));
        tx.execute(QStringLiteral(
            "insert into VipOrderEntry_v3 (FInterID, FEntryID, FItemID, FQty, FPreQty, FCplQty,"
            " FPrice, FAmount, FYxq) select FInterID, FEntryID, FItemID, FQty, coalesce(FPreQty,0),"
            " coalesce(FCplQty,0), FPrice, FAmount, FYxq from VipOrderEntry"));
        tx.execute(QStringLiteral("drop table VipOrderEntry"));
        tx.execute(QStringLiteral("alter table VipOrderEntry_v3 rename to VipOrderEntry"));
        tx.execute(QStringLiteral("create index ix_viporderentry_item on VipOrderEntry (FItemID)"));
        tx.execute(QStringLiteral(
            "delete from TDBill where rowid not in"
            " (select min(rowid) from TDBill group by FTranType, FTDBillName)"));
    } else {
        tx.execute(QStringLiteral("update VipOrderEntry set FPreQty=0 where FPreQty is null"));
        tx.execute(QStringLiteral("update VipOrderEntry set FCplQty=0 where FCplQty is null"));
        tx.execute(QStringLiteral("alter table VipOrderEntry alter column FPreQty set default 0"));
        tx.execute(QStringLiteral("alter table VipOrderEntry alter column FCplQty set default 0"));
        tx.execute(QStringLiteral(
            "delete from TDBill a using TDBill b where a.FTranType=b.FTranType"
            " and a.FTDBillName=b.FTDBillName and a.ctid > b.ctid"));
    }
    tx.execute(QStringLiteral("create unique index ux_tdbill_type_name on TDBill (FTranType, FTDBillName)"));
}

} // namespace

int Schema::version(const QString &cnstr)
{
    if (scalar(cnstr, tableExistsSql(engineOf(cnstr)), {kVersionTable}).toInt() == 0)
        return 0;
    return scalar(cnstr, kVersionSql).toInt();
}

void Schema::upgradeTo1(Transaction &tx)
{
    for (const char *statement : kVersion1)
        tx.execute(Dialect::ddl(tx.engine(), QString::fromUtf8(statement)));
}

void Schema::upgradeTo2(Transaction &tx)
{
    for (const char *statement : kVersion2)
        tx.execute(Dialect::ddl(tx.engine(), QString::fromUtf8(statement)));
}

void Schema::upgradeTo4(Transaction &tx)
{
    upgradeQuantitiesAndTemplates(tx);
}

void Schema::upgradeTo5(Transaction &tx)
{
    for (const char *statement : kVersion5)
        tx.execute(Dialect::ddl(tx.engine(), QString::fromUtf8(statement)));
}

void Schema::upgradeTo3(Transaction &tx)
{
    for (const char *statement : kVersion3)
        tx.execute(Dialect::ddl(tx.engine(), QString::fromUtf8(statement)));
}

bool Schema::foreign(const QString &cnstr)
{
    const Engine engine = engineOf(cnstr);
    return scalar(cnstr, tableExistsSql(engine), {kVersionTable}).toInt() == 0 &&
           scalar(cnstr, tableCountSql(engine)).toInt() > 0;
}

void Schema::ensure(const QString &cnstr)
{
    run(cnstr, nullptr);
}

bool Schema::create(const QString &cnstr, const std::function<void(Transaction &)> &firstRows)
{
    return run(cnstr, firstRows);
}

bool Schema::run(const QString &cnstr, const std::function<void(Transaction &)> &firstRows)
{
    auto tooNew = [](int from) {
        return DbError(QStringLiteral("数据库版本（%1）高于本程序支持的版本（%2），请升级程序。")
                           .arg(from)
                           .arg(CurrentVersion));
    };
    const int seen = version(cnstr);
    if (seen > CurrentVersion)
        throw tooNew(seen);
    if (seen == CurrentVersion)
        return false;
    // A shop made by an earlier version is copied first; an upgrade that goes wrong can then
    // be undone by hand. Without the copy there is no upgrade.
    if (seen > 0)
        Backup::beforeUpgrade(cnstr, seen);
    // Two stations opening a new database at once: the second waits for the first to commit,
    // then finds the tables made. SQLite's BEGIN IMMEDIATE already is that lock.
    Transaction tx(cnstr);
    if (tx.engine() == Engine::PostgreSQL)
        tx.query(QStringLiteral("select pg_advisory_xact_lock(?)"), {kSchemaLock});
    const int from = versionIn(tx);
    if (from > CurrentVersion)
        throw tooNew(from);
    if (from == CurrentVersion)
        return false;
    if (from == 0 && tx.scalar(tableCountSql(tx.engine())).toInt() > 0)
        throw foreignDatabase();
    // The steps are cumulative and run in this one transaction: a failed one leaves the
    // database as it was.
    if (from < 1)
        upgradeTo1(tx);
    if (from < 2)
        upgradeTo2(tx);
    if (from < 3)
        upgradeTo3(tx);
    if (from < 4)
        upgradeTo4(tx);
    if (from < 5)
        upgradeTo5(tx);
    tx.execute(QStringLiteral("delete from t_SchemaVersion"));
    tx.execute(QStringLiteral("insert into t_SchemaVersion (FVersion) values (?)"), {CurrentVersion});
    const bool created = from == 0;
    if (created && firstRows)
        firstRows(tx);
    tx.commit();
    return created;
}

int Schema::addPriceStyle(const QString &cnstr, const QString &name)
{
    Transaction tx(cnstr);
    const int id = tx.scalar(QStringLiteral("select coalesce(max(FItemID),0)+1 from t_pricestyle")).toInt();
    tx.execute(QStringLiteral("insert into t_pricestyle (FItemID, FName) values (?, ?)"), {id, name});
    // The id is a number we made, never typed text, so it may stand in the column name.
    tx.execute(Dialect::ddl(tx.engine(),
                            QStringLiteral("alter table t_icitem add column FPrice_%1 {MONEY}").arg(id)));
    tx.commit();
    return id;
}

} // namespace db
