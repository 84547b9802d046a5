// One station working on order 1 of card V1, one line of output per attempt, the action and
// "ok" or the refusal; the member order test runs two of these at once against one account set.
//   resave:  saves order 1 again, unchanged, as loaded once at the start
//   handout: sale bill i hands out 1 unit of order line (1, 1)
//   remove:  deletes order 1 as the order list does, until it is gone
//   edit:    saves order 1 again once, as loaded at the start, with the phone "P" + COUNT
#include <QCoreApplication>
#include <QDateTime>
#include <QTextStream>
#include <QThread>

#include "core/db/Database.h"
#include "core/base/CoreError.h"
#include "core/orders/MemberOrderStore.h"
#include "core/orders/OrderDraft.h"
#include "core/pos/SaleBill.h"
#include "core/pos/SaleBillStore.h"

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments(); // CNSTR ACTION COUNT
    QTextStream out(stdout);
    const QString cnstr = args.value(1), action = args.value(2);
    OrderDraft order;
    if (action == QLatin1String("resave") || action == QLatin1String("edit")) {
        order = OrderDraft::load(cnstr, 1);
        order.vipId = QStringLiteral("ID1"); // the screen fills it from the card
        if (action == QLatin1String("edit"))
            order.phone = QStringLiteral("P") + args.value(3);
    }
    SaleBill bill; // a pick-up of 1 unit of order line (1, 1)
    bill.date = QDate(2026, 3, 10);
    bill.vipNo = QStringLiteral("V1");
    bill.stockId = 1;
    SaleLine line;
    line.itemId = line.orderId = line.orderEntryId = 1;
    line.qty = 1;
    bill.addLine(line);
    // Two stations meant to meet begin at one agreed moment, their connections open.
    const qint64 startAt = qgetenv("KWPOS_START_AT_MS").toLongLong();
    db::scalar(cnstr, QStringLiteral("select 1"));
    while (QDateTime::currentMSecsSinceEpoch() < startAt)
        QThread::usleep(200);
    const int count = action == QLatin1String("edit") ? 1 : args.value(3).toInt();
    for (int i = 1; i <= count; ++i) {
        try {
            if (action == QLatin1String("resave") || action == QLatin1String("edit")) {
                MemberOrderStore::save(cnstr, order, {}, 1);
            } else if (action == QLatin1String("remove")) {
                MemberOrderStore::remove(cnstr, 1, 1);
                i = count; // gone: nothing left to delete
            } else {
                SaleBillStore::save(cnstr, bill, {}, 1);
            }
            out << action << " ok" << Qt::endl;
        } catch (const CoreError &e) {
            if (!e.isRefusal())
                throw; // ends the station; the test reports it with the message
            out << action << ' ' << e.message() << Qt::endl;
        }
    }
    return 0;
}
