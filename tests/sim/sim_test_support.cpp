#include "sim_test_support.h"

#include <gtest/gtest.h>

#include <propsys.h>
#include <propvarutil.h>

#include <fstream>
#include <string>

#include "property_codec.h"

namespace qevsim::test {

namespace {

const char* kMachineTemplate = R"(Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows NT\CurrentVersion]
"CurrentBuildNumber"="@BUILD@"
"CurrentMajorVersionNumber"=dword:0000000a
"CurrentMinorVersionNumber"=dword:00000000

[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\MMDevices\Audio\Render\{11111111-0000-4000-8000-000000000001}]
"DeviceState"=dword:00000001
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\MMDevices\Audio\Render\{11111111-0000-4000-8000-000000000001}\Properties]
"{a45c254e-df1c-4efd-8020-67d146a850e0},14"="Test Speakers"
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\MMDevices\Audio\Render\{11111111-0000-4000-8000-000000000001}\FxProperties]
"{d04e05a6-594b-4fb6-a80d-01af5eed7d1d},14"=multi:"{AAAAAAAA-0000-4000-8000-000000000001}"

[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\MMDevices\Audio\Capture\{11111111-0000-4000-8000-000000000002}]
"DeviceState"=dword:00000001
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\MMDevices\Audio\Capture\{11111111-0000-4000-8000-000000000002}\Properties]
"{a45c254e-df1c-4efd-8020-67d146a850e0},14"="Test Mic"
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\MMDevices\Audio\Capture\{11111111-0000-4000-8000-000000000002}\FxProperties\{4D99D9D2-C5DE-4A46-8E6E-6D7307FE73FF}\Default]
"{e3c9c164-ad30-4aee-863e-01e4b0847f62},9980"=dword:00000007
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\MMDevices\Audio\Capture\{11111111-0000-4000-8000-000000000002}\FxProperties\{4D99D9D2-C5DE-4A46-8E6E-6D7307FE73FF}\User]
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\MMDevices\Audio\Capture\{11111111-0000-4000-8000-000000000002}\FxProperties\{4D99D9D2-C5DE-4A46-8E6E-6D7307FE73FF}\Volatile]

[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\MMDevices\Audio\Capture\{11111111-0000-4000-8000-000000000003}]
"DeviceState"=dword:00000002
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\MMDevices\Audio\Capture\{11111111-0000-4000-8000-000000000003}\Properties]
"{a45c254e-df1c-4efd-8020-67d146a850e0},14"="Test Line In"

[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\MMDevices\Audio\Capture\{11111111-0000-4000-8000-000000000005}]
"DeviceState"=dword:00000001
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\MMDevices\Audio\Capture\{11111111-0000-4000-8000-000000000005}\Properties]
"{a45c254e-df1c-4efd-8020-67d146a850e0},14"="Test USB Mic"
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\MMDevices\Audio\Capture\{11111111-0000-4000-8000-000000000005}\FxProperties]
)";

}  // namespace

ToolResult runQevsim(const std::vector<std::wstring>& args)
{
    std::wstring output;
    const int code = qev::winaudio::test::SimMachine::Run(args, &output);
    return {static_cast<DWORD>(code), std::string(output.begin(), output.end())};
}

void loadTestMachine(unsigned build)
{
    std::string text = kMachineTemplate;
    text.replace(text.find("@BUILD@"), 7, std::to_string(build));
    loadMachineText(text);
}

void loadMachineText(const std::string& text)
{
    const ToolResult registered = runQevsim({L"register"});
    ASSERT_EQ(registered.exitCode, 0u) << registered.output;
    const std::wstring path = writeTempFile(L"qevsim_test_machine.reg", text);
    const ToolResult loaded = runQevsim({L"load", path});
    ::DeleteFileW(path.c_str());
    ASSERT_EQ(loaded.exitCode, 0u) << loaded.output;
}

std::wstring writeTempFile(const wchar_t* name, const std::string& text)
{
    wchar_t directory[MAX_PATH];
    ::GetTempPathW(MAX_PATH, directory);
    const std::wstring path = std::wstring(directory) + name;
    std::ofstream(path.c_str(), std::ios::binary | std::ios::trunc) << text;
    return path;
}

