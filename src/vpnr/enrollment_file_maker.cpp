#include "vpnr/enrollment_file_maker.h"

#include "vpnr/enrollment_manager.h"

namespace qev::vpnr {

std::optional<std::vector<std::uint8_t>> make_enrollment_file(std::span<const std::uint8_t> recording,
                                                              std::string& error)
{
    if (recording.size() > EnrollmentManager::kMaxRecordingBytes) {
        error = "the recording is longer than 15 s";
        return std::nullopt;
    }
    EnrollmentManager manager;
    if (!manager.initialised()) {
        error = "the voice-print library is not available (see the debug output)";
        return std::nullopt;
    }
    std::vector<std::uint8_t> file = manager.enroll_recording(recording);
    if (file.empty()) {
        error = "the voice-print library could not enroll the recording (see the debug output)";
        return std::nullopt;
    }
    return file;
}

}  // namespace qev::vpnr
