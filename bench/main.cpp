// The benchmark program: seeds its own account sets (a SQLite file and a schema on a
// PostgreSQL cluster), runs each operation through our core and the same statements through
// the engines' own C interfaces (prepared once), alternating the two, checks that both gave
// the same result, and prints one line per operation.
#include <cstdio>
#include <stdexcept>

#include <QCoreApplication>
#include <QTemporaryDir>

#include "Cases.h"
#include "Seed.h"
#include "Statements.h"
#include "YearReports.h"
#include "core/db/ConnectionString.h"
#include "core/db/Database.h"
#include "core/db/Schema.h"

using namespace bench;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.value(1) == u"--station")
        return stationWorker(args.value(2), args.value(3), args.value(4).toInt(),
                             args.value(5).toInt());
    if (args.value(1) == u"--import-worker")
        return importWorker(args.value(2));

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
    // backoffice, import, yearreports, stations, latency, startup).
    const QString only =
        args.indexOf(u"--only"_qs) >= 0 ? args.value(args.indexOf(u"--only"_qs) + 1) : QString();
    auto part = [&](const char *name) { return only.isEmpty() || only == QLatin1String(name); };
    if (only == QLatin1String("yearreports"))
        return runYearReports(args);
    if (only.isEmpty() || only == QLatin1String("recharge"))
        z.orderLines = z.movements;
    z.quick = quick;
    // The import part brings its own account sets; the stations, the latency and the start-up
    // need none of the engines' shared ones.
    const bool seeded = only != QLatin1String("import");
    const bool shared = only.isEmpty() ||
                        !QStringList{u"stations"_qs, u"latency"_qs, u"startup"_qs}.contains(only);
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
        if (part("import"))
            imports(b);
    };
    std::printf("kwpos bench: %d items, %d movements over %d members%s\n", z.items, z.movements,
                z.members, quick ? " (quick)" : "");
    try {
        QTemporaryDir dir;
        if (shared) {
            const QString cnstr =
                db::ConnectionString::sqlite(dir.path() + QStringLiteral("/bench.db")).toString();
            Bench b{cnstr, db::Engine::SQLite, nullptr, z};
            db::Schema::ensure(cnstr);
            const auto raw = rawSqlite(dir.path() + QStringLiteral("/bench.db"));
            if (seeded) {
                seed(cnstr, *raw, db::Engine::SQLite, z);
                prepareAll(*raw, db::Engine::SQLite);
            }
            b.raw = raw.get();
            runParts(b);
            db::closeAll();
        }
        if (!pg.isEmpty()) {
            const db::ConnectionString admin = db::ConnectionString::parse(pg);
            if (shared) {
                rawPg(admin)->exec("set client_min_messages to warning;"
                                   " drop schema if exists kwpos_bench cascade;"
                                   " create schema kwpos_bench");
                db::ConnectionString cs = admin;
                cs.schema = QStringLiteral("kwpos_bench");
                const QString cnstr = cs.toString();
                const auto raw = rawPg(cs);
                if (seeded) {
                    seed(cnstr, *raw, db::Engine::PostgreSQL, z);
                    prepareAll(*raw, db::Engine::PostgreSQL);
                }
                Bench b{cnstr, db::Engine::PostgreSQL, raw.get(), z};
                runParts(b);
                db::closeAll();
            }
            if (!pgbin.isEmpty() && part("stations"))
                stations(admin, pgbin, z.stationSeconds);
            if (part("latency"))
                latency(admin, quick ? 5 : 20);
        } else {
            std::printf("PostgreSQL: skipped (no --pg connection string)\n");
        }
        if (!mainExe.isEmpty() && part("startup"))
            startup(mainExe, quick ? 3 : 10);
        // The grouped reports over a year bring their own account sets.
        if (only.isEmpty() && runYearReports(args) != 0)
            return 1;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "\nbench failed: %s\n", e.what());
        return 1;
    }
    return 0;
}

