#include "Statements.h"

#include "core/backoffice/ItemStore.h"
#include "core/backoffice/MemberRegister.h"

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
    raw.prepare(SByCard, kRawMemberByCard);
    // PostgreSQL numbers its parameters with $.
    auto numbered = [&](QString sql) {
        return engine == db::Engine::SQLite ? sql : sql.replace(u"?1"_qs, u"$1"_qs);
    };
    raw.prepare(SByPhone, numbered(kRawMemberByPhone));
    raw.prepare(SByCardBill, kRawHolderByCard);
    raw.prepare(SByPhoneBill, numbered(kRawHolderByPhone));
    raw.prepare(SItemSearch, ItemStore::searchSql(true));
    raw.prepare(SItemSearchAll, ItemStore::searchSql(false));
    raw.prepare(SMemberSearch, MemberRegister::searchSql(true));
    prepareRawSaves(raw, engine);
}

} // namespace bench
