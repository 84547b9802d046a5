// A PostgreSQL connection through libpq: statements prepared once per connection and run by
// the extended protocol with their values bound, several at a time in pipeline mode, so a
// batch of statements costs one round trip to the server.
#include <libpq-fe.h>

#include <cstdlib>
#include <cstring>
#include <optional>

#include <QDate>
#include <QDateTime>
#include <QLibrary>
#include <QSet>
#include <QTimeZone>

#include "core/base/Money.h"
#include "core/db/Connection.h"
#include "core/db/DbError.h"
#include "core/db/StatementCache.h"

namespace db::detail {

namespace {

// libpq is loaded on first use, not linked: a station on a SQLite account set never maps
// it and the TLS, Kerberos and LDAP libraries it brings, and starts as fast as before.
#define KWPOS_LIBPQ_FUNCTIONS(X)                                                                   \
    X(PQclear) \
    X(PQcmdTuples) \
    X(PQconnectdbParams) \
    X(PQenterPipelineMode) \
    X(PQerrorMessage) \
    X(PQexec) \
    X(PQexecParams) \
    X(PQexitPipelineMode) \
    X(PQfinish) \
    X(PQfname) \
    X(PQfreemem) \
    X(PQftype) \
    X(PQgetResult) \
    X(PQgetisnull) \
    X(PQgetlength) \
    X(PQgetvalue) \
    X(PQnfields) \
    X(PQntuples) \
    X(PQpipelineSync) \
    X(PQputCopyData) \
    X(PQputCopyEnd) \
    X(PQresultErrorField) \
    X(PQresultStatus) \
    X(PQsendPrepare) \
    X(PQsendQueryParams) \
    X(PQsendQueryPrepared) \
    X(PQsetNoticeProcessor) \
    X(PQstatus) \
    X(PQunescapeBytea)

struct LibPq
{
#define KWPOS_LIBPQ_DECLARE(f) decltype(&::f) f = nullptr;
    KWPOS_LIBPQ_FUNCTIONS(KWPOS_LIBPQ_DECLARE)
#undef KWPOS_LIBPQ_DECLARE
    QString error;
};

const LibPq &pq()
{
    static const LibPq lib = [] {
        LibPq l;
        QLibrary file(QStringLiteral("pq"), 5);
        if (!file.load()) {
            // Without a version number too, as some systems install it.
            file.setFileName(QStringLiteral("pq"));
            if (!file.load()) {
                l.error = QStringLiteral("未找到 PostgreSQL 客户端库 libpq：%1").arg(file.errorString());
                return l;
            }
        }
#define KWPOS_LIBPQ_RESOLVE(f)                                                                     \
    l.f = reinterpret_cast<decltype(&::f)>(file.resolve(#f));                                      \
    if (!l.f && l.error.isEmpty())                                                                 \
        l.error = QStringLiteral("PostgreSQL 客户端库 libpq 版本过旧（缺少 %1）").arg(QLatin1StringView(#f));
        KWPOS_LIBPQ_FUNCTIONS(KWPOS_LIBPQ_RESOLVE)
#undef KWPOS_LIBPQ_RESOLVE
        return l;
    }();
    return lib;
}

// Type numbers of the server's built-in types (pg_type.oid).
enum : Oid {
    BoolOid = 16,
    ByteaOid = 17,
    Int8Oid = 20,
    Int2Oid = 21,
    Int4Oid = 23,
    OidOid = 26,
    Float4Oid = 700,
    Float8Oid = 701,
    DateOid = 1082,
    TimestampOid = 1114,
    TimestampTzOid = 1184,
    NumericOid = 1700,
};

struct ClearResult
{
    void operator()(PGresult *r) const { pq().PQclear(r); }
};
using ResultPtr = std::unique_ptr<PGresult, ClearResult>;

QString text(const char *s)
{
    return QString::fromUtf8(s).trimmed();
}

DbError resultError(const PGresult *r, PGconn *conn)
{
    const char *primary = r ? pq().PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    const char *state = r ? pq().PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr;
    QString message = primary ? text(primary) : text(pq().PQerrorMessage(conn));
    if (const char *detail = r ? pq().PQresultErrorField(r, PG_DIAG_MESSAGE_DETAIL) : nullptr)
        message += QStringLiteral("\n") + text(detail);
    if (message.isEmpty())
        message = QStringLiteral("数据库连接已断开");
    return DbError(message, 0, state ? QString::fromLatin1(state) : QString());
}

// Exact decimal text of an amount: "-12.3400".
QByteArray moneyText(const Money &m)
{
    const qint64 units = m.units();
    const quint64 abs = units < 0 ? quint64(-(units + 1)) + 1 : quint64(units);
    QByteArray out = units < 0 ? QByteArrayLiteral("-") : QByteArray();
    out += QByteArray::number(abs / Money::Scale);
    out += '.';
    out += QByteArray::number(abs % Money::Scale).rightJustified(4, '0');
    return out;
}

// The text (or, for bytes, the binary) form of a value as the server reads a parameter.
struct Bound
{
    std::vector<QByteArray> data;
    std::vector<const char *> values;
    std::vector<int> lengths;
    std::vector<int> formats;

    explicit Bound(const Params &params)
    {
        const size_t n = size_t(params.size());
        data.resize(n);
        values.resize(n);
        lengths.resize(n);
        formats.resize(n);
        for (size_t i = 0; i < n; ++i) {
            const QVariant &v = params.at(qsizetype(i));
            if (!v.isValid() || v.isNull()) {
                values[i] = nullptr;
                continue;
            }
            data[i] = encode(v, &formats[i]);
            values[i] = data[i].constData();
            lengths[i] = int(data[i].size());
        }
    }

    static QByteArray encode(const QVariant &v, int *format)
    {
        switch (v.typeId()) {
        case QMetaType::QString:
            return static_cast<const QString *>(v.constData())->toUtf8();
        case QMetaType::Bool:
            return v.toBool() ? QByteArrayLiteral("true") : QByteArrayLiteral("false");
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Long:
            return QByteArray::number(v.toLongLong());
        case QMetaType::ULongLong:
        case QMetaType::ULong:
            return QByteArray::number(v.toULongLong());
        case QMetaType::Double:
        case QMetaType::Float:
            return QString::number(v.toDouble(), 'g', QLocale::FloatingPointShortest).toLatin1();
        case QMetaType::QByteArray:
            *format = 1;
            return *static_cast<const QByteArray *>(v.constData());
        case QMetaType::QDate:
            return v.toDate().toString(Qt::ISODate).toLatin1();
        // The shop's wall-clock time: the columns are timestamp without time zone.
        case QMetaType::QDateTime:
            return v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toLatin1();
        case QMetaType::QTime:
            return v.toTime().toString(QStringLiteral("HH:mm:ss")).toLatin1();
        default:
            if (v.metaType() == QMetaType::fromType<Money>())
                return moneyText(v.value<Money>());
            return v.toString().toUtf8();
        }
    }
};

// One value in COPY's text form: \N for NULL, the separators and the backslash escaped.
void copyText(const QVariant &v, QByteArray &out)
{
    if (!v.isValid() || v.isNull()) {
        out += "\\N";
        return;
    }
    int format = 0;
    QByteArray text = Bound::encode(v, &format);
    if (format == 1) {
        // Bytes as bytea's hex input, its backslash escaped for COPY.
        out += "\\\\x";
        out += text.toHex();
        return;
    }
    for (const char c : std::as_const(text)) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
}

// "12.3400" -> "12.34", "5.0000" -> "5": the exact value, written as a person would.
QString decimalText(const char *s, int length)
{
    int end = length;
    if (std::memchr(s, '.', size_t(length))) {
        while (end > 0 && s[end - 1] == '0')
            --end;
        if (end > 0 && s[end - 1] == '.')
            --end;
    }
    return QString::fromLatin1(s, end);
}

int digitsAt(const char *s, int n)
{
    int v = 0;
    for (int i = 0; i < n; ++i) {
        if (s[i] < '0' || s[i] > '9')
            return -1;
        v = v * 10 + (s[i] - '0');
    }
    return v;
}

QDate dateOf(const char *s, int length)
{
    if (length < 10 || s[4] != '-' || s[7] != '-')
        return QDate::fromString(QString::fromLatin1(s, length), Qt::ISODate);
    return QDate(digitsAt(s, 4), digitsAt(s + 5, 2), digitsAt(s + 8, 2));
}

// "2026-12-31 23:59:59[.123456][+08]" as the shop's wall-clock time.
QDateTime dateTimeOf(const char *s, int length, bool withZone)
{
    if (withZone) {
        QString t = QString::fromLatin1(s, length);
        t.replace(u' ', u'T');
        // ISO wants "+08:00", the server may write "+08".
        if (t.size() >= 3 && (t[t.size() - 3] == u'+' || t[t.size() - 3] == u'-'))
            t += QStringLiteral(":00");
        return QDateTime::fromString(t, Qt::ISODateWithMs).toLocalTime();
    }
    const QDate d = dateOf(s, length);
    if (length < 19)
        return d.startOfDay();
    int ms = 0;
    if (length > 20 && s[19] == '.') {
        int scale = 100;
        for (int i = 20; i < length && i < 23; ++i, scale /= 10)
            ms += (s[i] - '0') * scale;
    }
    return QDateTime(d, QTime(digitsAt(s + 11, 2), digitsAt(s + 14, 2), digitsAt(s + 17, 2), ms));
}

QVariant valueOf(const PGresult *r, int row, int column, Oid type)
{
    if (pq().PQgetisnull(r, row, column))
        return QVariant();
    const char *s = pq().PQgetvalue(r, row, column);
    const int length = pq().PQgetlength(r, row, column);
    switch (type) {
    case BoolOid:
        return QVariant(s[0] == 't');
    case Int2Oid:
    case Int4Oid:
        return QVariant(int(std::strtol(s, nullptr, 10)));
    case Int8Oid:
    case OidOid:
        return QVariant(qlonglong(std::strtoll(s, nullptr, 10)));
    case Float4Oid:
    case Float8Oid:
        return QVariant(std::strtod(s, nullptr));
    // Amounts and quantities stay exact: the decimal text the server wrote.
    case NumericOid:
        return QVariant(decimalText(s, length));
    case DateOid:
        return QVariant(dateOf(s, length));
    case TimestampOid:
        return QVariant(dateTimeOf(s, length, false));
    case TimestampTzOid:
        return QVariant(dateTimeOf(s, length, true));
    case ByteaOid: {
        size_t n = 0;
        unsigned char *bytes = pq().PQunescapeBytea(reinterpret_cast<const unsigned char *>(s), &n);
        const QByteArray out(reinterpret_cast<const char *>(bytes), qsizetype(n));
        pq().PQfreemem(bytes);
        return QVariant(out);
    }
    default:
        return QVariant(QString::fromUtf8(s, length));
    }
}

struct Kept
{
    QByteArray name;
    // The columns of its last result, shared by the rows; compared by the server's own
    // bytes, so a result of the same shape builds nothing.
    std::shared_ptr<const RowColumns> columns;
    QList<QByteArray> rawNames;
};

void ignoreNotice(void *, const char *) {}

class PgConnection final : public Connection
{
public:
    PgConnection(const ConnectionString &cs, int connectTimeout) : Connection(Engine::PostgreSQL)
    {
        if (!pq().error.isEmpty())
            throw DbError(pq().error, 0, QStringLiteral("08001"));
        const QByteArray host = cs.host.toUtf8(), port = QByteArray::number(cs.port),
                         dbname = cs.database.toUtf8(), user = cs.user.toUtf8(),
                         password = cs.password.toUtf8(), ssl = cs.sslMode.toUtf8(),
                         timeout = QByteArray::number(connectTimeout);
        // No password unless the connection string holds one: libpq reads it from its
        // password file, as PostgreSQL's own tools do.
        std::vector<const char *> keys{"host", "port", "dbname", "connect_timeout",
                                       "client_encoding", "application_name"};
        std::vector<const char *> values{host.constData(), port.constData(), dbname.constData(),
                                         timeout.constData(), "UTF8", "kwpos"};
        if (!cs.user.isEmpty()) {
            keys.push_back("user");
            values.push_back(user.constData());
        }
        if (!cs.password.isEmpty()) {
            keys.push_back("password");
            values.push_back(password.constData());
        }
        if (!cs.sslMode.isEmpty()) {
            keys.push_back("sslmode");
            values.push_back(ssl.constData());
        }
        keys.push_back(nullptr);
        values.push_back(nullptr);
        m_conn = pq().PQconnectdbParams(keys.data(), values.data(), 0);
        if (pq().PQstatus(m_conn) != CONNECTION_OK) {
            const DbError e(text(pq().PQerrorMessage(m_conn)), 0, QStringLiteral("08001"));
            pq().PQfinish(m_conn);
            m_conn = nullptr;
            throw e;
        }
        pq().PQsetNoticeProcessor(m_conn, ignoreNotice, nullptr);
        m_cache.onEvict = [this](Kept &k) {
            m_unused.push_back(k.name);
            m_names.remove(k.name);
        };
        if (!cs.schema.isEmpty())
            runFresh(QStringLiteral("select set_config('search_path', ?, false)"),
                     {u'"' + QString(cs.schema).remove(u'"') + u'"'});
        // The server clock is read as the station's wall-clock time; a zone the server does
        // not know leaves the server's own setting in force.
        const QByteArray zone = QTimeZone::systemTimeZoneId();
        if (!zone.isEmpty()) {
            try {
                runFresh(QStringLiteral("select set_config('TimeZone', ?, false)"),
                         {QString::fromLatin1(zone)});
            } catch (const DbError &) {
            }
        }
    }
    ~PgConnection() override
    {
        if (m_conn)
            pq().PQfinish(m_conn);
    }

    bool isOpen() const override { return m_conn && pq().PQstatus(m_conn) == CONNECTION_OK; }

    void runPlain(const QString &sql) override
    {
        if (!isOpen())
            throw lost();
        if (changesSchema(sql))
            dropKept();
        ++m_roundTrips;
        const ResultPtr r(pq().PQexec(m_conn, sql.toUtf8().constData()));
        const ExecStatusType status = pq().PQresultStatus(r.get());
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
            throw resultError(r.get(), m_conn);
    }

    void copyIn(const QString &table, const QStringList &columns, const Params &values) override
    {
        if (!isOpen())
            throw lost();
        const QByteArray sql = QStringLiteral("COPY %1 (%2) FROM STDIN").arg(table, columns.join(u',')).toUtf8();
        ++m_roundTrips;
        ResultPtr r(pq().PQexec(m_conn, sql.constData()));
        if (pq().PQresultStatus(r.get()) != PGRES_COPY_IN)
            throw resultError(r.get(), m_conn);
        const qsizetype n = columns.size();
        QByteArray data;
        bool sent = true;
        for (qsizetype at = 0; at + n <= values.size(); at += n) {
            for (qsizetype c = 0; c < n; ++c) {
                if (c > 0)
                    data += '\t';
                copyText(values.at(at + c), data);
            }
            data += '\n';
            if (data.size() > (1 << 16)) {
                sent = sent && pq().PQputCopyData(m_conn, data.constData(), int(data.size())) == 1;
                data.clear();
            }
        }
        if (!data.isEmpty())
            sent = sent && pq().PQputCopyData(m_conn, data.constData(), int(data.size())) == 1;
        sent = pq().PQputCopyEnd(m_conn, sent ? nullptr : "copy failed") == 1 && sent;
        DbError error(QString(), 0, QString());
        bool failed = !sent;
        if (!sent)
            error = lost();
        // The COPY's outcome, then the end of its results.
        while (PGresult *done = pq().PQgetResult(m_conn)) {
            const ResultPtr hold(done);
            if (pq().PQresultStatus(done) != PGRES_COMMAND_OK && !failed) {
                failed = true;
                error = resultError(done, m_conn);
            }
        }
        if (failed)
            throw error;
    }

    Rows runFresh(const QString &sql, const Params &params) override
    {
        if (!isOpen())
            throw lost();
        const QByteArray numbered = numberedPlaceholders(sql);
        const Bound b(params);
        ++m_roundTrips;
        const ResultPtr r(pq().PQexecParams(m_conn, numbered.constData(), int(params.size()), nullptr,
                                       b.values.data(), b.lengths.data(), b.formats.data(), 0));
        Step s{sql, params};
        take(r.get(), s, nullptr);
        return std::move(s.rows);
    }

    void runBatch(std::vector<Step *> steps, bool inTransaction) override
    {
        try {
            send(steps);
        } catch (const StaleStatement &stale) {
            // Another station changed a table a kept statement reads: the server refuses its
            // old plan. Nothing ran; outside a transaction the batch runs again on statements
            // prepared afresh. Inside one the failure has already ended the transaction.
            if (inTransaction)
                throw stale.error;
            for (Step *s : steps) {
                s->rows.clear();
                s->done = false;
            }
            send(steps);
        }
    }

private:
    struct StaleStatement
    {
        DbError error;
    };

    // What went to the server for one step, to read its answers in the same order.
    struct Sent
    {
        Step *step;
        Kept *kept;          // null for a statement not kept
        bool prepared;       // a Parse went first in this batch
        QByteArray name;
    };

    DbError lost() const
    {
        return DbError(m_conn ? text(pq().PQerrorMessage(m_conn)) : QStringLiteral("数据库连接已断开"),
                       0, QStringLiteral("08006"));
    }

    void dropKept()
    {
        for (const QByteArray &name : m_names)
            m_unused.push_back(name);
        m_names.clear();
        m_cache.clear();
    }

    void send(const std::vector<Step *> &steps)
    {
        if (!isOpen())
            throw lost();
        if (pq().PQenterPipelineMode(m_conn) != 1)
            throw lost();
        std::vector<Sent> sent;
        sent.reserve(steps.size());
        bool failedToSend = false;
        // Statements pushed out of the cache are closed on the server in the same trip.
        const std::vector<QByteArray> closing = std::move(m_unused);
        m_unused.clear();
        for (const QByteArray &name : closing)
            failedToSend |= !pq().PQsendQueryParams(m_conn, "DEALLOCATE " + name, 0, nullptr, nullptr,
                                                nullptr, nullptr, 0);
        for (Step *s : steps) {
            const Bound b(s->params);
            if (!keepable(s->sql, s->params)) {
                if (changesSchema(s->sql)) {
                    dropKept();
                    // Closed with the next batch: this one is already on its way.
                }
                failedToSend |= !pq().PQsendQueryParams(m_conn, s->sql.toUtf8().constData(),
                                                    int(s->params.size()), nullptr, b.values.data(),
                                                    b.lengths.data(), b.formats.data(), 0);
                sent.push_back({s, nullptr, false, {}});
                continue;
            }
            Kept *k = m_cache.find(s->sql);
            bool prepared = false;
            if (!k) {
                const QByteArray name = "k" + QByteArray::number(++m_counter);
                failedToSend |= !pq().PQsendPrepare(m_conn, name.constData(),
                                               numberedPlaceholders(s->sql).constData(),
                                               int(s->params.size()), nullptr);
                k = m_cache.add(s->sql, Kept{name, nullptr, {}});
                m_names.insert(name);
                prepared = true;
            }
            failedToSend |= !pq().PQsendQueryPrepared(m_conn, k->name.constData(), int(s->params.size()),
                                                 b.values.data(), b.lengths.data(), b.formats.data(), 0);
            sent.push_back({s, k, prepared, k->name});
        }
        failedToSend |= !pq().PQpipelineSync(m_conn);
        ++m_roundTrips;
        if (failedToSend) {
            const DbError e = lost();
            abandon();
            throw e;
        }
        receive(closing.size(), sent);
    }

    // Reads the answers of a batch in order; the first failure is thrown once the whole
    // batch has been read, so the connection is ready for the next one.
    void receive(size_t closing, std::vector<Sent> &sent)
    {
        std::optional<DbError> failure;
        bool stale = false;
        auto fail = [&](const DbError &e) {
            if (!failure)
                failure = e;
        };
        for (size_t i = 0; i < closing; ++i) {
            ResultPtr r = next();
            if (r && pq().PQresultStatus(r.get()) == PGRES_FATAL_ERROR)
                fail(resultError(r.get(), m_conn));
            endOfResult(r);
        }
        for (Sent &x : sent) {
            if (x.prepared) {
                ResultPtr r = next();
                const ExecStatusType status = r ? pq().PQresultStatus(r.get()) : PGRES_FATAL_ERROR;
                if (status != PGRES_COMMAND_OK) {
                    if (status == PGRES_FATAL_ERROR)
                        fail(resultError(r.get(), m_conn));
                    forget(x, false);
                }
                endOfResult(r);
            }
            ResultPtr r = next();
            const ExecStatusType status = r ? pq().PQresultStatus(r.get()) : PGRES_FATAL_ERROR;
            if (status == PGRES_FATAL_ERROR) {
                const DbError e = resultError(r.get(), m_conn);
                // A kept statement the server no longer knows, or whose plan no longer fits
                // the table, is prepared afresh next time.
                if (x.kept && !x.prepared &&
                    (e.engineCode() == u"0A000" || e.engineCode() == u"26000")) {
                    stale = !failure;
                    forget(x, true);
                }
                fail(e);
            } else if (status != PGRES_PIPELINE_ABORTED && !failure) {
                take(r.get(), *x.step, x.kept);
                x.step->done = true;
            }
            endOfResult(r);
        }
        // A statement the server skipped after an earlier failure never counts as run.
        for (const Sent &x : sent)
            if (!x.step->done && !failure)
                fail(DbError(QStringLiteral("语句未执行"), 0, QStringLiteral("XX000")));
        // The batch's sync point.
        ResultPtr sync = next();
        while (sync && pq().PQresultStatus(sync.get()) != PGRES_PIPELINE_SYNC)
            sync = next();
        if (!sync) {
            abandon();
            throw failure ? *failure : lost();
        }
        pq().PQexitPipelineMode(m_conn);
        if (failure) {
            if (stale)
                throw StaleStatement{*failure};
            throw *failure;
        }
    }

    ResultPtr next()
    {
        PGresult *r = pq().PQgetResult(m_conn);
        // Between one statement's results and the next libpq hands back a null.
        if (!r && isOpen())
            r = pq().PQgetResult(m_conn);
        return ResultPtr(r);
    }

    // After a statement's last result libpq hands back a null before the next statement's.
    void endOfResult(const ResultPtr &r)
    {
        if (!r)
            return;
        const ExecStatusType status = pq().PQresultStatus(r.get());
        if (status == PGRES_PIPELINE_SYNC)
            return;
        while (PGresult *more = pq().PQgetResult(m_conn))
            pq().PQclear(more);
    }

    // `prepared`: the server holds the statement, to be closed with the next batch.
    void forget(const Sent &x, bool prepared)
    {
        if (prepared)
            m_unused.push_back(x.name);
        m_names.remove(x.name);
        m_cache.remove(x.step->sql);
    }

    // The connection broke mid-batch: nothing more can be read from it.
    void abandon()
    {
        m_cache.clear();
        m_names.clear();
        m_unused.clear();
        pq().PQfinish(m_conn);
        m_conn = nullptr;
    }

    void take(const PGresult *r, Step &s, Kept *kept)
    {
        const ExecStatusType status = pq().PQresultStatus(r);
        if (status == PGRES_COMMAND_OK) {
            s.affected = std::atoi(pq().PQcmdTuples(const_cast<PGresult *>(r)));
            return;
        }
        if (status != PGRES_TUPLES_OK)
            throw resultError(r, m_conn);
        const int n = pq().PQnfields(r);
        std::shared_ptr<const RowColumns> fresh;
        if (!kept || !kept->columns || !sameColumns(kept->rawNames, r)) {
            QStringList names;
            QList<QByteArray> raw;
            names.reserve(n);
            for (int c = 0; c < n; ++c) {
                raw.append(QByteArray(pq().PQfname(r, c)));
                names.append(QString::fromUtf8(raw.last()));
            }
            fresh = std::make_shared<const RowColumns>(names);
            if (kept) {
                kept->columns = fresh;
                kept->rawNames = raw;
            }
        }
        const std::shared_ptr<const RowColumns> &columns = kept ? kept->columns : fresh;
        std::vector<Oid> types(static_cast<size_t>(n));
        for (int c = 0; c < n; ++c)
            types[size_t(c)] = pq().PQftype(r, c);
        const int rows = pq().PQntuples(r);
        s.rows.reserve(rows);
        for (int row = 0; row < rows; ++row) {
            QList<QVariant> values;
            values.reserve(n);
            for (int c = 0; c < n; ++c)
                values.append(valueOf(r, row, c, types[size_t(c)]));
            s.rows.append(Row(columns, std::move(values)));
        }
        s.affected = 0;
    }

    static bool sameColumns(const QList<QByteArray> &known, const PGresult *r)
    {
        const int n = pq().PQnfields(r);
        if (known.size() != n)
            return false;
        for (int c = 0; c < n; ++c)
            if (std::strcmp(known.at(c).constData(), pq().PQfname(r, c)) != 0)
                return false;
        return true;
    }

    PGconn *m_conn = nullptr;
    StatementCache<Kept> m_cache;
    QSet<QByteArray> m_names;          // prepared on the server
    std::vector<QByteArray> m_unused;  // to close on the server with the next batch
    qint64 m_counter = 0;
};

} // namespace

std::unique_ptr<Connection> openPostgres(const ConnectionString &cs, int connectTimeout)
{
    return std::make_unique<PgConnection>(cs, connectTimeout);
}

} // namespace db::detail
