#pragma once

#include <cstdint>

namespace qev::effects {

// Where the APO's settings of an endpoint live.
enum class StoreGeneration : std::uint32_t {
    FxValues = 0,      // directly in the FX store ("v2")
    PerApoStores = 1,  // in the Windows 11 per-APO stores ("v3")
    None = 2,
};

}  // namespace qev::effects
