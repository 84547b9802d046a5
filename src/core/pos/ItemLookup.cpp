#include "core/pos/ItemLookup.h"

#include "core/db/Database.h"
#include "core/db/DbError.h"

ItemMatch ItemLookup::find(const QString &cnstr, const QString &code, int retailStyleId,
                           Codes codes)
{
    ItemMatch m;
    if (code.isEmpty())
        return m; // an empty box would match every item without a code

    // The item's own codes and the pack bar codes in one statement; an own code sorts first.
    const QString ownCodes = codes == Codes::ShopNumberOrBarCode
                                 ? QStringLiteral("FShopNumber=? or FBar_Code=?")
                                 : QStringLiteral("FShopNumber=? or FNumber=? or FBar_Code=?");
    db::Params params{code, code};
    if (codes != Codes::ShopNumberOrBarCode)
        params << code;
    params << code;
    db::Rows rows;
    try {
        rows = db::query(
            cnstr,
            QStringLiteral("select t1.*, p.FPack, p.FExchange, p.FPrice from ("
                           "select 0 as FPack, FItemID, 1 as FExchange, 0 as FPrice from t_icitem "
                           "where %1 "
                           "union all select 1, FItemID, FExchange, coalesce(FPrice,0) "
                           "from t_icitem_barcode where FBarCode=?"
                           ") p join t_icitem t1 on t1.FItemID=p.FItemID "
                           "where coalesce(t1.FDisabled,0)=0 "
                           "order by p.FPack, t1.FItemID limit 1")
                .arg(ownCodes),
            params);
    } catch (const db::DbError &) {
        // A broken pack table must not stop the items' own codes: try those alone, and report
        // the failure only when they find nothing either.
        params.removeLast();
        rows = db::query(cnstr,
                         QStringLiteral("select t1.*, 0 as FPrice from t_icitem t1 where (%1) "
                                        "and coalesce(t1.FDisabled,0)=0 "
                                        "order by t1.FItemID limit 1")
                             .arg(ownCodes),
                         params);
        if (rows.isEmpty())
            throw;
    }
    if (rows.isEmpty())
        return m;

    const db::Row &r = rows.first();
    m.found = true;
    m.itemId = r.integer(QStringLiteral("FItemID"));
    m.name = r.text(QStringLiteral("FName"));
    const Money packPrice = r.money(QStringLiteral("FPrice"));
    if (!packPrice.isZero()) {
        m.hasPrice = true;
        m.price = packPrice;
        // A pack of "0" pieces would ring up nothing; such a row counts as single pieces.
        m.exchange = qMax(1, r.integer(QStringLiteral("FExchange")));
    } else if (retailStyleId != 0) {
        m.hasPrice = true;
        m.price = r.money(QStringLiteral("FPrice_%1").arg(retailStyleId));
    }
    return m;
}
