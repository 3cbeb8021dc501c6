#pragma once

#include <cstdint>
#include <string_view>

namespace qev::client {

// Result codes the server passes back unchanged from its datapath manager.
enum class ResultCode : std::uint32_t {
    kSuccess = 0,
    kNotCarriedOut = 1,
    kInvalidArgument = 3,
    kUnknownEnumType = 5,
};

// A short human-readable meaning ("success", "not carried out", ...); "unknown result" for other codes.
std::string_view result_meaning(std::uint32_t code);

}  // namespace qev::client
