#include "core/print/ReceiptFields.h"

#include <initializer_list>

namespace {

using T = RecordSet::Type;

struct Field
{
    const char *name;
    T type;
    int size = 0;
};

// The sale and order receipts' fields; where both print a field, it is the same.
const Field kLineFields[] = {
    {"FDate", T::Date},           {"FVipNo", T::Text, 255},    {"FOwner", T::Text, 255},
    {"FPhone", T::Text, 255},     {"FName", T::Text, 255},     {"FQty", T::Text, 40},
    {"FPreQty", T::Text, 40},     {"FPrice", T::Text, 40},     {"FAmount", T::Text, 40},
    {"FSumQty", T::Text, 40},     {"FSumAmount", T::Text, 40}, {"Fyxq", T::Text, 255},
    {"FInterID", T::Integer},     {"FBiller", T::Text, 40},    {"FPrintTime", T::Date},
    {"FBegBal", T::Text, 255},    {"FEndBal", T::Text, 255},   {"FSumBegBal", T::Text, 255},
    {"FSumEndBal", T::Text, 255}, {"FGetCash", T::Double},     {"FGetReserve", T::Double},
    {"FReserveBal", T::Double},   {"FCashBack", T::Double},
};

// The recharge slip prints its balances as amounts, and a longer operator name.
const Field kRechargeFields[] = {
    {"FBegBal", T::Double},   {"FEndBal", T::Double},   {"FCzAmount", T::Double},
    {"FZsAmount", T::Double}, {"FBiller", T::Text, 50},
};

template <class List> const Field *find(const List &fields, const char *name)
{
    for (const Field &f : fields)
        if (qstrcmp(f.name, name) == 0)
            return &f;
    return nullptr;
}

RecordSet make(std::initializer_list<const char *> names, bool recharge = false)
{
    RecordSet rs;
    for (const char *name : names) {
        const Field *f = recharge ? find(kRechargeFields, name) : nullptr;
        if (!f)
            f = find(kLineFields, name);
        Q_ASSERT_X(f, "ReceiptFields", name);
        rs.appendField(QString::fromLatin1(name), f->type, f->size);
    }
    return rs;
}

} // namespace

namespace ReceiptFields {

RecordSet sale()
{
    return make({"FDate",   "FVipNo",      "FOwner",   "FPhone",     "FName",      "FQty",
                 "FPreQty", "FPrice",      "FAmount",  "FSumQty",    "FSumAmount", "FInterID",
                 "FBiller", "FPrintTime",  "FBegBal",  "FEndBal",    "FSumBegBal", "FSumEndBal",
                 "Fyxq",    "FGetReserve", "FGetCash", "FReserveBal"});
}

RecordSet order()
{
    return make({"FDate", "FVipNo", "FOwner", "FPhone", "FName", "FQty", "FPreQty", "FPrice",
                 "FAmount", "FSumQty", "FSumAmount", "Fyxq", "FInterID", "FBiller", "FPrintTime",
                 "FGetCash", "FGetReserve", "FReserveBal", "FCashBack"});
}

RecordSet recharge()
{
    return make({"FVipNo", "FDate", "FInterID", "FOwner", "FBegBal", "FCzAmount", "FZsAmount",
                 "FEndBal", "FBiller", "FPrintTime"},
                true);
}

void setHeader(RecordSet &rs, const Header &h)
{
    rs.setValue(QStringLiteral("FDate"), h.date);
    rs.setValue(QStringLiteral("FVipNo"), h.vipNo + QLatin1Char(' ') + h.owner);
    rs.setValue(QStringLiteral("FOwner"), h.owner);
    rs.setValue(QStringLiteral("FSumQty"), h.sumQty);
    rs.setValue(QStringLiteral("FSumAmount"), h.sumAmount);
    rs.setValue(QStringLiteral("FInterID"), 0);
    rs.setValue(QStringLiteral("FBiller"), h.biller);
    rs.setValue(QStringLiteral("FPrintTime"), h.printTime);
    rs.setValue(QStringLiteral("FGetCash"), h.cash.toDouble());
    rs.setValue(QStringLiteral("FGetReserve"), h.reserve.toDouble());
    rs.setValue(QStringLiteral("FReserveBal"), h.reserveBalance.toDouble());
}

} // namespace ReceiptFields
