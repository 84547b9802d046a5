#pragma once

// The parts of the benchmark, each one or more operations through our core and raw,
// checked against each other and printed.
#include <QString>

#include "Bench.h"

namespace bench {

// The counter: item lookups, the plain sale save and the save over a sale history.
void lookups(Bench &b);
void saves(Bench &b);
void sale(Bench &b);
// One sale of five lines as the counter saves it, through our core.
void saveOurs(const QString &cnstr, int seq);

// Members: balance, lookups and the recharge save.
void balance(Bench &b);
void recharge(Bench &b);

// The stored-value reports 103 and 104.
void reports(Bench &b);

// Member orders: the save and the uncompleted orders.
void orders(Bench &b);

// The back office's item search and member register as typed.
void backoffice(Bench &b);

// The import of items, members and open orders from XLSX, against the same rows loaded raw;
// the peak memory of an import run by this program with --import-worker FILE.
void imports(Bench &b);
int importWorker(const QString &path);

// Four stations at once (PostgreSQL), each this program run with --station ours|raw: the
// counter's own save against the same save written raw, and pgbench's TPC-B beside them.
int stationWorker(const QString &side, const QString &cnstr, int seconds, int station);
void stations(const db::ConnectionString &admin, const QString &pgbin, int seconds);
// The counter save through a relay that delays each way by 10 ms: time and round trips a save.
void latency(const db::ConnectionString &admin, int saves);
// Start-up to the main window.
void startup(const QString &mainExe, int runs);

} // namespace bench
