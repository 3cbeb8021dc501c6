#pragma once

#include <cstdint>
#include <string>

namespace qev::winaudio {

// Identifies one audio session; a field whose query failed stays empty or 0.
struct AudioSessionControlInfo {
    std::wstring endpointId;
    std::wstring sessionIdentifier;
    std::wstring sessionInstanceIdentifier;
    std::uint32_t processId = 0;
};

}  // namespace qev::winaudio
