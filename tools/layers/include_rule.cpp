#include "include_rule.h"

namespace qev::tools {
namespace {

constexpr std::string_view kSource = "src/";

std::string describe(const LayerEntry& entry)
{
    return entry.floor ? std::string("floor") : "layer " + std::to_string(entry.layer);
}

std::optional<std::string> src_violation(const LayerTable& table, std::string_view includer, std::string_view header,
                                         const LayerEntry& target)
{
    const LayerEntry* own = table.find(includer.substr(kSource.size()));
    if (own == nullptr) {
        return std::string(includer) + " is in no layer of the layer table";
    }
    const bool allowed = own->floor ? target.floor : (target.floor || target.layer <= own->layer);
    if (allowed) {
        return std::nullopt;
    }
    return std::string(includer) + " (" + describe(*own) + ") includes " + std::string(header) + " (" +
           describe(target) + ")";
}

}  // namespace

std::optional<std::string> include_violation(const LayerTable& table, std::string_view includer,
                                             std::string_view header)
{
    const LayerEntry* target = table.find(header);
    if (target == nullptr) {
        return std::nullopt;
    }
    if (includer.substr(0, kSource.size()) == kSource) {
        return src_violation(table, includer, header, *target);
    }
    if (target->floor) {
        return std::nullopt;
    }
    return std::string(includer) + " includes " + std::string(header) +
           " from src/; only the base library and the wire schema are shared";
}

}  // namespace qev::tools
