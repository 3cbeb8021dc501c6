#include "session/process_table.h"

#include <windows.h>

#include <algorithm>
#include <regex>

namespace qev::session {

namespace {

constexpr std::uint32_t kStateInactive = 0;
constexpr std::uint32_t kStateExpired = 2;

bool holds_any_case(const std::vector<std::wstring>& ids, const std::wstring& id)
{
    return std::any_of(ids.begin(), ids.end(),
                       [&id](const std::wstring& held) { return _wcsicmp(held.c_str(), id.c_str()) == 0; });
}

// The copies removed are the exact ones; the case-insensitive test only decides whether to look.
void erase_copies(std::vector<std::wstring>& ids, const std::wstring& id)
{
    if (holds_any_case(ids, id)) {
        ids.erase(std::remove(ids.begin(), ids.end(), id), ids.end());
    }
}

const std::wregex& capture_pattern()
{
    static const std::wregex pattern(L"\\{0.0.1.00000000\\}.\\{[a-f0-9]{8}-([a-f0-9]{4}-){3}[a-f0-9]{12}\\}",
                                     std::regex::ECMAScript | std::regex::icase);
    return pattern;
}

const std::wregex& render_pattern()
{
    static const std::wregex pattern(L"\\{0.0.0.00000000\\}.\\{[a-f0-9]{8}-([a-f0-9]{4}-){3}[a-f0-9]{12}\\}",
                                     std::regex::ECMAScript | std::regex::icase);
    return pattern;
}

}  // namespace

void ProcessTable::update(const std::wstring& endpointId, bool capture, std::uint32_t pid, std::uint32_t state)
{
    ProcessEndpointLists& lists = entries_[pid];
    std::vector<std::wstring>& ids = capture ? lists.capture : lists.render;
    if (state != kStateInactive && state != kStateExpired) {
        ids.push_back(endpointId);
    } else {
        erase_copies(ids, endpointId);
    }
}

void ProcessTable::remove_endpoint(const std::wstring& endpointId)
{
    const bool isCapture = std::regex_search(endpointId, capture_pattern());
    const bool isRender = std::regex_search(endpointId, render_pattern());
    const bool both = isCapture == isRender;
    for (auto& entry : entries_) {
        if (both || isCapture) {
            erase_copies(entry.second.capture, endpointId);
        }
        if (both || isRender) {
            erase_copies(entry.second.render, endpointId);
        }
    }
}

}  // namespace qev::session
