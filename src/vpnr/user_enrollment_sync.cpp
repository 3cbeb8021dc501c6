#include "vpnr/user_enrollment_sync.h"

#include "base/com_init.h"
#include "base/logging.h"
#include "base/unique_handle.h"
#include "datapath/catalogue/catalogue.h"
#include "effects/settings/endpoint_fx_registry.h"
#include "effects/settings/property_key_text.h"
#include "sysinfo/os_version.h"
#include "vpnr/console_user.h"
#include "vpnr/device_identifier.h"
#include "vpnr/enrollment_directory.h"
#include "vpnr/vpnr_registry_keys.h"
#include "winaudio/audio_endpoint_property_store.h"
#include "winaudio/endpoint_queries.h"
#include "winsys/registry.h"
#include "winsys/registry_path.h"

#include <optional>
#include <vector>

namespace qev::vpnr {
namespace {

using Microsoft::WRL::ComPtr;
using qev::winaudio::AudioEndpointPropertyStore;
using qev::winaudio::PropertyStoreType;

constexpr wchar_t kSupportKey[] = L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},9983";
constexpr DWORD kNotSupported = 0xFFFFFFFF;
constexpr wchar_t kEnrollStatusValue[] = L"voiceprinting_enroll_status";

// What every endpoint shares: the user, the directory and the Windows generation.
struct SyncContext {
    std::wstring user;
    std::optional<std::wstring> directory;
    bool windows11 = false;
};

// The property keys of the two features the APO reads.
struct EnrollmentKeys {
    PROPERTYKEY support;
    PROPERTYKEY path;
    PROPERTYKEY status;
};

bool enrollment_keys(EnrollmentKeys& keys)
{
    const datapath::FeatureKey* status = datapath::Catalogue::find_feature("vpnr_enrolled_status");
    return status != nullptr && qev::effects::PropertyKeyFromText(kSupportKey, keys.support) &&
           qev::effects::PropertyKeyFromText(std::wstring(datapath::kVpnrBiasFilePathPkey), keys.path) &&
           qev::effects::PropertyKeyFromText(status->pkey, keys.status);
}

bool is_windows11()
{
    qev::sysinfo::OsVersion version{};
    try {
        return qev::sysinfo::GetOsVersion(version) && version.build >= qev::sysinfo::kWindows11FirstBuild;
    } catch (const std::exception&) {
        return false;
    }
}

// Where this endpoint's enrollment is read from and written to.
struct StoreKinds {
    PropertyStoreType read;
    PropertyStoreType write;
};

StoreKinds store_kinds(const std::wstring& endpoint_id, bool windows11)
{
    auto generation = qev::effects::StoreGeneration::None;
    auto registration = qev::effects::ApoRegistration::None;
    qev::effects::EndpointFxRegistry::GetStoreGeneration(endpoint_id, generation, registration);
    if (windows11 && generation == qev::effects::StoreGeneration::PerApoStores) {
        return StoreKinds{PropertyStoreType::Default, PropertyStoreType::User};
    }
    return StoreKinds{PropertyStoreType::FxProperties, PropertyStoreType::FxProperties};
}

bool supports_voice_print(const AudioEndpointPropertyStore& store, PropertyStoreType kind, const PROPERTYKEY& key)
{
    bool present = false;
    DWORD support = 0;
    return store.HasValue(kind, key, present) && present && store.GetDword(kind, key, support) &&
           support != kNotSupported;
}

bool file_opens(const std::wstring& path)
{
    const base::UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.valid();
}

void set_enroll_status(DWORD status)
{
    namespace regpath = qev::winsys::regpath;
    try {
        // A key made here is opened to Administrators, never to Users.
        if (!regpath::key_exists(qev::winsys::kOwnSettingsKey)) {
            regpath::create_key(qev::winsys::kOwnSettingsKey);
            regpath::ensure_writability(qev::winsys::kOwnSettingsKey, qev::winsys::WriteAccessFor::administrators);
        }
        regpath::write_dword(qev::winsys::kOwnSettingsKey, kEnrollStatusValue, status);
    } catch (const qev::winsys::RegistryException& failure) {
        base::log_wprintf(L"Failed to set %s: %s\n", kEnrollStatusValue, failure.message().c_str());
    }
}

// One endpoint's store with the kinds and keys its enrollment goes to.
class EnrollmentTarget {
public:
    EnrollmentTarget(const AudioEndpointPropertyStore& store, PropertyStoreType kind, const EnrollmentKeys& keys)
        : store_(store), kind_(kind), keys_(keys)
    {}

