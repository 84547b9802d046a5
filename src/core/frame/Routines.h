#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

#include "core/base/Money.h"

class Prompts;

// The shared routines every screen calls. They read the session and hold no state;
// database failures reach the caller as CoreError.

QDateTime GetServerDate();
bool IsManager();
bool HasGrant(const QString &key); // a manager holds every right; keys match in any case
int GetUserID();
QString GetUserName();
QString GetCnstr();
int GetAllowQueryDays(); // 0: no limit

// The query-day limit every list applies before it queries: with N allowed days, a from-date
// N days or more before the server's date and time is refused with a message, and both
// dates are set to the server's date. Returns true when the dates were reset.
bool ApplyQueryDayLimit(QDateTime &from, QDateTime &to, Prompts &prompts);
bool ApplyQueryDayLimit(QDate &from, QDate &to, Prompts &prompts);

// The recharge bill to show next when stepping from `current` (0 for an unsaved bill);
// throws CoreError 1001 "无记录！" when there is none in that direction.
int GetNavBillID(int tranType, int current, bool forward);

QString GetSeasonName(const QDate &date); // 2012年3季度
QString GetMonthName(const QDate &date);  // 2012年09月

// The month label written into bill headers: no leading zero (2012年9月).
QString GetBillMonthLabel(const QDate &date);
