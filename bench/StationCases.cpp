#include "Cases.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include "RawSaves.h"
#include "Relay.h"
#include "core/db/Database.h"
#include "core/db/Schema.h"
#include "core/pos/MemberOrders.h"
#include "core/pos/SaleBill.h"
#include "core/pos/SaleBillStore.h"

namespace bench {

namespace {

constexpr int kStations = 4;
constexpr int kCards = 200;
const QString kStationSchema = QStringLiteral("kwpos_stations");

QString stationCard(int c)
{
    return QStringLiteral("S%1").arg(c, 5, 10, QLatin1Char('0'));
}

// A fresh account set for the stations: every card with stored value and one open order of
// two lines that never runs out, a hundred items.
db::ConnectionString seedStations(const db::ConnectionString &admin)
{
    {
        const auto raw = rawPg(admin);
        raw->exec(QStringLiteral("set client_min_messages to warning; drop schema if exists %1"
                                 " cascade; create schema %1")
                      .arg(kStationSchema)
                      .toUtf8()
                      .constData());
    }
    db::ConnectionString cs = admin;
    cs.schema = kStationSchema;
    db::Schema::ensure(cs.toString());
    const auto raw = rawPg(cs);
    const QString card = QStringLiteral("'S' || lpad(i::text, 5, '0')");
    raw->exec("BEGIN");
    raw->exec("insert into t_user (FUserID, FUserName, FManager) values (1, '店长', 1)");
    raw->exec("insert into t_icitem (FItemID, FName, FNumber) select i, '鲜奶' || i, 'N' || i"
              " from generate_series(1,100) i");
    raw->exec(QStringLiteral("insert into VipCzBill (FVipNo, FTranType, FDate, FKAmount, FCzAmount,"
                             " FZsAmount, FBegAmount, FEndAmount) select %1, 1, '2025-12-31',"
                             " 1000000, 1000000, 0, 0, 1000000 from generate_series(0,%2) i")
                  .arg(card)
                  .arg(kCards - 1)
                  .toUtf8()
                  .constData());
    raw->exec(QStringLiteral("insert into VipOrder (FInterID, Fdate, FVipNo, FOwner, FSumQty,"
                             " FSumAmount, FClosed) select i + 1, '2026-01-01', %1, '会员', 2000000,"
                             " 600, 0 from generate_series(0,%2) i")
                  .arg(card)
                  .arg(kCards - 1)
                  .toUtf8()
                  .constData());
    raw->exec(QStringLiteral("insert into VipOrderEntry (FInterID, FEntryID, FItemID, FQty, FPreQty,"
                             " FCplQty, FPrice, FAmount) select i + 1, e, 1 + (i + e) %% 100,"
                             " 1000000, 0, 0, 10, 300 from generate_series(0,%1) i,"
                             " generate_series(1,2) e")
                  .arg(kCards - 1)
                  .replace(u"%%"_qs, u"%"_qs)
                  .toUtf8()
                  .constData());
    raw->exec("COMMIT");
    raw->exec("VACUUM ANALYZE");
    return cs;
}

// The bill station `station` rings up as its `seq`th: four items and one unit handed out
// from the card's order, 2.00 of it paid from stored value. The stations serve different
// cards, as different customers stand at different counters.
SaleBill stationSale(int station, int seq)
{
    const int c = (seq * kStations + station) % kCards;
    SaleBill bill;
    bill.date = QDate(2026, 12, 31);
    bill.vipNo = stationCard(c);
    bill.owner = QStringLiteral("会员");
    bill.stockId = 1;
    for (int e = 0; e < 4; ++e)
        bill.add(1 + (seq * 4 + e) % 100, QStringLiteral("鲜奶"), 1, Money::fromInt(5));
    OpenOrderLine l;
    l.qty = 1000000;
    l.open = 1000000;
    l.amount = Money::fromInt(300);
    l.orderId = c + 1;
    l.entryId = 1 + seq % 2;
    l.itemId = 1 + (c + l.entryId) % 100;
    bill.addLine(MemberOrders::pickup(l, 1));
    return bill;
}

SalePayment stationPayment(const SaleBill &bill)
{
    return {bill.receivable() - Money::fromInt(2), Money::fromInt(2)};
}

struct Written
{
    long long bills, lines, payments, units;
};

Written written(Raw &raw)
{
    const Table t = raw.run(0, {}); // prepared by prepareWritten
    return {t.at(0).at(0).toLongLong(), t.at(0).at(1).toLongLong(), t.at(0).at(2).toLongLong(),
            t.at(0).at(3).toLongLong()};
}

void prepareWritten(Raw &raw)
{
    raw.prepare(0, QStringLiteral(
                       "select (select count(*) from ICStockBill), (select count(*) from"
                       " ICStockBillEntry), (select count(*) from VipCzBill where FTranType=2),"
                       " (select coalesce(sum(FCplQty),0)::bigint from VipOrderEntry)"));
}

// Four processes of this program saving at once; the saves over the wall time from starting
// them to the last one's end, each one's connecting included.
double runStations(const QString &side, const QString &cnstr, int seconds, Raw &check)
{
    const Written before = written(check);
    QList<QProcess *> procs;
    const auto a = Clock::now();
    for (int i = 0; i < kStations; ++i) {
        auto *p = new QProcess;
        p->start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--station"), side, cnstr, QString::number(seconds),
                  QString::number(i)});
        procs << p;
    }
    long long saved = 0;
    QString errors;
    for (QProcess *p : procs) {
        p->waitForFinished(-1);
        if (p->exitStatus() != QProcess::NormalExit || p->exitCode() != 0)
            errors += QString::fromUtf8(p->readAllStandardError());
        saved += p->readAllStandardOutput().trimmed().toLongLong();
        delete p;
    }
    const double wall = micros(a, Clock::now()) / 1e6;
    if (!errors.isEmpty())
        fail(QStringLiteral("station (%1): %2").arg(side, errors));
    // What the saves wrote, against what the stations reported.
    const Written after = written(check);
    if (after.bills - before.bills != saved || after.lines - before.lines != 5 * saved ||
        after.payments - before.payments != saved || after.units - before.units != saved)
        fail(QStringLiteral("stations (%1): %2 saves reported, written %3 bills, %4 lines,"
                            " %5 payments, %6 units")
                 .arg(side)
                 .arg(saved)
                 .arg(after.bills - before.bills)
                 .arg(after.lines - before.lines)
                 .arg(after.payments - before.payments)
                 .arg(after.units - before.units));
    return saved / wall;
}

} // namespace

