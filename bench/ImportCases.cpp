// The import of a shop's items, members and open orders from XLSX through our core, against
// the same rows read by the same reader and loaded raw with the engine's best bulk method
// (SQLite: one transaction, one prepared insert per table stepped per row; PostgreSQL: COPY),
// each into an account set of its own; then the peak memory of importing a large file.
#include "Cases.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <random>

#include <libpq-fe.h>
#include <sqlite3.h>
#include <xlsxwriter.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryDir>

#include "core/db/Database.h"
#include "core/db/Schema.h"
#include "core/exchange/SheetReader.h"
#include "core/exchange/ShopImport.h"

namespace bench {

namespace {

struct Files
{
    QString items, members, orders;
    int itemRows = 0, memberRows = 0, orderLines = 0;
};

QString digits(int i, int width)
{
    return QString::number(i).rightJustified(width, u'0');
}

QString priceOf(int i)
{
    return QString::number((i % 50) + 1) + QStringLiteral(".50");
}

// An XLSX written as the program's export writes it: libxlsxwriter row by row in constant
// memory, codes as text cells, prices and quantities as numbers.
class Xlsx
{
public:
    explicit Xlsx(const QString &path)
    {
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        m_wb = workbook_new_opt(QFile::encodeName(path).constData(), &options);
        if (!m_wb)
            fail(QStringLiteral("cannot write ") + path);
        m_ws = workbook_add_worksheet(m_wb, "Sheet1");
    }
    // "#" before a cell makes it a number.
    void add(const QStringList &cells)
    {
        for (int c = 0; c < cells.size(); ++c) {
            const QString &v = cells.at(c);
            lxw_error e = LXW_NO_ERROR;
            if (v.startsWith(u'#'))
                e = worksheet_write_number(m_ws, m_row, lxw_col_t(c), v.mid(1).toDouble(), nullptr);
            else if (!v.isEmpty())
                e = worksheet_write_string(m_ws, m_row, lxw_col_t(c), v.toUtf8().constData(), nullptr);
            if (e != LXW_NO_ERROR) // past the sheet's last row, for one
                fail(QStringLiteral("xlsx row %1: %2").arg(m_row).arg(QString::fromUtf8(lxw_strerror(e))));
        }
        ++m_row;
    }
    void close()
    {
        if (workbook_close(m_wb) != LXW_NO_ERROR)
            fail(QStringLiteral("xlsx not written"));
        m_wb = nullptr;
    }

private:
    lxw_workbook *m_wb = nullptr;
    lxw_worksheet *m_ws = nullptr;
    lxw_row_t m_row = 0;
};

const QStringList kItemHeader{"店内码", "商品名称", "条码", "规格", "单位", "零售价", "包装条码", "每包件数", "包装价"};

// Item i: shop number and both codes with leading zeros, one pack of 12.
QStringList itemRow(int i)
{
    return {digits(i, 7), QStringLiteral("鲜牛奶 %1").arg(i), QStringLiteral("069") + digits(i, 10),
            QStringLiteral("250ml"), QStringLiteral("袋"), u'#' + priceOf(i), QStringLiteral("169") + digits(i, 10),
            QStringLiteral("#12"), u'#' + QString::number(((i % 50) + 1) * 12 + 6)};
}

void writeItems(const QString &path, int rows)
{
    Xlsx x(path);
    x.add(kItemHeader);
    for (int i = 1; i <= rows; ++i)
        x.add(itemRow(i));
    x.close();
}

// A large file as a shop's own list might make one: a sheet holds at most 1,048,576 rows, so
// its size comes from what a row says. Codes drawn without repeats (an EAN-13 body through a
// permutation), and names and models that run on in description: a brand, a kind, a taste,
// then `words` characters drawn from common ones, so that the text packs as varied text does
// and every byte of it is read, checked and stored (within a name's and a model's 255).
void writeLargeItems(const QString &path, int rows, int words)
{
    static const QString common = QStringLiteral(
        "的一是在不了有和人这中大为上个国我以要他时来用们生到作地于出就分对成会可主发年动同工也能下过子说产种面而方后多定行学法所民得经十三之进着等部度家电力里如水化高自二理起小物现实加量都两体制机当使点从业本去把性好应开它合还因由其些然前外天政四日那社义事平形相全表间样与关各重新线内数正心反你明看原又么利比或但质气第向道命此变条只没结解问意建月公无系军很情者最立代想已通并提直题党程展五果料象员革位入常文总次品式活设及管特件长求老头基资边流路级少图山统接知较将组见计别她手角期根论运农指几九区强放决西被干做必战先回则任取据处理世车");
    static const char *const brands[] = {"蒙牛", "伊利", "光明", "三元", "君乐宝", "新希望", "完达山", "卫岗"};
    static const char *const kinds[] = {"鲜牛奶", "酸奶", "纯牛奶", "奶酪棒", "低脂奶", "风味发酵乳", "乳饮料", "奶粉"};
    static const char *const tastes[] = {"原味", "草莓味", "香蕉味", "黄桃味", "蓝莓味", "红枣味", "燕麦", "无糖"};
    std::mt19937_64 rng(11);
    const auto text = [&](int n) {
        QString t;
        t.reserve(n);
        for (int k = 0; k < n; ++k)
            t += common.at(qsizetype(rng() % quint64(common.size())));
        return t;
    };
    const auto code = [](int i, int lead) {
        // i -> i * a mod 10^10 with a prime to 10: each item its own code.
        return QString::number(lead) + digits(int((qint64(i) * 7654321LL) % 1000000000LL), 9) + u'0' +
               QString::number(i % 10);
    };
    Xlsx x(path);
    x.add(kItemHeader);
    const int nameWords = std::min(200, words / 2), modelWords = std::min(220, words - words / 2);
    for (int i = 1; i <= rows; ++i) {
        const QString name = QString::fromUtf8(brands[rng() % 8]) + QString::fromUtf8(kinds[rng() % 8]) + u' ' +
                             QString::fromUtf8(tastes[rng() % 8]) + u' ' + text(nameWords);
        const QString model = QString::number(100 + 50 * int(rng() % 20)) + QStringLiteral("ml×") +
                              QString::number(1 + rng() % 24) + QStringLiteral("，") + text(modelWords);
        x.add({digits(i, 7), name, code(i, 69), model, QStringLiteral("袋"), u'#' + priceOf(i), code(i, 16),
               QStringLiteral("#12"), u'#' + QString::number(((i % 50) + 1) * 12 + 6)});
    }
    x.close();
}

Files writeFiles(const QString &dir, int items)
{
    Files f;
    f.items = dir + QStringLiteral("/items.xlsx");
    f.members = dir + QStringLiteral("/members.xlsx");
    f.orders = dir + QStringLiteral("/orders.xlsx");
    f.itemRows = items;
    f.memberRows = items / 10;
    f.orderLines = items * 3 / 10;
    writeItems(f.items, items);
    {
        Xlsx x(f.members);
        x.add({"卡号", "持卡人", "电话", "期初余额"});
        for (int i = 1; i <= f.memberRows; ++i)
            x.add({QStringLiteral("V") + digits(i, 6), QStringLiteral("会员%1").arg(i), QStringLiteral("0138") + digits(i, 7),
                   i % 10 == 0 ? QStringLiteral("#0") : u'#' + QString::number(i % 500) + QStringLiteral(".50")});
        x.close();
    }
    {
        Xlsx x(f.orders);
        x.add({"外部单号", "卡号", "店内码", "订购数量", "赠送数量", "已取数量", "有效期", "实付金额", "单价"});
        // Three lines an order; one order in four handed out in full (it comes in closed).
        for (int l = 0; l < f.orderLines; ++l) {
            const int order = l / 3 + 1, item = (l * 7) % items + 1, qty = 10 + l % 3;
            const bool done = order % 4 == 0;
            x.add({QStringLiteral("E") + digits(order, 6), QStringLiteral("V") + digits(order % f.memberRows + 1, 6),
                   digits(item, 7), u'#' + QString::number(qty), QStringLiteral("#1"),
                   u'#' + QString::number(done ? qty + 1 : l % 3), QStringLiteral("2027-06-30"),
                   u'#' + QString::number(qty * 2) + QStringLiteral(".50"), QStringLiteral("#2.50")});
        }
        x.close();
    }
    return f;
}

// ---- the raw load: the rows as the reader gives them, straight into the tables ----

using Values = std::vector<QByteArray>; // a null QByteArray is NULL

class Loader
{
public:
    virtual ~Loader() = default;
    virtual void exec(const char *sql) = 0;
    virtual QList<Values> query(const char *sql) = 0;
    virtual void table(const QByteArray &name, const QByteArray &columns, int count) = 0;
    virtual void row(const Values &v) = 0;
    virtual void end() = 0;
};

class SqliteLoader : public Loader
{
public:
    explicit SqliteLoader(const QString &path) : m_db(openSqlite(path))
    {
        exec("PRAGMA synchronous=FULL");
    }
    ~SqliteLoader() override
    {
        sqlite3_finalize(m_stmt);
        sqlite3_close(m_db);
    }
    void exec(const char *sql) override { execSqlite(m_db, sql); }
    QList<Values> query(const char *sql) override
    {
        sqlite3_stmt *s = nullptr;
        if (sqlite3_prepare_v2(m_db, sql, -1, &s, nullptr) != SQLITE_OK)
            fail(QString::fromUtf8(sqlite3_errmsg(m_db)));
        QList<Values> out;
        while (sqlite3_step(s) == SQLITE_ROW) {
            Values v(size_t(sqlite3_column_count(s)));
            for (int c = 0; c < int(v.size()); ++c)
                if (const auto *t = sqlite3_column_text(s, c))
                    v[size_t(c)] = QByteArray(reinterpret_cast<const char *>(t));
            out.append(v);
        }
        sqlite3_finalize(s);
        return out;
    }
    void table(const QByteArray &name, const QByteArray &columns, int count) override
    {
        QByteArray sql = "insert into " + name + " (" + columns + ") values (";
        for (int i = 0; i < count; ++i)
            sql += i ? ",?" : "?";
        sql += ')';
        if (sqlite3_prepare_v2(m_db, sql.constData(), -1, &m_stmt, nullptr) != SQLITE_OK)
            fail(QString::fromUtf8(sqlite3_errmsg(m_db)));
    }
    void row(const Values &v) override
    {
        for (size_t i = 0; i < v.size(); ++i) {
            if (v[i].isNull())
                sqlite3_bind_null(m_stmt, int(i + 1));
            else
                sqlite3_bind_text(m_stmt, int(i + 1), v[i].constData(), int(v[i].size()), SQLITE_STATIC);
        }
        if (sqlite3_step(m_stmt) != SQLITE_DONE)
            fail(QString::fromUtf8(sqlite3_errmsg(m_db)));
        sqlite3_reset(m_stmt);
    }
    void end() override
    {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
    }

private:
    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_stmt = nullptr;
};

class PgLoader : public Loader
{
public:
    explicit PgLoader(const db::ConnectionString &cs)
    {
        m_conn = bench::connectPg(cs);
    }
    ~PgLoader() override { PQfinish(m_conn); }
    void exec(const char *sql) override { execPg(m_conn, sql); }
    QList<Values> query(const char *sql) override
    {
        PGresult *r = PQexec(m_conn, sql);
        if (PQresultStatus(r) != PGRES_TUPLES_OK) {
            PQclear(r);
            fail(QString::fromUtf8(PQerrorMessage(m_conn)));
        }
        QList<Values> out;
        for (int i = 0; i < PQntuples(r); ++i) {
            Values v(size_t(PQnfields(r)));
            for (int c = 0; c < PQnfields(r); ++c)
                if (!PQgetisnull(r, i, c))
                    v[size_t(c)] = QByteArray(PQgetvalue(r, i, c));
            out.append(v);
        }
        PQclear(r);
        return out;
    }
    void table(const QByteArray &name, const QByteArray &columns, int) override
    {
        PGresult *r = PQexec(m_conn, ("copy " + name + " (" + columns + ") from stdin").constData());
        const auto st = PQresultStatus(r);
        PQclear(r);
        if (st != PGRES_COPY_IN)
            fail(QString::fromUtf8(PQerrorMessage(m_conn)));
    }
    void row(const Values &v) override
    {
        for (size_t i = 0; i < v.size(); ++i) {
            if (i)
                m_buffer += '\t';
            if (v[i].isNull()) {
                m_buffer += "\\N";
                continue;
            }
            for (const char c : v[i]) {
                if (c == '\\' || c == '\t' || c == '\n' || c == '\r')
                    m_buffer += '\\';
                m_buffer += c == '\t' ? 't' : c == '\n' ? 'n' : c == '\r' ? 'r' : c;
            }
        }
        m_buffer += '\n';
        if (m_buffer.size() > 256 * 1024)
            send();
    }
    void end() override
    {
        send();
        if (PQputCopyEnd(m_conn, nullptr) != 1)
            fail(QString::fromUtf8(PQerrorMessage(m_conn)));
        PGresult *r = PQgetResult(m_conn);
        const auto st = PQresultStatus(r);
        PQclear(r);
        while ((r = PQgetResult(m_conn)))
            PQclear(r);
        if (st != PGRES_COMMAND_OK)
            fail(QString::fromUtf8(PQerrorMessage(m_conn)));
    }

private:
    void send()
    {
        if (!m_buffer.isEmpty() && PQputCopyData(m_conn, m_buffer.constData(), int(m_buffer.size())) != 1)
            fail(QString::fromUtf8(PQerrorMessage(m_conn)));
        m_buffer.clear();
    }
    PGconn *m_conn = nullptr;
    QByteArray m_buffer;
};

// Every data row of a file as the import's reader gives it.
template <class Each>
int eachRow(const QString &path, Each each)
{
    SheetReader sheet(path);
    SheetReader::Row row;
    sheet.next(row); // the header
    int n = 0;
    while (sheet.next(row)) {
        each(row.cells);
        ++n;
    }
    return n;
}

QByteArray cell(const QStringList &cells, int i)
{
    return cells.value(i).trimmed().toUtf8();
}

void rawItems(Loader &l, const QString &path)
{
    // Ids from 1 in a fresh account set; codes kept aside for their own table.
    QList<std::pair<QByteArray, int>> codes;
    QList<Values> packs;
    int id = 0;
    l.exec("BEGIN");
    l.table("t_icitem", "FItemID, FShopNumber, FNumber, FName, FBar_Code, FModel, FUnit, FPrice_1, FDisabled", 9);
    eachRow(path, [&](const QStringList &c) {
        const QByteArray n = QByteArray::number(++id);
        l.row({n, cell(c, 0), cell(c, 0), cell(c, 1), cell(c, 2), cell(c, 3), cell(c, 4), cell(c, 5), "0"});
        codes.append({cell(c, 2), id});
        codes.append({cell(c, 6), id});
        packs.append({n, cell(c, 6), "1", cell(c, 7), cell(c, 8)});
    });
    l.end();
    l.table("t_icitem_barcode", "FItemID, FBarCode, FPriceStyleID, FExchange, FPrice", 5);
    for (const Values &p : std::as_const(packs))
        l.row(p);
    l.end();
    l.table("t_icitem_code", "FCode, FItemID", 2);
    for (const auto &[code, item] : std::as_const(codes))
        l.row({code, QByteArray::number(item)});
    l.end();
    l.exec("COMMIT");
}

void rawMembers(Loader &l, const QString &path)
{
    l.exec("BEGIN");
    l.table("VipCzBill", "FVipNo, FOwner, FPhone, FTranType, FDate, FCreateTime, FBillerID, FKAmount, FCzAmount,"
                         " FZsAmount, FRemark, FBegAmount, FEndAmount, FYear, FSeason, FMonth, FSumAmount", 17);
    const QByteArray remark = ShopImport::openingRemark().toUtf8();
    eachRow(path, [&](const QStringList &c) {
        const QByteArray amount = cell(c, 3);
        l.row({cell(c, 0), cell(c, 1), cell(c, 2), "1", "2026-12-07", "2026-12-07 09:00:00", "1", amount, amount,
               "0", remark, "0", amount, "2026年", "2026年4季度", "2026年12月", amount});
    });
    l.end();
    l.exec("COMMIT");
}

void rawOrders(Loader &l, const QString &path)
{
    struct Order
    {
        QByteArray key, card;
        QList<Values> lines;
        qint64 qty = 0, done = 0;
        double amount = 0, paid = 0;
    };
    QList<Order> orders;
    QHash<QByteArray, int> index;
    l.exec("BEGIN");
    QHash<QByteArray, QByteArray> items;
    for (const Values &v : l.query("select FShopNumber, FItemID from t_icitem"))
        items.insert(v[0], v[1]);
    eachRow(path, [&](const QStringList &c) {
        const QByteArray key = cell(c, 0);
        auto at = index.find(key);
        if (at == index.end()) {
            orders.append({key, cell(c, 1), {}});
            at = index.insert(key, int(orders.size() - 1));
        }
        Order &o = orders[at.value()];
        const qint64 qty = c.value(3).toLongLong(), gift = c.value(4).toLongLong(), done = c.value(5).toLongLong();
        const double price = c.value(8).toDouble();
        o.qty += qty + gift;
        o.done += done;
        o.amount += price * double(qty);
        o.paid += c.value(7).toDouble();
        o.lines.append({QByteArray(), QByteArray::number(o.lines.size() + 1), items.value(cell(c, 2)),
                        QByteArray::number(qty), QByteArray::number(gift), QByteArray::number(done), cell(c, 8),
                        QByteArray::number(price * double(qty), 'f', 2), cell(c, 6)});
    });
    const QList<Values> drawn = l.query(QStringLiteral("update ICMaxNum set FMaxNum=FMaxNum+%1 where FTranType=30"
                                                       " returning FMaxNum")
                                            .arg(orders.size())
                                            .toUtf8()
                                            .constData());
    int id = drawn.at(0).at(0).toInt() - int(orders.size());
    const QByteArray prefix = ShopImport::orderKeyPrefix().toUtf8();
    l.table("VipOrder", "FInterID, Fdate, FVipNo, FRemark, FSumQty, FSumAmount, FCreateTime, FMonth, FBillerID,"
                        " FGetCash, FGetReserve, FGetOther, FClosed", 13);
    for (Order &o : orders) {
        const QByteArray n = QByteArray::number(++id);
        for (Values &line : o.lines)
            line[0] = n;
        l.row({n, "2026-12-07", o.card, prefix + o.key, QByteArray::number(o.qty),
               QByteArray::number(o.amount, 'f', 2), "2026-12-07 09:00:00", "2026年12月", "1",
               QByteArray::number(o.paid, 'f', 2), "0", "0", o.done >= o.qty ? "1" : "0"});
    }
    l.end();
    l.table("VipOrderEntry", "FInterID, FEntryID, FItemID, FQty, FPreQty, FCplQty, FPrice, FAmount, FYxq", 9);
    for (const Order &o : std::as_const(orders))
        for (const Values &line : o.lines)
            l.row(line);
    l.end();
    l.exec("COMMIT");
}

// ---- the account sets and their figures ----

struct Account
{
    QString cnstr;
    std::unique_ptr<Loader> loader;
};

Account freshAccount(const Bench &b, const QString &dir, const QString &name)
{
    Account a;
    db::ConnectionString cs = db::ConnectionString::parse(b.cnstr);
    if (b.engine == db::Engine::SQLite) {
        const QString path = dir + u'/' + name + QStringLiteral(".db");
        a.cnstr = db::ConnectionString::sqlite(path).toString();
        db::Schema::ensure(a.cnstr);
        a.loader = std::make_unique<SqliteLoader>(path);
    } else {
        // The drop would list every table it takes with it.
        db::execute(b.cnstr, QStringLiteral("set client_min_messages to warning"));
        db::execute(b.cnstr, QStringLiteral("drop schema if exists %1 cascade").arg(name));
        db::execute(b.cnstr, QStringLiteral("create schema %1").arg(name));
        cs.schema = name;
        a.cnstr = cs.toString();
        db::Schema::ensure(a.cnstr);
        a.loader = std::make_unique<PgLoader>(cs);
    }
    if (db::Schema::addPriceStyle(a.cnstr, QStringLiteral("零售价")) != 1)
        fail(QStringLiteral("a fresh account set was expected"));
    db::execute(a.cnstr, QStringLiteral("insert into t_user (FUserID, FUserName, FManager) values (1, ?, 1)"),
                {QStringLiteral("店长")});
    return a;
}

// Row counts and sums, money to the cent, the same on either side.
QString figures(const QString &cnstr, const QString &sql)
{
    QStringList out;
    for (const db::Row &r : db::query(cnstr, sql))
        for (int i = 0; i < r.count(); ++i)
            out << QString::number(r.at(i).toDouble(), 'f', 2);
    return out.join(u',');
}

const char *const kFigures[] = {
    "select count(*), count(distinct FShopNumber), sum(FPrice_1) from t_icitem",
    "select count(*), sum(FExchange), sum(FPrice) from t_icitem_barcode",
    "select count(*), count(distinct FItemID) from t_icitem_code",
    "select count(*), sum(FKAmount), sum(FEndAmount) from VipCzBill",
    "select count(*), sum(FSumQty), sum(FSumAmount), sum(FGetCash), sum(FClosed) from VipOrder",
    "select count(*), sum(FQty), sum(FPreQty), sum(FCplQty), sum(FAmount) from VipOrderEntry",
};

QString allFigures(const QString &cnstr)
{
    QStringList out;
    for (const char *sql : kFigures)
        out << figures(cnstr, QString::fromLatin1(sql));
    return out.join(u'|');
}

int importOurs(const QString &cnstr, ShopImport::Kind kind, const QString &path)
{
    ShopImport::Options options;
    options.billerId = 1;
    options.today = QDate(2026, 12, 7);
    const ShopImport::Plan plan = ShopImport::read(cnstr, kind, path, options, {});
    if (!plan.refusals.isEmpty())
        fail(QStringLiteral("import refused: ") + plan.refusals.first().text());
    const ShopImport::Result r = ShopImport::write(cnstr, plan, options, {});
    return r.added + r.updated + r.unchanged;
}

// The peak resident memory of a child importing `path` into a fresh SQLite account set.
std::pair<long, double> importInChild(const QString &path)
{
    const QByteArray exe = QCoreApplication::applicationFilePath().toLocal8Bit(), file = path.toLocal8Bit();
    const auto a = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        execl(exe.constData(), exe.constData(), "--import-worker", file.constData(), static_cast<char *>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        fail(QStringLiteral("the import of %1 failed (status %2)").arg(path).arg(status));
    return {usage.ru_maxrss, micros(a, Clock::now())};
}

} // namespace

int importWorker(const QString &path)
{
    try {
        QTemporaryDir dir;
        const QString cnstr = db::ConnectionString::sqlite(dir.path() + QStringLiteral("/import.db")).toString();
        db::Schema::ensure(cnstr);
        db::Schema::addPriceStyle(cnstr, QStringLiteral("零售价"));
        ShopImport::Options options;
        const auto a = Clock::now();
        const ShopImport::Plan plan = ShopImport::read(cnstr, ShopImport::Kind::Items, path, options, {});
        const auto m = Clock::now();
        ShopImport::write(cnstr, plan, options, {});
        // The two halves, for a look at where the time goes.
        // The peak of this program's own memory: ru_maxrss also counts the copy of the
        // parent that the fork made before the exec.
        QFile status(QStringLiteral("/proc/self/status"));
        QByteArray hwm = "?";
        if (status.open(QIODevice::ReadOnly))
            for (const QByteArray &l : status.readAll().split('\n'))
                if (l.startsWith("VmHWM:"))
                    hwm = l.mid(6).trimmed();
        std::printf("%-34s %-10s %s: reading %s, writing %s, peak resident (VmHWM) %s\n",
                    "import in a process of its own", "SQLite", qPrintable(QFileInfo(path).fileName()),
                    qPrintable(timeText(micros(a, m))), qPrintable(timeText(micros(m, Clock::now()))),
                    hwm.constData());
        std::fflush(stdout);
        db::closeAll();
    } catch (const std::exception &e) {
        std::fprintf(stderr, "import failed: %s\n", e.what());
        return 1;
    }
    return 0;
}

void imports(Bench &b)
{
    static QTemporaryDir files;
    static Files f;
    const int items = b.z.quick ? 2000 : 100000;
    if (f.items.isEmpty()) {
        std::printf("import: writing %d items, %d members, %d order lines as XLSX\n", items, items / 10,
                    items * 3 / 10);
        std::fflush(stdout);
        f = writeFiles(files.path(), items);
    }
    // The reader alone, for the share of the file itself in either side.
    QStringList readAlone;
    for (const QString &p : {f.items, f.members, f.orders}) {
        const auto a = Clock::now();
        eachRow(p, [](const QStringList &) {});
        readAlone << timeText(micros(a, Clock::now()));
    }
    QTemporaryDir dir;
    const int rounds = 3;
    std::vector<double> to[3], tr[3];
    QString oursFigures, rawFigures;
    for (int r = 0; r < rounds; ++r) {
        Account ours = freshAccount(b, dir.path(), QStringLiteral("kwpos_import_o%1").arg(r));
        Account raw = freshAccount(b, dir.path(), QStringLiteral("kwpos_import_r%1").arg(r));
        const ShopImport::Kind kinds[] = {ShopImport::Kind::Items, ShopImport::Kind::Members, ShopImport::Kind::Orders};
        const QString paths[] = {f.items, f.members, f.orders};
        for (int k = 0; k < 3; ++k) {
            for (int side = 0; side < 2; ++side) {
                const bool oursNow = (side == 0) == (r % 2 == 0);
                const auto a = Clock::now();
                if (oursNow) {
                    importOurs(ours.cnstr, kinds[k], paths[k]);
                } else if (k == 0) {
                    rawItems(*raw.loader, paths[k]);
                } else if (k == 1) {
                    rawMembers(*raw.loader, paths[k]);
                } else {
                    rawOrders(*raw.loader, paths[k]);
                }
                (oursNow ? to[k] : tr[k]).push_back(micros(a, Clock::now()));
            }
        }
        oursFigures = allFigures(ours.cnstr);
        rawFigures = allFigures(raw.cnstr);
        if (oursFigures != rawFigures)
            fail(QStringLiteral("import: ours %1, raw %2").arg(oursFigures, rawFigures));
        raw.loader.reset();
        db::closeAll();
        if (b.engine == db::Engine::PostgreSQL) {
            db::execute(b.cnstr, QStringLiteral("set client_min_messages to warning"));
            for (const QChar side : {u'o', u'r'})
                db::execute(b.cnstr, QStringLiteral("drop schema kwpos_import_%1%2 cascade").arg(side).arg(r));
        }
    }
    const char *names[] = {"import items (+2 codes each)", "import members with balances", "import open order lines"};
    const int counts[] = {f.itemRows, f.memberRows, f.orderLines};
    for (int k = 0; k < 3; ++k)
        line(QStringLiteral("%1 %2").arg(QString::fromUtf8(names[k])).arg(counts[k]), b.engineName(), to[k], tr[k],
             QStringLiteral("(reading the file alone %1)").arg(readAlone.at(k)));
    std::vector<double> both, bothRaw;
    for (int r = 0; r < rounds; ++r) {
        both.push_back(to[1][size_t(r)] + to[2][size_t(r)]);
        bothRaw.push_back(tr[1][size_t(r)] + tr[2][size_t(r)]);
    }
    line(QStringLiteral("import members + order lines"), b.engineName(), both, bothRaw);

    // Memory, once: the items file above and one of about 100 MB (1 MB quick), each imported
    // by a child of its own.
    if (b.engine != db::Engine::SQLite)
        return;
    // A million items (20,000 quick) whose descriptions are long enough to reach the size:
    // the length from the sizes of two samples of 20,000 rows, the file growing in step with it.
    const qint64 target = b.z.quick ? 2LL << 20 : 100LL << 20;
    const int bigRows = b.z.quick ? 20000 : 1000000, sample = 20000;
    const QString big = files.path() + QStringLiteral("/big-items.xlsx");
    writeLargeItems(big, sample, 10);
    const double at10 = double(QFileInfo(big).size());
    writeLargeItems(big, sample, 60);
    const double perWord = (double(QFileInfo(big).size()) - at10) / 50.0;
    const double wanted = double(target) * sample / bigRows;
    writeLargeItems(big, bigRows, std::clamp(int(10 + (wanted - at10) / perWord), 0, 420));
    for (const QString &p : {f.items, big}) {
        const auto [kb, us] = importInChild(p);
        std::printf("%-34s %-10s %.1f MB XLSX, %d items: %s, ru_maxrss %.1f MB (with the fork)\n", "import peak memory (items)",
                    "SQLite", double(QFileInfo(p).size()) / 1048576.0, p == big ? bigRows : f.itemRows,
                    qPrintable(timeText(us)), double(kb) / 1024.0);
        std::fflush(stdout);
    }
}

} // namespace bench
