#include "effects/settings/fx_clsid_tables.h"

#include "datapath/catalogue/catalogue.h"
#include "effects/settings/fx_value_names.h"
#include "sysinfo/wide_text.h"

namespace qev::effects {

namespace {

std::wstring text(std::wstring_view clsid)
{
    return std::wstring(clsid);
}

}  // namespace

const FxClsidTable& OwnedFxClsids()
{
    static const FxClsidTable table{
        {kStreamEffectList, {text(datapath::kStreamEffectApoClsid)}},
        {kModeEffectList,
         {text(datapath::kCaptureModeApoClsid), text(datapath::kRenderModeApoClsid), text(datapath::kGenericApoClsid)}},
        {kEndpointEffectList, {text(datapath::kEndpointEffectApoClsid), text(datapath::kGenericApoClsid)}},
        {kFurtherEffectList,
         {text(datapath::kOwnedApoClsidFE15), text(datapath::kGenericApoClsid), text(datapath::kOwnedApoClsidFAE6)}},
    };
    return table;
}

const FxClsidTable& ApoMarkerClsids()
{
    static const FxClsidTable table{
        {kStreamEffectList, {text(datapath::kGenericApoClsid), text(datapath::kStreamEffectApoClsid)}},
        {kModeEffectList,
         {text(datapath::kGenericApoClsid), text(datapath::kCaptureModeApoClsid), text(datapath::kRenderModeApoClsid)}},
        {kEndpointEffectList, {text(datapath::kGenericApoClsid), text(datapath::kEndpointEffectApoClsid)}},
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
