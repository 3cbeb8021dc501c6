#pragma once

#include <cstdint>

namespace qev::effects {

// Which of the APO's CLSIDs an endpoint's composite effect lists carry; also the APO variant.
enum class ApoRegistration : std::uint32_t {
    Generic = 0,
    DirectionSpecific = 1,
    None = 2,
};

}  // namespace qev::effects
