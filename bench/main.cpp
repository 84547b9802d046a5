// The benchmark program: seeds its own account sets (a SQLite file and a schema on a
// PostgreSQL cluster), runs each operation through our core and the same statements through
// the engines' own C interfaces (prepared once), alternating the two, checks that both gave
// the same result, and prints one line per operation.
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <random>
#include <stdexcept>
#include <vector>

#include <libpq-fe.h>
#include <sqlite3.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include "core/backoffice/ItemStore.h"
#include "core/backoffice/MemberRegister.h"
#include "core/db/BillNumbers.h"
#include "core/db/ConnectionString.h"
#include "core/db/Database.h"
#include "core/db/DbError.h"
#include "core/db/Dialect.h"
#include "core/db/Schema.h"
#include "core/db/Transaction.h"
#include "core/frame/NumberText.h"
#include "core/pos/MemberOrders.h"
#include "core/pos/SaleBill.h"
#include "core/pos/SaleBillStore.h"
#include "core/members/CardHolders.h"
#include "core/members/RechargeBill.h"
#include "core/members/StoredValueLedger.h"
#include "core/orders/MemberOrderStore.h"
#include "core/orders/OrderDraft.h"
#include "core/orders/OrderLists.h"
#include "core/pos/ItemLookup.h"
#include "core/reports/StoredValueReport.h"
#include "YearReports.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Size
{
    int items, members, movements, lookups, saves, reportRounds, stationSeconds;
    int orderLines = 0; // seeded for the recharge part only
};

double micros(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double, std::micro>(b - a).count();
}

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t i = std::min(v.size() - 1, size_t(std::ceil(p * double(v.size())) - 1));
    return v[i];
}

QString timeText(double us)
{
    if (us >= 1e6)
        return QStringLiteral("%1 s").arg(us / 1e6, 0, 'f', 2);
    if (us >= 1e3)
        return QStringLiteral("%1 ms").arg(us / 1e3, 0, 'f', 2);
    return QStringLiteral("%1 µs").arg(us, 0, 'f', 1);
}

void line(const QString &op, const QString &engine, const std::vector<double> &ours,
          const std::vector<double> &raw, const QString &note = QString())
{
    const double om = percentile(ours, 0.5), rm = percentile(raw, 0.5);
    std::printf("%-34s %-10s ours %10s  p99 %10s  raw %10s  ratio %5.2f %s\n", qPrintable(op),
                qPrintable(engine), qPrintable(timeText(om)),
                qPrintable(timeText(percentile(ours, 0.99))), qPrintable(timeText(rm)),
                rm > 0 ? om / rm : 0.0, qPrintable(note));
    std::fflush(stdout);
}

[[noreturn]] void fail(const QString &what)
{
    throw std::runtime_error(what.toStdString());
}

// ---- the raw engines: one prepared statement, text parameters, rows as texts ----

using Texts = std::vector<QString>;
using Table = std::vector<Texts>;

class Raw
{
public:
    virtual ~Raw() = default;
    virtual Table run(int id, const Texts &params) = 0;
    virtual void prepare(int id, const QString &sql) = 0;
    virtual void exec(const char *sql) = 0;
};

class RawSqlite : public Raw
{
public:
    explicit RawSqlite(const QString &path)
    {
        if (sqlite3_open(path.toUtf8().constData(), &m_db) != SQLITE_OK)
            fail(QStringLiteral("sqlite open"));
        sqlite3_busy_timeout(m_db, 30000);
        exec("PRAGMA journal_mode=WAL");
    }
    ~RawSqlite() override
    {
        for (auto &s : m_stmts)
            sqlite3_finalize(s);
        sqlite3_close(m_db);
    }
    void exec(const char *sql) override
    {
        char *err = nullptr;
        if (sqlite3_exec(m_db, sql, nullptr, nullptr, &err) != SQLITE_OK)
            fail(QString::fromUtf8(err ? err : "sqlite exec"));
    }
    void prepare(int id, const QString &sql) override
    {
        if (int(m_stmts.size()) <= id)
            m_stmts.resize(id + 1, nullptr);
        const QByteArray text = sql.toUtf8();
        if (sqlite3_prepare_v2(m_db, text.constData(), -1, &m_stmts[id], nullptr) != SQLITE_OK)
            fail(QString::fromUtf8(sqlite3_errmsg(m_db)));
    }
    Table run(int id, const Texts &params) override
    {
        sqlite3_stmt *s = m_stmts[id];
        for (size_t i = 0; i < params.size(); ++i) {
            const QByteArray v = params[i].toUtf8();
            sqlite3_bind_text(s, int(i + 1), v.constData(), v.size(), SQLITE_TRANSIENT);
        }
        Table out;
        const int n = sqlite3_column_count(s);
        int rc;
        while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
            Texts row(n);
            for (int c = 0; c < n; ++c)
                if (const auto *t = sqlite3_column_text(s, c))
                    row[c] = QString::fromUtf8(reinterpret_cast<const char *>(t));
            out.push_back(std::move(row));
        }
        sqlite3_reset(s);
        if (rc != SQLITE_DONE)
            fail(QString::fromUtf8(sqlite3_errmsg(m_db)));
        return out;
    }

private:
    sqlite3 *m_db = nullptr;
    std::vector<sqlite3_stmt *> m_stmts;
};

class RawPg : public Raw
{
public:
    explicit RawPg(const db::ConnectionString &cs)
    {
        const QString info = QStringLiteral("host=%1 port=%2 dbname=%3 user=%4")
                                 .arg(cs.host)
                                 .arg(cs.port)
                                 .arg(cs.database, cs.user);
        m_conn = PQconnectdb(info.toUtf8().constData());
        if (PQstatus(m_conn) != CONNECTION_OK)
            fail(QString::fromUtf8(PQerrorMessage(m_conn)));
        if (!cs.schema.isEmpty())
            exec(QStringLiteral("set search_path to %1").arg(cs.schema).toUtf8().constData());
    }
    ~RawPg() override { PQfinish(m_conn); }
    void exec(const char *sql) override
    {
        PGresult *r = PQexec(m_conn, sql);
        const auto st = PQresultStatus(r);
        PQclear(r);
        if (st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK)
            fail(QString::fromUtf8(PQerrorMessage(m_conn)));
    }
    void prepare(int id, const QString &sql) override
    {
        // $1, $2 … for the ? of our statements.
        QString text;
        int n = 0;
        for (QChar c : sql)
            text += c == u'?' ? QStringLiteral("$%1").arg(++n) : QString(c);
        PGresult *r = PQprepare(m_conn, QByteArray::number(id).prepend("b").constData(),
                                text.toUtf8().constData(), 0, nullptr);
        const auto st = PQresultStatus(r);
        PQclear(r);
        if (st != PGRES_COMMAND_OK)
            fail(QString::fromUtf8(PQerrorMessage(m_conn)));
    }
    Table run(int id, const Texts &params) override
    {
        std::vector<QByteArray> values;
        std::vector<const char *> ptrs;
        for (const QString &p : params)
            values.push_back(p.toUtf8());
        for (const QByteArray &v : values)
            ptrs.push_back(v.constData());
        PGresult *r = PQexecPrepared(m_conn, QByteArray::number(id).prepend("b").constData(),
                                     int(ptrs.size()), ptrs.data(), nullptr, nullptr, 0);
        const auto st = PQresultStatus(r);
        if (st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK) {
            PQclear(r);
            fail(QString::fromUtf8(PQerrorMessage(m_conn)));
        }
        Table out;
        const int rows = PQntuples(r), n = PQnfields(r);
        out.reserve(rows);
        for (int i = 0; i < rows; ++i) {
            Texts row(n);
            for (int c = 0; c < n; ++c)
                if (!PQgetisnull(r, i, c))
                    row[c] = QString::fromUtf8(PQgetvalue(r, i, c));
            out.push_back(std::move(row));
        }
        PQclear(r);
        return out;
    }

private:
    PGconn *m_conn = nullptr;
};

// ---- the statements, as our core runs them ----

const QString kLookup =
    QStringLiteral("select t1.*, p.FPack, p.FExchange, p.FPrice from ("
                   "select 0 as FPack, FItemID, 1 as FExchange, 0 as FPrice from t_icitem "
                   "where FShopNumber=? or FBar_Code=? "
                   "union all select 1, FItemID, FExchange, coalesce(FPrice,0) "
                   "from t_icitem_barcode where FBarCode=?"
                   ") p join t_icitem t1 on t1.FItemID=p.FItemID "
                   "order by p.FPack, t1.FItemID limit 1");
const QString kDraw =
    QStringLiteral("update ICMaxNum set FMaxNum=FMaxNum+1 where FTranType=? returning FMaxNum");
const QString kHeader = QStringLiteral(
    "insert into ICStockBill (FInterID, FTrantype, Fyear, FPeriod, Fdate, FVipNo, FSumQty,"
    " FSumAmount, FSysTime, FMonth, FBillerID) values (?,?,?,?,?,?,?,?,?,?,?)");
