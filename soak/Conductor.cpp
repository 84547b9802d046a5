#include "Conductor.h"

#include <signal.h>

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator64>
#include <QTextStream>
#include <QThread>

#include "Invariants.h"
#include "Journal.h"
#include "SoakSeed.h"
#include "core/db/ConnectionString.h"
#include "core/db/Database.h"
#include "core/base/CoreError.h"

namespace {

QTextStream &out()
{
    static QTextStream s(stdout);
    return s;
}

// A PostgreSQL database the run owns: its own cluster, or its own schema in the test cluster.
class PgDatabase
{
public:
    PgDatabase(const QString &script, const QString &dir, bool testCluster, bool keep)
        : m_script(script), m_dir(dir), m_keep(keep)
    {
        if (testCluster) {
            const QString admin = qEnvironmentVariable("KWPOS_TEST_PG");
            m_admin = admin;
            m_schema = QStringLiteral("kwsoak_%1").arg(QCoreApplication::applicationPid());
            db::execute(admin, QStringLiteral("create schema %1").arg(m_schema));
            db::ConnectionString cs = db::ConnectionString::parse(admin);
            cs.schema = m_schema;
            m_cnstr = cs.toString();
            return;
        }
        m_cluster = true;
        m_cnstr = script_(QStringLiteral("start")).trimmed();
        if (m_cnstr.isEmpty())
            throw CoreError(QStringLiteral("the PostgreSQL cluster did not start"));
    }
    ~PgDatabase()
    {
        db::closeAll();
        if (m_cluster) {
            script_(QStringLiteral("stop"));
        } else if (!m_schema.isEmpty() && !m_keep) {
            try {
                db::execute(m_admin, QStringLiteral("drop schema %1 cascade").arg(m_schema));
            } catch (const std::exception &e) {
                qWarning("could not drop %s: %s", qPrintable(m_schema), e.what());
            }
            db::closeAll();
        }
    }
    bool canRestart() const { return m_cluster; }
    void restart() { script_(QStringLiteral("restart")); }
    QString cnstr() const { return m_cnstr; }

private:
    QString script_(const QString &cmd)
    {
        QProcess p;
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.start(QStringLiteral("bash"), {m_script, cmd, m_dir});
        p.waitForFinished(120000);
        return QString::fromUtf8(p.readAllStandardOutput());
    }
    QString m_script, m_dir, m_cnstr, m_admin, m_schema;
    bool m_cluster = false;
    bool m_keep = false;
};

struct StationProcess
{
    int number = 0;
    quint64 seed = 0;
    QString journal;
    std::unique_ptr<QProcess> process;
    bool finished = false;
    qint64 finishedAt = 0; // ms since the stations started
    int restarts = 0;
};

quint64 splitmix(quint64 x)
{
    x += 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

} // namespace

Conductor::Conductor(const Options &options) : m_options(options) {}

quint64 Conductor::nextSeed(quint64 seed)
{
    return splitmix(seed);
}

int Conductor::run()
{
    const Options &o = m_options;
    if (o.testCluster && qEnvironmentVariable("KWPOS_TEST_PG").isEmpty()) {
        out() << "KWPOS_TEST_PG is not set" << Qt::endl;
        return 0;
    }
    QDir base(QDir::tempPath());
    const QString dir = base.filePath(
        QStringLiteral("kwpos-soak-%1-%2").arg(o.engine).arg(QCoreApplication::applicationPid()));
    QDir().mkpath(dir);
    out() << "soak: " << o.stations << " stations x " << o.ops << " operations on " << o.engine
          << ", seed " << o.seed << ", kill every " << o.killEvery << " s; files in " << dir
          << Qt::endl;

    std::unique_ptr<PgDatabase> pg;
    QString cnstr;
    if (o.engine == u"pg") {
        pg = std::make_unique<PgDatabase>(o.clusterScript, dir + QStringLiteral("/pg"),
                                          o.testCluster, o.keep);
        cnstr = pg->cnstr();
    } else {
        cnstr = db::ConnectionString::sqlite(dir + QStringLiteral("/shop.db")).toString();
    }
    SoakSeed::create(cnstr, o.seed);
    db::closeAll();

    QRandomGenerator64 rng(o.seed);
    std::vector<StationProcess> stations(size_t(o.stations));
    QElapsedTimer clock;
    clock.start();
    auto start = [&](StationProcess &s) {
        s.process = std::make_unique<QProcess>();
        s.process->setProcessChannelMode(QProcess::MergedChannels);
        s.process->setStandardOutputFile(dir + QStringLiteral("/station-%1.log").arg(s.number),
                                         QIODevice::Append);
        s.process->start(QCoreApplication::applicationFilePath(),
                         {QStringLiteral("--station"), QString::number(s.number),
                          QStringLiteral("--cnstr"), cnstr, QStringLiteral("--journal"), s.journal,
                          QStringLiteral("--seed"), QString::number(s.seed),
                          QStringLiteral("--ops"), QString::number(o.ops)});
        s.process->waitForStarted();
    };
    for (int i = 0; i < o.stations; ++i) {
        StationProcess &s = stations[size_t(i)];
        s.number = i + 1;
        s.seed = splitmix(o.seed * 1000 + quint64(s.number));
        s.journal = dir + QStringLiteral("/station-%1.journal").arg(s.number);
        QFile::remove(s.journal);
        start(s);
    }

    auto nextKillAt = [&] {
        return clock.elapsed() + qint64(o.killEvery * 1000 * (0.5 + rng.generateDouble()));
    };
    qint64 killAt = o.killEvery > 0 ? nextKillAt() : -1;
    int kills = 0, crashes = 0;
    bool restarted = !(pg && pg->canRestart() && o.serverRestart);
    for (;;) {
        int running = 0;
        for (StationProcess &s : stations) {
            if (s.finished)
                continue;
            if (s.process->state() != QProcess::NotRunning) {
                ++running;
                continue;
            }
            s.process->waitForFinished();
            if (s.process->exitStatus() != QProcess::NormalExit || s.process->exitCode() != 0) {
                // Not one of ours: a station that died by itself is a fault to look into.
                ++crashes;
                out() << "station " << s.number << " ended by itself (exit "
                      << s.process->exitCode() << "); see its log" << Qt::endl;
            }
            if (Journal::begun(s.journal) >= o.ops) {
                s.finished = true;
                s.finishedAt = clock.elapsed();
            } else {
                s.seed = nextSeed(s.seed);
                ++s.restarts;
                start(s);
                ++running;
            }
        }
        if (running == 0)
            break;
        // QProcess learns of a child's end from its event loop: without it a station that
        // ends by itself would look alive for ever when no kill comes to wait on it.
        QCoreApplication::processEvents();
        if (killAt >= 0 && clock.elapsed() >= killAt) {
            QList<StationProcess *> alive;
            for (StationProcess &s : stations)
                if (!s.finished && s.process->state() == QProcess::Running)
                    alive << &s;
            if (!alive.isEmpty()) {
                StationProcess *victim = alive.at(qsizetype(rng.bounded(quint64(alive.size()))));
                ::kill(pid_t(victim->process->processId()), SIGKILL);
                victim->process->waitForFinished();
                ++kills;
                victim->seed = nextSeed(victim->seed);
                ++victim->restarts;
                if (Journal::begun(victim->journal) < o.ops)
                    start(*victim);
                else {
                    victim->finished = true;
                    victim->finishedAt = clock.elapsed();
                }
            }
            killAt = nextKillAt();
        }
        if (!restarted) {
            int begun = 0;
            for (const StationProcess &s : stations)
                begun += Journal::begun(s.journal);
            if (begun * 2 >= o.ops * o.stations) {
                out() << "restarting the PostgreSQL server at " << begun << " operations"
                      << Qt::endl;
                pg->restart();
                restarted = true;
            }
        }
        QThread::msleep(20);
    }
    const double seconds = clock.elapsed() / 1000.0;

    QList<Journal::Entry> journal;
    QList<double> rates;
    for (const StationProcess &s : stations) {
        const QList<Journal::Entry> entries = Journal::read(s.journal, s.number);
        journal += entries;
        rates << entries.size() / std::max(0.001, s.finishedAt / 1000.0);
    }
    std::sort(rates.begin(), rates.end());
    const double median = rates.size() % 2
                              ? rates[rates.size() / 2]
                              : (rates[rates.size() / 2 - 1] + rates[rates.size() / 2]) / 2;

    // What the stations did, kind by kind.
    QMap<QString, std::array<int, 4>> outcomes;
    for (const Journal::Entry &e : journal)
        ++outcomes[e.kind][int(e.outcome)];
    out() << Qt::endl
          << QStringLiteral("%1 %2 %3 %4 %5")
                 .arg(QStringLiteral("operation"), -14)
                 .arg(QStringLiteral("done"), 7)
                 .arg(QStringLiteral("refused"), 8)
                 .arg(QStringLiteral("failed"), 7)
                 .arg(QStringLiteral("in flight"), 10)
          << Qt::endl;
    for (auto it = outcomes.cbegin(); it != outcomes.cend(); ++it)
        out() << QStringLiteral("%1 %2 %3 %4 %5")
                     .arg(it.key(), -14)
                     .arg(it.value()[int(Journal::Outcome::Done)], 7)
                     .arg(it.value()[int(Journal::Outcome::Refused)], 8)
                     .arg(it.value()[int(Journal::Outcome::Failed)], 7)
                     .arg(it.value()[int(Journal::Outcome::InFlight)], 10)
              << Qt::endl;

    // The messages behind the refusals and failures, most frequent first.
    QMap<QString, int> messages;
    for (const Journal::Entry &e : journal)
        if (e.outcome == Journal::Outcome::Refused || e.outcome == Journal::Outcome::Failed)
            ++messages[(e.outcome == Journal::Outcome::Refused ? QStringLiteral("refused ")
                                                               : QStringLiteral("failed  ")) +
                       e.kind + QStringLiteral(": ") + e.message.left(90)];
    QList<std::pair<int, QString>> ranked;
    for (auto it = messages.cbegin(); it != messages.cend(); ++it)
        ranked.append({it.value(), it.key()});
    std::sort(ranked.begin(), ranked.end(),
              [](const auto &a, const auto &b) { return a.first > b.first; });
    out() << Qt::endl;
    // Every failure is shown; refusals only the most frequent.
    for (qsizetype i = 0, shown = 0; i < ranked.size(); ++i)
        if (ranked[i].second.startsWith(u'f') || ++shown <= 10)
            out() << QStringLiteral("%1  %2").arg(ranked[i].first, 6).arg(ranked[i].second)
                  << Qt::endl;

    db::closeAll();
    Invariants checks(cnstr, journal);
    QList<Invariants::Check> results;
    try {
        results = checks.run();
    } catch (const std::exception &e) {
        out() << "the checks failed: " << e.what() << Qt::endl;
        return 1;
    }
    out() << Qt::endl << Invariants::table(results);
    bool ok = crashes == 0;
    for (const Invariants::Check &c : results)
        ok = ok && c.passed();
    QStringList each;
    for (double r : rates)
        each << QString::number(r, 'f', 1);
    out() << Qt::endl
          << "kills: " << kills << ", stations ended by themselves: " << crashes
          << ", server restarts: " << (pg && pg->canRestart() && o.serverRestart ? 1 : 0)
          << Qt::endl
          << "operations: " << journal.size() << " in " << QString::number(seconds, 'f', 1)
          << " s; per station " << each.join(QStringLiteral(", ")) << " op/s, median "
          << QString::number(median, 'f', 1) << " op/s" << Qt::endl
          << (ok ? "soak: PASS" : "soak: FAIL") << Qt::endl;
    pg.reset();
    if (o.keep)
        out() << "kept: " << dir
              << (o.engine == u"pg" ? (o.testCluster ? " (journals; the schema stays in the test"
                                                       " cluster)"
                                                     : " (journals and the cluster's data folder"
                                                       " pg/, stopped)")
                                    : " (journals and shop.db)")
              << Qt::endl;
    else if (ok)
        QDir(dir).removeRecursively();
    return ok ? 0 : 1;
}
