#pragma once

// The document types a print template belongs to (TDBill.FTranType), numbered as every
// account set stores them.
namespace PrintTypes {
constexpr int Recharge = 250; // the recharge bill and the recharge slip
constexpr int Order = 1001;   // the member order
constexpr int Sale = 1002;    // the sale receipt
} // namespace PrintTypes