const QString kLine = QStringLiteral(
    "insert into ICStockBillEntry (FInterID, FEntryID, FItemID, FMainQty, FQty, FPrice, FAmount)"
    " values (?,?,?,?,?,?,?)");
const QString kBalance = QStringLiteral(
    "select coalesce(sum(case when FTranType=1 then FKAmount when FTranType=2 then -FKAmount else 0"
    " end),0) from VipCzBill where FVipNo=?");
// The best plain statements for the figures of reports 103 and 104.
const QString kRaw103 = QStringLiteral(
    "select t1.FDate, t1.FVipNo, t1.FOwner, t1.FPhone, t1.FTranType, t1.FKAmount, t1.FCzAmount,"
    " t1.FBegAmount, t1.FEndAmount, t1.FRemark, t2.FUserName from VipCzBill t1 left join t_user t2"
    " on t1.FBillerID=t2.FUserID where t1.FDate>=? and t1.FDate<=? and t1.FTranType=1"
    " order by t1.FDate, t1.FCreateTime, t1.FInterID");
const QString kRaw104 = QStringLiteral(
    "select FVipNo, sum(case when FDate<? then case FTranType when 1 then FKAmount when 2 then"
    " -FKAmount else 0 end else 0 end) as b, sum(case when FDate>=? and FTranType in (1,2) then 1"
    " else 0 end) as m, sum(case when FDate>=? and FTranType=1 and FKAmount>=0 then FCzAmount else"
    " 0 end), sum(case when FDate>=? and FTranType=1 and FKAmount>=0 then FKAmount-FCzAmount else 0"
    " end), sum(case when FDate>=? and FTranType=1 and FKAmount<0 then -FKAmount else 0 end),"
    " sum(case when FDate>=? and FTranType=2 then FKAmount else 0 end) from VipCzBill"
    " where FDate<=? group by FVipNo");
// The counter save as SaleBillStore::save runs it, statement for statement.
const QString kSaleBook = QStringLiteral(
    "update VipOrderEntry set FCplQty=coalesce(FCplQty,0)+? where FInterID=? and FEntryID=?"
    " and FItemID=? and coalesce(FCplQty,0)+?<=FQty+coalesce(FPreQty,0)"
    " and exists (select 1 from VipOrder o where o.FInterID=VipOrderEntry.FInterID and o.FVipNo=?)");
const QString kSaleLines = QStringLiteral(
    "insert into ICStockBillEntry (FInterID, FEntryID, FItemID, FMainQty, FQty, FPrice, FAmount,"
    " FBeforeZkPrice, FBeforeZkAmount, FOrderBillInterID, FOrderBillEntryID, FOutStockID) values "
    "(?,?,?,?,?,?,?,?,?,?,?,?),(?,?,?,?,?,?,?,?,?,?,?,?),(?,?,?,?,?,?,?,?,?,?,?,?),"
    "(?,?,?,?,?,?,?,?,?,?,?,?),(?,?,?,?,?,?,?,?,?,?,?,?)");
const QString kSaleHeader = QStringLiteral(
    "insert into ICStockBill (FInterID, FTrantype, Fyear, FPeriod, FDeleted, Fdate, FVipNo, FOwner,"
    " FSumQty, FSumAmount, FSysTime, FMonth, FBillerID, FGetReserve, FGetCash)"
    " values (?,99,?,?,0,?,?,?,?,?,%1,?,?,?,?)");
const QString kSaleClose = QStringLiteral(
    "update VipOrder set FClosed=1 where FInterID=? and coalesce(FClosed,0)=0 and FSumQty<="
    "(select sum(coalesce(e.FCplQty,0)) from VipOrderEntry e where e.FInterID=VipOrder.FInterID)");
const QString kSaleMove = QStringLiteral(
    "insert into VipCzBill (FVipNo, FVipID, FOwner, FPhone, FTranType, FDate, FCreateTime,"
    " FBillerID, FKAmount, FCzAmount, FZsAmount, FRemark, FBegAmount, FEndAmount, FYear, FSeason,"
    " FMonth, FSumAmount) values (?,?,?,?,?,?,%1,?,?,?,?,?,?,?,?,?,?,?) returning FInterID");
// The member lookups of the recharge screen (by card) and the card dialog (by phone), and
// the recharge save: lock, balance, insert.
const QString kRawMemberByCard = QStringLiteral(
    "select FOwner, FPhone, FVipID from VipOrder where FVipNo=? order by FInterID limit 1");
const QString kRawMemberByPhone = QStringLiteral(
    "select FVipNo, FOwner from VipOrder where FVipNo=? or FPhone=? order by FInterID limit 1");
const QString kRawRecharge = QStringLiteral(
    "insert into VipCzBill (FVipNo, FVipID, FOwner, FPhone, FTranType, FDate, FCreateTime,"
    " FBillerID, FKAmount, FCzAmount, FZsAmount, FRemark, FBegAmount, FEndAmount, FYear, FSeason,"
    " FMonth, FSumAmount) values (?,?,?,?,1,?,?,1,?,?,?,?,?,?,?,?,?,?) returning FInterID");
enum Stmt {
    SLookup, SDraw, SHeader, SLine, SBalance, S103, S104, SBegin, SCommit,
    SSaleBook, SSaleLine, SSaleHeader, SSaleClose, SSaleMove, SLockCard,
    SByCard, SByPhone, SRecharge, SLock, SExplainCard, SExplainPhone,
    SItemSearch, SItemSearchAll, SMemberSearch
};

void prepareAll(Raw &raw, db::Engine engine)
{
    raw.prepare(SLookup, kLookup);
    raw.prepare(SDraw, kDraw);
    raw.prepare(SHeader, kHeader);
    raw.prepare(SLine, kLine);
    raw.prepare(SBalance, kBalance);
    raw.prepare(S103, kRaw103);
    raw.prepare(S104, kRaw104);
    raw.prepare(SBegin, engine == db::Engine::SQLite ? QStringLiteral("BEGIN IMMEDIATE")
                                                     : QStringLiteral("BEGIN"));
    raw.prepare(SCommit, QStringLiteral("COMMIT"));
    const QString now = db::Dialect::nowExpression(engine);
    raw.prepare(SSaleBook, kSaleBook);
    raw.prepare(SSaleLine, kSaleLines);
    raw.prepare(SSaleHeader, kSaleHeader.arg(now));
    raw.prepare(SSaleClose, kSaleClose);
    raw.prepare(SSaleMove, kSaleMove.arg(now));
    if (engine == db::Engine::PostgreSQL)
        raw.prepare(SLockCard, QStringLiteral("select pg_advisory_xact_lock(hashtext(?))"));
    raw.prepare(SByCard, kRawMemberByCard);
    raw.prepare(SByPhone, kRawMemberByPhone);
    raw.prepare(SRecharge, kRawRecharge);
    raw.prepare(SItemSearch, ItemStore::searchSql(true));
    raw.prepare(SItemSearchAll, ItemStore::searchSql(false));
    raw.prepare(SMemberSearch, MemberRegister::searchSql(true));
    raw.prepare(SLock, engine == db::Engine::SQLite
                           ? QStringLiteral("select ?")
                           : QStringLiteral("select pg_advisory_xact_lock(hashtext(?))"));
}

// ---- seeding ----

void progress(const char *engine, const char *what)
{
    std::printf("\rseeding %-10s %-40s", engine, what);
    std::fflush(stdout);
}

// First number of the member orders seeded for the lookups; the sale part's history takes
// the numbers below it.
constexpr int kLookupOrders = 1000000;

