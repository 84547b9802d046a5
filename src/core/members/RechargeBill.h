#pragma once

#include <optional>

#include <QDate>
#include <QDateTime>
#include <QString>

#include "core/base/Money.h"
#include "core/members/StoredValueLedger.h"
#include "core/print/RecordSet.h"

// A recharge or refund bill as the recharge screen holds it.
struct RechargeInput
{
    QString vipNo;
    QString owner;
    QString phone;
    QString vipId;
    QDate date;
    bool refund = false;
    Money amount; // paid in, or paid back: above 0 either way
    Money gift;   // recharge only; a refund never carries one
    QString remark;
    int billerId = 0;
};

// A saved bill (VipCzBill type 1) as the screen shows it again.
struct RechargeRecord
{
    int id = 0;
    QDate date;
    QString vipNo;
    QString owner;
    QString phone;
    QString vipId;
    Money begAmount;
    Money czAmount; // negative for a refund
    Money zsAmount;
    Money endAmount;
    QString remark;
    bool isRefund() const { return czAmount.isNegative(); }
};

// The rules of the stored-value recharge and refund bill: the balance after, the checks and questions, the save through the ledger, the print data.
class RechargeBill
{
public:
    // Recharge: before + amount + gift; refund: before − amount.
    static Money balanceAfter(Money before, Money amount, Money gift, bool refund);

    // The checks that need no database, in the order the screen asks them: card, identity
    // number, an amount above 0 and a gift not below 0, both in whole cents (the screen reads
    // them with Money::parseTyped), then no text longer than its column (TextLimits). Throws a
    // CoreError refusal naming
    // the field to correct.
    static void check(const RechargeInput &bill);
    // A refund larger than the balance; the save checks again under the card's lock.
    static void checkRefund(const RechargeInput &bill, Money balance);
    static CoreError refundRefusal();

    static QString confirmQuestion(const RechargeInput &bill);
    static QString printQuestion(bool refund);

    // Trims the card number and checks again, then in one transaction locks the card,
    // refuses a replaced number, reads its balance, refuses a refund beyond it and writes the
    // bill (run once more after a conflict with another station). Returns its FInterID and balances.
    static PostedMovement save(const QString &cnstr, const RechargeInput &bill);

    // The saved bill of an FInterID, or nothing.
    static std::optional<RechargeRecord> load(const QString &cnstr, int id);

    // The template printer's data: one row with the card, date, holder, balances, amount,
    // gift, the operator and the print time (FInterID left empty).
    static RecordSet printData(const QString &vipNo, const QDate &date, const QString &owner,
                               Money begBal, Money amount, Money gift, Money endBal,
                               const QString &biller, const QDateTime &printTime);

    // The settings key of the print format chosen for a mode: "frmVipCz.printfmt.0" or ".1".
    static QString printFormatKey(bool refund);
    // What a number looks like in the questions and the balance field: 120.5, 100, -50.
    static QString plain(Money m);

private:
    static PostedMovement write(const QString &cnstr, const RechargeInput &bill);
};
