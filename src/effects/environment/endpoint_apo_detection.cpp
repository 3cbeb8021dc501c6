#include "effects/environment/endpoint_apo_detection.h"

#include <vector>

#include "datapath/catalogue/catalogue.h"
#include "effects/settings/clsid_list.h"
#include "effects/settings/fx_clsid_tables.h"
#include "effects/settings/fx_registry_access.h"
#include "effects/settings/fx_value_names.h"

namespace qev::effects {

namespace {

constexpr const wchar_t* kCompositeLists[] = {kStreamEffectList, kModeEffectList, kEndpointEffectList};

std::wstring text(std::wstring_view clsid)
{
    return std::wstring(clsid);
}

const std::vector<std::wstring>& generic_markers()
{
    static const std::vector<std::wstring> markers{text(datapath::kGenericApoClsid)};
    return markers;
}

// The direction-specific CLSIDs of one list: the check lists without the generic CLSID.
std::vector<std::wstring> specific_markers(const std::wstring& list)
{
    std::vector<std::wstring> markers = ClsidsOfList(ApoMarkerClsids(), list);
    RemoveClsids(markers, generic_markers());
    return markers;
}

const std::vector<std::wstring>& reference_clsids(EndpointDirection direction, std::uint32_t variant)
{
    static const std::vector<std::wstring> generic{text(datapath::kGenericApoClsid)};
    static const std::vector<std::wstring> capture{text(datapath::kStreamEffectApoClsid),
                                                   text(datapath::kCaptureModeApoClsid),
                                                   text(datapath::kEndpointEffectApoClsid)};
    static const std::vector<std::wstring> render{text(datapath::kStreamEffectApoClsid),
                                                  text(datapath::kRenderModeApoClsid)};
    static const std::vector<std::wstring> none;
    if (variant == 0) {
        return generic;
    }
    if (variant != 1) {
        return none;
    }
    return direction == EndpointDirection::Capture ? capture : direction == EndpointDirection::Render ? render : none;
}

// Every CLSID of the composite lists that can be read.
std::vector<std::wstring> listed_clsids(const std::wstring& fxKey)
{
    std::vector<std::wstring> all;
    for (const wchar_t* list : kCompositeLists) {
        std::vector<std::wstring> values;
        if (FxRegistryAccess::RegReadMultiString(fxKey, list, values)) {
            all.insert(all.end(), values.begin(), values.end());
        }
    }
    return all;
}

void remove_generic_clsid(const std::wstring& fxKey)
{
    for (const wchar_t* list : kCompositeLists) {
        std::vector<std::wstring> values;
        if (FxRegistryAccess::RegReadMultiString(fxKey, list, values) && RemoveClsids(values, generic_markers()) > 0) {
            FxRegistryAccess::RegWriteMultiString(fxKey, list, values);
        }
    }
}

}  // namespace

EndpointApoDetection DetectEndpointApo(const std::wstring& fxKey, const std::optional<sysinfo::OsVersion>& os)
{
    EndpointApoDetection detection;
    if (!FxRegistryAccess::RegKeyExists(fxKey)) {
        return detection;
    }
    bool generic = false;
    bool specific = false;
    for (const wchar_t* list : kCompositeLists) {
        std::vector<std::wstring> values;
        if (!FxRegistryAccess::RegReadMultiString(fxKey, list, values)) {
            continue;
        }
        generic = generic || ContainsAnyClsid(values, generic_markers());
        specific = specific || ContainsAnyClsid(values, specific_markers(list));
    }
    if (specific) {
        if (generic) {
            remove_generic_clsid(fxKey);
        }
        detection.variant = 1;
    } else if (generic) {
        detection.variant = 0;
    }
    if (detection.variant != 2 && os) {
        detection.environment = os->build >= sysinfo::kWindows11FirstBuild && detection.variant == 1 ? 1 : 0;
    }
    return detection;
}

void CollectHkrReferences(const std::wstring& fxKey, EndpointDirection direction, std::uint32_t variant,
                          DirectionEnvironment& into)
{
    const std::vector<std::wstring> held = listed_clsids(fxKey);
    for (const std::wstring& clsid : reference_clsids(direction, variant)) {
        const std::wstring name = clsid + kHkrReferenceSuffix;
        std::wstring reference;
        if (ContainsClsid(held, clsid) && FxRegistryAccess::RegValueExists(fxKey, name) &&
            FxRegistryAccess::RegReadString(fxKey, name, reference) && !reference.empty()) {
            into.hkrReferences[name] = reference;
        }
    }
}

}  // namespace qev::effects