void seed(const QString &cnstr, Raw &raw, db::Engine engine, const Size &z)
{
    const char *name = engine == db::Engine::SQLite ? "SQLite" : "PostgreSQL";
    progress(name, "schema");
    db::Schema::ensure(cnstr);
    const int retail = db::Schema::addPriceStyle(cnstr, QStringLiteral("零售价"));
    if (retail != 1)
        fail(QStringLiteral("a fresh account set was expected"));
    db::execute(
        cnstr, QStringLiteral("insert into t_user (FUserID, FUserName, FManager) values (1, ?, 1)"),
        {QStringLiteral("店长")});
    const bool lite = engine == db::Engine::SQLite;
    // One statement per table: a series of numbers from the engine, in one transaction.
    auto series = [&](const QString &n) {
        return lite ? QStringLiteral("with recursive s(i) as (select 1 union all select i+1 from s"
                                     " where i<%1) ")
                          .arg(n)
                    : QString();
    };
    auto from = [&](const QString &n) {
        return lite ? QStringLiteral(" from s")
                    : QStringLiteral(" from generate_series(1,%1) s(i)").arg(n);
    };
    auto pad = [&](const QString &expr, int w) {
        const QString width = QString::number(w);
        return lite ? QStringLiteral("printf('%0") + width + QStringLiteral("d', ") + expr + u')'
                    : QStringLiteral("lpad((") + expr + QStringLiteral(")::text, ") + width +
                          QStringLiteral(", '0')");
    };
    const QString items = QString::number(z.items), moves = QString::number(z.movements);
    // "%%" stands for SQL's modulo in the templates below, which QString::arg leaves alone.
    auto statement = [](QString text) {
        return text.replace(QStringLiteral("%%"), QStringLiteral("%")).toUtf8();
    };
    raw.exec("BEGIN");
    progress(name, "items");
    raw.exec(
        statement(series(items) +
                  QStringLiteral(
                      "insert into t_icitem (FItemID, FName, FNumber, FShopNumber, FBar_Code,"
                      " FUnit, FPrice_1) select i, '鲜奶' || i, 'N' || %1, 'S' || %1, '69' || %2,"
                      " '瓶', (i %% 50) + 1.5")
                      .arg(pad(QStringLiteral("i"), 6), pad(QStringLiteral("i"), 11)) +
                  from(items))
            .constData());
    progress(name, "pack bar codes");
    raw.exec(statement(series(items) +
                       QStringLiteral(
                           "insert into t_icitem_barcode (FItemID, FBarCode, FPriceStyleID,"
                           " FExchange, FPrice) select i, '79' || %1, 1, 6, ((i %% 50) + 1.5) * 6")
                           .arg(pad(QStringLiteral("i"), 11)) +
                       from(items) + QStringLiteral(" where i %% 10 = 0"))
                 .constData());
    progress(name, "stored-value movements");
    // Three years from 2024-01-01; every third a payment, one in fifty a refund.
    const QString day = QStringLiteral("(i * 1095 / %1)").arg(moves);
    const QString date = lite ? QStringLiteral("date('2024-01-01', '+' || %1 || ' days')").arg(day)
                              : QStringLiteral("date '2024-01-01' + %1::int").arg(day);
    const QString time =
        lite ? QStringLiteral("datetime(%1, '+' || (i %% 36000 + 28800) || ' seconds')").arg(date)
             : QStringLiteral("(%1)::timestamp + make_interval(secs => i %% 36000 + 28800)")
                   .arg(date);
    const QString card = QStringLiteral("(i %% %1)").arg(z.members);
    const QString k =
        QStringLiteral("case when i %% 3 = 0 then (i %% 40) + 1.5 when i %% 50 = 1 then"
                       " -((i %% 30) + 1) else (i %% 200) + 10 + (i %% 7) end");
    const QString cz =
        QStringLiteral("case when i %% 3 = 0 then 0 when i %% 50 = 1 then -((i %% 30) + 1)"
                       " else (i %% 200) + 10 end");
    raw.exec(
        statement(
            series(moves) +
            QStringLiteral(
                "insert into VipCzBill (FVipNo, FVipID, FOwner, FPhone, FTranType, FDate,"
                " FCreateTime, FBillerID, FKAmount, FCzAmount, FZsAmount, FRemark)"
                " select 'V' || %1, 'ID' || %1, '会员' || %1, '138' || %2,"
                " case when i %% 3 = 0 then 2 else 1 end, %3, %4, 1, %5, %6, %5 - (%6), '充值'")
                .arg(pad(card, 5), pad(card, 8), date, time, k, cz) +
            from(moves))
            .constData());
    if (z.orderLines > 0) {
        // Five lines an order; a member's orders under their card, phone and identity number.
        // Numbered from kLookupOrders up, clear of the orders the sale part seeds from 1.
        const QString orders = QString::number(z.orderLines / 5);
        const QString holder = QStringLiteral("(i %% %1)").arg(z.members);
        progress(name, "member orders");
        raw.exec(statement(series(orders) +
                           QStringLiteral("insert into VipOrder (FInterID, Fdate, FVipNo, FOwner,"
                                          " FPhone, FVipID, FClosed) select i + %3, '2025-06-01',"
                                          " 'V' || %1, '会员' || %1, '138' || %2, 'ID' || %1, 0")
                               .arg(pad(holder, 5), pad(holder, 8))
                               .arg(kLookupOrders) +
                           from(orders))
                     .constData());
        progress(name, "order lines");
        const QString lines = QString::number(z.orderLines);
        raw.exec(statement(series(lines) +
                           QStringLiteral("insert into VipOrderEntry (FInterID, FEntryID, FItemID,"
                                          " FQty, FPreQty, FCplQty, FPrice, FAmount) select"
                                          " (i - 1) / 5 + 1 + %2, (i - 1) %% 5 + 1, i %% %1 + 1, 30, 3,"
                                          " 0, 3.5, 105")
                               .arg(z.items)
                               .arg(kLookupOrders) +
                           from(lines))
                     .constData());
    }
    progress(name, "indexes and statistics");
    raw.exec("COMMIT");
    raw.exec("ANALYZE");
    progress(name, "done");
    std::printf("\n");
}

// ---- the operations ----

struct Bench
{
    QString cnstr;
    db::Engine engine;
    Raw *raw;
    Size z;
    QString engineName() const
    {
        return engine == db::Engine::SQLite ? u"SQLite"_qs : u"PostgreSQL"_qs;
    }
};

// Runs ours and raw alternately (the order flips every round) and keeps each one's times.
void rounds(int n, const std::function<void(int)> &ours, const std::function<void(int)> &raw,
            std::vector<double> &to, std::vector<double> &tr)
{
    for (int i = 0; i < n; ++i) {
        for (int side = 0; side < 2; ++side) {
            const bool oursNow = (side == 0) == (i % 2 == 0);
            const auto a = Clock::now();
            oursNow ? ours(i) : raw(i);
            const auto b = Clock::now();
            (oursNow ? to : tr).push_back(micros(a, b));
        }
    }
}

void lookups(Bench &b)
{
    std::mt19937 rng(7);
    struct Kind
    {
        const char *name;
        QString (*code)(int);
    };
    const Kind kinds[] = {
        {"item lookup by shop number",
         [](int i) { return QStringLiteral("S%1").arg(i, 6, 10, QLatin1Char('0')); }},
        {"item lookup by bar code",
         [](int i) { return QStringLiteral("69%1").arg(i, 11, 10, QLatin1Char('0')); }},
        {"item lookup by pack bar code",
         [](int i) { return QStringLiteral("79%1").arg(i * 10, 11, 10, QLatin1Char('0')); }},
    };
    for (const Kind &k : kinds) {
        std::vector<int> ids(b.z.lookups);
        const int range = std::string_view(k.name).find("pack") != std::string_view::npos
                              ? b.z.items / 10
                              : b.z.items;
        for (int &id : ids)
            id = 1 + int(rng() % unsigned(range));
        std::vector<ItemMatch> ours(ids.size());
        std::vector<int> raws(ids.size());
        std::vector<double> to, tr;
        rounds(
            int(ids.size()), [&](int i) { ours[i] = ItemLookup::find(b.cnstr, k.code(ids[i]), 1); },
            [&](int i) {
                const QString c = k.code(ids[i]);
                const Table t = b.raw->run(SLookup, {c, c, c});
                raws[i] = t.empty() ? 0 : t[0][0].toInt();
            },
            to, tr);
        for (size_t i = 0; i < ids.size(); ++i)
            if (!ours[i].found || ours[i].itemId != raws[i])
                fail(QStringLiteral("%1: ours found %2, raw %3")
                         .arg(k.name)
                         .arg(ours[i].itemId)
                         .arg(raws[i]));
        line(QString::fromLatin1(k.name), b.engineName(), to, tr);
    }
}

// One sale as the counter saves it: the checks first, then the number, header and 5 lines.
void saveOurs(const QString &cnstr, int seq)
{
    db::Transaction tx(cnstr);
    const int n = db::BillNumbers::draw(tx, db::BillNumbers::SaleBill);
    const QDate d(2026, 12, 31);
    tx.execute(kHeader,
               {n, 21, 2026, 12, d, QStringLiteral("V%1").arg(seq % 100, 5, 10, QLatin1Char('0')),
                5, 25.0, QDateTime(d, QTime(9, 30)), QStringLiteral("2026-12"), 1});
    for (int e = 1; e <= 5; ++e)
        tx.execute(kLine, {n, e, 1 + (seq * 5 + e) % 1000, 1, 1, 5.0, 5.0});
    tx.commit();
}

void saveRaw(Raw &raw, int seq)
{
    raw.run(SBegin, {});
    const Table t = raw.run(SDraw, {QStringLiteral("0")});
    const QString n = t.at(0).at(0);
    raw.run(SHeader, {n, u"21"_qs, u"2026"_qs, u"12"_qs, u"2026-12-31"_qs,
                      QStringLiteral("V%1").arg(seq % 100, 5, 10, QLatin1Char('0')), u"5"_qs,
                      u"25"_qs, u"2026-12-31 09:30:00"_qs, u"2026-12"_qs, u"1"_qs});
    for (int e = 1; e <= 5; ++e)
        raw.run(SLine, {n, QString::number(e), QString::number(1 + (seq * 5 + e) % 1000), u"1"_qs,
                        u"1"_qs, u"5"_qs, u"5"_qs});
    raw.run(SCommit, {});
}

