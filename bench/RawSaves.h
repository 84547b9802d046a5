#pragma once

// The counter save and the order save as a skilled developer writes them by hand on the
// engine's C interface: the same rows and the same locks between stations as our core's
// saves, in as few statements as each engine allows.
#include "RawEngines.h"
#include "core/db/ConnectionString.h"
#include "core/pos/SaleBillStore.h"

class SaleBill;
class OrderDraft;
struct RechargeInput;

namespace bench {

void prepareRawSaves(Raw &raw, db::Engine engine);
// Returns the bill's number; throws when a refusal of the core's save would apply.
int rawSaleSave(Raw &raw, db::Engine engine, const SaleBill &bill, const SalePayment &payment,
                int billerId);
int rawOrderSave(Raw &raw, db::Engine engine, const OrderDraft &order, const SalePayment &payment,
                 int billerId);
int rawRecharge(Raw &raw, db::Engine engine, const RechargeInput &in);

// A money value as exact text (four decimals).
QString exact(Money m);

} // namespace bench
