#pragma once

#include <QDate>
#include <QList>
#include <QString>

#include "core/base/Money.h"
#include "core/reports/ReportTable.h"

// The cards found in the documents (there is no member table): orders, stored-value
// movements and sale bills. The holder, identity number and phone come from the card's orders,
// else from its movements; the balance is the ledger's sum; open units are what the card's
// open, unexpired order lines still hold.
class MemberRegister
{
public:
    struct Member
    {
        QString vipNo, owner, vipId, phone;
        Money balance;
        qint64 openQty = 0;
        QDate lastVisit;
    };

    // Cards whose number, holder, identity number or phone begins with `text` (every card for
    // an empty text), in card-number order, at most `limit`. `today` decides which order lines
    // have expired.
    static QList<Member> search(const QString &cnstr, const QString &text, const QDate &today,
                                int limit = 1000);

    // The statement and values of search(), for timing it raw.
    static QString searchSql(bool withText);
    static QVariantList searchParams(const QString &text, const QDate &today, int limit);

    // The register as the list window shows and exports it.
    static ReportTable table(const QList<Member> &members);
};
