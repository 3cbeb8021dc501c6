#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "layer_table.h"

namespace qev::tools {

// Every broken layer rule among the #include lines of the C++ files under src/, client/, tools/,
// sim/ and bench/ of the repository at `root`, one message each.
std::vector<std::string> scan_includes(const LayerTable& table, const std::filesystem::path& root);

}  // namespace qev::tools
