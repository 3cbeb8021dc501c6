#include "vpnr/bias_file_registry.h"

#include "base/logging.h"
#include "vpnr/vpnr_registry_keys.h"
#include "winsys/registry_path.h"

#include <vector>

namespace qev::vpnr {
namespace {

std::vector<std::wstring> split_at_underscores(const std::wstring& name)
{
    std::vector<std::wstring> parts;
    size_t start = 0;
    for (size_t end = name.find(L'_'); end != std::wstring::npos; end = name.find(L'_', start)) {
        parts.push_back(name.substr(start, end - start));
        start = end + 1;
    }
    parts.push_back(name.substr(start));
    return parts;
}

// Creates the key when it is missing; the new key inherits its parent's access.
bool ensure_key(const std::wstring& path)
{
    try {
        if (!qev::winsys::regpath::key_exists(path)) {
            qev::winsys::regpath::create_key(path);
        }
        return true;
    } catch (const qev::winsys::RegistryException&) {
        return false;
    }
}

}  // namespace

void record_bias_file_in_registry(const std::wstring& path)
{
    const size_t separator = path.find_last_of(L"\\/");
    const std::vector<std::wstring> parts =
        split_at_underscores(separator == std::wstring::npos ? path : path.substr(separator + 1));
    if (parts.size() < 4) {
        return;
    }
    if (!ensure_key(kVpnrRecordKey)) {
        base::log_printf("Failed to create root key for VPNR\n");
        return;
    }
    const std::wstring key = vpnr_user_device_key(parts[0], parts[2]);
    if (!ensure_key(key)) {
        base::log_printf("Failed to create key for username and device identifier\n");
        return;
    }
    try {
        qev::winsys::regpath::write_string(key, L"last", parts[1]);
    } catch (const qev::winsys::RegistryException&) {
        base::log_printf("Failed to update vpnr filepath to registry\n");
    }
}

}  // namespace qev::vpnr