int stationWorker(const QString &side, const QString &cnstr, int seconds, int station)
{
    const auto end = Clock::now() + std::chrono::seconds(seconds);
    int n = 0;
    if (side == u"ours") {
        while (Clock::now() < end) {
            const SaleBill bill = stationSale(station, n++);
            SaleBillStore::save(cnstr, bill, stationPayment(bill), 1);
        }
    } else {
        const auto raw = rawPg(db::ConnectionString::parse(cnstr));
        prepareRawSaves(*raw, db::Engine::PostgreSQL);
        while (Clock::now() < end) {
            const SaleBill bill = stationSale(station, n++);
            rawSaleSave(*raw, db::Engine::PostgreSQL, bill, stationPayment(bill), 1);
        }
    }
    std::printf("%d\n", n);
    return 0;
}

void stations(const db::ConnectionString &admin, const QString &pgbin, int seconds)
{
    const db::ConnectionString cs = seedStations(admin);
    const auto check = rawPg(cs);
    prepareWritten(*check);
    check->prepare(1, QStringLiteral("select current_setting('fsync')"));
    const QString fsync = check->run(1, {}).at(0).at(0);
    const double ours = runStations(u"ours"_qs, cs.toString(), seconds, *check);
    const double raw = runStations(u"raw"_qs, cs.toString(), seconds, *check);
    // pgbench TPC-B on the same cluster, its own database, the same four clients, its time
    // counted the same way.
    const QStringList conn{QStringLiteral("-h"),        admin.host,           QStringLiteral("-p"),
                           QString::number(admin.port), QStringLiteral("-U"), admin.user};
    {
        const auto server = rawPg(admin);
        server->exec("set client_min_messages to warning");
        server->exec("drop database if exists kwpos_pgbench");
        server->exec("create database kwpos_pgbench");
    }
    QProcess init;
    init.start(pgbin + QStringLiteral("/pgbench"),
               conn + QStringList{QStringLiteral("-i"), QStringLiteral("-q"), QStringLiteral("-s"),
                                  QString::number(kStations), QStringLiteral("kwpos_pgbench")});
    init.waitForFinished(-1);
    QProcess run;
    const auto a = Clock::now();
    run.start(pgbin + QStringLiteral("/pgbench"),
              conn + QStringList{QStringLiteral("-n"), QStringLiteral("-c"),
                                 QString::number(kStations), QStringLiteral("-j"),
                                 QString::number(kStations), QStringLiteral("-T"),
                                 QString::number(seconds), QStringLiteral("kwpos_pgbench")});
    run.waitForFinished(-1);
    const double wall = micros(a, Clock::now()) / 1e6;
    const QString out = QString::fromUtf8(run.readAllStandardOutput());
    const auto m = QRegularExpression(QStringLiteral("actually processed: ([0-9]+)")).match(out);
    const double tpcb = m.hasMatch() ? m.captured(1).toDouble() / wall : 0;
    if (tpcb == 0)
        fail(QStringLiteral("pgbench: ") + out + QString::fromUtf8(run.readAllStandardError()));
    std::printf("%-34s %-10s ours %7.0f saves/s  raw %7.0f saves/s  pgbench TPC-B %7.0f tps"
                "  ours/raw %.2f  ours/pgbench %.2f  (fsync %s)\n",
                "4 stations, counter save", "PostgreSQL", ours, raw, tpcb, raw > 0 ? ours / raw : 0.0,
                ours / tpcb, qPrintable(fsync));
    std::fflush(stdout);
}

