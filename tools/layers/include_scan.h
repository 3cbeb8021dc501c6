#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "layer_table.h"

namespace qev::tools {

// Every broken layer rule among the #include lines of the C++ files under src/, client/, tools/ and
// sim/ of the repository at `root`, one message each. (bench/, like tests/, measures the layers.)
std::vector<std::string> scan_includes(const LayerTable& table, const std::filesystem::path& root);

}  // namespace qev::tools
