#pragma once

// The statements of the raw side, as our core runs them, and their numbers.
#include <QString>

#include "RawEngines.h"
#include "core/db/ConnectionString.h"

namespace bench {

inline const QString kLookup =
    QStringLiteral("select t1.*, p.FPack, p.FExchange, p.FPrice from ("
                   "select 0 as FPack, FItemID, 1 as FExchange, 0 as FPrice from t_icitem "
                   "where FShopNumber=? or FBar_Code=? "
                   "union all select 1, FItemID, FExchange, coalesce(FPrice,0) "
                   "from t_icitem_barcode where FBarCode=?"
                   ") p join t_icitem t1 on t1.FItemID=p.FItemID "
                   "order by p.FPack, t1.FItemID limit 1");
inline const QString kDraw =
    QStringLiteral("update ICMaxNum set FMaxNum=FMaxNum+1 where FTranType=? returning FMaxNum");
inline const QString kHeader = QStringLiteral(
    "insert into ICStockBill (FInterID, FTrantype, Fyear, FPeriod, Fdate, FVipNo, FSumQty,"
    " FSumAmount, FSysTime, FMonth, FBillerID) values (?,?,?,?,?,?,?,?,?,?,?)");
inline const QString kLine = QStringLiteral(
    "insert into ICStockBillEntry (FInterID, FEntryID, FItemID, FMainQty, FQty, FPrice, FAmount)"
    " values (?,?,?,?,?,?,?)");
inline const QString kBalance = QStringLiteral(
    "select coalesce(sum(case when FTranType=1 then FKAmount when FTranType=2 then -FKAmount else 0"
    " end),0) from VipCzBill where FVipNo=?");
// The member lookups of the recharge screen (by card) and the card dialog (by phone).
// The holder is the card's first order, else its first stored-value bill: the orders are
// asked first, the bills only when they hold nothing. The phone names the same text twice.
inline const QString kRawMemberByCard = QStringLiteral(
    "select FVipNo, FOwner, FPhone, FVipID from VipOrder where FVipNo=? order by FInterID limit 1");
inline const QString kRawMemberByPhone = QStringLiteral(
    "select FVipNo, FOwner, FPhone, FVipID from VipOrder where FVipNo=?1 or FPhone=?1"
    " order by FInterID limit 1");
inline const QString kRawHolderByCard = QStringLiteral(
    "select FVipNo, FOwner, FPhone, FVipID from VipCzBill where FVipNo=? order by FInterID limit 1");
inline const QString kRawHolderByPhone = QStringLiteral(
    "select FVipNo, FOwner, FPhone, FVipID from VipCzBill where FVipNo=?1 or FPhone=?1"
    " order by FInterID limit 1");
enum Stmt {
    SLookup, SDraw, SHeader, SLine, SBalance, SBegin, SCommit,
    SByCard, SByPhone, SExplainCard, SExplainPhone,
    SItemSearch, SItemSearchAll, SMemberSearch, SByCardBill, SByPhoneBill
};

void prepareAll(Raw &raw, db::Engine engine);

} // namespace bench
