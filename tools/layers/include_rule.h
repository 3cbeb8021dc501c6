#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "layer_table.h"

namespace qev::tools {

// What is wrong with `includer` (a path from the repository root, "src/rpc/dispatcher.cpp") including
// `header` (the text between the quotes of its #include), or nothing. A file of src/ may include
// headers of its own layer and below, a floor entry only floor entries; a file of client/, tools/
// or sim/ only floor entries of src/. Headers that are not part of src/ are not checked.
std::optional<std::string> include_violation(const LayerTable& table, std::string_view includer,
                                             std::string_view header);

}  // namespace qev::tools
