#include "vpnr/enrollment_manager.h"

#include "base/logging.h"
#include "sysinfo/apo_library_directory.h"
#include "vpnr/atomic_file.h"
#include "vpnr/enrollment_container.h"
#include "vpnr/enrollment_directory.h"
#include "vpnr/file_bytes.h"
#include "vpnr/sealed_recording.h"
#include "vpnr/tlv_record.h"

#include <windows.h>

#include <new>
#include <optional>

namespace qev::vpnr {
namespace {

constexpr std::uint32_t kVersionRecord = 1;
constexpr std::uint32_t kVoicePrintRecord = 2;
constexpr std::uint32_t kRecordingRecord = 3;
constexpr wchar_t kEffectClassId[] = L"{FB19AA08-04A2-4810-8846-DF71A3DA56DB}";
constexpr wchar_t kProviderWord[] = L"vestaRion";
constexpr wchar_t kLibraryName[] = L"VPRB01.dll";
constexpr char kDigitsParameter[] = "num_total_enrollment_digits";

// "VPRB01.dll" beside the effect component's COM server; that folder also serves the library's own
// dependencies. Empty when the component is not registered.
std::wstring library_path()
{
    const std::wstring directory = qev::sysinfo::FindApoLibraryDirectory(kEffectClassId, kProviderWord);
    if (directory.empty()) {
        return std::wstring();
    }
    SetDllDirectoryW(directory.c_str());
    return directory + L"\\" + kLibraryName;
}

std::unique_ptr<AlgoWorker> load_worker()
{
    try {
        return std::make_unique<AlgoWorker>(library_path());
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

bool equals_ignoring_case(const std::vector<std::uint8_t>& text, const std::string& wanted)
{
    return text.size() == wanted.size() &&
           _strnicmp(reinterpret_cast<const char*>(text.data()), wanted.c_str(), wanted.size()) == 0;
}

// What the top-level records of an enrollment file say.
struct EnrollmentFileFacts {
    bool version_matches = false;
    size_t voice_print_bytes = 0;
    std::vector<TlvRecord> recording_records;  // of the last recording record
};

std::optional<EnrollmentFileFacts> inspect(std::span<const std::uint8_t> file, const std::string& version)
{
    if (!has_container_frame(file)) {
        base::log_printf("tlv structure is invalid\n");
        return std::nullopt;
    }
    const std::vector<TlvRecord> records = parse_container(file);
    if (records.empty()) {
        base::log_printf("Failed to parse tlv ojects\n");
        return std::nullopt;
    }
    EnrollmentFileFacts facts;
    for (const TlvRecord& record : records) {
        if (record.type == kVersionRecord) {
            facts.version_matches = equals_ignoring_case(record.value, version);
        } else if (record.type == kVoicePrintRecord) {
            facts.voice_print_bytes = record.value.size();
        } else if (record.type == kRecordingRecord) {
            facts.recording_records = parse_records(record.value);
        }
    }
    return facts;
}

}  // namespace

EnrollmentManager::EnrollmentManager()
{
    crypter_.open_provider();
    worker_ = load_worker();
    if (!worker_) {
        base::log_printf("Failed to create vpnr algo worker\n");
        return;
    }
    if (worker_->status() != 0) {
        base::log_printf("[qev_vpnr_algo_worker] Fail to load DLL.\n");
        base::log_printf("Failed to init vpnr algo worker\n");
        return;
    }
    priority_.raise();
    if (!crypter_.ready()) {
        base::log_printf("Crypter is not initialized\n");
        base::log_printf("Failed to create symmetric key\n");
        return;
    }
    if (!crypter_.derive_key()) {
        base::log_printf("Failed to create symmetric key\n");
        base::log_printf("Failed to create symmetric key\n");
        return;
    }
    const AlgoCompInfo& info = worker_->info();
    algorithm_version_ = std::to_string(info.version_major) + "." + std::to_string(info.version_minor) + "." +
                         std::to_string(info.version_patch);
    voice_print_length_ = worker_->read_parameter(kDigitsParameter).value_or(0);
    initialised_ = true;
}

EnrollmentManager::~EnrollmentManager() = default;

bool EnrollmentManager::verify_enrollment_data(std::span<const std::uint8_t> bytes) const
{
    if (!initialised_) {
        return false;
    }
    const std::optional<EnrollmentFileFacts> facts = inspect(bytes, algorithm_version_);
    return facts && facts->version_matches && facts->voice_print_bytes == std::size_t{voice_print_length_} * 4 &&
           !facts->recording_records.empty() && !open_recording(crypter_, facts->recording_records).empty();
}

void EnrollmentManager::run_reenrollment()
{
    const std::optional<std::wstring> directory = enrollment_directory();
    if (!initialised_ || !directory) {
        return;
    }
    const std::vector<std::wstring> candidates = list_enrollment_files(*directory);
    if (voice_print_length_ == 0) {
        base::log_printf("Invalid bias file length\n");
        return;
    }
    remove_leftover_temporary_files(*directory);
    for (const std::wstring& path : candidates) {
        reenroll_file(path);
    }
}

void EnrollmentManager::reenroll_file(const std::wstring& path)
{
    std::optional<std::vector<std::uint8_t>> content;
    try {
        content = read_file_bytes(path);
    } catch (const std::bad_alloc&) {
        base::log_printf("Failed to allocate memory for vpnr file content\n");
        return;
    }
    const std::optional<EnrollmentFileFacts> facts = content ? inspect(*content, algorithm_version_) : std::nullopt;
    if (!facts || (facts->version_matches && facts->voice_print_bytes == std::size_t{voice_print_length_} * 4)) {
        return;
    }
    if (facts->recording_records.empty()) {
        base::log_printf("Failed to parse wave dump tlv objects\n");
        return;
    }
    const std::vector<std::uint8_t> recording = open_recording(crypter_, facts->recording_records);
    const std::vector<std::uint8_t> enrolled = recording.empty() ? recording : enroll_recording(recording);
    if (!enrolled.empty() && !replace_file_atomically(path, enrolled)) {
        base::log_wprintf(L"Failed to write vpnr file %s, err: 0x%08X\n", path.c_str(),
                          static_cast<unsigned>(GetLastError()));
    }
}

std::vector<std::uint8_t> EnrollmentManager::enroll_recording(std::span<const std::uint8_t> recording)
{
    if (!initialised_) {
        return {};
    }
    if (voice_print_length_ == 0) {
        base::log_printf("Invalid bias file length\n");
        return {};
    }
    std::vector<std::uint8_t> voice_print;
    if (!worker_->compute_voice_print(recording, voice_print_length_, voice_print)) {
        return {};
    }
    std::vector<std::uint8_t> sealed = seal_recording(crypter_, recording, last_iv_);
    if (sealed.empty()) {
        base::log_printf("Failed to create tlv wave dump\n");
        return {};
    }
    return build_container({
        TlvRecord{kVersionRecord, std::vector<std::uint8_t>(algorithm_version_.begin(), algorithm_version_.end())},
        TlvRecord{kVoicePrintRecord, std::move(voice_print)},
        TlvRecord{kRecordingRecord, std::move(sealed)},
    });
}

}  // namespace qev::vpnr
