#include "core/pos/ItemLookup.h"

#include "core/db/Database.h"

ItemMatch ItemLookup::find(const QString &cnstr, const QString &code, int retailStyleId,
                           Codes codes)
{
    ItemMatch m;
    if (code.isEmpty())
        return m; // an empty box would match every item without a code

    db::Rows rows;
    if (codes == Codes::ShopNumberOrBarCode)
        rows = db::query(cnstr,
                         QStringLiteral("select t1.*,0 as FPrice from t_icitem t1 "
                                        "where FShopNumber=? or FBar_Code=? order by t1.FItemID"),
                         {code, code});
    else
        rows = db::query(cnstr,
                         QStringLiteral("select t1.*,0 as FPrice from t_icitem t1 "
                                        "where FShopNumber=? or FNumber=? or FBar_Code=? "
                                        "order by t1.FItemID"),
                         {code, code, code});
    if (rows.isEmpty())
        rows = db::query(cnstr,
                         QStringLiteral("select t1.*,t2.FBarCode,t2.FPriceStyleID,t2.FExchange,"
                                        "coalesce(t2.FPrice,0) as FPrice "
                                        "from t_icitem t1 left join t_icitem_barcode t2 "
                                        "on t1.FItemID=t2.FItemID where t2.FBarCode=? "
                                        "order by t1.FItemID"),
                         {code});
    if (rows.isEmpty())
        return m;

    const db::Row &r = rows.first();
    m.found = true;
    m.itemId = r.integer(QStringLiteral("FItemID"));
    m.name = r.text(QStringLiteral("FName"));
    const double packPrice = r.number(QStringLiteral("FPrice"));
    if (packPrice != 0.0) {
        m.hasPrice = true;
        m.price = packPrice;
        // A pack of "0" pieces would ring up nothing; such a row counts as single pieces.
        m.exchange = qMax(1, r.integer(QStringLiteral("FExchange")));
    } else if (retailStyleId != 0) {
        m.hasPrice = true;
        m.price = r.number(QStringLiteral("FPrice_%1").arg(retailStyleId));
    }
    return m;
}
