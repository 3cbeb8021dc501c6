#pragma once

#include <string>

namespace qev::effects {

// Repairs of the APO's settings in an endpoint's store of its direction's generation (the FX store
// for "v2", the per-APO Default store for "v3").

// Writes the product's backup of the direction's default settings where the store lacks a value or
// holds another one.
void SyncPerApoStores(const std::wstring& endpointId);
// Puts back the driver's values of ",9980" to ",9987" where the store holds other numbers, logging
// each value it recovers.
void RecoverDriverDefaults(const std::wstring& endpointId);

}  // namespace qev::effects
