#include "Cases.h"

#include <cmath>

#include "core/base/NumberText.h"
#include "core/reports/StoredValueReport.h"

#include "Seed.h"
#include "Statements.h"

namespace bench {

void reports(Bench &b)
{
    struct Range
    {
        const char *name;
        QDate from, to;
    };
    const Range ranges[] = {{"month", QDate(2026, 6, 1), QDate(2026, 6, 30)},
                            {"year", QDate(2026, 1, 1), QDate(2026, 12, 31)}};
    for (const Range &r : ranges) {
        const QString from = r.from.toString(Qt::ISODate), to = r.to.toString(Qt::ISODate);
        // 103: the recharge lines and their total.
        StoredValueReport::Result ours;
        Table raw;
        std::vector<double> to1, tr1;
        rounds(
            b.z.reportRounds,
            [&](int) {
                ours = StoredValueReport::run(b.cnstr, 103, {r.from, r.to, QString()});
            },
            [&](int) {
                raw = b.raw->run(S103, {from, to});
            },
            to1, tr1);
        double k = 0;
        for (const Texts &t : raw)
            k += t[5].toDouble();
        if (ours.lines.size() != qsizetype(raw.size()) ||
            ours.total.value(7) != NumberText::money(k))
            fail(QStringLiteral("report 103: %1 lines %2, raw %3 lines %4")
                     .arg(ours.lines.size())
                     .arg(ours.total.value(7))
                     .arg(raw.size())
                     .arg(NumberText::money(k)));
        line(QStringLiteral("report 103, a %1 (%2 lines)")
                 .arg(QString::fromLatin1(r.name))
                 .arg(raw.size()),
             b.engineName(), to1, tr1);
        // 104: one line per member, and the closing total.
        std::vector<double> to2, tr2;
        rounds(
            b.z.reportRounds,
            [&](int) {
                ours = StoredValueReport::run(b.cnstr, 104, {r.from, r.to, QString()});
            },
            [&](int) {
                raw = b.raw->run(S104, {from, from, from, from, from, from, to});
            },
            to2, tr2);
        double end = 0;
        qsizetype members = 0;
        for (const Texts &t : raw) {
            const double beg = t[1].toDouble();
            if (t[2].toInt() == 0 && std::abs(beg) < 0.005)
                continue;
            ++members;
            end += beg + t[3].toDouble() + t[4].toDouble() - t[5].toDouble() - t[6].toDouble();
        }
        if (ours.lines.size() != members || ours.total.value(7) != NumberText::money(end))
            fail(QStringLiteral("report 104: %1 members %2, raw %3 members %4")
                     .arg(ours.lines.size())
                     .arg(ours.total.value(7))
                     .arg(members)
                     .arg(NumberText::money(end)));
        line(QStringLiteral("report 104, a %1 (%2 members)")
                 .arg(QString::fromLatin1(r.name))
                 .arg(members),
             b.engineName(), to2, tr2);
    }
}

} // namespace bench
