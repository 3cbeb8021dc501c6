#include "datapath/catalogue/catalogue.h"

#include <iterator>

namespace qev::datapath {

namespace {

constexpr wchar_t kSetA[] = L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},";
constexpr wchar_t kSetB[] = L"{f673a129-2683-4be8-b889-3a40071f9d93},";

FeatureKey row(const wchar_t* set, int pid, int32_t first, int32_t min, int32_t max, int32_t store)
{
    return FeatureKey{std::wstring(set) + std::to_wstring(pid), first, min, max, store};
}

template <typename Map>
const typename Map::mapped_type* find_in(const Map& map, std::string_view key)
{
    const auto it = map.find(key);
    return it == map.end() ? nullptr : &it->second;
}

AlgorithmFeatureMap reversed(const AlgorithmFeatureMap& map)
{
    AlgorithmFeatureMap result;
    for (const auto& [algorithm, feature] : map) {
        result.emplace(feature, algorithm);
    }
    return result;
}

}  // namespace

const AlgorithmLibraryTable& Catalogue::algorithms()
{
    static const AlgorithmLibraryTable table{
        {"dmvp", ""},
        {"euphonic_mic", ""},
        {"general", "ALGA01.dll"},
        {"listen", "ALGA05.dll"},
        {"listening_normalization", "ALGA04.dll"},
        {"nb_as_speakerphone", ""},
        {"private", "ALGA03.dll"},
        {"shotgun_bf", "ALGA06.dll"},
        {"vpnr", ""},
        {"whisper", "ALGA02.dll"},
    };
    return table;
}

const ParamAccessTable& Catalogue::param_access()
{
    using enum ParamAccess;
    static const ParamAccessTable table{
        {"algo_name", kReadWrite},
        {"nr_level", kReadWrite},
        {"nr_level_min", kReadOnly},
        {"nr_level_max", kReadOnly},
        {"shotgun_bf_direction", kReadWrite},
        {"shotgun_bf_degree", kReadWrite},
        {"shotgun_bf_flip_mode", kReadWrite},
        {"vpnr_enrolled_status", kReadWrite},
        {"bypass", kReadWrite},
        {"core_select", kReadOnly},
        {"bf_vad", kReadOnly},
        {"shotgun_bf_whisper_enable", kReadWrite},
        {"ltnr_enable", kReadWrite},
        {"bf_whisper_enable", kReadWrite},
        {"bf_degree", kReadWrite},
    };
    return table;
}

const ParamFeatureMap& Catalogue::param_features()
{
    static const ParamFeatureMap table{
        {"algo_name", ""},
        {"nr_level", "nr_level"},
        {"nr_level_min", ""},
        {"nr_level_max", ""},
        {"shotgun_bf_direction", "3mics_bf_direction_select"},
        {"shotgun_bf_degree", "3mics_bf_degree"},
        {"shotgun_bf_flip_mode", "3mics_bf_flip_mode"},
        {"vpnr_enrolled_status", "vpnr_enrolled_status"},
        {"bypass", ""},
        {"core_select", "core_select"},
        {"bf_vad", "bf_vad"},
        {"shotgun_bf_whisper_enable", "3mics_bf_additional_feature_select"},
        {"ltnr_enable", "ltnr_enable"},
        {"bf_whisper_enable", "bf_additional_feature_select"},
        {"bf_degree", "bf_degree"},
    };
    return table;
}

const SerializedParamAccessTable& Catalogue::serialized_param_access()
{
    using enum ParamAccess;
    static const SerializedParamAccessTable table{
        {"save_vpnr_bias_file", kWriteOnly},
        {"delete_vpnr_bias_file", kWriteOnly},
        {"vpnr_bias_file_path", kReadWrite},
        {"win_reg", kReadWrite},
    };
    return table;
}

const ParamFeatureMap& Catalogue::serialized_param_features()
{
    static const ParamFeatureMap table{
        {"save_vpnr_bias_file", ""},
        {"delete_vpnr_bias_file", ""},
        {"vpnr_bias_file_path", "vpnr_bias_file_path"},
        {"win_reg", ""},
    };
    return table;
}

