#pragma once

#include <QDate>
#include <QRandomGenerator64>
#include <QString>
#include <QStringList>

#include "Journal.h"
#include "SoakSeed.h"

// One counter station of the soak: a seeded random mix of what a cashier does, each
// operation through the core's own routines, as the windows call them, and journaled before
// it starts and after its outcome. A refusal is a normal outcome; so is a failure while the
// server is away.
class Station
{
public:
    Station(const QString &cnstr, int number, const QString &journalPath, quint64 seed);

    // Runs operations until the journal holds `total` of them (a restarted station carries on
    // where its journal ends).
    void run(int total);

private:
    // What an operation hands back for the journal: the number it saved, or "-".
    using Outcome = QString;

    void operate(int id);
    QString memberCard(const SoakSeed::Member &m);

    void sale(int id, bool pickup);
    void recharge(int id, bool refund);
    void newOrder(int id);
    void editOrder(int id, bool remove);
    void replaceCard(int id);
    void changeDetails(int id);
    void report(int id);

    // Runs the save between the begin and the outcome lines.
    template <typename Save>
    void journaled(int id, const QString &kind, const QStringList &key, Save save);

    int pick(int n) { return int(m_rng.bounded(quint64(n))); }
    bool chance(int percent) { return pick(100) < percent; }

    QString m_cnstr;
    int m_number;
    int m_biller;
    QString m_journalPath;
    Journal m_journal;
    QRandomGenerator64 m_rng;
    QList<SoakSeed::Member> m_members;
    QList<SoakSeed::Item> m_items;
    QStringList m_codes;
    QDate m_today;
    int m_retailStyle = 0;
    int m_stockId = 0;
};
