#include "effects/environment/apo_environment.h"

#include <fstream>

#include "apo_laptop.h"

namespace qev::effects::test {
namespace {

constexpr wchar_t kProductKey[] = L"SYSTEM\\CurrentControlSet\\Control\\vestaRion";
constexpr wchar_t kClsidKey[] = L"SOFTWARE\\Classes\\CLSID";
constexpr wchar_t kDriverVersionKey[] = L"\\Properties\\{a8b865dd-2e3d-4094-ad97-e593a70c75d6}\\0003";
constexpr wchar_t kApoDeviceKey[] =
    L"SYSTEM\\CurrentControlSet\\Enum\\SWD\\DRIVERENUM\\{fc6d7d4e-5d4b-4cf6-ac04-7a585769b45f}#vestaRionAPO&1&2f1a3b7c&"
    L"0";
constexpr wchar_t kServiceKey[] =
    L"SYSTEM\\CurrentControlSet\\Enum\\SWD\\DRIVERENUM\\{5c4c3332-344d-483c-8739-259e934c9cc8}#vestaRionService&1&"
    L"2f1a3b7c&0";
constexpr wchar_t kApoInf[] =
    L"C:\\Windows\\System32\\DriverStore\\FileRepository\\vestarionapo.inf_amd64_3f2a1b0c9d8e7f60\\vestarionapo.inf";
constexpr wchar_t kRegisteredServer[] =
    L"%SystemRoot%\\System32\\DriverStore\\FileRepository\\vestarionapo.inf_amd64_3f2a1b0c9d8e7f60\\qevapo.dll";
const wchar_t* const kApoClasses[] = {kGeneric,    L"{FAE69183-9AB3-4430-A681-DAE714E7B74A}", kStream,    kCaptureMode,
                                      kEndpointFx, L"{FE15EEBD-6292-4CE7-AA01-8094EFB27E7A}", kRenderMode};

struct Write {
    std::wstring subkey;
    std::wstring name;
    DWORD type;
    std::wstring text;
};

Write Version(const std::wstring& deviceKey, const std::wstring& text)
{
    return {deviceKey + kDriverVersionKey, L"", 0xFFFF0012, text};
}

Write Server(const std::wstring& clsid)
{
    return {std::wstring(kClsidKey) + L"\\" + clsid + L"\\InProcServer32", L"", REG_SZ, L"C:\\old\\qevapo.dll"};
}

// How many of the APO's classes are registered globally; "-" or the stream effect's server.
std::pair<int, std::wstring> Registrations()
{
    int count = 0;
    for (const wchar_t* clsid : kApoClasses) {
        count += ValueText(std::wstring(kClsidKey) + L"\\" + clsid + L"\\InProcServer32", L"") != L"-" ? 1 : 0;
    }
    return {count, ValueText(std::wstring(kClsidKey) + L"\\" + kStream + L"\\InProcServer32", L"")};
}

std::vector<BYTE> ClsidKeyDacl()
{
    HKEY key = nullptr;
    std::vector<BYTE> dacl(4096);
    DWORD size = static_cast<DWORD>(dacl.size());
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kClsidKey, 0, READ_CONTROL, &key) == ERROR_SUCCESS) {
        RegGetKeySecurity(key, DACL_SECURITY_INFORMATION, dacl.data(), &size);
        RegCloseKey(key);
    }
    dacl.resize(size);
    return dacl;
}

