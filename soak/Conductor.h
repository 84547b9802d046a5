#pragma once

#include <QString>

// The parent of a soak run: makes the database (a SQLite file, or a PostgreSQL cluster of its
// own), seeds it, starts the stations, kills and restarts them at random moments, restarts
// the server once on PostgreSQL, and checks the invariants at the end.
class Conductor
{
public:
    struct Options
    {
        QString engine = QStringLiteral("sqlite");
        int stations = 4;
        int ops = 2000;
        quint64 seed = 1;
        double killEvery = 3; // seconds; 0: no kills
        bool serverRestart = true;
        bool testCluster = false; // PostgreSQL: a schema in the cluster KWPOS_TEST_PG names
        bool keep = false;        // leave the database and the journals for inspection
        QString clusterScript;
    };

    explicit Conductor(const Options &options);

    // Returns the exit status: 0 when every invariant holds.
    int run();

    // A station's next seed after a restart, from the one it had.
    static quint64 nextSeed(quint64 seed);

private:
    Options m_options;
};
