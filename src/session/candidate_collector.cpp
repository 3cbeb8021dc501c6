#include "session/candidate_collector.h"

#include <windows.h>

#include <algorithm>

#include "session/process_name_rule.h"

namespace qev::session {

namespace {

bool contains_any_case(const std::wstring& text, const std::wstring& part)
{
    const auto found = std::search(text.begin(), text.end(), part.begin(), part.end(),
                                   [](wchar_t a, wchar_t b) { return towlower(a) == towlower(b); });
    return found != text.end();
}

}  // namespace

CandidateMap CandidateCollector::collect(const ProcessTable& table, ProcessSnapshot& snapshot,
                                         std::vector<std::wstring>& toolCaptures)
{
    toolCaptures.clear();
    snapshot.take();
    // Both rules exclude the same programs, as the filter always has.
    const ProcessNameRule rules[] = {{&excluded_programs(), false}, {&excluded_programs(), false}};
    CandidateMap candidates;
    for (const auto& entry : table.entries()) {
        // Plain names: older compilers refuse to capture structured bindings in a lambda.
        const std::uint32_t pid = entry.first;
        const ProcessEndpointLists& lists = entry.second;
        if (is_tool_session(snapshot.image_name(pid))) {
            add_tool_captures(lists, toolCaptures);
            continue;
        }
        const bool admitted = std::all_of(std::begin(rules), std::end(rules),
                                          [&](const ProcessNameRule& rule) { return rule.admits(pid, snapshot); });
        if (lists.capture.empty() || lists.render.empty() || !admitted) {
            continue;
        }
        add_candidates(lists.capture, kCaptureKind, pid, candidates);
        add_candidates(lists.render, kRenderKind, pid, candidates);
    }
    return candidates;
}

bool CandidateCollector::is_tool_session(const std::wstring& imageName)
{
    if (!contains_any_case(imageName, L"SoundBench")) {
        return false;
    }
    // The tool counts only while its companion runs, seen in a snapshot of this moment.
    ProcessSnapshot fresh;
    fresh.take();
    return fresh.has_image(L"MicLinkClient.exe");
}

void CandidateCollector::add_tool_captures(const ProcessEndpointLists& lists, std::vector<std::wstring>& toolCaptures)
{
    for (const std::wstring& id : lists.capture) {
        const bool held = std::any_of(toolCaptures.begin(), toolCaptures.end(), [&id](const std::wstring& listed) {
            return _wcsicmp(listed.c_str(), id.c_str()) == 0;
        });
        if (!held) {
            toolCaptures.push_back(id);
        }
    }
}

void CandidateCollector::add_candidates(const std::vector<std::wstring>& ids, std::uint32_t kind, std::uint32_t pid,
                                        CandidateMap& candidates)
{
    for (const std::wstring& id : ids) {
        auto& entry = candidates[id];
        if (!entry) {
            entry = std::make_shared<ActiveListEntry>();
            entry->kind = kind;
        }
        entry->processIds.insert(pid);
    }
}

}  // namespace qev::session
