#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qev::tools {

// Where a part of src/ sits among the build layers.
struct LayerEntry {
    std::string path;  // a folder, subfolder or file, relative to src/
    int layer = 0;
    bool floor = false;  // below every layer: includes only floor entries, shared with client/, tools/, sim/
};

// The layer table (cmake/layers.txt): lines "path layer [floor]"; '#' starts a comment.
class LayerTable {
public:
    // Throws std::invalid_argument naming the first malformed line.
    static LayerTable parse(std::string_view text);

    // The entry with the longest path that is `src_path` or one of its folders; null when none is.
    const LayerEntry* find(std::string_view src_path) const;

private:
    std::vector<LayerEntry> entries_;
};

}  // namespace qev::tools
