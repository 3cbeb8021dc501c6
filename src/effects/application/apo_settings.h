#pragma once

#include <string>

namespace qev::effects {

// The APO's HKR references in an endpoint's FX store: the values "<owned CLSID>,100" naming the APO
// software device whose registry holds the APO's settings. Each returns false when the endpoint
// can't be found.

// all-present: every owned CLSID of the endpoint's composite lists has a non-empty reference.
bool CheckApoSettings(const std::wstring& endpointId, bool& allPresent);
// Mode 2 only: writes the references of the direction's reference map, or the APO device path for
// each owned CLSID the lists hold when the map is empty. Only values that differ are written;
// changed tells whether one was.
bool WriteApoSettings(const std::wstring& endpointId, bool& changed);
// Removes every owned CLSID's reference; changed tells whether one was there.
bool ClearApoSettings(const std::wstring& endpointId, bool& changed);
// Whether the FX store holds "{4077f64d-...},0"; an endpoint that can't be asked counts as marked.
bool HasStoreMarker(const std::wstring& endpointId);

}  // namespace qev::effects
