#include "vpnr/algo_worker.h"

#include "base/logging.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace qev::vpnr {
namespace {

constexpr char kSignalGroup[] = "enrollment_signal";
constexpr char kStageOutputGroup[] = "enrollment_stage_output";
constexpr char kDigitsParameter[] = "num_total_enrollment_digits";
// Buffer size when the library does not tell its voice-print length.
constexpr std::uint32_t kDefaultStageOutputValues = 134528;
constexpr std::uint32_t kSignalSampleRate = 16000;
constexpr std::uint32_t kSignalChannels = 1;

bool is_group(const char* name, const char* wanted)
{
    return name != nullptr && _stricmp(name, wanted) == 0;
}

}  // namespace

AlgoWorker::AlgoWorker(std::wstring path) : path_(std::move(path))
{
    try {
        status_ = load();
    } catch (const std::bad_alloc&) {
        status_ = 1;
    }
    loaded_ = status_ == 0;
}

AlgoWorker::~AlgoWorker()
{
    if (loaded_) {
        exports_.comp_dealloc(&instance_);
    }
}

std::int32_t AlgoWorker::load()
{
    // No path: the effect component is not registered, so there is no library to look for.
    module_ = path_.empty() ? nullptr : LoadLibraryW(path_.c_str());
    if (module_ == nullptr) {
        const DWORD error = path_.empty() ? ERROR_MOD_NOT_FOUND : GetLastError();
        base::log_wprintf(L"[qev_vpnr_algo_worker] %s load_dll error: 0x%08X.\n", path_.c_str(),
                          static_cast<unsigned>(error));
        return 1;
    }
    base::log_printf("[qev_vpnr_algo_worker] AlgorithmDLL is successfully loaded.\n");
    if (!exports_.resolve(module_)) {
        return 1;
    }
    std::uint32_t interface_version = 0;
    if (const std::int32_t status = exports_.get_interface_version(nullptr, &interface_version); status != 0) {
        base::log_printf("Failed to get_interface_version (%d)\n", status);
        return 1;
    }
    if (const std::int32_t status = exports_.get_comp_info(&info_); status != 0) {
        base::log_printf("Failed to get_info (%d)\n", status);
        return 1;
    }
    log_library_information();
    if (!build_groups(info_.input_groups, info_.input_group_count, input_groups_)) {
        return 1;
    }
    allocate_instance();
    if (const std::int32_t status = exports_.comp_alloc(&instance_, 0); status != 0) {
        base::log_printf("Failed to alloc (%d)\n", status);
        return 1;
    }
    if (!build_groups(info_.output_groups, info_.output_group_count, output_groups_)) {
        exports_.comp_dealloc(&instance_);
        return 1;
    }
    return 0;
}

void AlgoWorker::log_library_information() const
{
    base::log_printf(
        "[qev_vpnr_algo_worker] **********DLL information**********"
        "\n[qev_vpnr_algo_worker] Struct_version = %u"
        "\n[qev_vpnr_algo_worker] Source = %u"
        "\n[qev_vpnr_algo_worker] Date = %08X"
        "\n[qev_vpnr_algo_worker] Version = %u.%u.%u"
        "\n[qev_vpnr_algo_worker] Git Commit ID: %08X(Tag:%08X)"
        "\n[qev_vpnr_algo_worker] *******End of DLL information******\n",
        info_.struct_version, info_.source, info_.date, info_.version_major, info_.version_minor, info_.version_patch,
        info_.commit_id, info_.tag);
}