void saves(Bench &b)
{
    const int before =
        db::scalar(b.cnstr, QStringLiteral("select count(*) from ICStockBillEntry")).toInt();
    std::vector<double> to, tr;
    rounds(
        b.z.saves, [&](int i) { saveOurs(b.cnstr, i); }, [&](int i) { saveRaw(*b.raw, i); }, to,
        tr);
    const int lines =
        db::scalar(b.cnstr, QStringLiteral("select count(*) from ICStockBillEntry")).toInt() -
        before;
    const int bills =
        db::scalar(b.cnstr, QStringLiteral("select count(distinct FInterID) from ICStockBill"))
            .toInt();
    if (lines != 2 * 5 * b.z.saves || bills < 2 * b.z.saves)
        fail(QStringLiteral("sale save: %1 lines, %2 bills").arg(lines).arg(bills));
    line(QStringLiteral("sale save (number + header + 5 lines)"), b.engineName(), to, tr);
}

// A sale's history: `orders` open orders (two lines of 30 + 5 gift, none handed out) on the
// members' cards, `closed` finished ones after them, and `bills` past bills of five lines.
void seedSaleHistory(Bench &b, int firstOrder, int orders, bool closed, int bills)
{
    const bool lite = b.engine == db::Engine::SQLite;
    auto insert = [&](int from, int count, const QString &sql) {
        if (count <= 0)
            return;
        const QString to = QString::number(from + count - 1), first = QString::number(from);
        const QString text =
            lite ? QStringLiteral("with recursive s(i) as (select %1 union all select i+1 from s"
                                  " where i<%2) ")
                           .arg(first, to) +
                       sql + QStringLiteral(" from s")
                 : sql + QStringLiteral(" from generate_series(%1,%2) s(i)").arg(first, to);
        b.raw->exec(text.toUtf8().constData());
    };
    const QString card =
        lite ? QStringLiteral("'V' || printf('%05d', i % ") + QString::number(b.z.members) + u')'
             : QStringLiteral("'V' || lpad((i % ") + QString::number(b.z.members) +
                   QStringLiteral(")::text, 5, '0')");
    const QString done = closed ? QStringLiteral("35") : QStringLiteral("0");
    b.raw->exec("BEGIN");
    // Enough on every card for all the payments of the run.
    if (firstOrder == 1)
        insert(0, b.z.members,
               QStringLiteral("insert into VipCzBill (FVipNo, FTranType, FDate, FKAmount, FCzAmount,"
                              " FZsAmount, FBegAmount, FEndAmount) select %1, 1, '2025-12-31',"
                              " 100000, 100000, 0, 0, 0")
                   .arg(card));
    insert(firstOrder, orders,
           QStringLiteral("insert into VipOrder (FInterID, Fdate, FVipNo, FOwner, FSumQty,"
                          " FSumAmount, FClosed) select i, '2026-01-01', %1, '会员', 70, 600, %2")
               .arg(card, closed ? QStringLiteral("1") : QStringLiteral("0")));
    for (int e = 1; e <= 2; ++e)
        insert(firstOrder, orders,
               QStringLiteral("insert into VipOrderEntry (FInterID, FEntryID, FItemID, FQty, FPreQty,"
                              " FCplQty, FPrice, FAmount) select i, %1, 1 + i % 100, 30, 5, %2, 10, 300")
                   .arg(e)
                   .arg(done));
    if (bills > 0) {
        insert(1, bills,
               QStringLiteral("insert into ICStockBill (FInterID, FTrantype, Fyear, FPeriod, Fdate,"
                              " FVipNo, FSumQty, FSumAmount, FMonth, FBillerID, FGetReserve, FGetCash)"
                              " select i, 99, 2026, 1, '2026-01-01', %1, 5, 25, '2026年1月', 1, 0, 25")
                   .arg(card));
        for (int e = 1; e <= 5; ++e)
            insert(1, bills,
                   QStringLiteral("insert into ICStockBillEntry (FInterID, FEntryID, FItemID, FMainQty,"
                                  " FQty, FPrice, FAmount, FOrderBillInterID, FOrderBillEntryID,"
                                  " FOutStockID) select i, %1, 1 + i % 1000, 0, 1, 5, 5, 0, 0, 1")
                       .arg(e));
        b.raw->exec(QStringLiteral("update ICMaxNum set FMaxNum=%1 where FTranType=0")
                        .arg(bills)
                        .toUtf8()
                        .constData());
    }
    b.raw->exec("COMMIT");
    b.raw->exec(lite ? "ANALYZE" : "VACUUM ANALYZE");
}

// Bill `seq`: four lines of 5.00 and one unit picked from an open order of the card, 2.00 of
// it paid from stored value.
SaleBill benchSale(const Bench &b, int seq, int orders)
{
    SaleBill bill;
    bill.date = QDate(2026, 12, 31);
    const int order = 1 + seq % orders;
    bill.vipNo = QStringLiteral("V%1").arg(order % b.z.members, 5, 10, QLatin1Char('0'));
    bill.owner = QStringLiteral("会员");
    bill.stockId = 1;
    for (int e = 0; e < 4; ++e)
        bill.add(1 + (seq * 4 + e) % b.z.items, QStringLiteral("鲜奶"), 1, Money::fromInt(5));
    OpenOrderLine l;
    l.qty = 35;
    l.open = 35;
    l.amount = Money::fromInt(300);
    l.orderId = order;
    l.entryId = 1 + seq / orders % 2;
    // The item the seeded history put on that line: a pick-up books only where it still is.
    l.itemId = 1 + order % 100;
    bill.addLine(MemberOrders::pickup(l, 1));
    return bill;
}

void saleSaveRaw(Bench &b, const SaleBill &bill, int biller)
{
    Raw &raw = *b.raw;
    const SaleLine &p = bill.lines().last();
    const QString reserve = u"2"_qs, cash = (bill.receivable() - Money::fromInt(2)).format();
    raw.run(SBegin, {});
    raw.run(SSaleBook, {u"1"_qs, QString::number(p.orderId), QString::number(p.orderEntryId),
                        QString::number(p.itemId), u"1"_qs, bill.vipNo});
    raw.run(SSaleClose, {QString::number(p.orderId)});
    if (b.engine == db::Engine::PostgreSQL)
        raw.run(SLockCard, {bill.vipNo});
    const Money before = Money::parse(raw.run(SBalance, {bill.vipNo}).at(0).at(0));
    if (before < Money::fromInt(2))
        fail(QStringLiteral("raw sale save: card %1 holds %2").arg(bill.vipNo, before.format()));
    raw.run(SSaleMove, {bill.vipNo, QString(), QString(), QString(), u"2"_qs, u"2026-12-31"_qs,
                        QString::number(biller), reserve, u"0"_qs, u"0"_qs, QString(),
                        before.format(), (before - Money::fromInt(2)).format(), u"2026年"_qs,
                        u"2026年4季度"_qs, u"2026年12月"_qs, bill.receivable().format()});
    const QString n = raw.run(SDraw, {u"0"_qs}).at(0).at(0);
    Texts lines;
    int entry = 0;
    for (const SaleLine &l : bill.lines())
        lines.insert(lines.end(),
                     {n, QString::number(++entry), QString::number(l.itemId), QString::number(l.mainQty),
                      QString::number(l.qty), l.price1.format(), l.amount1.format(), l.price1.format(),
                      l.amount1.format(), QString::number(l.orderId), QString::number(l.orderEntryId),
                      u"1"_qs});
    raw.run(SSaleLine, lines);
    raw.run(SSaleHeader, {n, u"2026"_qs, u"12"_qs, u"2026-12-31"_qs, bill.vipNo, bill.owner,
                          QString::number(bill.totalQty()), bill.receivable().format(),
                          u"2026年12月"_qs, QString::number(biller), reserve, cash});
    raw.run(SCommit, {});
}

