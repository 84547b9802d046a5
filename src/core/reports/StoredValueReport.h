#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include "core/print/GridSnapshot.h"

// The stored-value reports: 103 recharge and refund bills, 104 per-member summary,
// 106 every movement with the member's running balance, 109 one member's statement.
// A movement is a VipCzBill row: type 1 adds FKAmount (a refund has it negative),
// type 2 (a payment) takes it off.
class StoredValueReport
{
public:
    struct Filter
    {
        QDate from;
        QDate to;
        QString vipNo; // empty: every member (109 needs one)
    };
    struct Result
    {
        QList<GridSnapshot::Column> columns;
        QList<QStringList> lines;
        QStringList total;
        QString owner; // 109: the member's name
    };

    static bool known(int number);
    static QString title(int number);
    static QList<GridSnapshot::Column> columns(int number);
    // Throws CoreError for an unknown number, a missing card on 109, or a database error.
    static Result run(const QString &cnstr, int number, const Filter &filter);
};
