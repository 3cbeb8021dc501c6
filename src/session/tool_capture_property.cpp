#include "session/tool_capture_property.h"

#include <mmdeviceapi.h>
#include <wrl/client.h>

#include "effects/settings/property_key_text.h"
#include "sysinfo/os_version.h"
#include "winaudio/audio_endpoint_property_store.h"
#include "winaudio/endpoint_queries.h"
#include "winaudio/property_store_type.h"

namespace qev::session {

namespace {

constexpr wchar_t kEffectContext[] = L"{4D99D9D2-C5DE-4A46-8E6E-6D7307FE73FF}";
constexpr wchar_t kToolCaptureKey[] = L"{f673a129-2683-4be8-b889-3a40071f9d93},59";

}  // namespace

void write_tool_capture_flag(const std::wstring& endpointId, DWORD value, unsigned buildNumber)
{
    Microsoft::WRL::ComPtr<IMMDevice> device;
    if (!winaudio::GetDeviceById(endpointId, device)) {
        return;
    }
    const winaudio::AudioEndpointPropertyStore stores(device, kEffectContext);
    PROPERTYKEY key{};
    if (!effects::PropertyKeyFromText(kToolCaptureKey, key)) {
        return;
    }
    const auto kind = buildNumber < sysinfo::kWindows11FirstBuild ? winaudio::PropertyStoreType::FxProperties
                                                                  : winaudio::PropertyStoreType::Volatile;
    stores.SetDword(kind, key, value);
}

}  // namespace qev::session
