#include "core/db/ConnectionString.h"

#include <QStringList>

#include "core/db/DbError.h"

namespace db {

namespace {

QList<QPair<QString, QString>> splitPairs(const QString &text)
{
    QList<QPair<QString, QString>> pairs;
    QString key, value;
    bool inKey = true, quoted = false;
    auto flush = [&] {
        if (!key.trimmed().isEmpty())
            pairs.append({key.trimmed().toLower(), quoted ? value : value.trimmed()});
        key.clear();
        value.clear();
        inKey = true;
        quoted = false;
    };
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (inKey) {
            if (c == u'=')
                inKey = false;
            else if (c == u';')
                flush();
            else
                key += c;
            continue;
        }
        if (value.trimmed().isEmpty() && !quoted && c == u'"') {
            quoted = true;
            value.clear();
            for (++i; i < text.size(); ++i) {
                if (text.at(i) == u'"') {
                    if (i + 1 < text.size() && text.at(i + 1) == u'"') {
                        value += u'"';
                        ++i;
                    } else {
                        break;
                    }
                } else {
                    value += text.at(i);
                }
            }
            continue;
        }
        if (c == u';')
            flush();
        else if (!quoted)
            value += c;
    }
    flush();
    return pairs;
}

QString quoteValue(const QString &v)
{
    if (!v.contains(u';') && !v.contains(u'"') && v.trimmed() == v)
        return v;
    QString q = v;
    q.replace(u'"', QStringLiteral("\"\""));
    return u'"' + q + u'"';
}

} // namespace

ConnectionString ConnectionString::parse(const QString &text)
{
    ConnectionString cs;
    QString provider;
    for (const auto &[key, value] : splitPairs(text)) {
        if (key == u"provider")
            provider = value.toLower();
        else if (key == u"data source" || key == u"file")
            cs.path = value;
        else if (key == u"host" || key == u"server")
            cs.host = value;
        else if (key == u"port")
            cs.port = value.toInt();
        else if (key == u"database" || key == u"initial catalog")
            cs.database = value;
        else if (key == u"user id" || key == u"user" || key == u"uid")
            cs.user = value;
        else if (key == u"password" || key == u"pwd")
            cs.password = value;
        else if (key == u"schema")
            cs.schema = value;
        else if (key == u"ssl mode" || key == u"sslmode")
            cs.sslMode = value;
    }
    if (provider == u"sqlite")
        cs.engine = Engine::SQLite;
    else if (provider == u"postgresql" || provider == u"postgres")
        cs.engine = Engine::PostgreSQL;
    else
        throw DbError(QStringLiteral("连接字符串无效：未知的数据库类型“%1”").arg(provider));
    if (cs.port <= 0)
        cs.port = 5432;
    return cs;
}

ConnectionString ConnectionString::sqlite(const QString &path)
{
    ConnectionString cs;
    cs.engine = Engine::SQLite;
    cs.path = path;
    return cs;
}

ConnectionString ConnectionString::postgres(const QString &host, int port, const QString &database,
                                            const QString &user, const QString &password,
                                            const QString &schema)
{
    ConnectionString cs;
    cs.engine = Engine::PostgreSQL;
    cs.host = host;
    cs.port = port;
    cs.database = database;
    cs.user = user;
    cs.password = password;
    cs.schema = schema;
    return cs;
}

QString ConnectionString::toString() const
{
    if (engine == Engine::SQLite)
        return QStringLiteral("Provider=SQLite;Data Source=") + quoteValue(path);
    QStringList parts{QStringLiteral("Provider=PostgreSQL"),
                      QStringLiteral("Host=") + quoteValue(host),
                      QStringLiteral("Port=") + QString::number(port),
                      QStringLiteral("Database=") + quoteValue(database),
                      QStringLiteral("User ID=") + quoteValue(user)};
    if (!password.isEmpty())
        parts << QStringLiteral("Password=") + quoteValue(password);
    if (!sslMode.isEmpty())
        parts << QStringLiteral("SSL Mode=") + quoteValue(sslMode);
    if (!schema.isEmpty())
        parts << QStringLiteral("Schema=") + quoteValue(schema);
    return parts.join(u';');
}

namespace {

// libpq: values are bare words or single-quoted, with backslash escapes inside quotes.
QList<QPair<QString, QString>> splitLibpq(const QString &text)
{
    QList<QPair<QString, QString>> pairs;
    int i = 0;
    const int n = int(text.size());
    auto skipSpace = [&] {
        while (i < n && text.at(i).isSpace())
            ++i;
    };
    while (true) {
        skipSpace();
        if (i >= n)
            break;
        QString key;
        while (i < n && text.at(i) != u'=' && !text.at(i).isSpace())
            key += text.at(i++);
        skipSpace();
        if (i >= n || text.at(i) != u'=')
            throw DbError(QStringLiteral("连接参数无效：“%1”后缺少“=”").arg(key));
        ++i;
        skipSpace();
        QString value;
        if (i < n && text.at(i) == u'\'') {
            ++i;
            bool closed = false;
            while (i < n) {
                const QChar c = text.at(i++);
                if (c == u'\\' && i < n)
                    value += text.at(i++);
                else if (c == u'\'') {
                    closed = true;
                    break;
                } else
                    value += c;
            }
            if (!closed)
                throw DbError(QStringLiteral("连接参数无效：引号未闭合"));
        } else {
            while (i < n && !text.at(i).isSpace()) {
                const QChar c = text.at(i++);
                if (c == u'\\' && i < n)
                    value += text.at(i++);
                else
                    value += c;
            }
        }
        pairs.append({key.toLower(), value});
    }
    return pairs;
}

QString libpqValue(const QString &v)
{
    if (!v.isEmpty() && !v.contains(u' ') && !v.contains(u'\'') && !v.contains(u'\\'))
        return v;
    QString q = v;
    q.replace(u'\\', QStringLiteral("\\\\")).replace(u'\'', QStringLiteral("\\'"));
    return u'\'' + q + u'\'';
}

} // namespace

ConnectionString ConnectionString::fromLibpq(const QString &conninfo)
{
    ConnectionString cs;
    cs.engine = Engine::PostgreSQL;
    cs.host.clear();
    for (const auto &[key, value] : splitLibpq(conninfo)) {
        if (key == u"host" || key == u"hostaddr")
            cs.host = value;
        else if (key == u"port") {
            bool ok = false;
            cs.port = value.toInt(&ok);
            if (!ok || cs.port <= 0 || cs.port > 65535)
                throw DbError(QStringLiteral("连接参数无效：端口“%1”").arg(value));
        } else if (key == u"dbname")
            cs.database = value;
        else if (key == u"user")
            cs.user = value;
        else if (key == u"password")
            cs.password = value;
        else if (key == u"sslmode")
            cs.sslMode = value;
        else
            throw DbError(QStringLiteral("连接参数无效：不支持“%1”").arg(key));
    }
    if (cs.host.isEmpty())
        cs.host = QStringLiteral("localhost");
    if (cs.database.isEmpty())
        throw DbError(QStringLiteral("连接参数无效：缺少 dbname"));
    return cs;
}

QString ConnectionString::toLibpq() const
{
    QStringList parts{QStringLiteral("host=") + libpqValue(host),
                      QStringLiteral("port=") + QString::number(port),
                      QStringLiteral("dbname=") + libpqValue(database)};
    if (!user.isEmpty())
        parts << QStringLiteral("user=") + libpqValue(user);
    if (!sslMode.isEmpty())
        parts << QStringLiteral("sslmode=") + libpqValue(sslMode);
    return parts.join(u' ');
}

} // namespace db