bool AlgoWorker::build_groups(const GroupDescriptor* descriptors, std::uint32_t count,
                              std::vector<DataGroupEntry>& groups)
{
    if (descriptors == nullptr && count != 0) {
        return false;
    }
    try {
        for (std::uint32_t i = 0; i < count; ++i) {
            if (is_group(descriptors[i].name, kSignalGroup)) {
                add_signal_group(descriptors[i], groups);
            } else if (is_group(descriptors[i].name, kStageOutputGroup)) {
                add_stage_output_group(descriptors[i], groups);
            }
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void AlgoWorker::add_signal_group(const GroupDescriptor& descriptor, std::vector<DataGroupEntry>& groups)
{
    channel_count_ = kSignalChannels;
    sample_rate_ = kSignalSampleRate;
    signal_group_index_ = groups.size();
    void* data = allocate_block(std::uint64_t{descriptor.b} * descriptor.e);
    groups.push_back(DataGroupEntry{descriptor.name, 1, add_buffer(descriptor, data)});
}

void AlgoWorker::add_stage_output_group(const GroupDescriptor& descriptor, std::vector<DataGroupEntry>& groups)
{
    stage_output_value_count_ = read_parameter(kDigitsParameter).value_or(kDefaultStageOutputValues);
    stage_output_ = StageOutputRecord{0, allocate_block(std::uint64_t{stage_output_value_count_} * 4)};
    stage_output_group_index_ = groups.size();
    groups.push_back(DataGroupEntry{descriptor.name, 1, add_buffer(descriptor, &stage_output_)});
}

void AlgoWorker::allocate_instance()
{
    if (info_.scratch_memory_size != 0) {
        instance_.scratch = allocate_block(info_.scratch_memory_size);
    }
    if (info_.persistent_memory_size != 0) {
        instance_.persistent = allocate_block(info_.persistent_memory_size);
    }
}

void* AlgoWorker::allocate_block(std::uint64_t size)
{
    if (size > SIZE_MAX) {
        throw std::bad_alloc();
    }
    blocks_.emplace_back(static_cast<size_t>(size), std::uint8_t{0});
    return blocks_.back().data();
}

DataBuffer* AlgoWorker::add_buffer(const GroupDescriptor& descriptor, void* data)
{
    buffers_.push_back(std::make_unique<DataBuffer>(
        DataBuffer{descriptor.a, descriptor.b, descriptor.c, descriptor.d, descriptor.e, data}));
    return buffers_.back().get();
}

std::optional<std::uint32_t> AlgoWorker::read_parameter(const char* name)
{
    std::uint32_t value = 0;
    ParamAccess access{};
    access.name = name;
    access.value_count = 1;
    access.value = &value;
    if (exports_.comp_params_get == nullptr || exports_.comp_params_get(&access, &instance_) != 0) {
        return std::nullopt;
    }
    return value;
}

bool AlgoWorker::compute_voice_print(std::span<const std::uint8_t> recording, std::uint32_t value_count,
                                     std::vector<std::uint8_t>& voice_print)
{
    if (!loaded_ || !copy_recording(recording) || !run_library(value_count)) {
        return false;
    }
    const auto* values = static_cast<const std::uint8_t*>(stage_output_.vector);
    voice_print.assign(values, values + std::size_t{value_count} * 4);
    return true;
}

// Every channel's part of the signal block gets the recording; the rest stays silent, so nothing of
// an earlier, longer recording is left in the block.
bool AlgoWorker::copy_recording(std::span<const std::uint8_t> recording)
{
    if (!signal_group_index_ || channel_count_ == 0) {
        return false;
    }
    const DataBuffer& buffer = *input_groups_[*signal_group_index_].buffers;
    const std::size_t block_size = std::size_t{buffer.b} * buffer.e;
    const std::size_t channel_size = block_size / channel_count_;
    if (recording.size() > channel_size) {
        return false;
    }
    auto* block = static_cast<std::uint8_t*>(buffer.data);
    std::memset(block, 0, block_size);
    for (std::uint32_t channel = 0; channel < channel_count_; ++channel) {
        std::copy(recording.begin(), recording.end(), block + channel * channel_size);
    }
    return true;
}

bool AlgoWorker::run_library(std::uint32_t value_count)
{
    stage_output_.completed = 0;
    const auto inputs = static_cast<std::uint32_t>(input_groups_.size());
    if (const std::int32_t status = exports_.comp_process(inputs, input_groups_.data(), &instance_); status != 0) {
        base::log_printf("Failed to process (%d), input_data_group.size(): %lu\n", status,
                         static_cast<unsigned long>(inputs));
        base::log_printf("Failed to enroll voice\n");
        return false;
    }
    const auto outputs = static_cast<std::uint32_t>(output_groups_.size());
    if (const std::int32_t status = exports_.comp_result(outputs, output_groups_.data(), &instance_); status != 0) {
        base::log_printf("Failed to result (%d), output_data_group.size(): %lu\n", status,
                         static_cast<unsigned long>(outputs));
        base::log_printf("Failed to enroll voice\n");
        return false;
    }
    // A vector longer than the block the library filled would read past it.
    const bool completed = stage_output_group_index_ && (stage_output_.completed & 0xFFu) != 0;
    if (!completed || value_count > stage_output_value_count_) {
        base::log_printf("Failed to enroll voice\n");
        return false;
    }
    return true;
}

}  // namespace qev::vpnr
