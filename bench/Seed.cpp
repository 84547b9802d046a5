#include "Seed.h"

#include <cstdio>

#include "core/db/Database.h"
#include "core/db/Schema.h"

namespace bench {

void progress(const char *engine, const char *what)
{
    std::printf("\rseeding %-10s %-40s", engine, what);
    std::fflush(stdout);
}

void seed(const QString &cnstr, Raw &raw, db::Engine engine, const Size &z)
{
    const char *name = engine == db::Engine::SQLite ? "SQLite" : "PostgreSQL";
    progress(name, "schema");
    db::Schema::ensure(cnstr);
    const int retail = db::Schema::addPriceStyle(cnstr, QStringLiteral("零售价"));
    if (retail != 1)
        fail(QStringLiteral("a fresh account set was expected"));
    db::execute(
        cnstr, QStringLiteral("insert into t_user (FUserID, FUserName, FManager) values (1, ?, 1)"),
        {QStringLiteral("店长")});
    const bool lite = engine == db::Engine::SQLite;
    // One statement per table: a series of numbers from the engine, in one transaction.
    auto series = [&](const QString &n) {
        return lite ? QStringLiteral("with recursive s(i) as (select 1 union all select i+1 from s"
                                     " where i<%1) ")
                          .arg(n)
                    : QString();
    };
    auto from = [&](const QString &n) {
        return lite ? QStringLiteral(" from s")
                    : QStringLiteral(" from generate_series(1,%1) s(i)").arg(n);
    };
    auto pad = [&](const QString &expr, int w) {
        const QString width = QString::number(w);
        return lite ? QStringLiteral("printf('%0") + width + QStringLiteral("d', ") + expr + u')'
                    : QStringLiteral("lpad((") + expr + QStringLiteral(")::text, ") + width +
                          QStringLiteral(", '0')");
    };
    const QString items = QString::number(z.items), moves = QString::number(z.movements);
    // "%%" stands for SQL's modulo in the templates below, which QString::arg leaves alone.
    auto statement = [](QString text) {
        return text.replace(QStringLiteral("%%"), QStringLiteral("%")).toUtf8();
    };
    raw.exec("BEGIN");
    progress(name, "items");
    raw.exec(
        statement(series(items) +
                  QStringLiteral(
                      "insert into t_icitem (FItemID, FName, FNumber, FShopNumber, FBar_Code,"
                      " FUnit, FPrice_1) select i, '鲜奶' || i, 'N' || %1, 'S' || %1, '69' || %2,"
                      " '瓶', (i %% 50) + 1.5")
                      .arg(pad(QStringLiteral("i"), 6), pad(QStringLiteral("i"), 11)) +
                  from(items))
            .constData());
    progress(name, "pack bar codes");
    raw.exec(statement(series(items) +
                       QStringLiteral(
                           "insert into t_icitem_barcode (FItemID, FBarCode, FPriceStyleID,"
                           " FExchange, FPrice) select i, '79' || %1, 1, 6, ((i %% 50) + 1.5) * 6")
                           .arg(pad(QStringLiteral("i"), 11)) +
                       from(items) + QStringLiteral(" where i %% 10 = 0"))
                 .constData());
    progress(name, "stored-value movements");
    // Three years from 2024-01-01; every third a payment, one in fifty a refund.
    const QString day = QStringLiteral("(i * 1095 / %1)").arg(moves);
    const QString date = lite ? QStringLiteral("date('2024-01-01', '+' || %1 || ' days')").arg(day)
                              : QStringLiteral("date '2024-01-01' + %1::int").arg(day);
    const QString time =
        lite ? QStringLiteral("datetime(%1, '+' || (i %% 36000 + 28800) || ' seconds')").arg(date)
             : QStringLiteral("(%1)::timestamp + make_interval(secs => i %% 36000 + 28800)")
                   .arg(date);
    const QString card = QStringLiteral("(i %% %1)").arg(z.members);
    const QString k =
        QStringLiteral("case when i %% 3 = 0 then (i %% 40) + 1.5 when i %% 50 = 1 then"
                       " -((i %% 30) + 1) else (i %% 200) + 10 + (i %% 7) end");
    const QString cz =
        QStringLiteral("case when i %% 3 = 0 then 0 when i %% 50 = 1 then -((i %% 30) + 1)"
                       " else (i %% 200) + 10 end");
    raw.exec(
        statement(
            series(moves) +
            QStringLiteral(
                "insert into VipCzBill (FVipNo, FVipID, FOwner, FPhone, FTranType, FDate,"
                " FCreateTime, FBillerID, FKAmount, FCzAmount, FZsAmount, FRemark)"
                " select 'V' || %1, 'ID' || %1, '会员' || %1, '138' || %2,"
                " case when i %% 3 = 0 then 2 else 1 end, %3, %4, 1, %5, %6, %5 - (%6), '充值'")
                .arg(pad(card, 5), pad(card, 8), date, time, k, cz) +
            from(moves))
            .constData());
    if (z.orderLines > 0) {
        // Five lines an order; a member's orders under their card, phone and identity number.
        // Numbered from kLookupOrders up, clear of the orders the sale part seeds from 1.
        const QString orders = QString::number(z.orderLines / 5);
        const QString holder = QStringLiteral("(i %% %1)").arg(z.members);
        progress(name, "member orders");
        raw.exec(statement(series(orders) +
                           QStringLiteral("insert into VipOrder (FInterID, Fdate, FVipNo, FOwner,"
                                          " FPhone, FVipID, FClosed) select i + %3, '2025-06-01',"
                                          " 'V' || %1, '会员' || %1, '138' || %2, 'ID' || %1, 0")
                               .arg(pad(holder, 5), pad(holder, 8))
                               .arg(kLookupOrders) +
                           from(orders))
                     .constData());
        progress(name, "order lines");
        const QString lines = QString::number(z.orderLines);
        raw.exec(statement(series(lines) +
                           QStringLiteral("insert into VipOrderEntry (FInterID, FEntryID, FItemID,"
                                          " FQty, FPreQty, FCplQty, FPrice, FAmount) select"
                                          " (i - 1) / 5 + 1 + %2, (i - 1) %% 5 + 1, i %% %1 + 1, 30, 3,"
                                          " 0, 3.5, 105")
                               .arg(z.items)
                               .arg(kLookupOrders) +
                           from(lines))
                     .constData());
    }
    progress(name, "indexes and statistics");
    raw.exec("COMMIT");
    raw.exec("ANALYZE");
    progress(name, "done");
    std::printf("\n");
}

} // namespace bench
