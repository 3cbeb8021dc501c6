#pragma once

#include "datapath/catalogue/feature_key.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qev::datapath {

// How a client may use an API parameter.
enum class ParamAccess : int32_t {
    kReadOnly = 0,
    kWriteOnly = 1,
    kReadWrite = 2,
};

inline bool is_readable(ParamAccess access)
{
    return access != ParamAccess::kWriteOnly;
}
inline bool is_writable(ParamAccess access)
{
    return access != ParamAccess::kReadOnly;
}

// Ordered maps compare names byte-wise; std::less<> allows lookups by string_view.
using AlgorithmLibraryTable = std::map<std::string, std::string, std::less<>>;
using ParamAccessTable = std::map<std::string, ParamAccess, std::less<>>;
using SerializedParamAccessTable = std::map<std::string, ParamAccess, std::less<>>;
// Parameter name to feature name; an empty feature means the parameter is handled by its name.
using ParamFeatureMap = std::map<std::string, std::string, std::less<>>;
using FeatureKeyTable = std::map<std::string, FeatureKey, std::less<>>;
// Algorithm to its enable feature, or the reverse.
using AlgorithmFeatureMap = std::map<std::string, std::string, std::less<>>;
using WhisperFlagTable = std::unordered_map<std::string, uint32_t>;
using SupportedHardwareIdPatterns = std::vector<std::wstring>;

// Algorithms with a meaning of their own besides the table rows.
inline constexpr std::string_view kDefaultCaptureAlgorithm = "general";
inline constexpr std::string_view kDefaultRenderAlgorithm = "listen";
inline constexpr std::string_view kCaptureBypassAlgorithm = "UL_BYPASS";
inline constexpr std::string_view kRenderBypassAlgorithm = "DL_BYPASS";

// Effect class identifiers of the APO family.
inline constexpr std::wstring_view kApoContextClsid = L"{4D99D9D2-C5DE-4A46-8E6E-6D7307FE73FF}";
inline constexpr std::wstring_view kGenericApoClsid = L"{F005D60E-B43A-46CF-BAD3-6ACB1D314511}";
inline constexpr std::wstring_view kCaptureModeApoClsid = L"{FB19AA08-04A2-4810-8846-DF71A3DA56DB}";
inline constexpr std::wstring_view kRenderModeApoClsid = L"{FD278210-3175-4909-B46A-DF2CA8C20D46}";
inline constexpr std::wstring_view kStreamEffectApoClsid = L"{FC6D7D4E-5D4B-4CF6-AC04-7A585769B45F}";
inline constexpr std::wstring_view kEndpointEffectApoClsid = L"{FA8B455E-13FB-4D1B-8DCF-4E1239DAD425}";
inline constexpr std::wstring_view kOwnedApoClsidFE15 = L"{FE15EEBD-6292-4CE7-AA01-8094EFB27E7A}";
inline constexpr std::wstring_view kOwnedApoClsidFAE6 = L"{FAE69183-9AB3-4430-A681-DAE714E7B74A}";

// Property keys used by value outside the feature table.
inline constexpr std::wstring_view kListedHardwarePkey = L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},6666";
inline constexpr std::wstring_view kToolCaptureActivePkey = L"{f673a129-2683-4be8-b889-3a40071f9d93},59";
// The string feature "vpnr_bias_file_path" (not in the numeric feature table).
inline constexpr std::string_view kVpnrBiasFilePathFeature = "vpnr_bias_file_path";
inline constexpr std::wstring_view kVpnrBiasFilePathPkey = L"{f673a129-2683-4be8-b889-3a40071f9d93},39";

// The fixed vocabulary of the datapath: constant tables built on first use, read-only afterwards and
// safe to read from any thread. Lookups return null (or nothing) for a name without a row.
class Catalogue {
public:
    static const AlgorithmLibraryTable& algorithms();
    static const ParamAccessTable& param_access();
    static const ParamFeatureMap& param_features();
    static const SerializedParamAccessTable& serialized_param_access();
    static const ParamFeatureMap& serialized_param_features();
    static const FeatureKeyTable& features();
    static const AlgorithmFeatureMap& capture_algorithm_features();
    static const AlgorithmFeatureMap& capture_feature_algorithms();
    static const AlgorithmFeatureMap& render_algorithm_features();
    static const AlgorithmFeatureMap& render_feature_algorithms();
    static const WhisperFlagTable& whisper_flags();
    static const SupportedHardwareIdPatterns& supported_hardware_id_patterns();
    // kApoContextClsid first, then the other seven.
    static const std::vector<std::wstring>& apo_effect_class_ids();
    // ",9980" to ",9987" in ascending order.
    static const std::vector<std::wstring>& driver_default_pkeys();

    // The algorithm table in index order.
    static std::vector<std::string> algorithm_names();
    static std::optional<size_t> algorithm_index(std::string_view name);
    static const std::string* algorithm_name_at(size_t index);
    static const std::string* find_algorithm_library(std::string_view name);

    static std::optional<ParamAccess> find_param_access(std::string_view name);
    static const std::string* find_param_feature(std::string_view name);
    static std::optional<ParamAccess> find_serialized_param_access(std::string_view name);
    static const std::string* find_serialized_param_feature(std::string_view name);
    static const FeatureKey* find_feature(std::string_view name);

    static const std::string* find_capture_enable_feature(std::string_view algorithm);
    static const std::string* find_capture_algorithm(std::string_view enable_feature);
    static const std::string* find_render_enable_feature(std::string_view algorithm);
    static const std::string* find_render_algorithm(std::string_view enable_feature);

    static std::optional<uint32_t> find_whisper_flag(std::string_view param_name);
};

}  // namespace qev::datapath
