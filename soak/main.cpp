// kwpos_soak: several counter stations on one database, killed and restarted at random, and
// the invariants of the shop's books checked at the end. Not part of the test run (a short
// soak is). The stations are this same program started with --station.
#include <cstdio>

#include <QCommandLineParser>
#include <QCoreApplication>

#include "Conductor.h"
#include "Station.h"

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral("Soak test: stations, kills and invariants."));
    p.addHelpOption();
    const QCommandLineOption engine(QStringLiteral("engine"), QStringLiteral("sqlite or pg"),
                                    QStringLiteral("engine"), QStringLiteral("sqlite"));
    const QCommandLineOption stations(QStringLiteral("stations"), QStringLiteral("stations"),
                                      QStringLiteral("n"), QStringLiteral("4"));
    const QCommandLineOption ops(QStringLiteral("ops"), QStringLiteral("operations per station"),
                                 QStringLiteral("n"), QStringLiteral("2000"));
    const QCommandLineOption seed(QStringLiteral("seed"), QStringLiteral("random seed"),
                                  QStringLiteral("s"), QStringLiteral("1"));
    const QCommandLineOption killEvery(
        QStringLiteral("kill-every"),
        QStringLiteral("seconds between kills on average; 0 disables"), QStringLiteral("seconds"),
        QStringLiteral("3"));
    const QCommandLineOption noRestart(
        QStringLiteral("no-server-restart"),
        QStringLiteral("do not restart the PostgreSQL server mid-run"));
    const QCommandLineOption testCluster(
        QStringLiteral("test-cluster"),
        QStringLiteral("PostgreSQL: a schema in the cluster of KWPOS_TEST_PG"));
    const QCommandLineOption script(QStringLiteral("cluster-script"),
                                    QStringLiteral("scripts/pg-cluster.sh"), QStringLiteral("path"),
                                    QStringLiteral(KWPOS_PG_CLUSTER_SCRIPT));
    const QCommandLineOption keep(QStringLiteral("keep"),
                                  QStringLiteral("leave the database and the journals"));
    const QCommandLineOption station(QStringLiteral("station"), QStringLiteral("run as station N"),
                                     QStringLiteral("n"));
    const QCommandLineOption cnstr(QStringLiteral("cnstr"),
                                   QStringLiteral("station: connection string"),
                                   QStringLiteral("cnstr"));
    const QCommandLineOption journal(
        QStringLiteral("journal"), QStringLiteral("station: journal file"), QStringLiteral("path"));
    p.addOptions({engine, stations, ops, seed, killEvery, noRestart, testCluster, script, station,
                  cnstr, journal, keep});
    p.process(app);

    try {
        if (p.isSet(station)) {
            Station s(p.value(cnstr), p.value(station).toInt(), p.value(journal),
                      p.value(seed).toULongLong());
            s.run(p.value(ops).toInt());
            return 0;
        }
        Conductor::Options o;
        o.engine = p.value(engine);
        o.stations = qBound(1, p.value(stations).toInt(), SoakSeed::MaxStations);
        o.ops = qMax(1, p.value(ops).toInt());
        o.seed = p.value(seed).toULongLong();
        o.killEvery = p.value(killEvery).toDouble();
        o.serverRestart = !p.isSet(noRestart);
        o.testCluster = p.isSet(testCluster);
        o.keep = p.isSet(keep);
        o.clusterScript = p.value(script);
        if (o.engine != u"sqlite" && o.engine != u"pg") {
            std::fprintf(stderr, "--engine is sqlite or pg\n");
            return 2;
        }
        return Conductor(o).run();
    } catch (const std::exception &e) {
        std::fprintf(stderr, "kwpos_soak: %s\n", e.what());
        return 1;
    }
}
