#pragma once

#include "vpnr/algo_worker.h"
#include "vpnr/crypter.h"
#include "vpnr/thread_priority_boost.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace qev::vpnr {

// The enrollment pipeline for one use (one re-enrollment pass or one check), built on the stack of
// its user: the algorithm library, the crypter and the voice-print facts of the library. While it
// lives, the thread that built it runs at time-critical priority. Nothing is shared between
// managers, so several may exist at once.
class EnrollmentManager {
public:
    static constexpr std::uint32_t kSampleRate = 16000;
    static constexpr std::uint32_t kMaxRecordingSeconds = 15;
    static constexpr std::uint32_t kChannelCount = 1;
    // 15 s of 16 kHz samples of 4 bytes.
    static constexpr std::uint64_t kMaxRecordingBytes = 960000;

    EnrollmentManager();
    ~EnrollmentManager();
    EnrollmentManager(const EnrollmentManager&) = delete;
    EnrollmentManager& operator=(const EnrollmentManager&) = delete;

    // Whether the library, the key and the voice-print facts are there; nothing works otherwise.
    bool initialised() const { return initialised_; }
    const std::string& algorithm_version() const { return algorithm_version_; }

    // True for a whole enrollment file of this library version whose recording opens. Writes nothing.
    bool verify_enrollment_data(std::span<const std::uint8_t> bytes) const;

    // Enrolls every enrollment file of the enrollment directory that another library version made,
    // or whose voice print has the wrong length, again from its own recording, and replaces it.
    void run_reenrollment();

    // A new enrollment file for `recording` (the library's sample format): this version, the voice
    // print and the recording sealed under a fresh IV. Empty after logging why.
    std::vector<std::uint8_t> enroll_recording(std::span<const std::uint8_t> recording);

private:
    void reenroll_file(const std::wstring& path);

    std::unique_ptr<AlgoWorker> worker_;
    bool initialised_ = false;
    std::string algorithm_version_;
    Crypter crypter_;
    std::vector<std::uint8_t> last_iv_;
    std::uint32_t voice_print_length_ = 0;
    ThreadPriorityBoost priority_;
};

}  // namespace qev::vpnr
