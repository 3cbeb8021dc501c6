#pragma once

#include <string>
#include <vector>

#include "effects/settings/apo_registration.h"
#include "effects/settings/endpoint_direction.h"

namespace qev::effects {

// One value of an endpoint's FX key and the CLSIDs (or mode GUIDs) the installation adds to it.
struct FxInstallEntry {
    std::wstring value;
    std::vector<std::wstring> clsids;
};

// What installing one APO variant adds to the FX lists of a capture or a render endpoint.
class FxInstallTable {
public:
    // The generic table for the Generic variant, the direction-specific table for any other.
    static const FxInstallTable& ForVariant(ApoRegistration variant);

    // The entries for one direction; none for Unknown.
    const std::vector<FxInstallEntry>& Entries(EndpointDirection direction) const;

private:
    FxInstallTable(std::vector<FxInstallEntry> capture, std::vector<FxInstallEntry> render);

    static const FxInstallTable& Generic();
    static const FxInstallTable& DirectionSpecific();

    std::vector<FxInstallEntry> capture_;
    std::vector<FxInstallEntry> render_;
};

}  // namespace qev::effects