const FeatureKeyTable& Catalogue::features()
{
    static const FeatureKeyTable table{
        {"nr_level", row(kSetA, 1, 100, 0, 100, kFeatureStoreUser)},
        {"aec_enable", row(kSetA, 2, 1, 0, 1, kFeatureStoreUser)},
        {"3mics_bf_direction_select", row(kSetA, 3, 0, 0, 0, kFeatureStoreUser)},
        {"3mics_bf_degree", row(kSetA, 4, 50, 20, 80, kFeatureStoreUser)},
        {"3mics_bf_flip_mode", row(kSetA, 5, 0, 0, 2, kFeatureStoreUser)},
        {"bf_degree", row(kSetA, 7, 50, 20, 80, kFeatureStoreUser)},
        {"bf_enable", row(kSetA, 100, 0, 0, 1, kFeatureStoreUser)},
        {"bf_additional_feature_select", row(kSetA, 101, 0, 0, 0, kFeatureStoreUser)},
        {"ff_enable", row(kSetA, 200, 0, 0, 1, kFeatureStoreUser)},
        {"3mics_bf_enable", row(kSetA, 300, 0, 0, 1, kFeatureStoreUser)},
        {"3mics_bf_additional_feature_select", row(kSetA, 301, 0, 0, 0, kFeatureStoreUser)},
        {"vpnr_enable", row(kSetA, 400, 0, 0, 1, kFeatureStoreUser)},
        {"dmvp_enable", row(kSetA, 500, 0, 0, 1, kFeatureStoreUser)},
        {"nb_as_speakerphone_enable", row(kSetA, 600, 0, 0, 1, kFeatureStoreUser)},
        {"euphonic_mic_enable", row(kSetA, 700, 0, 0, 1, kFeatureStoreUser)},
        {"nr_level_voip", row(kSetB, 17, 100, 0, 100, kFeatureStoreUser)},
        {"nr_level_non_voip", row(kSetB, 18, 100, 0, 100, kFeatureStoreUser)},
        {"vpnr_enrolled_status", row(kSetB, 40, 0, 0, 1, kFeatureStoreUser)},
        {"ltnr_enable", row(kSetA, 9991, 0, 0, 1, kFeatureStoreDefault)},
        {"bf_vad", row(kSetB, 38, 0, 0, 1, kFeatureStoreDefault)},
        {"stream_filter", row(kSetB, 16, 0, 0, 1, kFeatureStoreDefault)},
        {"core_select", row(kSetB, 7, 0, 0, 1, kFeatureStoreDefault)},
        {"dl_filter", row(kSetB, 5, 0, 0, 1, kFeatureStoreVolatile)},
        {"ul_filter", row(kSetB, 15, 0, 0, 1, kFeatureStoreVolatile)},
    };
    return table;
}

const AlgorithmFeatureMap& Catalogue::capture_algorithm_features()
{
    static const AlgorithmFeatureMap table{
        {"private", "bf_enable"},
        {"whisper", "ff_enable"},
        {"shotgun_bf", "3mics_bf_enable"},
        {"vpnr", "vpnr_enable"},
        {"dmvp", "dmvp_enable"},
        {"nb_as_speakerphone", "nb_as_speakerphone_enable"},
        {"euphonic_mic", "euphonic_mic_enable"},
    };
    return table;
}

const AlgorithmFeatureMap& Catalogue::capture_feature_algorithms()
{
    static const AlgorithmFeatureMap table = reversed(capture_algorithm_features());
    return table;
}

const AlgorithmFeatureMap& Catalogue::render_algorithm_features()
{
    static const AlgorithmFeatureMap table{
        {"listening_normalization", "ff_enable"},
    };
    return table;
}

const AlgorithmFeatureMap& Catalogue::render_feature_algorithms()
{
    static const AlgorithmFeatureMap table = reversed(render_algorithm_features());
    return table;
}

const WhisperFlagTable& Catalogue::whisper_flags()
{
    static const WhisperFlagTable table{
        {"shotgun_bf_whisper_enable", 1},
        {"bf_whisper_enable", 1},
    };
    return table;
}

