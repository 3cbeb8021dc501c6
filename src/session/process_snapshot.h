#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "base/unique_handle.h"

namespace qev::session {

// A toolhelp snapshot of the running processes; empty when none could be taken.
class ProcessSnapshot {
public:
    ProcessSnapshot() = default;

    // Replaces the held snapshot (closing it) with a new one.
    void take();
    bool valid() const { return handle_.valid(); }

    // The image name of the process, or empty when it is not in the snapshot.
    std::wstring image_name(std::uint32_t pid) const;
    // Whether some process has this image name (any case).
    bool has_image(const std::wstring& name) const;

private:
    base::UniqueFileHandle handle_;
};

}  // namespace qev::session
