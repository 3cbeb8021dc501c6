#pragma once

#include <string>
#include <vector>

// The CLSID sets by which the APO is recognised in an endpoint's composite effect lists.
namespace qev::effects {

// One composite list (its value name) and CLSIDs that belong to it.
struct FxListClsids {
    std::wstring list;
    std::vector<std::wstring> clsids;
};

using FxClsidTable = std::vector<FxListClsids>;

// Every CLSID the system owns, per composite list (",13", ",14", ",15", ",17").
const FxClsidTable& OwnedFxClsids();
// The CLSIDs that show the APO is installed, per list (",13", ",14", ",15").
const FxClsidTable& ApoMarkerClsids();

// The CLSIDs of `table` for `list`; empty when the table has no such list.
const std::vector<std::wstring>& ClsidsOfList(const FxClsidTable& table, const std::wstring& list);

}  // namespace qev::effects