const SupportedHardwareIdPatterns& Catalogue::supported_hardware_id_patterns()
{
    static const SupportedHardwareIdPatterns table{
        L"INTELAUDIO\\\\CTLR_DEV_[0-9a-f]{4}&LINKTYPE_02",
        L"ACP\\\\VEN_1022&DEV_[0-9a-f]{4}",
        L"ACP\\\\DEVTYPE_0002&DEVREV_0000&VEN_1022&DEV_[0-9a-f]{4}",
        L"SOUNDWIRE\\\\SDCA_(06|10)&MAN_01FA&FUNC_4243&TYPE_03",
        L"SOUNDWIRE\\\\SDCA_(06|10)&MAN_01FA&FUNC_4245&TYPE_03",
        L"SOUNDWIRE\\\\SDCA_FUNCTION_(06|10)&MAN_01FA&FUNC_4243&TYPE_03",
        L"SOUNDWIRE\\\\SDCA_FUNCTION_(06|10)&MAN_01FA&FUNC_4245&TYPE_03",
        L"SOUNDWIRE\\\\SDCA_(06|08|10)&MAN_025D&FUNC_0713&TYPE_03",
        L"SOUNDWIRE\\\\SDCA_(06|08|10)&MAN_025D&FUNC_0722&TYPE_03",
        L"SOUNDWIRE\\\\SDCA_FUNCTION_(06|08|10)&MAN_025D&FUNC_0713&TYPE_03",
        L"SOUNDWIRE\\\\SDCA_FUNCTION_(06|08|10)&MAN_025D&FUNC_0722&TYPE_03",
        L"(HDAUDIO|INTELAUDIO)\\\\FUNC_01&VEN_10EC&DEV_[0-9a-f]{4}",
        L"(HDAUDIO|INTELAUDIO)\\\\FUNC_01&VEN_14F1&DEV_[0-9a-f]{4}",
    };
    return table;
}

const std::vector<std::wstring>& Catalogue::apo_effect_class_ids()
{
    static const std::vector<std::wstring> table{
        std::wstring(kApoContextClsid),    std::wstring(kGenericApoClsid),      std::wstring(kCaptureModeApoClsid),
        std::wstring(kRenderModeApoClsid), std::wstring(kStreamEffectApoClsid), std::wstring(kEndpointEffectApoClsid),
        std::wstring(kOwnedApoClsidFE15),  std::wstring(kOwnedApoClsidFAE6),
    };
    return table;
}

const std::vector<std::wstring>& Catalogue::driver_default_pkeys()
{
    static const std::vector<std::wstring> table = [] {
        std::vector<std::wstring> keys;
        for (int pid = 9980; pid <= 9987; ++pid) {
            keys.push_back(kSetA + std::to_wstring(pid));
        }
        return keys;
    }();
    return table;
}

std::vector<std::string> Catalogue::algorithm_names()
{
    std::vector<std::string> names;
    for (const auto& entry : algorithms()) {
        names.push_back(entry.first);
    }
    return names;
}

std::optional<size_t> Catalogue::algorithm_index(std::string_view name)
{
    const AlgorithmLibraryTable& table = algorithms();
    const auto it = table.find(name);
    if (it == table.end()) {
        return std::nullopt;
    }
    return static_cast<size_t>(std::distance(table.begin(), it));
}

const std::string* Catalogue::algorithm_name_at(size_t index)
{
    const AlgorithmLibraryTable& table = algorithms();
    if (index >= table.size()) {
        return nullptr;
    }
    return &std::next(table.begin(), static_cast<std::ptrdiff_t>(index))->first;
}

const std::string* Catalogue::find_algorithm_library(std::string_view name)
{
    return find_in(algorithms(), name);
}

std::optional<ParamAccess> Catalogue::find_param_access(std::string_view name)
{
    const ParamAccess* access = find_in(param_access(), name);
    return access == nullptr ? std::nullopt : std::optional<ParamAccess>(*access);
}

const std::string* Catalogue::find_param_feature(std::string_view name)
{
    return find_in(param_features(), name);
}

std::optional<ParamAccess> Catalogue::find_serialized_param_access(std::string_view name)
{
    const ParamAccess* access = find_in(serialized_param_access(), name);
    return access == nullptr ? std::nullopt : std::optional<ParamAccess>(*access);
}

const std::string* Catalogue::find_serialized_param_feature(std::string_view name)
{
    return find_in(serialized_param_features(), name);
}

const FeatureKey* Catalogue::find_feature(std::string_view name)
{
    return find_in(features(), name);
}

const std::string* Catalogue::find_capture_enable_feature(std::string_view algorithm)
{
    return find_in(capture_algorithm_features(), algorithm);
}

const std::string* Catalogue::find_capture_algorithm(std::string_view enable_feature)
{
    return find_in(capture_feature_algorithms(), enable_feature);
}

const std::string* Catalogue::find_render_enable_feature(std::string_view algorithm)
{
    return find_in(render_algorithm_features(), algorithm);
}

const std::string* Catalogue::find_render_algorithm(std::string_view enable_feature)
{
    return find_in(render_feature_algorithms(), enable_feature);
}

std::optional<uint32_t> Catalogue::find_whisper_flag(std::string_view param_name)
{
    const WhisperFlagTable& table = whisper_flags();
    const auto it = table.find(std::string(param_name));
    return it == table.end() ? std::nullopt : std::optional<uint32_t>(it->second);
}

}  // namespace qev::datapath
