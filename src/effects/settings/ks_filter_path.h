#pragma once

#include <string>

#include "effects/settings/endpoint_direction.h"

namespace qev::effects {

// The endpoint's KS filter path (the "{233164c8-...},1" device property) and its parts.
class KsFilterPath {
public:
    // False when the value is absent or empty; the text is cut at its first NUL.
    static bool ReadFilterPath(const std::wstring& endpointId, EndpointDirection direction, std::wstring& path);
    // The first braced GUID of the filter path, when it is KSCATEGORY_AUDIO or KSCATEGORY_TOPOLOGY.
    static bool FindFilterCategory(const std::wstring& endpointId, EndpointDirection direction, std::wstring& category);
    // The device-interface part (from the first ".", "\" or "?" to the last "\") and the pattern of
    // the topology filter: the reference name, which must contain "wave", with its first "wave"
    // replaced by "(topo|topology)".
    static bool SplitFilterPath(const std::wstring& filterPath, std::wstring& interfacePart,
                                std::wstring& topologyPattern);
};

}  // namespace qev::effects
