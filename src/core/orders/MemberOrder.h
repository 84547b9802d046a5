#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

#include "core/base/Money.h"

// One line of a member order: a paid quantity plus a gift quantity of one item, collected
// over many visits until used up or past its validity.
struct MemberOrderLine
{
    int itemId = 0;
    qint64 qty = 0;  // paid for
    qint64 gift = 0; // FPreQty
    qint64 done = 0; // FCplQty: handed out so far
    Money price;
    QDate validTo; // FYxq; invalid: no validity date

    Money amount() const { return price * qty; }
    qint64 total() const { return qty + gift; }
};

// A member's prepaid order ("订单") as a document: header values and lines with totals.
struct MemberOrder
{
    int id = 0;
    QDate date;
    QString vipNo;
    QString owner;
    QString phone;
    QString vipId;
    QString remark;
    QList<MemberOrderLine> lines;

    qint64 sumQty() const;    // ordered + gift over all lines
    Money sumAmount() const;  // what the order costs
    qint64 doneQty() const;
    bool isClosed() const { return doneQty() >= sumQty(); }
};
