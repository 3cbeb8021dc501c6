#pragma once

#include "vpnr/algo_library_abi.h"
#include "vpnr/algo_library_exports.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace qev::vpnr {

// One instance of the voice-print algorithm library: loads "VPRB01.dll", allocates the instance and
// the data groups the library describes, and computes voice prints. The library stays loaded for
// the rest of the process; the instance and every block are released with the worker.
class AlgoWorker {
public:
    // Loads the library at `path`; status() is 0 when the worker can be used, 1 otherwise.
    explicit AlgoWorker(std::wstring path);
    ~AlgoWorker();
    AlgoWorker(const AlgoWorker&) = delete;
    AlgoWorker& operator=(const AlgoWorker&) = delete;

    bool loaded() const { return loaded_; }
    std::int32_t status() const { return status_; }
    const AlgoCompInfo& info() const { return info_; }

    // A 32-bit library parameter such as "num_total_enrollment_digits"; nothing when it fails.
    std::optional<std::uint32_t> read_parameter(const char* name);

    // The voice print of `recording` (in the library's sample format, copied unchanged): `value_count`
    // values of 4 bytes. False after logging why.
    bool compute_voice_print(std::span<const std::uint8_t> recording, std::uint32_t value_count,
                             std::vector<std::uint8_t>& voice_print);

private:
    std::int32_t load();
    void log_library_information() const;
    bool build_groups(const GroupDescriptor* descriptors, std::uint32_t count, std::vector<DataGroupEntry>& groups);
    void add_signal_group(const GroupDescriptor& descriptor, std::vector<DataGroupEntry>& groups);
    void add_stage_output_group(const GroupDescriptor& descriptor, std::vector<DataGroupEntry>& groups);
    void allocate_instance();
    void* allocate_block(std::uint64_t size);
    DataBuffer* add_buffer(const GroupDescriptor& descriptor, void* data);
    bool copy_recording(std::span<const std::uint8_t> recording);
    bool run_library(std::uint32_t value_count);

    std::wstring path_;
    HMODULE module_ = nullptr;  // never freed: the library stays for the process
    bool loaded_ = false;
    std::int32_t status_ = 1;
    AlgoLibraryExports exports_;
    AlgoInstance instance_;
    AlgoCompInfo info_{};
    std::vector<DataGroupEntry> input_groups_;
    std::vector<DataGroupEntry> output_groups_;
    // Zero-filled blocks handed to the library; a block's bytes never move.
    std::vector<std::vector<std::uint8_t>> blocks_;
    std::vector<std::unique_ptr<DataBuffer>> buffers_;
    StageOutputRecord stage_output_{};
    std::uint32_t sample_rate_ = 0;
    std::uint32_t channel_count_ = 0;
    std::optional<size_t> signal_group_index_;
    std::optional<size_t> stage_output_group_index_;
    std::uint32_t stage_output_value_count_ = 0;
};

}  // namespace qev::vpnr
