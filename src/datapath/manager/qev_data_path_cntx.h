#pragma once

#include <cstdint>
#include <string>

namespace qev::datapath {

// Per-handle state. The property holder, the shared parameter context and its subscription join
// this record together with the parameter contexts.
struct QevDataPathCntx {
    static constexpr uint32_t kStatusCreated = 7;
    static constexpr uint32_t kStatusStarted = 2;
    static constexpr uint32_t kStatusStopped = 1;
    static constexpr uint32_t kDirectionUnset = 2;

    uint32_t handle = 0;
    std::string device_name;
    uint32_t direction = kDirectionUnset;  // 0 capture, 1 render, 2 before Config
    std::wstring device_id;
    uint32_t status = kStatusCreated;
};

}  // namespace qev::datapath
