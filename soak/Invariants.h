#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "Journal.h"

// What must hold in the shop database after a soak, checked by SQL of its own (none of the
// program's routines), and what the stations' journals say against it.
class Invariants
{
public:
    struct Check
    {
        QString name;
        qint64 rows = 0; // rows (or operations) looked at
        qint64 violations = 0;
        QStringList samples; // a few of the offending rows, for the log
        bool passed() const { return violations == 0; }
    };

    Invariants(const QString &cnstr, const QList<Journal::Entry> &journal);

    QList<Check> run();

    // The printed table: name, rows checked, violations, PASS/FAIL.
    static QString table(const QList<Check> &checks);

private:
    Check count(const QString &name, const QString &rowsSql, const QString &violationsSql);
    Check billNumbers();
    Check orderNumbers();
    Check dailyReport();
    Check doneInDatabase();
    Check notDoneNotInDatabase();
    Check liveCards();
    Check pickupsHaveTheirLine();

    QString m_cnstr;
    QList<Journal::Entry> m_journal;
};