ComPtr<IMMDeviceEnumerator> makeEnumerator()
{
    ComPtr<IMMDeviceEnumerator> enumerator;
    EXPECT_EQ(::CoCreateInstance(kDeviceEnumeratorClsid, nullptr, CLSCTX_ALL, __uuidof(IMMDeviceEnumerator),
                                 reinterpret_cast<void**>(enumerator.GetAddressOf())),
              S_OK);
    return enumerator;
}

ComPtr<IPolicyConfig> makePolicyConfig()
{
    ComPtr<IPolicyConfig> config;
    EXPECT_EQ(::CoCreateInstance(kPolicyConfigClsid, nullptr, CLSCTX_ALL, __uuidof(IPolicyConfig),
                                 reinterpret_cast<void**>(config.GetAddressOf())),
              S_OK);
    return config;
}

ComPtr<IMMDevice> device(const std::wstring& id)
{
    ComPtr<IMMDevice> result;
    const auto enumerator = makeEnumerator();
    if (enumerator) {
        EXPECT_EQ(enumerator->GetDevice(id.c_str(), result.GetAddressOf()), S_OK);
    }
    return result;
}

HRESULT activateEffectsStore(const std::wstring& endpoint, ComPtr<IAudioSystemEffectsPropertyStore>* store)
{
    GUID context{};
    EXPECT_EQ(::CLSIDFromString(kApoContext, &context), S_OK);
    PROPVARIANT parameter;
    EXPECT_EQ(InitPropVariantFromCLSID(context, &parameter), S_OK);
    const auto endpointDevice = device(endpoint);
    const HRESULT hr =
        endpointDevice ? endpointDevice->Activate(__uuidof(IAudioSystemEffectsPropertyStore), CLSCTX_ALL, &parameter,
                                                  reinterpret_cast<void**>(store->ReleaseAndGetAddressOf()))
                       : E_FAIL;
    PropVariantClear(&parameter);
    return hr;
}

std::wstring storePath(const std::wstring& endpointKey, const wchar_t* store)
{
    return endpointKey + L"\\FxProperties\\" + kApoContext + L"\\" + store;
}

void createStoreKeys(const std::wstring& endpointKey)
{
    for (const wchar_t* store : {L"Default", L"User", L"Volatile"}) {
        HKEY created = nullptr;
        ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, storePath(endpointKey, store).c_str(), 0, nullptr, 0,
                                    KEY_READ | KEY_WOW64_64KEY, nullptr, &created, nullptr),
                  ERROR_SUCCESS);
        ::RegCloseKey(created);
    }
}

PROPVARIANT number(UINT value)
{
    PROPVARIANT result;
    InitPropVariantFromUInt32(value, &result);
    return result;
}

PROPERTYKEY key(const wchar_t* text)
{
    const auto parsed = PropertyCodec::parseValueName(text);
    EXPECT_TRUE(parsed.has_value()) << "bad key in test";
    return parsed.value_or(PROPERTYKEY{});
}

RawValue rawRead(const std::wstring& path, const std::wstring& name)
{
    RawValue value;
    DWORD size = 0;
    value.status = ::RegGetValueW(HKEY_LOCAL_MACHINE, path.c_str(), name.c_str(), RRF_RT_ANY | RRF_NOEXPAND,
                                  &value.type, nullptr, &size);
    if (value.status != ERROR_SUCCESS) {
        return value;
    }
    value.data.resize(size);
    value.status = ::RegGetValueW(HKEY_LOCAL_MACHINE, path.c_str(), name.c_str(), RRF_RT_ANY | RRF_NOEXPAND,
                                  &value.type, value.data.data(), &size);
    value.data.resize(size);
    return value;
}

LONG rawWrite(const std::wstring& path, const std::wstring& name, DWORD type, const void* data, DWORD size)
{
    HKEY key = nullptr;
    LONG rc = ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY,
                                nullptr, &key, nullptr);
    if (rc != ERROR_SUCCESS) {
        return rc;
    }
    rc = ::RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    ::RegCloseKey(key);
    return rc;
}

std::wstring rawString(const RawValue& value)
{
    std::wstring text(reinterpret_cast<const wchar_t*>(value.data.data()), value.data.size() / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') {
        text.pop_back();
    }
    return text;
}

bool keyPresent(HKEY root, const std::wstring& path)
{
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS) {
        return false;
    }
    ::RegCloseKey(key);
    return true;
}

}  // namespace qevsim::test
