// One station working on order 1 of card V1, one line of output per attempt ("ok" or the
// refusal); the order-save test runs two of these at once against one account set.
//   resave:  saves order 1 again, unchanged, as loaded once at the start
//   handout: sale bill i hands out 1 unit of order line (1, 1)
//   remove:  deletes order 1 as the order list does, until it is gone
#include <cstdio>

#include <QCoreApplication>
#include <QDateTime>
#include <QThread>
#include <QTextStream>

#include "core/db/Database.h"
#include "core/frame/CoreError.h"
#include "core/orders/MemberOrderStore.h"
#include "core/orders/OrderDraft.h"
#include "core/pos/SaleBill.h"
#include "core/pos/SaleBillStore.h"

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: kwpos_save_orders CNSTR resave|handout|remove COUNT\n");
        return 2;
    }
    QTextStream out(stdout);
    const bool resave = args[2] == QLatin1String("resave");
    const bool remove = args[2] == QLatin1String("remove");
    OrderDraft order;
    try {
        if (resave) {
            order = OrderDraft::load(args[1], 1);
            order.vipId = QStringLiteral("ID1"); // the screen fills it from the card
        }
    } catch (const CoreError &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    // Two stations meant to meet begin at one agreed moment, their connections already open.
    const qint64 startAt = qgetenv("KWPOS_START_AT_MS").toLongLong();
    if (startAt > 0) {
        db::scalar(args[1], QStringLiteral("select 1"));
        while (QDateTime::currentMSecsSinceEpoch() < startAt)
            QThread::usleep(200);
    }
    for (int i = 1; i <= args[3].toInt(); ++i) {
        try {
            if (resave) {
                MemberOrderStore::save(args[1], order, {}, 1);
            } else if (remove) {
                MemberOrderStore::remove(args[1], 1, 1);
                out << "ok" << Qt::endl;
                break;
            } else {
                SaleBill bill;
                bill.date = QDate(2026, 3, 10);
                bill.vipNo = QStringLiteral("V1");
                bill.stockId = 1;
                SaleLine l;
                l.itemId = 1;
                l.qty = 1;
                l.orderId = 1;
                l.orderEntryId = 1;
                bill.addLine(l);
                SaleBillStore::save(args[1], bill, {}, 1);
            }
            out << "ok" << Qt::endl;
        } catch (const CoreError &e) {
            if (!e.isRefusal()) {
                std::fprintf(stderr, "%s\n", e.what());
                return 1;
            }
            out << e.message() << Qt::endl;
        }
    }
    return 0;
}