void latency(const db::ConnectionString &admin, int saves)
{
    const db::ConnectionString direct = seedStations(admin);
    Relay relay(direct.host, direct.port, 10);
    db::ConnectionString cs = direct;
    cs.port = relay.port();
    const QString cnstr = cs.toString();
    const auto raw = rawPg(cs);
    prepareRawSaves(*raw, db::Engine::PostgreSQL);
    // Connected and warm on both sides before the first timed save.
    int seq = 0;
    {
        const SaleBill bill = stationSale(0, seq++);
        SaleBillStore::save(cnstr, bill, stationPayment(bill), 1);
        const SaleBill other = stationSale(1, seq++);
        rawSaleSave(*raw, db::Engine::PostgreSQL, other, stationPayment(other), 1);
    }
    std::vector<double> to, tr;
    long long tripsOurs = 0, tripsRaw = 0;
    rounds(
        saves,
        [&](int) {
            const SaleBill bill = stationSale(0, seq++);
            const long long t = relay.roundTrips();
            SaleBillStore::save(cnstr, bill, stationPayment(bill), 1);
            tripsOurs += relay.roundTrips() - t;
        },
        [&](int) {
            const SaleBill bill = stationSale(1, seq++);
            const long long t = relay.roundTrips();
            rawSaleSave(*raw, db::Engine::PostgreSQL, bill, stationPayment(bill), 1);
            tripsRaw += relay.roundTrips() - t;
        },
        to, tr);
    line(QStringLiteral("counter save, 20 ms round trip"), u"PostgreSQL"_qs, to, tr,
         QStringLiteral("round trips a save: ours %1, raw %2")
             .arg(double(tripsOurs) / saves, 0, 'f', 1)
             .arg(double(tripsRaw) / saves, 0, 'f', 1));
    db::closeAll();
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

} // namespace bench
