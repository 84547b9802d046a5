// A SQLite connection through sqlite3 itself: statements prepared once and kept (SQLite
// prepares a kept statement again by itself when the schema changed), values bound by type,
// rows read straight from the statement.
#include <sqlite3.h>

#include <memory>

#include <QDate>
#include <QDateTime>

#include "core/base/Money.h"
#include "core/base/PrivateFiles.h"
#include "core/db/Connection.h"
#include "core/db/DbError.h"
#include "core/db/StatementCache.h"

namespace db::detail {

namespace {

struct Finalize
{
    void operator()(sqlite3_stmt *s) const { sqlite3_finalize(s); }
};
using StmtPtr = std::unique_ptr<sqlite3_stmt, Finalize>;

struct Kept
{
    StmtPtr stmt;
    std::shared_ptr<const RowColumns> columns;
    int prepares = -1; // SQLite's count of re-prepares when the columns were read
};

DbError errorOf(sqlite3 *db)
{
    return DbError(QString::fromUtf8(sqlite3_errmsg(db)), 0,
                   QString::number(sqlite3_extended_errcode(db)));
}

int bindText(sqlite3_stmt *s, int i, const QByteArray &utf8)
{
    return sqlite3_bind_text(s, i, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

int bind(sqlite3_stmt *s, int i, const QVariant &v)
{
    if (!v.isValid() || v.isNull())
        return sqlite3_bind_null(s, i);
    switch (v.typeId()) {
    case QMetaType::QString: {
        // The variant's own text stays put until the statement has run.
        const auto *text = static_cast<const QString *>(v.constData());
        return sqlite3_bind_text16(s, i, text->utf16(), int(text->size() * 2), SQLITE_STATIC);
    }
    case QMetaType::Bool:
        return sqlite3_bind_int(s, i, v.toBool() ? 1 : 0);
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::UChar:
    case QMetaType::Long:
        return sqlite3_bind_int64(s, i, v.toLongLong());
    case QMetaType::ULongLong:
    case QMetaType::ULong:
        return sqlite3_bind_int64(s, i, sqlite3_int64(v.toULongLong()));
    case QMetaType::Double:
    case QMetaType::Float:
        return sqlite3_bind_double(s, i, v.toDouble());
    case QMetaType::QByteArray: {
        const auto *bytes = static_cast<const QByteArray *>(v.constData());
        return sqlite3_bind_blob(s, i, bytes->constData(), int(bytes->size()), SQLITE_STATIC);
    }
    // SQLite keeps dates as ISO text, so that text comparison orders them.
    case QMetaType::QDate:
        return bindText(s, i, v.toDate().toString(Qt::ISODate).toLatin1());
    case QMetaType::QDateTime:
        return bindText(s, i, v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toLatin1());
    case QMetaType::QTime:
        return bindText(s, i, v.toTime().toString(QStringLiteral("HH:mm:ss")).toLatin1());
    default:
        if (v.metaType() == QMetaType::fromType<Money>()) {
            // A numeric column keeps a REAL (or an INTEGER when whole): a whole amount goes
            // in as an integer, any other as the double nearest its decimal value.
            const Money m = v.value<Money>();
            if (m.units() % Money::Scale == 0)
                return sqlite3_bind_int64(s, i, m.units() / Money::Scale);
            return sqlite3_bind_double(s, i, m.toDouble());
        }
        return bindText(s, i, v.toString().toUtf8());
    }
}

QVariant columnValue(sqlite3_stmt *s, int c)
{
    switch (sqlite3_column_type(s, c)) {
    case SQLITE_INTEGER:
        return QVariant(qlonglong(sqlite3_column_int64(s, c)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(s, c));
    case SQLITE_TEXT: {
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(s, c));
        return QVariant(QString::fromUtf8(text, sqlite3_column_bytes(s, c)));
    }
    case SQLITE_BLOB: {
        const auto *data = static_cast<const char *>(sqlite3_column_blob(s, c));
        return QVariant(QByteArray(data, sqlite3_column_bytes(s, c)));
    }
    default:
        return QVariant();
    }
}

std::shared_ptr<const RowColumns> columnsOf(sqlite3_stmt *s)
{
    const int n = sqlite3_column_count(s);
    QStringList names;
    names.reserve(n);
    for (int c = 0; c < n; ++c)
        names.append(QString::fromUtf8(sqlite3_column_name(s, c)));
    return std::make_shared<const RowColumns>(names);
}

class SqliteConnection final : public Connection
{
public:
    SqliteConnection(const QString &path, bool readOnly) : Connection(Engine::SQLite)
    {
        const int flags = (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE) |
                          SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_URI;
        const int rc = sqlite3_open_v2(path.toUtf8().constData(), &m_db, flags, nullptr);
        if (rc != SQLITE_OK) {
            const DbError e = m_db ? errorOf(m_db) : DbError(QString::fromUtf8(sqlite3_errstr(rc)), 0,
                                                             QString::number(rc));
            sqlite3_close_v2(m_db);
            m_db = nullptr;
            throw e;
        }
        sqlite3_extended_result_codes(m_db, 1);
        // Several processes may share one file: wait for a lock instead of failing at once.
        sqlite3_busy_timeout(m_db, 30000);
        if (!readOnly) {
            // WAL lets readers go on while another station writes. FULL syncs the log at every
            // commit: a sale the cashier saw saved survives a power cut, not only a crash of the
            // program (NORMAL would only promise the latter in WAL).
            runPlain(QStringLiteral("PRAGMA journal_mode=WAL"));
            runPlain(QStringLiteral("PRAGMA synchronous=FULL"));
            runPlain(QStringLiteral("PRAGMA foreign_keys=OFF"));
        }
    }
    ~SqliteConnection() override
    {
        m_cache.clear();
        sqlite3_close_v2(m_db);
    }

    bool isOpen() const override { return m_db != nullptr; }

    void runBatch(std::vector<Step *> steps, bool) override
    {
        for (Step *s : steps) {
            if (keepable(s->sql, s->params))
                runKept(*s);
            else
                runOnce(*s);
            s->done = true;
        }
    }

    // SQLite plans without looking at the values: the kept statement serves as well.
    Rows runFresh(const QString &sql, const Params &params) override
    {
        Step s{sql, params};
        if (keepable(sql, params))
            runKept(s);
        else
            runOnce(s);
        return std::move(s.rows);
    }

    void runPlain(const QString &sql) override
    {
        const QByteArray text = sql.toUtf8();
        const char *at = text.constData();
        const char *end = at + text.size();
        while (at < end) {
            sqlite3_stmt *raw = nullptr;
            const char *tail = nullptr;
            if (sqlite3_prepare_v2(m_db, at, int(end - at), &raw, &tail) != SQLITE_OK)
                throw errorOf(m_db);
            const StmtPtr stmt(raw);
            at = tail;
            if (!raw)
                continue; // only a comment or blanks were left
            int rc;
            while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {
            }
            if (rc != SQLITE_DONE)
                throw errorOf(m_db);
        }
    }

    void copyIn(const QString &table, const QStringList &columns, const Params &values) override
    {
        const int n = int(columns.size());
        QString marks = QStringLiteral("?");
        for (int i = 1; i < n; ++i)
            marks += QStringLiteral(",?");
        const QString sql = QStringLiteral("insert into %1 (%2) values (%3)")
                                .arg(table, columns.join(u','), marks);
        for (qsizetype at = 0; at + n <= values.size(); at += n) {
            Step s(sql, values.mid(at, n));
            runKept(s);
        }
    }

private:
    sqlite3_stmt *prepare(const QString &sql, bool keep)
    {
        sqlite3_stmt *s = nullptr;
        const int rc = sqlite3_prepare16_v3(m_db, sql.utf16(), int(sql.size() * 2),
                                            keep ? SQLITE_PREPARE_PERSISTENT : 0, &s, nullptr);
        if (rc != SQLITE_OK)
            throw errorOf(m_db);
        if (!s)
            throw DbError(QStringLiteral("空的SQL语句"));
        return s;
    }

    void runKept(Step &s)
    {
        Kept *k = m_cache.find(s.sql);
        if (!k)
            k = m_cache.add(s.sql, Kept{StmtPtr(prepare(s.sql, true)), nullptr, -1});
        execute(k->stmt.get(), s, &k->columns, &k->prepares);
    }

    void runOnce(Step &s)
    {
        const StmtPtr stmt(prepare(s.sql, false));
        std::shared_ptr<const RowColumns> columns;
        int prepares = -1;
        execute(stmt.get(), s, &columns, &prepares);
    }

    void execute(sqlite3_stmt *st, Step &s, std::shared_ptr<const RowColumns> *columns, int *prepares)
    {
        const int expected = sqlite3_bind_parameter_count(st);
        if (expected != s.params.size()) {
            throw DbError(QStringLiteral("语句需要%1个参数，给了%2个").arg(expected).arg(s.params.size()));
        }
        for (int i = 0; i < expected; ++i)
            if (bind(st, i + 1, s.params.at(i)) != SQLITE_OK) {
                const DbError e = errorOf(m_db);
                sqlite3_reset(st);
                throw e;
            }
        const int changesBefore = int(sqlite3_total_changes64(m_db));
        int rc = sqlite3_step(st);
        if (rc == SQLITE_ROW || (rc == SQLITE_DONE && sqlite3_column_count(st) > 0)) {
            // SQLite may have prepared the statement again (the schema moved): its columns
            // are read afresh then.
            const int now = sqlite3_stmt_status(st, SQLITE_STMTSTATUS_REPREPARE, 0);
            if (!*columns || *prepares != now) {
                *columns = columnsOf(st);
                *prepares = now;
            }
            const int n = sqlite3_column_count(st);
            for (; rc == SQLITE_ROW; rc = sqlite3_step(st)) {
                QList<QVariant> values;
                values.reserve(n);
                for (int c = 0; c < n; ++c)
                    values.append(columnValue(st, c));
                s.rows.append(Row(*columns, std::move(values)));
            }
        }
        if (rc != SQLITE_DONE) {
            const DbError e = errorOf(m_db);
            sqlite3_reset(st);
            throw e;
        }
        // Rows this statement itself changed (a statement that changed none, or DDL, leaves
        // sqlite3_changes at the previous statement's count).
        s.affected = int(sqlite3_total_changes64(m_db)) == changesBefore ? 0 : int(sqlite3_changes64(m_db));
        // A kept statement left unreset would hold its read snapshot and block a checkpoint.
        sqlite3_reset(st);
    }

    sqlite3 *m_db = nullptr;
    StatementCache<Kept> m_cache;
};

} // namespace

std::unique_ptr<Connection> openSqlite(const QString &path, bool readOnly)
{
    // A new shop file is owner-only from its first byte; SQLite gives its journals the
    // file's own mode.
    if (!readOnly && !path.isEmpty() && !path.startsWith(u':') && !path.startsWith(QStringLiteral("file:")))
        PrivateFiles::createFile(path);
    return std::make_unique<SqliteConnection>(path, readOnly);
}

} // namespace db::detail
