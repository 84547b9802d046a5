// A counter station in a process of its own: opens the database the way a station does at
// start-up (Schema::ensure) and then, if asked, draws bill numbers in separate transactions,
// one per line of output, the way it does when it saves. The tests run several at once.
#include <cstdio>

#include <QCoreApplication>
#include <QTextStream>

#include "core/db/BillNumbers.h"
#include "core/db/DbError.h"
#include "core/db/Schema.h"
#include "core/db/Transaction.h"

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2 && args.size() != 4) {
        std::fprintf(stderr, "usage: kwpos_draw_numbers CNSTR [COUNTER COUNT]\n");
        return 2;
    }
    QTextStream out(stdout);
    try {
        db::Schema::ensure(args[1]);
        for (int i = 0; args.size() == 4 && i < args[3].toInt(); ++i) {
            db::Transaction tx(args[1]);
            const int n = db::BillNumbers::draw(tx, args[2].toInt());
            tx.execute(QStringLiteral("insert into ICStockBill (FInterID, FTrantype) values (?, 99)"), {n});
            tx.commit();
            out << n << '\n';
        }
    } catch (const db::DbError &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
