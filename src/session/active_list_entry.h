#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>

namespace qev::session {

// Endpoint kinds as announced: 0 capture, 1 render.
inline constexpr std::uint32_t kCaptureKind = 0;
inline constexpr std::uint32_t kRenderKind = 1;

// One candidate endpoint: its kind and the processes that make it a candidate.
struct ActiveListEntry {
    std::uint32_t kind = kCaptureKind;
    std::set<std::uint32_t> processIds;
};

// Candidate endpoints by id (ordinal order).
using CandidateMap = std::map<std::wstring, std::shared_ptr<ActiveListEntry>>;

}  // namespace qev::session
