#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace qev::session {

// The endpoints on which one process has an active session. Each vector is a multiset: a process
// with two active sessions on one endpoint holds its id twice.
struct ProcessEndpointLists {
    std::vector<std::wstring> capture;
    std::vector<std::wstring> render;
};

// Active endpoints per process id. Entries are created on first mention and never erased.
class ProcessTable {
public:
    using Entries = std::map<std::uint32_t, ProcessEndpointLists>;

    // An active session (any state but inactive (0) and expired (2)) appends the endpoint id;
    // another state erases every copy of it from the flow's vector.
    void update(const std::wstring& endpointId, bool capture, std::uint32_t pid, std::uint32_t state);
    // Removes the endpoint from every process: from the vector of the flow its id names, or from
    // both when the id names neither or both.
    void remove_endpoint(const std::wstring& endpointId);
    void clear() { entries_.clear(); }

    const Entries& entries() const { return entries_; }

private:
    Entries entries_;
};

}  // namespace qev::session
