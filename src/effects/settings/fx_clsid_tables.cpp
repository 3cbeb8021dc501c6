#include "effects/settings/fx_clsid_tables.h"

#include "datapath/catalogue.h"
#include "effects/settings/fx_value_names.h"
#include "sysinfo/wide_text.h"

namespace qev::effects {

namespace {

std::wstring Text(std::wstring_view clsid)
{
    return std::wstring(clsid);
}

}  // namespace

const FxClsidTable& OwnedFxClsids()
{
    static const FxClsidTable table{
        {kStreamEffectList, {Text(kStreamEffectApoClsid)}},
        {kModeEffectList, {Text(kCaptureModeApoClsid), Text(kRenderModeApoClsid), Text(kGenericApoClsid)}},
        {kEndpointEffectList, {Text(kEndpointEffectApoClsid), Text(kGenericApoClsid)}},
        {kFurtherEffectList, {Text(kOwnedApoClsidFE15), Text(kGenericApoClsid), Text(kOwnedApoClsidFAE6)}},
    };
    return table;
}

const FxClsidTable& ApoMarkerClsids()
{
    static const FxClsidTable table{
        {kStreamEffectList, {Text(kGenericApoClsid), Text(kStreamEffectApoClsid)}},
        {kModeEffectList, {Text(kGenericApoClsid), Text(kCaptureModeApoClsid), Text(kRenderModeApoClsid)}},
        {kEndpointEffectList, {Text(kGenericApoClsid), Text(kEndpointEffectApoClsid)}},
    };
    return table;
}

const std::vector<std::wstring>& ClsidsOfList(const FxClsidTable& table, const std::wstring& list)
{
    static const std::vector<std::wstring> none;
    for (const FxListClsids& row : table) {
        if (sysinfo::EqualsIgnoreCase(row.list, list)) {
            return row.clsids;
        }
    }
    return none;
}

}  // namespace qev::effects
