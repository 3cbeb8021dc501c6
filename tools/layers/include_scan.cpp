#include "include_scan.h"

#include <fstream>
#include <regex>

#include "include_rule.h"

namespace qev::tools {
namespace {

constexpr const char* kScanned[] = {"src", "client", "tools", "sim"};

bool is_source(const std::filesystem::path& file)
{
    const auto extension = file.extension();
    return extension == ".h" || extension == ".cpp";
}

void scan_file(const LayerTable& table, const std::filesystem::path& file, const std::string& includer,
               std::vector<std::string>& violations)
{
    static const std::regex include_line(R"re(^\s*#\s*include\s*"([^"]+)")re");
    std::ifstream lines(file);
    std::string line;
    std::smatch match;
    while (std::getline(lines, line)) {
        if (std::regex_search(line, match, include_line)) {
            if (auto violation = include_violation(table, includer, match[1].str())) {
                violations.push_back(*violation);
            }
        }
    }
}

}  // namespace

std::vector<std::string> scan_includes(const LayerTable& table, const std::filesystem::path& root)
{
    std::vector<std::string> violations;
    for (const char* folder : kScanned) {
        for (const auto& item : std::filesystem::recursive_directory_iterator(root / folder)) {
            if (item.is_regular_file() && is_source(item.path())) {
                scan_file(table, item.path(), item.path().lexically_relative(root).generic_string(), violations);
            }
        }
    }
    return violations;
}

}  // namespace qev::tools
