#include "Statements.h"

#include "core/backoffice/ItemStore.h"
#include "core/backoffice/MemberRegister.h"
#include "core/db/Dialect.h"

#include "RawSaves.h"

namespace bench {

void prepareAll(Raw &raw, db::Engine engine)
{
    raw.prepare(SLookup, kLookup);
    raw.prepare(SDraw, kDraw);
    raw.prepare(SHeader, kHeader);
    raw.prepare(SLine, kLine);
    raw.prepare(SBalance, kBalance);
    raw.prepare(SBegin, engine == db::Engine::SQLite ? QStringLiteral("BEGIN IMMEDIATE")
                                                     : QStringLiteral("BEGIN"));
    raw.prepare(SCommit, QStringLiteral("COMMIT"));
    const QString now = db::Dialect::nowExpression(engine);
    raw.prepare(SSaleBook, kSaleBook);
    raw.prepare(SSaleLine, kSaleLines);
    raw.prepare(SSaleHeader, kSaleHeader.arg(now));
    raw.prepare(SSaleClose, kSaleClose);
    raw.prepare(SSaleMove, kSaleMove.arg(now));
    if (engine == db::Engine::PostgreSQL)
        raw.prepare(SLockCard, QStringLiteral("select pg_advisory_xact_lock(hashtext(?))"));
    raw.prepare(SByCard, kRawMemberByCard);
    // PostgreSQL numbers its parameters with $.
    auto numbered = [&](QString sql) {
        return engine == db::Engine::SQLite ? sql : sql.replace(u"?1"_qs, u"$1"_qs);
    };
    raw.prepare(SByPhone, numbered(kRawMemberByPhone));
    raw.prepare(SByCardBill, kRawHolderByCard);
    raw.prepare(SByPhoneBill, numbered(kRawHolderByPhone));
    raw.prepare(SRecharge, kRawRecharge);
    raw.prepare(SItemSearch, ItemStore::searchSql(true));
    raw.prepare(SItemSearchAll, ItemStore::searchSql(false));
    raw.prepare(SMemberSearch, MemberRegister::searchSql(true));
    prepareRawSaves(raw, engine);
    raw.prepare(SLock, engine == db::Engine::SQLite
                           ? QStringLiteral("select ?")
                           : QStringLiteral("select pg_advisory_xact_lock(hashtext(?))"));
}

} // namespace bench
