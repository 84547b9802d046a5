#include "Bench.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace bench {

double micros(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double, std::micro>(b - a).count();
}

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t i = std::min(v.size() - 1, size_t(std::ceil(p * double(v.size())) - 1));
    return v[i];
}

QString timeText(double us)
{
    if (us >= 1e6)
        return QStringLiteral("%1 s").arg(us / 1e6, 0, 'f', 2);
    if (us >= 1e3)
        return QStringLiteral("%1 ms").arg(us / 1e3, 0, 'f', 2);
    return QStringLiteral("%1 µs").arg(us, 0, 'f', 1);
}

void line(const QString &op, const QString &engine, const std::vector<double> &ours,
          const std::vector<double> &raw, const QString &note)
{
    const double om = percentile(ours, 0.5), rm = percentile(raw, 0.5);
    std::printf("%-34s %-10s ours %10s  p99 %10s  raw %10s  ratio %5.2f %s\n", qPrintable(op),
                qPrintable(engine), qPrintable(timeText(om)),
                qPrintable(timeText(percentile(ours, 0.99))), qPrintable(timeText(rm)),
                rm > 0 ? om / rm : 0.0, qPrintable(note));
    std::fflush(stdout);
}

[[noreturn]] void fail(const QString &what)
{
    throw std::runtime_error(what.toStdString());
}

void rounds(int n, const std::function<void(int)> &ours, const std::function<void(int)> &raw,
            std::vector<double> &to, std::vector<double> &tr)
{
    for (int i = 0; i < n; ++i) {
        for (int side = 0; side < 2; ++side) {
            const bool oursNow = (side == 0) == (i % 2 == 0);
            const auto a = Clock::now();
            oursNow ? ours(i) : raw(i);
            const auto b = Clock::now();
            (oursNow ? to : tr).push_back(micros(a, b));
        }
    }
}

void requireIndexScans(Bench &b, int id, const QString &sql, const Texts &params, const char *what,
                       const QString &mayScan)
{
    const bool lite = b.engine == db::Engine::SQLite;
    b.raw->prepare(id, (lite ? QStringLiteral("explain query plan ") : QStringLiteral("explain ")) + sql);
    for (const Texts &r : b.raw->run(id, params)) {
        const QString step = lite ? r.at(3) : r.at(0);
        const bool scan = lite ? step.startsWith(QStringLiteral("SCAN ")) && !step.contains(u"INDEX")
                               : step.contains(QStringLiteral("Seq Scan"));
        if (scan && (mayScan.isEmpty() || !step.contains(mayScan, Qt::CaseInsensitive)))
            fail(QStringLiteral("%1 reads a whole table: %2").arg(QLatin1String(what), step));
    }
}

} // namespace bench
