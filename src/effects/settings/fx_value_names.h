#pragma once

// Names of the values the APO's endpoint settings use: property keys in text form, a braced
// GUID, a comma and the decimal property id.
namespace qev::effects {

// The endpoint's KS filter: a prefix, the filter's device-interface path and its reference name.
inline constexpr wchar_t kFilterPathValue[] = L"{233164c8-1b2c-4c7d-bc68-b671687a2567},1";

// Single stream, mode and endpoint effect CLSIDs (the older form).
inline constexpr wchar_t kStreamEffectValue[] = L"{D04E05A6-594B-4fb6-A80D-01AF5EED7D1D},5";
inline constexpr wchar_t kModeEffectValue[] = L"{D04E05A6-594B-4fb6-A80D-01AF5EED7D1D},6";
inline constexpr wchar_t kEndpointEffectValue[] = L"{D04E05A6-594B-4fb6-A80D-01AF5EED7D1D},7";

// Composite stream, mode and endpoint effect CLSID lists, and a further one.
inline constexpr wchar_t kStreamEffectList[] = L"{D04E05A6-594B-4fb6-A80D-01AF5EED7D1D},13";
inline constexpr wchar_t kModeEffectList[] = L"{D04E05A6-594B-4fb6-A80D-01AF5EED7D1D},14";
inline constexpr wchar_t kEndpointEffectList[] = L"{D04E05A6-594B-4fb6-A80D-01AF5EED7D1D},15";
inline constexpr wchar_t kFurtherEffectList[] = L"{D04E05A6-594B-4fb6-A80D-01AF5EED7D1D},17";

// Signal-processing modes supported by the stream, mode and endpoint effects.
inline constexpr wchar_t kStreamModeList[] = L"{d3993a3f-99c2-4402-b5ec-a92a0367664b},5";
inline constexpr wchar_t kModeModeList[] = L"{d3993a3f-99c2-4402-b5ec-a92a0367664b},6";
inline constexpr wchar_t kEndpointModeList[] = L"{d3993a3f-99c2-4402-b5ec-a92a0367664b},7";

// Windows signal-processing modes.
inline constexpr wchar_t kDefaultMode[] = L"{C18E2F7E-933D-4965-B7D1-1EEF228D2AF3}";
inline constexpr wchar_t kRawMode[] = L"{9E90EA20-B493-4FD1-A1A8-7E1361A956CF}";
inline constexpr wchar_t kCommunicationsMode[] = L"{98951333-B9CD-48B1-A0A3-FF40682D73F7}";
inline constexpr wchar_t kNotificationMode[] = L"{9CF2A70B-F377-403B-BD6B-360863E0355C}";

// Present in the endpoint FX key when the APO's settings live directly in the FX store.
inline constexpr wchar_t kFxSettingsMarkerValue[] = L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},1";
// Written as 0 when an endpoint carrying the APO becomes active; selects the per-APO store sync.
inline constexpr wchar_t kStoreMarkerValue[] = L"{4077f64d-195b-4d1c-9854-14ad1505869d},0";
// An owned CLSID followed by this names the APO's HKR reference in the FX store.
inline constexpr wchar_t kHkrReferenceSuffix[] = L",100";

// In the product key: regular expressions for KS filter paths that must not carry the APO.
inline constexpr wchar_t kExcludedTopologyValue[] = L"excluded_topology";

}  // namespace qev::effects
