#include "effects/settings/endpoint_fx_paths.h"

#include "winsys/registry.h"

namespace qev::effects {

namespace {

constexpr wchar_t kAudioKey[] = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\MMDevices\\Audio\\";
constexpr wchar_t kFxAudioKey[] =
    L"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\MMDevices\\Audio\\";

const wchar_t* direction_word(EndpointDirection direction)
{
    return direction == EndpointDirection::Capture ? L"Capture" : L"Render";
}

// audioKey + direction word + "\" + the id from its last "{" (the braced endpoint GUID).
std::wstring join_endpoint_key(const wchar_t* audioKey, const std::wstring& endpointId, EndpointDirection direction)
{
    const size_t guid = endpointId.rfind(L'{');
    if (direction == EndpointDirection::Unknown || guid == std::wstring::npos) {
        return {};
    }
    return audioKey + std::wstring(direction_word(direction)) + L"\\" + endpointId.substr(guid);
}

}  // namespace

std::wstring EndpointFxPaths::EndpointKeyPath(const std::wstring& endpointId, EndpointDirection direction)
{
    return join_endpoint_key(kAudioKey, endpointId, ResolveDirection(endpointId, direction));
}

std::wstring EndpointFxPaths::EndpointPropertiesKeyPath(const std::wstring& endpointId, EndpointDirection direction)
{
    const std::wstring key = EndpointKeyPath(endpointId, direction);
    return key.empty() ? key : key + L"\\Properties";
}

std::wstring EndpointFxPaths::EndpointFxKeyPath(const std::wstring& endpointId, std::uint32_t code)
{
    if (code != 1 && code != 2) {
        return {};
    }
    const EndpointDirection direction = code == 1 ? EndpointDirection::Capture : EndpointDirection::Render;
    const std::wstring key = join_endpoint_key(kFxAudioKey, endpointId, direction);
    return key.empty() ? key : key + L"\\FxProperties";
}

std::wstring EndpointFxPaths::EndpointFxKeyPath(const std::wstring& endpointId, EndpointDirection direction)
{
    switch (ResolveDirection(endpointId, direction)) {
    case EndpointDirection::Capture:
        return EndpointFxKeyPath(endpointId, std::uint32_t{1});
    case EndpointDirection::Render:
        return EndpointFxKeyPath(endpointId, std::uint32_t{2});
    default:
        return {};
    }
}

std::wstring EndpointFxPaths::BackupKeyPath(StoreGeneration generation, EndpointDirection direction)
{
    return std::wstring(winsys::kOwnSettingsKey) + L"\\External\\" +
           (generation == StoreGeneration::PerApoStores ? L"v3\\" : L"v2\\") + direction_word(direction);
}

}  // namespace qev::effects
