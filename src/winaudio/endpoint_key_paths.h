#pragma once

#include <windows.h>

#include <mmdeviceapi.h>

#include <string>

namespace qev::winaudio {

// Where Windows keeps the stores of one endpoint, relative to HKEY_LOCAL_MACHINE. Every path is
// empty when the endpoint id holds no braced GUID or the flow is neither render nor capture; the
// last three are built only for Windows 11 with an effect context.
struct EndpointKeyPaths {
    std::wstring endpoint;
    std::wstring properties;
    std::wstring fxProperties;
    std::wstring defaultStore;
    std::wstring userStore;
    std::wstring volatileStore;

    static EndpointKeyPaths Build(const std::wstring& endpointId, EDataFlow flow, const std::wstring& effectContext,
                                  bool isWindows11);
};

}  // namespace qev::winaudio
