#include "effects/environment/apo_environment.h"

#include <array>
#include <fstream>

#include "effects_on_laptop.h"
#include "key_security_probe.h"

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

using Writes = std::vector<Write>;

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

TEST_F(ApoLaptop, EnvironmentFollowsTheDeploymentAndTheMarkedEndpoints)
{
    const std::wstring modes = L"{d04e05a6-594b-4fb6-a80d-01af5eed7d1d},14";
    const Writes already = {{kProductKey, L"LastCheckedAPOVersion", REG_SZ, L"1.2.1837.0"}};
    const Writes servers = {Server(kStream), Server(kGeneric)};
    const Writes noService = {Version(kServiceKey, L"")};
    const Writes otherService = {Version(kServiceKey, L"1.2.0.1800"), Version(kApoDeviceKey, L"1.2.0.1837")};
    const Writes otherRevision = {Version(kServiceKey, L"1.2.0.1800"), Version(kApoDeviceKey, L"1.2.0.1838")};
    const Edits generic = GenericSpeakers();
    const Edits later = {generic[0], generic[1], SetFx(kUsbSpeakers, modes, L"multi", {kRenderMode}),
                         SetFx(kUsbSpeakers, L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},6666", L"dword", {L"1"})};
    const Edits both = {SetFx(kMicArray, modes, L"multi", {kForeign14, kCaptureMode, kGeneric})};
    const Edits hkr = {SetFx(kMicArray, std::wstring(kCaptureMode) + L",100", L"sz", {L"SWD\\DRIVERENUM\\x"})};
    const wchar_t* const ok = L"1.2.1837.0";
    const wchar_t* const apo = kApoDevice;
    struct Row {
        const char* name;
        unsigned build;
        Edits edits;
        Writes writes;
        bool infWithoutServer;
        std::uint32_t mode;
        std::array<std::uint32_t, 4> directions;  // capture environment and variant, then render's
        const wchar_t* lastChecked;
        int registered;  // APO classes registered globally afterwards
        size_t captureReferences;
        const wchar_t* devicePath;
    };
    const Row rows[] = {
        {"Windows 11, AudioEngine INF", 22631, {}, {}, false, 2, {1, 1, 1, 1}, ok, 0, 0, apo},
        {"Windows 10 registers classes", 19045, {}, {}, false, 1, {0, 1, 0, 1}, ok, 7, 0, L""},
        {"version already checked", 19045, {}, already, false, 1, {0, 1, 0, 1}, ok, 0, 0, L""},
        {"1837 beside other service", 19045, {}, otherService, false, 1, {0, 1, 0, 1}, L"1.2.0.1837", 7, 0, L""},
        {"other revision and service", 19045, {}, otherRevision, false, 1, {0, 1, 0, 1}, L"-", 0, 0, L""},
        {"11 deletes global classes", 22631, {}, servers, false, 2, {1, 1, 1, 1}, ok, 0, 0, apo},
        {"INF names no server: later", 19045, {}, {}, true, 1, {0, 1, 0, 1}, L"-", 0, 0, L""},
        {"no service version", 22631, {}, noService, false, 0, {1, 1, 1, 1}, L"-", 0, 0, L""},
        {"generic render APO", 22631, generic, {}, false, 2, {1, 1, 0, 0}, ok, 0, 0, apo},
        {"later specific endpoint wins", 22631, later, {}, false, 2, {1, 1, 1, 1}, ok, 0, 0, apo},
        {"both markers: generic leaves", 22631, both, {}, false, 2, {1, 1, 1, 1}, ok, 0, 0, apo},
        {"HKR reference of marked one", 22631, hkr, {}, false, 2, {1, 1, 1, 1}, ok, 0, 1, apo},
    };
    const winsys::test::KeySecurityProbe classes(kClsidKey);
    const std::wstring security = classes.text();
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
        EXPECT_EQ((std::array{environment.capture.environment, environment.capture.variant,
                              environment.render.environment, environment.render.variant}),
                  row.directions);
        EXPECT_EQ(environment.capture.markedEndpoints, std::vector<std::wstring>{kMicArray});
        EXPECT_EQ(environment.capture.hkrReferences.size(), row.captureReferences);
        EXPECT_EQ(environment.apoDevicePath, row.devicePath);
        EXPECT_EQ(ValueText(kProductKey, L"LastCheckedAPOVersion"), row.lastChecked);
        const auto [registered, server] = Registrations();
        EXPECT_EQ(registered, row.registered);
        EXPECT_EQ(server, row.registered > 0 ? kRegisteredServer : L"-");
        EXPECT_EQ(FxText(kMicArray, modes), std::wstring(kForeign14) + L"|" + kCaptureMode);
        EXPECT_EQ(classes.text(), security) << "the class registrations key was opened further";
    }
}

}  // namespace
}  // namespace qev::effects::test
