#pragma once

#include <QStringList>

// The grouped reports over a year of a busy shop: seeds its own account sets and prints one
// line per report and engine. Returns the process exit code.
int runYearReports(const QStringList &args);
