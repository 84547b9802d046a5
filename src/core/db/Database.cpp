#include "core/db/Database.h"

#include <unordered_map>

#include "core/db/Connection.h"
#include "core/db/DbError.h"

namespace db {

namespace {

struct Pool
{
    std::unordered_map<QString, ConnectionString> parsed;
    // By role and connection string.
    std::unordered_map<QString, std::shared_ptr<detail::Connection>> open;
};

// Per thread: a connection is used by one thread at a time. Left alone at thread exit
// (the thread-local pool closes its connections as it goes).
Pool &pool()
{
    thread_local Pool p;
    return p;
}

QString keyOf(const QString &cnstr, const QString &role)
{
    return role + QChar(0x1f) + cnstr;
}

// A read is safe to run again once on a fresh connection when the server dropped the kept
// one (a restart, a network blip), so the station carries on instead of failing its lookup.
template <class Run>
auto onLiveConnection(const QString &cnstr, Run &&run)
{
    std::shared_ptr<detail::Connection> c = connection(cnstr);
    try {
        return run(*c);
    } catch (const DbError &) {
        if (c->isOpen())
            throw;
    }
    c = connection(cnstr);
    return run(*c);
}

} // namespace

const ConnectionString &parsed(const QString &cnstr)
{
    auto &cache = pool().parsed;
    const auto it = cache.find(cnstr);
    if (it != cache.end())
        return it->second;
    return cache.emplace(cnstr, ConnectionString::parse(cnstr)).first->second;
}

Engine engineOf(const QString &cnstr)
{
    return parsed(cnstr).engine;
}

std::shared_ptr<detail::Connection> connection(const QString &cnstr, const QString &role)
{
    auto &open = pool().open;
    const QString key = keyOf(cnstr, role);
    const auto it = open.find(key);
    if (it != open.end()) {
        if (it->second->isOpen())
            return it->second;
        open.erase(it);
    }
    std::shared_ptr<detail::Connection> c = detail::open(parsed(cnstr));
    open.emplace(key, c);
    return c;
}

void closeAll()
{
    pool().open.clear();
}

Rows queryPlannedForValues(const QString &cnstr, const QString &sql, const Params &params)
{
    return onLiveConnection(cnstr, [&](detail::Connection &c) { return c.runFresh(sql, params); });
}

Rows query(const QString &cnstr, const QString &sql, const Params &params)
{
    return onLiveConnection(cnstr, [&](detail::Connection &c) { return c.run(sql, params); });
}

QList<Rows> queryTogether(const QString &cnstr, const QList<Statement> &statements)
{
    return onLiveConnection(cnstr, [&](detail::Connection &c) {
        std::vector<detail::Step> steps;
        steps.reserve(size_t(statements.size()));
        for (const Statement &s : statements)
            steps.emplace_back(s.sql, s.params);
        std::vector<detail::Step *> batch;
        for (detail::Step &s : steps)
            batch.push_back(&s);
        c.runBatch(batch, false);
        QList<Rows> out;
        for (detail::Step &s : steps)
            out.append(std::move(s.rows));
        return out;
    });
}

QVariant scalar(const QString &cnstr, const QString &sql, const Params &params)
{
    const Rows rows = query(cnstr, sql, params);
    if (rows.isEmpty() || rows.first().count() == 0)
        return QVariant();
    return rows.first().at(0);
}

int execute(const QString &cnstr, const QString &sql, const Params &params)
{
    int affected = 0;
    connection(cnstr)->run(sql, params, &affected);
    return affected;
}

} // namespace db