TEST_F(ApoLaptop, EnvironmentFollowsTheDeploymentAndTheMarkedEndpoints)
{
    struct Row {
        const char* name;
        unsigned build;
        Edits edits;
        std::vector<Write> writes;
        bool infWithoutServer;
        std::uint32_t mode;
        std::uint32_t capture[2];  // environment, variant
        std::uint32_t render[2];
        const wchar_t* lastChecked;
        int registered;  // APO classes registered globally afterwards
        size_t captureReferences;
        const wchar_t* devicePath;
        std::wstring micModeList;
    };
    const std::wstring micModes = std::wstring(kForeign14) + L"|" + kCaptureMode;
    const Row rows[] = {
        {"Windows 11, INF with AudioEngine",
         22631,
         {},
         {},
         false,
         2,
         {1, 1},
         {1, 1},
         L"1.2.1837.0",
         0,
         0,
         kApoDevice,
         micModes},
        {"Windows 10 registers the classes",
         19045,
         {},
         {},
         false,
         1,
         {0, 1},
         {0, 1},
         L"1.2.1837.0",
         7,
         0,
         L"",
         micModes},
        {"version already checked",
         19045,
         {},
         {{kProductKey, L"LastCheckedAPOVersion", REG_SZ, L"1.2.1837.0"}},
         false,
         1,
         {0, 1},
         {0, 1},
         L"1.2.1837.0",
         0,
         0,
         L"",
         micModes},
        {"revision 1837 beside another service version",
         19045,
         {},
         {Version(kServiceKey, L"1.2.0.1800"), Version(kApoDeviceKey, L"1.2.0.1837")},
         false,
         1,
         {0, 1},
         {0, 1},
         L"1.2.0.1837",
         7,
         0,
         L"",
         micModes},
        {"other revision beside another service version",
         19045,
         {},
         {Version(kServiceKey, L"1.2.0.1800"), Version(kApoDeviceKey, L"1.2.0.1838")},
         false,
         1,
         {0, 1},
         {0, 1},
         L"-",
         0,
         0,
         L"",
         micModes},
        {"Windows 11 deletes global registrations",
         22631,
         {},
         {Server(kStream), Server(kGeneric)},
         false,
         2,
         {1, 1},
         {1, 1},
         L"1.2.1837.0",
         0,
         0,
         kApoDevice,
         micModes},
        {"INF naming no server: tried again later", 19045, {}, {}, true, 1, {0, 1}, {0, 1}, L"-", 0, 0, L"", micModes},
        {"no service version",
         22631,
         {},
         {Version(kServiceKey, L"")},
         false,
         0,
         {1, 1},
         {1, 1},
         L"-",
         0,
         0,
         L"",
         micModes},
        {"generic render APO",
         22631,
         GenericSpeakers(),
         {},
         false,
         2,
         {1, 1},
         {0, 0},
         L"1.2.1837.0",
         0,
         0,
         kApoDevice,
         micModes},
        {"a later direction-specific endpoint overrides the generic one",
         22631,
         {GenericSpeakers()[0], GenericSpeakers()[1],
          SetFx(kUsbSpeakers, L"{d04e05a6-594b-4fb6-a80d-01af5eed7d1d},14", L"multi", {kRenderMode}),
          SetFx(kUsbSpeakers, L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},6666", L"dword", {L"1"})},
         {},
         false,
         2,
         {1, 1},
         {1, 1},
         L"1.2.1837.0",
         0,
         0,
         kApoDevice,
         micModes},
        {"both markers: the generic CLSID leaves the lists",
         22631,
         {SetFx(kMicArray, L"{d04e05a6-594b-4fb6-a80d-01af5eed7d1d},14", L"multi",
                {kForeign14, kCaptureMode, kGeneric})},
         {},
         false,
         2,
         {1, 1},
         {1, 1},
         L"1.2.1837.0",
         0,
         0,
         kApoDevice,
         micModes},
        {"HKR reference of a marked endpoint",
         22631,
         {SetFx(kMicArray, std::wstring(kCaptureMode) + L",100", L"sz", {L"SWD\\DRIVERENUM\\other"})},
         {},
         false,
         2,
         {1, 1},
         {1, 1},
         L"1.2.1837.0",
         0,
         1,
         kApoDevice,
         micModes},
    };
    const std::vector<BYTE> dacl = ClsidKeyDacl();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        LoadApo(row.build, row.edits);
        for (const Write& write : row.writes) {
            WriteValue(write.subkey, write.name, write.type, write.text);
        }
        if (row.infWithoutServer) {
            std::ofstream(kApoInf) << "[Version]\r\nClass=AudioProcessingObject\r\n[Strings]\r\n";
        }
        RebuildApoEnvironment();
        const ApoEnvironment environment = GetApoEnvironment();
        EXPECT_EQ(environment.mode, row.mode);
        EXPECT_EQ(environment.capture.environment, row.capture[0]);
        EXPECT_EQ(environment.capture.variant, row.capture[1]);
        EXPECT_EQ(environment.render.environment, row.render[0]);
        EXPECT_EQ(environment.render.variant, row.render[1]);
        EXPECT_EQ(environment.capture.markedEndpoints, std::vector<std::wstring>{kMicArray});
        EXPECT_EQ(environment.capture.hkrReferences.size(), row.captureReferences);
        EXPECT_EQ(environment.apoDevicePath, row.devicePath);
        EXPECT_EQ(ValueText(kProductKey, L"LastCheckedAPOVersion"), row.lastChecked);
        const auto [registered, server] = Registrations();
        EXPECT_EQ(registered, row.registered);
        EXPECT_EQ(server, row.registered > 0 ? kRegisteredServer : L"-");
        EXPECT_EQ(FxText(kMicArray, L"{d04e05a6-594b-4fb6-a80d-01af5eed7d1d},14"), row.micModeList);
        EXPECT_EQ(ClsidKeyDacl(), dacl) << "the class registrations key was opened further";
    }
}

}  // namespace
}  // namespace qev::effects::test