    void publish(const std::wstring& path, DWORD enrolled) const
    {
        store_.SetString(kind_, keys_.path, path);
        store_.SetDword(kind_, keys_.status, enrolled);
    }

private:
    const AudioEndpointPropertyStore& store_;
    PropertyStoreType kind_;
    const EnrollmentKeys& keys_;
};

// The per-device file the registry records for this user, when there is one.
std::optional<std::wstring> recorded_file(const SyncContext& context, const std::wstring& device)
{
    std::wstring tag;
    const std::wstring key = vpnr_user_device_key(context.user, device);
    const std::wstring subkey = key.substr(key.find(L'\\') + 1);
    if (!qev::winsys::read_string(HKEY_LOCAL_MACHINE, subkey, L"last", tag)) {
        return std::nullopt;
    }
    return context.user + L"_" + tag + L"_" + device + L"_enroll.bin";
}

// Onboard endpoints keep what they have until the default file is checked; others start cleared.
void prepare_default(const AudioEndpointPropertyStore& store, const EnrollmentTarget& target)
{
    DWORD onboard = 0;
    if (!qev::winsys::read_dword(HKEY_LOCAL_MACHINE, store.GetFxPropertiesKeyPath(),
                                 std::wstring(datapath::kListedHardwarePkey), onboard) ||
        onboard == 0) {
        target.publish(L"", 0);
    }
}

void sync_endpoint(IMMDevice* endpoint, const SyncContext& context, const EnrollmentKeys& keys)
{
    std::wstring id;
    if (!qev::winaudio::GetDeviceId(ComPtr<IMMDevice>(endpoint), id)) {
        return;
    }
    const StoreKinds kinds = store_kinds(id, context.windows11);
    const AudioEndpointPropertyStore store{ComPtr<IMMDevice>(endpoint), std::wstring(datapath::kApoContextClsid)};
    if (!supports_voice_print(store, kinds.read, keys.support)) {
        return;
    }
    const std::wstring device = device_identifier(endpoint);
    if (device.empty()) {
        return;
    }
    const EnrollmentTarget target(store, kinds.write, keys);
    std::optional<std::wstring> file = recorded_file(context, device);
    if (!file) {
        prepare_default(store, target);
        file = context.user + L"_default_onboard_enroll.bin";
    }
    const std::wstring path = context.directory ? *context.directory + L"\\" + *file : std::wstring();
    const bool enrolled = !path.empty() && file_opens(path);
    target.publish(enrolled ? path : L"", enrolled ? 1 : 0);
    set_enroll_status(enrolled ? 1 : 0);
}

}  // namespace

void sync_user_enrollment()
{
    const base::ComInit com(COINIT_MULTITHREADED, COINIT_APARTMENTTHREADED);
    const SyncContext context{console_user_name(), enrollment_directory(), is_windows11()};
    EnrollmentKeys keys{};
    std::vector<ComPtr<IMMDevice>> endpoints;
    if (enrollment_keys(keys) && qev::winaudio::EnumerateEndpoints(endpoints, eCapture)) {
        for (const ComPtr<IMMDevice>& endpoint : endpoints) {
            sync_endpoint(endpoint.Get(), context, keys);
        }
    }
    base::log_wprintf(L"sync_user_enrollment: done for console user \"%s\"\n", context.user.c_str());
}

}  // namespace qev::vpnr
