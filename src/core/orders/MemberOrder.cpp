#include "core/orders/MemberOrder.h"

qint64 MemberOrder::sumQty() const
{
    qint64 q = 0;
    for (const MemberOrderLine &l : lines)
        q += l.total();
    return q;
}

Money MemberOrder::sumAmount() const
{
    Money m;
    for (const MemberOrderLine &l : lines)
        m += l.amount();
    return m;
}

qint64 MemberOrder::doneQty() const
{
    qint64 q = 0;
    for (const MemberOrderLine &l : lines)
        q += l.done;
    return q;
}
