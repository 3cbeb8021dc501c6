#include "winaudio/endpoint_key_paths.h"

#include <regex>

namespace qev::winaudio {

namespace {

constexpr wchar_t kRenderBase[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\MMDevices\\Audio\\Render";
constexpr wchar_t kCaptureBase[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\MMDevices\\Audio\\Capture";

// The endpoint GUID: the first braced GUID of the id (the leading component is not a GUID).
bool find_endpoint_guid(const std::wstring& endpointId, std::wstring& guid)
{
    static const std::wregex pattern(L"\\{[a-f0-9]{8}-([a-f0-9]{4}-){3}[a-f0-9]{12}\\}",
                                     std::regex_constants::ECMAScript | std::regex_constants::icase);
    std::wsmatch match;
    if (!std::regex_search(endpointId, match, pattern)) {
        return false;
    }
    guid = match.str(0);
    return true;
}

}  // namespace

EndpointKeyPaths EndpointKeyPaths::Build(const std::wstring& endpointId, EDataFlow flow,
                                         const std::wstring& effectContext, bool isWindows11)
{
    EndpointKeyPaths paths;
    std::wstring guid;
    if ((flow != eRender && flow != eCapture) || !find_endpoint_guid(endpointId, guid)) {
        return paths;
    }
    paths.endpoint = std::wstring(flow == eRender ? kRenderBase : kCaptureBase) + L"\\" + guid;
    paths.properties = paths.endpoint + L"\\Properties";
    paths.fxProperties = paths.endpoint + L"\\FxProperties";
    if (!effectContext.empty() && isWindows11) {
        const std::wstring effectKey = paths.fxProperties + L"\\" + effectContext;
        paths.defaultStore = effectKey + L"\\Default";
        paths.userStore = effectKey + L"\\User";
        paths.volatileStore = effectKey + L"\\Volatile";
    }
    return paths;
}

}  // namespace qev::winaudio
