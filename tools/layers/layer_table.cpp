#include "layer_table.h"

#include <sstream>
#include <stdexcept>

namespace qev::tools {
namespace {

bool covers(std::string_view entry, std::string_view path)
{
    return path.substr(0, entry.size()) == entry && (path.size() == entry.size() || path[entry.size()] == '/');
}

LayerEntry parse_entry(const std::string& line, int number)
{
    std::istringstream words(line);
    LayerEntry entry;
    std::string floor;
    std::string extra;
    if (!(words >> entry.path >> entry.layer) || entry.layer < 0 || ((words >> floor) && floor != "floor") ||
        (words >> extra)) {
        throw std::invalid_argument("layer table line " + std::to_string(number) + ": expected \"path layer [floor]\"");
    }
    entry.floor = floor == "floor";
    return entry;
}

}  // namespace

LayerTable LayerTable::parse(std::string_view text)
{
    LayerTable table;
    std::istringstream lines{std::string(text)};
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        line = line.substr(0, line.find('#'));
        if (line.find_first_not_of(" \t\r") != std::string::npos) {
            table.entries_.push_back(parse_entry(line, number));
        }
    }
    return table;
}

const LayerEntry* LayerTable::find(std::string_view src_path) const
{
    const LayerEntry* best = nullptr;
    for (const LayerEntry& entry : entries_) {
        if (covers(entry.path, src_path) && (best == nullptr || entry.path.size() > best->path.size())) {
            best = &entry;
        }
    }
    return best;
}

}  // namespace qev::tools
