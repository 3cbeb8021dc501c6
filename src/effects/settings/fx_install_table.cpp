#include "effects/settings/fx_install_table.h"

#include <utility>

#include "datapath/catalogue/catalogue.h"
#include "effects/settings/fx_value_names.h"

namespace qev::effects {

FxInstallTable::FxInstallTable(std::vector<FxInstallEntry> capture, std::vector<FxInstallEntry> render)
    : capture_(std::move(capture)), render_(std::move(render))
{}

const FxInstallTable& FxInstallTable::ForVariant(ApoRegistration variant)
{
    return variant == ApoRegistration::Generic ? Generic() : DirectionSpecific();
}

const std::vector<FxInstallEntry>& FxInstallTable::Entries(EndpointDirection direction) const
{
    static const std::vector<FxInstallEntry> none;
    switch (direction) {
    case EndpointDirection::Capture:
        return capture_;
    case EndpointDirection::Render:
        return render_;
    default:
        return none;
    }
}

const FxInstallTable& FxInstallTable::Generic()
{
    static const FxInstallTable table(
        {
            {kModeEffectList, {std::wstring(datapath::kGenericApoClsid)}},
            {kModeModeList, {kDefaultMode, kRawMode, kCommunicationsMode}},
        },
        {
            {kModeEffectList, {std::wstring(datapath::kGenericApoClsid)}},
            {kModeModeList, {kDefaultMode, kRawMode}},
        });
    return table;
}

const FxInstallTable& FxInstallTable::DirectionSpecific()
{
    static const FxInstallTable table(
        {
            {kStreamEffectList, {std::wstring(datapath::kStreamEffectApoClsid)}},
            {kModeEffectList, {std::wstring(datapath::kCaptureModeApoClsid)}},
            {kEndpointEffectList, {std::wstring(datapath::kEndpointEffectApoClsid)}},
            {kEndpointModeList, {kDefaultMode}},
            {kModeModeList, {kDefaultMode, kRawMode, kCommunicationsMode}},
            {kStreamModeList, {kDefaultMode}},
        },
        {
            {kStreamEffectList, {std::wstring(datapath::kStreamEffectApoClsid)}},
            {kModeEffectList, {std::wstring(datapath::kRenderModeApoClsid)}},
            {kEndpointModeList, {kDefaultMode}},
            {kModeModeList, {kDefaultMode, kRawMode, kCommunicationsMode, kNotificationMode}},
        });
    return table;
}

}  // namespace qev::effects