// The counter save over a seeded history, then again with 99 times as many finished orders:
// closing looks only at the bill's own order, so the second must not be slower.
void sale(Bench &b)
{
    const int orders = b.z.items / 5, saves = b.z.saves * 5 / 4;
    // The history's bills are numbered from 1: the bills of the plain save part make way.
    b.raw->exec("delete from ICStockBillEntry");
    b.raw->exec("delete from ICStockBill");
    seedSaleHistory(b, 1, orders, false, orders * 2);
    seedSaleHistory(b, orders + 1, orders / 20, true, 0);
    auto run = [&](const QString &label, int offset) {
        std::vector<double> to, tr;
        rounds(
            saves,
            [&](int i) {
                const SaleBill bill = benchSale(b, offset + 2 * i, orders);
                SaleBillStore::save(b.cnstr, bill, {bill.receivable() - Money::fromInt(2), Money::fromInt(2)}, 1);
            },
            [&](int i) { saleSaveRaw(b, benchSale(b, offset + 2 * i + 1, orders), 1); }, to, tr);
        line(label, b.engineName(), to, tr,
             QStringLiteral("p95 %1 (%2 × median)")
                 .arg(timeText(percentile(to, 0.95)))
                 .arg(percentile(to, 0.95) / percentile(to, 0.5), 0, 'f', 2));
        return std::make_pair(percentile(to, 0.5), percentile(tr, 0.5));
    };
    const auto few = run(QStringLiteral("sale save, %1 finished orders").arg(orders / 20), 0);
    seedSaleHistory(b, orders + orders / 20 + 1, orders * 5 - orders / 20, true, 0);
    const auto many = run(QStringLiteral("sale save, %1 finished orders").arg(orders * 5), 2 * saves);
    // The raw side runs the same statements: its change is the machine's and the engine's.
    std::printf("%-34s %-10s many ÷ few: ours %.2f, raw %.2f\n", "sale save, finished orders",
                qPrintable(b.engineName()), many.first / few.first, many.second / few.second);
    const int picked = db::scalar(b.cnstr, QStringLiteral("select sum(FCplQty) from VipOrderEntry"
                                                          " where FInterID<=?"),
                                  {orders})
                           .toInt();
    if (picked != 4 * saves)
        fail(QStringLiteral("sale save: %1 units booked, %2 expected").arg(picked).arg(4 * saves));
}

void balance(Bench &b)
{
    std::vector<double> to, tr;
    std::vector<double> ours(b.z.lookups), raws(b.z.lookups);
    auto card = [&](int i) {
        return QStringLiteral("V%1").arg((i * 7919) % b.z.members, 5, 10, QLatin1Char('0'));
    };
    rounds(
        b.z.lookups, [&](int i) { ours[i] = StoredValueLedger::balance(b.cnstr, card(i)).toDouble(); },
        [&](int i) { raws[i] = b.raw->run(SBalance, {card(i)}).at(0).at(0).toDouble(); }, to, tr);
    for (int i = 0; i < b.z.lookups; ++i)
        if (std::abs(ours[i] - raws[i]) > 0.005)
            fail(QStringLiteral("balance of %1: %2 against %3")
                     .arg(card(i))
                     .arg(ours[i])
                     .arg(raws[i]));
    line(QStringLiteral("member balance"), b.engineName(), to, tr);
}

// The plan of a lookup must use the indexes alone: no scan of a whole table. Asked of the
// engine itself (PostgreSQL's explain takes no SQL-level prepare).
// A table named in `mayScan` is small enough that the planner may rightly read it whole.
void requireIndexScans(Bench &b, int id, const QString &sql, const Texts &params, const char *what,
                       const QString &mayScan = QString())
{
    const bool lite = b.engine == db::Engine::SQLite;
    b.raw->prepare(id, (lite ? QStringLiteral("explain query plan ") : QStringLiteral("explain ")) + sql);
    for (const Texts &r : b.raw->run(id, params)) {
        const QString step = lite ? r.at(3) : r.at(0);
        const bool scan = lite ? step.startsWith(QStringLiteral("SCAN ")) && !step.contains(u"INDEX")
                               : step.contains(QStringLiteral("Seq Scan"));
        if (scan && (mayScan.isEmpty() || !step.contains(mayScan, Qt::CaseInsensitive)))
            fail(QStringLiteral("%1 reads a whole table: %2").arg(QLatin1String(what), step));
    }
}

void recharge(Bench &b)
{
    auto card = [&](int i) {
        return QStringLiteral("V%1").arg((i * 7919) % b.z.members, 5, 10, QLatin1Char('0'));
    };
    auto phone = [&](int i) {
        return QStringLiteral("138%1").arg((i * 104729) % b.z.members, 8, 10, QLatin1Char('0'));
    };
    requireIndexScans(b, SExplainCard,
                      QStringLiteral("select FOwner, FPhone, FVipID from VipOrder where FVipNo=? and"
                                     " FInterID=(select min(FInterID) from VipOrder where FVipNo=?)"),
                      {card(1), card(1)}, "member lookup by card");
    requireIndexScans(b, SExplainPhone,
                      QStringLiteral("select FVipNo,FOwner from VipOrder where FVipNo=? or FPhone=?"
                                     " order by FInterID"),
                      {phone(1), phone(1)}, "member lookup by phone");
    {
        std::vector<double> to, tr;
        std::vector<QString> ours(b.z.lookups), raws(b.z.lookups);
        rounds(
            b.z.lookups,
            [&](int i) {
                const auto m = CardHolders::find(b.cnstr, card(i));
                ours[i] = m ? m->owner : QString();
            },
            [&](int i) {
                const Table t = b.raw->run(SByCard, {card(i)});
                raws[i] = t.empty() ? QString() : t[0][0];
            },
            to, tr);
        for (int i = 0; i < b.z.lookups; ++i)
            if (ours[i] != raws[i] || ours[i].isEmpty())
                fail(QStringLiteral("member of %1: %2 against %3").arg(card(i), ours[i], raws[i]));
        line(QStringLiteral("member lookup by card"), b.engineName(), to, tr);
    }
    {
        std::vector<double> to, tr;
        std::vector<QString> ours(b.z.lookups), raws(b.z.lookups);
        rounds(
            b.z.lookups,
            [&](int i) {
                const auto c = CardHolders::find(b.cnstr, phone(i), CardHolders::Search::NumberOrPhone);
                ours[i] = c ? c->vipNo : QString();
            },
            [&](int i) {
                const Table t = b.raw->run(SByPhone, {phone(i), phone(i)});
                raws[i] = t.empty() ? QString() : t[0][0];
            },
            to, tr);
        for (int i = 0; i < b.z.lookups; ++i)
            if (ours[i] != raws[i] || ours[i].isEmpty())
                fail(QStringLiteral("card of %1: %2 against %3").arg(phone(i), ours[i], raws[i]));
        line(QStringLiteral("member lookup by phone"), b.engineName(), to, tr);
    }
    const int before = db::scalar(b.cnstr, QStringLiteral("select count(*) from VipCzBill")).toInt();
    std::vector<double> to, tr;
    const QDate d(2026, 12, 31);
    rounds(
        b.z.saves,
        [&](int i) {
            RechargeInput in;
            in.vipNo = card(i);
            in.vipId = QStringLiteral("ID") + in.vipNo.mid(1);
            in.owner = QStringLiteral("会员");
            in.phone = phone(i);
            in.date = d;
            in.amount = Money::fromInt(100);
            in.gift = Money::fromInt(20);
            in.billerId = 1;
            RechargeBill::save(b.cnstr, in);
        },
        [&](int i) {
            b.raw->run(SBegin, {});
            b.raw->run(SLock, {card(i)});
            const double bal = b.raw->run(SBalance, {card(i)}).at(0).at(0).toDouble();
            b.raw->run(SRecharge,
                       {card(i), QStringLiteral("ID") + card(i).mid(1), u"会员"_qs, phone(i),
                        u"2026-12-31"_qs, u"2026-12-31 09:30:00"_qs, u"120"_qs, u"100"_qs,
                        u"20"_qs, QString(), QString::number(bal, 'f', 4),
                        QString::number(bal + 120, 'f', 4), u"2026年"_qs, u"2026年4季度"_qs,
                        u"2026年12月"_qs, u"120"_qs});
            b.raw->run(SCommit, {});
        },
        to, tr);
    const int written =
        db::scalar(b.cnstr, QStringLiteral("select count(*) from VipCzBill")).toInt() - before;
    if (written != 2 * b.z.saves)
        fail(QStringLiteral("recharge save: %1 rows").arg(written));
    line(QStringLiteral("recharge save (lock + balance + row)"), b.engineName(), to, tr);
}

