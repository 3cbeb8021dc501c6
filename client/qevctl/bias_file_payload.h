#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qev::client::qevctl {

// The "save_vpnr_bias_file" payload that stores `content` as the enrollment file `file_name`.
std::vector<std::uint8_t> bias_file_payload(const std::string& file_name, const std::vector<std::uint8_t>& content);

}  // namespace qev::client::qevctl
