#include "core/db/Connection.h"

namespace db::detail {

namespace {

bool startsWithWord(const QString &sql, QLatin1StringView word)
{
    return QStringView(sql).trimmed().startsWith(word, Qt::CaseInsensitive);
}

} // namespace

bool keepable(const QString &sql, const Params &params)
{
    return !params.isEmpty() || startsWithWord(sql, QLatin1StringView("select")) ||
           startsWithWord(sql, QLatin1StringView("with"));
}

bool changesSchema(const QString &sql)
{
    return startsWithWord(sql, QLatin1StringView("create")) ||
           startsWithWord(sql, QLatin1StringView("alter")) ||
           startsWithWord(sql, QLatin1StringView("drop"));
}

QByteArray numberedPlaceholders(const QString &sql)
{
    const QByteArray in = sql.toUtf8();
    QByteArray out;
    out.reserve(in.size() + 16);
    int n = 0;
    for (qsizetype i = 0; i < in.size(); ++i) {
        const char c = in[i];
        if (c == '\'' || c == '"') {
            // A quoted literal or name, its quote doubled inside.
            const qsizetype end = in.indexOf(c, i + 1);
            const qsizetype stop = end < 0 ? in.size() - 1 : end;
            out += in.mid(i, stop - i + 1);
            i = stop;
        } else if (c == '-' && i + 1 < in.size() && in[i + 1] == '-') {
            const qsizetype end = in.indexOf('\n', i);
            const qsizetype stop = end < 0 ? in.size() - 1 : end;
            out += in.mid(i, stop - i + 1);
            i = stop;
        } else if (c == '?') {
            out += '$' + QByteArray::number(++n);
        } else {
            out += c;
        }
    }
    return out;
}

std::unique_ptr<Connection> open(const ConnectionString &cs)
{
    if (cs.engine == Engine::SQLite)
        return openSqlite(cs.path);
    return openPostgres(cs);
}

} // namespace db::detail