void reports(Bench &b)
{
    struct Range
    {
        const char *name;
        QDate from, to;
    };
    const Range ranges[] = {{"month", QDate(2026, 6, 1), QDate(2026, 6, 30)},
                            {"year", QDate(2026, 1, 1), QDate(2026, 12, 31)}};
    for (const Range &r : ranges) {
        const QString from = r.from.toString(Qt::ISODate), to = r.to.toString(Qt::ISODate);
        // 103: the recharge lines and their total.
        StoredValueReport::Result ours;
        Table raw;
        std::vector<double> to1, tr1;
        rounds(
            b.z.reportRounds,
            [&](int) {
                ours = StoredValueReport::run(b.cnstr, 103, {r.from, r.to, QString()});
            },
            [&](int) {
                raw = b.raw->run(S103, {from, to});
            },
            to1, tr1);
        double k = 0;
        for (const Texts &t : raw)
            k += t[5].toDouble();
        if (ours.lines.size() != qsizetype(raw.size()) ||
            ours.total.value(7) != NumberText::money(k))
            fail(QStringLiteral("report 103: %1 lines %2, raw %3 lines %4")
                     .arg(ours.lines.size())
                     .arg(ours.total.value(7))
                     .arg(raw.size())
                     .arg(NumberText::money(k)));
        line(QStringLiteral("report 103, a %1 (%2 lines)")
                 .arg(QString::fromLatin1(r.name))
                 .arg(raw.size()),
             b.engineName(), to1, tr1);
        // 104: one line per member, and the closing total.
        std::vector<double> to2, tr2;
        rounds(
            b.z.reportRounds,
            [&](int) {
                ours = StoredValueReport::run(b.cnstr, 104, {r.from, r.to, QString()});
            },
            [&](int) {
                raw = b.raw->run(S104, {from, from, from, from, from, from, to});
            },
            to2, tr2);
        double end = 0;
        qsizetype members = 0;
        for (const Texts &t : raw) {
            const double beg = t[1].toDouble();
            if (t[2].toInt() == 0 && std::abs(beg) < 0.005)
                continue;
            ++members;
            end += beg + t[3].toDouble() + t[4].toDouble() - t[5].toDouble() - t[6].toDouble();
        }
        if (ours.lines.size() != members || ours.total.value(7) != NumberText::money(end))
            fail(QStringLiteral("report 104: %1 members %2, raw %3 members %4")
                     .arg(ours.lines.size())
                     .arg(ours.total.value(7))
                     .arg(members)
                     .arg(NumberText::money(end)));
        line(QStringLiteral("report 104, a %1 (%2 members)")
                 .arg(QString::fromLatin1(r.name))
                 .arg(members),
             b.engineName(), to2, tr2);
    }
}

// ---- several stations at once (PostgreSQL) ----

int worker(const QString &cnstr, int seconds, int seed)
{
    const auto end = Clock::now() + std::chrono::seconds(seconds);
    int n = 0;
    while (Clock::now() < end)
        saveOurs(cnstr, seed * 100000 + n++);
    std::printf("%d\n", n);
    return 0;
}

void stations(const QString &cnstr, const db::ConnectionString &admin, const QString &pgbin,
              int seconds)
{
    const int count = 4;
    QList<QProcess *> procs;
    const auto a = Clock::now();
    for (int i = 0; i < count; ++i) {
        auto *p = new QProcess;
        p->start(
            QCoreApplication::applicationFilePath(),
            {QStringLiteral("--worker"), cnstr, QString::number(seconds), QString::number(i + 1)});
        procs << p;
    }
    int saved = 0;
    for (QProcess *p : procs) {
        p->waitForFinished(-1);
        if (p->exitCode() != 0)
            fail(QStringLiteral("station: ") + QString::fromUtf8(p->readAllStandardError()));
        saved += p->readAllStandardOutput().trimmed().toInt();
        delete p;
    }
    const double ours = saved / (micros(a, Clock::now()) / 1e6);
    // pgbench TPC-B on the same cluster, its own database.
    const QStringList conn{QStringLiteral("-h"),        admin.host,           QStringLiteral("-p"),
                           QString::number(admin.port), QStringLiteral("-U"), admin.user};
    QProcess::execute(pgbin + QStringLiteral("/psql"),
                      conn + QStringList{QStringLiteral("-q"), QStringLiteral("-d"), admin.database,
                                         QStringLiteral("-c"),
                                         QStringLiteral("create database kwpos_pgbench")});
    QProcess init;
    init.start(pgbin + QStringLiteral("/pgbench"),
               conn + QStringList{QStringLiteral("-i"), QStringLiteral("-q"), QStringLiteral("-s"),
                                  QString::number(count), QStringLiteral("kwpos_pgbench")});
    init.waitForFinished(-1);
    QProcess run;
    run.start(pgbin + QStringLiteral("/pgbench"),
              conn + QStringList{QStringLiteral("-n"), QStringLiteral("-c"), QString::number(count),
                                 QStringLiteral("-j"), QString::number(count), QStringLiteral("-T"),
                                 QString::number(seconds), QStringLiteral("kwpos_pgbench")});
    run.waitForFinished(-1);
    const QString out = QString::fromUtf8(run.readAllStandardOutput());
    const auto m = QRegularExpression(QStringLiteral("tps = ([0-9.]+)")).match(out);
    const double tpcb = m.hasMatch() ? m.captured(1).toDouble() : 0;
    std::printf("%-34s %-10s ours %8.0f saves/s  pgbench TPC-B %8.0f tps  ratio %5.2f\n",
                "4 stations saving at once", "PostgreSQL", ours, tpcb,
                tpcb > 0 ? ours / tpcb : 0.0);
    std::fflush(stdout);
}

// ---- member orders: the save and the uncompleted orders ----

const QString kOrderLine = QStringLiteral(
    "insert into VipOrderEntry (FInterID, FEntryID, FItemID, FQty, FPreQty, FCplQty, FPrice,"
    " FAmount, FYxq) values (?,?,?,?,?,?,?,?,?)");
const QString kOrderHeader = QStringLiteral(
    "insert into VipOrder (FInterID, Fdate, FVipNo, FOwner, FPhone, FRemark, FSumQty, FSumAmount,"
    " FCreateTime, FMonth, FVipID, FBillerID, FGetCash, FGetReserve, FClosed)"
    " values (?,?,?,?,?,?,?,?,%1,?,?,?,?,?,?)");
const QString kOrderVipId = QStringLiteral("update VipOrder set FVipID=? where FVipNo=?");
// The uncompleted orders as the list reads them; the card filter is appended.
const QString kUncompleted = QStringLiteral(
    "select t1.FInterID, t1.Fdate, coalesce(t1.FVipNo,'') as FVipNo,"
    " coalesce(t1.FOwner,'') as FOwner, coalesce(t1.FPhone,'') as FPhone, t2.FEntryID,"
    " coalesce(t2.FItemID,0) as FItemID, coalesce(t3.FName,'') as FName,"
    " coalesce(t2.FQty,0) as FQty, coalesce(t2.FPreQty,0) as FPreQty,"
    " coalesce(t2.FCplQty,0) as FCplQty, t2.FYxq"
    " from VipOrder t1 inner join VipOrderEntry t2 on t1.FInterID=t2.FInterID"
    " left join t_icitem t3 on t2.FItemID=t3.FItemID"
    " where coalesce(t2.FQty,0)+coalesce(t2.FPreQty,0)>coalesce(t2.FCplQty,0)");
const QString kUncompletedOrder = QStringLiteral(" order by t1.Fdate, t1.FInterID, t2.FEntryID");
enum OrderStmt { SOrderLine = 40, SOrderHeader, SOrderVipId, SUncplCard, SUncplAll, SExplainUncpl };

// 100k orders of two and three lines in turn (250k lines) over a year, ten a card; of every
// five lines three are finished, one started and one untouched. Each card holds stored value.
void seedOrders(Bench &b)
{
    const bool lite = b.engine == db::Engine::SQLite;
    auto series = [&](int n, const QString &sql) {
        const QString to = QString::number(n);
        return (lite ? QStringLiteral("with recursive s(i) as (select 1 union all select i+1 from s"
                                      " where i<%1) ")
                               .arg(to) +
                           sql + QStringLiteral(" from s")
                     : sql + QStringLiteral(" from generate_series(1,%1) s(i)").arg(to))
            .toUtf8();
    };
    const QString members = QString::number(b.z.members);
    const QString card =
        lite ? QStringLiteral("'V' || printf('%05d', i % ") + members + u')'
             : QStringLiteral("'V' || lpad((i % ") + members + QStringLiteral(")::text, 5, '0')");
    const QString date =
        lite ? QStringLiteral("date('2025-01-01', '+' || (i * 365 / 100000) || ' days')")
             : QStringLiteral("date '2025-01-01' + (i * 365 / 100000)");
    // Line j of a pair of orders: the odd order takes two lines, the even one three.
    const QString order =
        QStringLiteral("((i - 1) / 5 * 2 + case when (i - 1) % 5 < 2 then 1 else 2 end)");
    const QString entry =
        QStringLiteral("(case when (i - 1) % 5 < 2 then (i - 1) % 5 + 1 else (i - 1) % 5 - 1 end)");
    progress(qPrintable(b.engineName()), "100k member orders");
    b.raw->exec("BEGIN");
    b.raw->exec("delete from VipOrderEntry");
    b.raw->exec("delete from VipOrder");
    b.raw->exec(
        series(100000, QStringLiteral("insert into VipOrder (FInterID, Fdate, FVipNo, FOwner,"
                                      " FPhone, FVipID, FSumQty, FSumAmount, FCreateTime,"
                                      " FGetCash, FGetReserve, FClosed) select i, %1, %2,"
                                      " 'O''Neil ' || i, '138', 'ID' || %2, 66, 210, %1, 210,"
                                      " 0, 0")
                           .arg(date, card))
            .constData());
    b.raw->exec(
        series(250000, QStringLiteral("insert into VipOrderEntry (FInterID, FEntryID, FItemID,"
                                      " FQty, FPreQty, FCplQty, FPrice, FAmount, FYxq) select"
                                      " %1, %2, 1 + i % %3, 30, 3, case when i % 5 < 3 then 33"
                                      " when i % 5 = 3 then 10 else 0 end, 3.5, 105,"
                                      " case when i % 2 = 0 then null else %4 end")
                           .arg(order, entry)
                           .arg(b.z.items)
                           .arg(lite ? QStringLiteral("'2026-06-30'")
                                     : QStringLiteral("date '2026-06-30'")))
            .constData());
    b.raw->exec("update ICMaxNum set FMaxNum=100000 where FTranType=30");
    b.raw->exec(series(b.z.members,
                       QStringLiteral("insert into VipCzBill (FVipNo, FTranType, FDate, FKAmount,"
                                      " FCzAmount, FZsAmount, FBegAmount, FEndAmount) select %1, 1,"
                                      " '2025-12-31', 100000, 100000, 0, 0, 0")
                           .arg(card)));
    b.raw->exec("COMMIT");
    b.raw->exec(lite ? "ANALYZE" : "VACUUM ANALYZE");
    progress(qPrintable(b.engineName()), "done");
    std::printf("\n");
}

