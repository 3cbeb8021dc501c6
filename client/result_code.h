#pragma once

#include <cstdint>
#include <string_view>

namespace qev::client {

// A short human-readable meaning of a result code ("success", "not carried out", ...); "unknown result" for other codes.
std::string_view result_meaning(std::uint32_t code);

}  // namespace qev::client
