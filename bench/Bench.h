#pragma once

// What every part of the benchmark shares: the sizes, the timing of ours against raw in
// alternating rounds, and the printed line.
#include <chrono>
#include <functional>
#include <vector>

#include <QString>

#include "RawEngines.h"
#include "core/db/ConnectionString.h"

namespace bench {

using Clock = std::chrono::steady_clock;

struct Size
{
    int items, members, movements, lookups, saves, reportRounds, stationSeconds;
    int orderLines = 0; // seeded for the recharge part only
    bool quick = false;
};

double micros(Clock::time_point a, Clock::time_point b);
double percentile(std::vector<double> v, double p);
QString timeText(double us);
void line(const QString &op, const QString &engine, const std::vector<double> &ours,
          const std::vector<double> &raw, const QString &note = QString());
[[noreturn]] void fail(const QString &what);

struct Bench
{
    QString cnstr;
    db::Engine engine;
    Raw *raw;
    Size z;
    QString engineName() const
    {
        return engine == db::Engine::SQLite ? u"SQLite"_qs : u"PostgreSQL"_qs;
    }
};

// Runs ours and raw alternately (the order flips every round) and keeps each one's times.
void rounds(int n, const std::function<void(int)> &ours, const std::function<void(int)> &raw,
            std::vector<double> &to, std::vector<double> &tr);

// The plan of a lookup must use the indexes alone: no scan of a whole table. Asked of the
// engine itself (PostgreSQL's explain takes no SQL-level prepare).
// A table named in `mayScan` is small enough that the planner may rightly read it whole.
void requireIndexScans(Bench &b, int id, const QString &sql, const Texts &params, const char *what,
                       const QString &mayScan = QString());

} // namespace bench