QString benchCard(const Bench &b, int i)
{
    return QStringLiteral("V%1").arg((i * 7919) % b.z.members, 5, 10, QLatin1Char('0'));
}

// A new order of three lines valid until March, 2.00 of it from stored value, as the order
// screen saves it.
OrderDraft benchOrder(const Bench &b, int seq)
{
    OrderDraft d;
    d.date = QDate(2027, 1, 15);
    d.vipNo = benchCard(b, seq);
    d.owner = QStringLiteral("会员");
    d.phone = QStringLiteral("138");
    d.vipId = QStringLiteral("ID") + d.vipNo;
    for (int e = 0; e < 3; ++e)
        d.add(1 + (seq * 3 + e) % b.z.items, QStringLiteral("鲜奶"), QStringLiteral("3.50"),
              QStringLiteral("30"), QStringLiteral("3"), QStringLiteral("105.00"),
              QDate(2027, 3, 1));
    return d;
}

void orderSaveRaw(Bench &b, const OrderDraft &d)
{
    Raw &raw = *b.raw;
    const Money reserve = Money::fromInt(2), cash = d.sumAmount() - reserve;
    raw.run(SBegin, {});
    const QString n = raw.run(SDraw, {u"30"_qs}).at(0).at(0);
    int entry = 0;
    for (const OrderDraftLine &l : d.lines())
        raw.run(SOrderLine,
                {n, QString::number(++entry), QString::number(l.itemId), QString::number(l.qty),
                 QString::number(l.gift), u"0"_qs, l.price.format(), l.amount.format(),
                 l.validTo.isValid() ? l.validTo.toString(Qt::ISODate) : QString()});
    raw.run(SOrderHeader, {n, u"2027-01-15"_qs, d.vipNo, d.owner, d.phone, QString(),
                           QString::number(d.sumQty()), d.sumAmount().format(), u"2027年1月"_qs,
                           d.vipId, u"1"_qs, cash.format(), reserve.format(), u"0"_qs});
    raw.run(SOrderVipId, {d.vipId, d.vipNo});
    if (b.engine == db::Engine::PostgreSQL)
        raw.run(SLockCard, {d.vipNo});
    const Money before = Money::parse(raw.run(SBalance, {d.vipNo}).at(0).at(0));
    raw.run(SSaleMove, {d.vipNo, QString(), QString(), QString(), u"2"_qs, u"2027-01-15"_qs,
                        u"1"_qs, reserve.format(), u"0"_qs, u"0"_qs, QString(), before.format(),
                        (before - reserve).format(), u"2027年"_qs, u"2027年1季度"_qs,
                        u"2027年01月"_qs, d.sumAmount().format()});
    raw.run(SCommit, {});
}

void orders(Bench &b)
{
    seedOrders(b);
    const QString now = db::Dialect::nowExpression(b.engine);
    b.raw->prepare(SOrderLine, kOrderLine);
    b.raw->prepare(SOrderHeader, kOrderHeader.arg(now));
    b.raw->prepare(SOrderVipId, kOrderVipId);
    b.raw->prepare(SUncplCard,
                   kUncompleted + QStringLiteral(" and t1.FVipNo=?") + kUncompletedOrder);
    b.raw->prepare(SUncplAll, kUncompleted + kUncompletedOrder);
    requireIndexScans(b, SExplainUncpl,
                      kUncompleted + QStringLiteral(" and t1.FVipNo=?") + kUncompletedOrder,
                      {benchCard(b, 1)}, "uncompleted orders of one card", QStringLiteral("t_icitem"));
    {
        const int saves = b.z.saves;
        std::vector<OrderDraft> ours, raws;
        for (int i = 0; i < saves; ++i) {
            ours.push_back(benchOrder(b, 2 * i));
            raws.push_back(benchOrder(b, 2 * i + 1));
        }
        std::vector<double> to, tr;
        rounds(
            saves,
            [&](int i) {
                MemberOrderStore::save(b.cnstr, ours[i],
                                       {ours[i].sumAmount() - Money::fromInt(2), Money::fromInt(2)},
                                       1);
            },
            [&](int i) { orderSaveRaw(b, raws[i]); }, to, tr);
        const int made =
            db::scalar(b.cnstr,
                       QStringLiteral("select count(*) from VipOrder where FInterID>100000"))
                .toInt();
        const int moves =
            db::scalar(b.cnstr, QStringLiteral("select count(*) from VipCzBill where FDate=?"),
                       {QDate(2027, 1, 15)})
                .toInt();
        if (made != 2 * saves || moves != 2 * saves)
            fail(QStringLiteral("order save: %1 orders, %2 movements").arg(made).arg(moves));
        line(QStringLiteral("order save (number + 3 lines + pay)"), b.engineName(), to, tr);
    }
    auto compare = [&](const OrderLists::Result &r, const Table &t, const QString &what) {
        const int lines = int(r.table.rows.size()) - (t.empty() ? 0 : 1);
        if (lines != int(t.size()) ||
            (!t.empty() && r.keys.front().orderId != t.front().at(0).toInt()))
            fail(QStringLiteral("%1: ours %2 lines, raw %3").arg(what).arg(lines).arg(t.size()));
    };
    {
        std::vector<double> to, tr;
        const int n = b.z.lookups / 3;
        std::vector<OrderLists::Result> ours(n);
        std::vector<Table> raws(n);
        rounds(
            n, [&](int i) { ours[i] = OrderLists::uncompleted(b.cnstr, benchCard(b, i)); },
            [&](int i) { raws[i] = b.raw->run(SUncplCard, {benchCard(b, i)}); }, to, tr);
        for (int i = 0; i < n; ++i)
            compare(ours[i], raws[i], QStringLiteral("uncompleted of %1").arg(benchCard(b, i)));
        line(QStringLiteral("uncompleted orders, one card"), b.engineName(), to, tr);
    }
    {
        std::vector<double> to, tr;
        OrderLists::Result last;
        Table raw;
        rounds(
            b.z.reportRounds, [&](int) { last = OrderLists::uncompleted(b.cnstr, QString()); },
            [&](int) { raw = b.raw->run(SUncplAll, {}); }, to, tr);
        compare(last, raw, QStringLiteral("uncompleted of all cards"));
        line(QStringLiteral("uncompleted orders, all cards"), b.engineName(), to, tr,
             QStringLiteral("%1 lines").arg(raw.size()));
    }
}

// ---- start-up to the main window ----

