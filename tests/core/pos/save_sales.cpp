// One counter station saving sales, one line of output per attempt ("ok" or the refusal);
// the sale-save test runs two of these at once against one account set.
//   kwpos_save_sales CNSTR pick COUNT: bill i hands out 1 unit of order line (1, i) of card V1
//   kwpos_save_sales CNSTR pay COUNT:  bill i sells 3.00 of item 1 to V1, paid from stored value
#include <cstdio>

#include <QCoreApplication>

#include "core/base/CoreError.h"
#include "core/pos/SaleBill.h"
#include "core/pos/SaleBillStore.h"

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    for (int i = 1; i <= args[3].toInt(); ++i) {
        SaleBill bill;
        bill.date = QDate(2026, 3, 10);
        bill.vipNo = QStringLiteral("V1");
        bill.stockId = 1;
        SalePayment pay;
        if (args[2] == QLatin1String("pick")) {
            SaleLine l;
            l.itemId = 1;
            l.qty = 1;
            l.orderId = 1;
            l.orderEntryId = i;
            bill.addLine(l);
        } else {
            bill.add(1, QStringLiteral("鲜奶"), 1, Money::fromInt(3));
            pay.reserve = Money::fromInt(3);
        }
        try {
            SaleBillStore::save(args[1], bill, pay, 1);
            std::puts("ok");
        } catch (const CoreError &e) {
            if (!e.isRefusal()) {
                std::fprintf(stderr, "%s\n", e.what());
                return 1;
            }
            std::puts(e.message().toUtf8().constData());
        }
    }
    return 0;
}
