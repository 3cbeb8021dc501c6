#include "vpnr/bias_file_store.h"

#include "base/logging.h"
#include "vpnr/atomic_file.h"
#include "vpnr/bias_file_path.h"
#include "vpnr/enrollment_manager.h"
#include "vpnr/serialized_param_verifier.h"
#include "winsys/system_error_text.h"

#include <windows.h>

#include <optional>
#include <span>
#include <string>

namespace qev::vpnr {
namespace {

// The enrollment bytes of a save record: the first `size` bytes of its content.
std::optional<std::span<const std::uint8_t>> enrollment_content(const SerializedParamView& record)
{
    const wire::BiasFileTable* table = verified_bias_file_table(record);
    if (table == nullptr) {
        return std::nullopt;
    }
    const auto* content = table->content();
    const size_t available = content != nullptr ? content->size() : 0;
    if (table->size() > available) {
        base::log_printf("Failed to verify serialized param: %s\n", std::string(record.name).c_str());
        return std::nullopt;
    }
    return std::span<const std::uint8_t>(content != nullptr ? content->data() : nullptr, table->size());
}

// The file's directory and every missing parent.
bool create_directories(const std::wstring& file_path)
{
    const size_t end = file_path.find_last_of(L'\\');
    for (size_t separator = file_path.find(L'\\'); separator != std::wstring::npos && separator <= end;
         separator = file_path.find(L'\\', separator + 1)) {
        const std::wstring directory = file_path.substr(0, separator);
        // A drive ("C:") or a share root is there already.
        if (directory.empty() || directory.back() == L':' || directory.back() == L'\\') {
            continue;
        }
        if (!CreateDirectoryW(directory.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool save_bias_file(const std::wstring& path, const SerializedParamView& record)
{
    const std::optional<std::span<const std::uint8_t>> content = enrollment_content(record);
    if (!content) {
        return false;
    }
    {
        const EnrollmentManager manager;
        if (!manager.initialised()) {
            return false;
        }
        if (!manager.verify_enrollment_data(*content)) {
            base::log_printf("Enrollment data verification failed\n");
            return false;
        }
    }
    return create_directories(path) && replace_file_atomically(path, *content);
}

bool delete_bias_file(const SerializedParamView& record)
{
    std::wstring path;
    if (!extract_vpnr_bias_file_path(record, path)) {
        return false;
    }
    if (!DeleteFileW(path.c_str())) {
        base::log_wprintf(L"Failed to remove file, err: %s\n", qev::winsys::system_error_text(GetLastError()).c_str());
        return false;
    }
    return true;
}

}  // namespace qev::vpnr