// The back office as the operator types: the item list filtered at each key over the items
// and their codes (pack codes added here up to two per item beside its own code), and the
// member register searched over the cards of the movements.
void backoffice(Bench &b)
{
    const bool lite = b.engine == db::Engine::SQLite;
    const QString n = QString::number(b.z.items);
    const QString series = lite ? QStringLiteral("with recursive s(i) as (select 1 union all select i+1"
                                                 " from s where i<%1) ").arg(n)
                                : QString();
    const QString from = lite ? QStringLiteral(" from s") : QStringLiteral(" from generate_series(1,%1) s(i)").arg(n);
    const QString code = lite ? QStringLiteral("printf('%011d', i)") : QStringLiteral("lpad(i::text, 11, '0')");
    b.raw->exec((series + QStringLiteral("insert into t_icitem_barcode (FItemID, FBarCode, FPriceStyleID, FExchange,"
                                         " FPrice) select i, '89' || ") + code +
                 QStringLiteral(", 1, 12, 20") + from + QStringLiteral(" where i % 10 <> 0"))
                    .toUtf8()
                    .constData());
    b.raw->exec("ANALYZE");
    std::mt19937 rng(11);
    auto toTexts = [](const QVariantList &params) {
        Texts t;
        for (const QVariant &v : params)
            t.push_back(v.typeId() == QMetaType::QDate ? v.toDate().toString(Qt::ISODate) : v.toString());
        return t;
    };
    // What an operator types, one key at a time: a shop number, a bar code, part of a name.
    std::vector<QString> typed;
    for (int r = 0; r < std::max(4, b.z.lookups / 60); ++r) {
        const int i = 1 + int(rng() % unsigned(b.z.items));
        const QString words[] = {QStringLiteral("S%1").arg(i, 6, 10, QLatin1Char('0')),
                                 QStringLiteral("69%1").arg(i, 11, 10, QLatin1Char('0')),
                                 QStringLiteral("鲜奶%1").arg(i)};
        for (const QString &w : words)
            for (int len = 1; len <= w.size(); ++len)
                typed.push_back(w.left(len));
    }
    std::vector<double> to, tr;
    std::vector<int> ours(typed.size()), raws(typed.size());
    rounds(
        int(typed.size()), [&](int i) { ours[i] = int(ItemStore::search(b.cnstr, typed[i], 1).size()); },
        [&](int i) { raws[i] = int(b.raw->run(SItemSearch, toTexts(ItemStore::searchParams(typed[i], 500))).size()); },
        to, tr);
    for (size_t i = 0; i < typed.size(); ++i)
        if (ours[i] != raws[i])
            fail(QStringLiteral("item search \"%1\": ours %2 rows, raw %3").arg(typed[i]).arg(ours[i]).arg(raws[i]));
    line(QStringLiteral("item search as typed"), b.engineName(), to, tr);

    const QDate today(2026, 1, 1);
    std::vector<QString> cards;
    for (int r = 0; r < std::max(3, b.z.lookups / 300); ++r) {
        const int m = int(rng() % unsigned(b.z.members));
        cards.push_back(QStringLiteral("V%1").arg(m, 5, 10, QLatin1Char('0')));
        cards.push_back(QStringLiteral("138%1").arg(m, 8, 10, QLatin1Char('0')));
    }
    to.clear();
    tr.clear();
    rounds(
        int(cards.size()), [&](int i) { MemberRegister::search(b.cnstr, cards[i], today); },
        [&](int i) { b.raw->run(SMemberSearch, toTexts(MemberRegister::searchParams(cards[i], today, 1000))); },
        to, tr);
    line(QStringLiteral("member register search"), b.engineName(), to, tr);
}

void startup(const QString &mainExe, int runs)
{
    if (!QFile::exists(mainExe)) {
        std::printf("%-34s skipped: %s not built\n", "start-up to main window",
                    qPrintable(mainExe));
        return;
    }
    QTemporaryDir home;
    qputenv("KWPOS_CONFIG_DIR", (home.path() + QStringLiteral("/config")).toUtf8());
    qputenv("KWPOS_DATA_DIR", (home.path() + QStringLiteral("/data")).toUtf8());
    qputenv("KWPOS_PASSWORD", "8888");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const QByteArray exe = mainExe.toLocal8Bit();
    const QByteArray accountSet = QStringLiteral("演示帐套").toUtf8(),
                     user = QStringLiteral("店长").toUtf8();
    std::vector<double> times;
    long peakKb = 0;
    for (int i = 0; i <= runs; ++i) { // the first run creates the demo account set
        const auto a = Clock::now();
        const pid_t pid = fork();
        if (pid == 0) {
            std::freopen("/dev/null", "w", stdout);
            std::freopen("/dev/null", "w", stderr);
            execl(exe.constData(), exe.constData(), "--account", accountSet.constData(), "--user",
                  user.constData(), "--quit-after-start", static_cast<char *>(nullptr));
            _exit(127);
        }
        // The peak resident set as the kernel counts it in /proc, read while the program runs.
        long hwm = 0;
        int status = 0;
        rusage usage{};
        for (;;) {
            // Only once the program runs: before its exec the child is a copy of this process.
            const QString exePath = QFile::symLinkTarget(QStringLiteral("/proc/%1/exe").arg(pid));
            QFile f(QStringLiteral("/proc/%1/status").arg(pid));
            if (exePath.endsWith(QStringLiteral("kwpos_main")) && f.open(QIODevice::ReadOnly)) {
                const QByteArray s = f.readAll();
                const int at = s.indexOf("VmHWM:");
                if (at >= 0)
                    hwm = std::max(hwm, s.mid(at + 6, s.indexOf('\n', at) - at - 6)
                                            .trimmed()
                                            .split(' ')
                                            .value(0)
                                            .toLong());
            }
            if (wait4(pid, &status, WNOHANG, &usage) == pid)
                break;
            QThread::usleep(500);
        }
        const auto b = Clock::now();
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            fail(QStringLiteral("kwpos_main did not start (status %1)").arg(status));
        if (i > 0) {
            times.push_back(micros(a, b));
            peakKb = std::max(peakKb, hwm);
        }
    }
    std::printf("%-34s %-10s ours %10s  p99 %10s  resident memory %.1f MB\n",
                "start-up to main window", "SQLite", qPrintable(timeText(percentile(times, 0.5))),
                qPrintable(timeText(percentile(times, 0.99))), peakKb / 1024.0);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.value(1) == u"--worker")
        return worker(args.value(2), args.value(3).toInt(), args.value(4).toInt());

    const bool quick = args.contains(QStringLiteral("--quick"));
    Size z = quick ? Size{2000, 200, 20000, 300, 60, 3, 3, 0}
                   : Size{100000, 10000, 1000000, 3000, 400, 5, 10, 0};
    const QString pg =
        args.indexOf(u"--pg"_qs) >= 0 ? args.value(args.indexOf(u"--pg"_qs) + 1) : QString();
    const QString mainExe =
        args.indexOf(u"--main"_qs) >= 0 ? args.value(args.indexOf(u"--main"_qs) + 1) : QString();
    const QString pgbin =
        args.indexOf(u"--pgbin"_qs) >= 0 ? args.value(args.indexOf(u"--pgbin"_qs) + 1) : QString();
    // --only NAME runs one part (lookups, saves, sale, balance, reports, recharge, orders,
    // backoffice, stations, startup).
    const QString only =
        args.indexOf(u"--only"_qs) >= 0 ? args.value(args.indexOf(u"--only"_qs) + 1) : QString();
    auto part = [&](const char *name) { return only.isEmpty() || only == QLatin1String(name); };
    if (only == QLatin1String("yearreports"))
        return runYearReports(args);
    if (only.isEmpty() || only == QLatin1String("recharge"))
        z.orderLines = z.movements;
    // The same operations on each engine, in the same order.
    auto runParts = [&](Bench &b) {
        if (part("lookups"))
            lookups(b);
        if (part("saves"))
            saves(b);
        if (part("sale"))
            sale(b);
        if (part("balance"))
            balance(b);
        if (part("reports"))
            reports(b);
        if (part("recharge"))
            recharge(b);
        if (part("orders"))
            orders(b);
        if (part("backoffice"))
            backoffice(b);
    };
    std::printf("kwpos bench: %d items, %d movements over %d members%s\n", z.items, z.movements,
                z.members, quick ? " (quick)" : "");
    try {
        QTemporaryDir dir;
        {
            const QString cnstr =
                db::ConnectionString::sqlite(dir.path() + QStringLiteral("/bench.db")).toString();
            Bench b{cnstr, db::Engine::SQLite, nullptr, z};
            db::Schema::ensure(cnstr);
            RawSqlite raw(dir.path() + QStringLiteral("/bench.db"));
            seed(cnstr, raw, db::Engine::SQLite, z);
            prepareAll(raw, db::Engine::SQLite);
            b.raw = &raw;
            runParts(b);
            db::closeAll();
        }
        if (!pg.isEmpty()) {
            const db::ConnectionString admin = db::ConnectionString::parse(pg);
            db::execute(pg, QStringLiteral("drop schema if exists kwpos_bench cascade"));
            db::execute(pg, QStringLiteral("create schema kwpos_bench"));
            db::ConnectionString cs = admin;
            cs.schema = QStringLiteral("kwpos_bench");
            const QString cnstr = cs.toString();
            RawPg raw(cs);
            seed(cnstr, raw, db::Engine::PostgreSQL, z);
            prepareAll(raw, db::Engine::PostgreSQL);
            Bench b{cnstr, db::Engine::PostgreSQL, &raw, z};
            runParts(b);
            db::closeAll();
            if (!pgbin.isEmpty() && part("stations"))
                stations(cnstr, admin, pgbin, z.stationSeconds);
        } else {
            std::printf("PostgreSQL: skipped (no --pg connection string)\n");
        }
        if (!mainExe.isEmpty() && part("startup"))
            startup(mainExe, quick ? 3 : 10);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "\nbench failed: %s\n", e.what());
        return 1;
    }
    return 0;
}
