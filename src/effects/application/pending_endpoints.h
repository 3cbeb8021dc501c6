#pragma once

#include <mutex>
#include <string>
#include <vector>

namespace qev::effects {

// Endpoints that arrived before their KS filter path was known; an id leaves when its path arrives.
// Lives for the process; every operation is safe from any thread.
class PendingEndpoints {
public:
    static PendingEndpoints& Instance();

    PendingEndpoints(const PendingEndpoints&) = delete;
    PendingEndpoints& operator=(const PendingEndpoints&) = delete;

    // Adds the id unless it is there already (ids compare without case).
    void Add(const std::wstring& endpointId);
    bool Empty() const;
    bool Contains(const std::wstring& endpointId) const;
    // True when the id was there.
    bool Remove(const std::wstring& endpointId);

private:
    PendingEndpoints() = default;
    ~PendingEndpoints() = default;

    std::vector<std::wstring>::const_iterator Find(const std::wstring& endpointId) const;

    mutable std::mutex mutex_;
    std::vector<std::wstring> ids_;  // guarded by mutex_
};

}  // namespace qev::effects
