#include "debug_output_capture.h"
#include "handle_count.h"
#include "sim_machine.h"

#include "sysinfo/apo_class_registration.h"
#include "sysinfo/apo_library_directory.h"
#include "sysinfo/apo_identifiers.h"
#include "sysinfo/apo_software_devices.h"
#include "sysinfo/device_property.h"
#include "sysinfo/driver_store.h"
#include "sysinfo/inf_facts.h"
#include "sysinfo/os_version.h"
#include "sysinfo/wide_text.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <devpkey.h>

#include <array>

namespace qev::sysinfo {
namespace {

using winaudio::test::SimMachine;

constexpr wchar_t kApoInfPath[] =
    L"C:\\Windows\\System32\\DriverStore\\FileRepository\\vestarionapo.inf_amd64_3f2a1b0c9d8e7f60\\vestarionapo.inf";
constexpr wchar_t kDriverVersion[] = L"1.2.1837.0";
constexpr wchar_t kApoInstance[] = L"SWD\\DRIVERENUM\\{fc6d7d4e-5d4b-4cf6-ac04-7a585769b45f}#vestaRionAPO&1&2f1a3b7c&0";
constexpr wchar_t kDriverProperties[] = L"{a8b865dd-2e3d-4094-ad97-e593a70c75d6}\\000";  // + 3: version, 5: INF
// Property keys of our own, so nothing the machine keeps for the device gets in the way.
constexpr wchar_t kTestProperties[] = L"{0E5A1D11-7C3B-4B8E-9A11-5E7E57C1B001}\\000";

constexpr DEVPROPKEY TestKey(DEVPROPID pid)
{
    return {{0x0e5a1d11, 0x7c3b, 0x4b8e, {0x9a, 0x11, 0x5e, 0x7e, 0x57, 0xc1, 0xb0, 0x01}}, pid};
}

// Stores (or with no data deletes) a property of the APO device where Wine's SetupAPI keeps it: the
// property type is the value type.
void SetApoProperty(const std::wstring& key, DEVPROPTYPE type, const void* data, size_t size)
{
    const std::wstring path =
        std::wstring(L"SYSTEM\\CurrentControlSet\\Enum\\") + kApoInstance + L"\\Properties\\" + key;
    ASSERT_EQ(data != nullptr ? RegSetKeyValueW(HKEY_LOCAL_MACHINE, path.c_str(), nullptr, 0xFFFF0000u | type, data,
                                                static_cast<DWORD>(size))
                              : RegDeleteKeyW(HKEY_LOCAL_MACHINE, path.c_str()),
              ERROR_SUCCESS);
}

TEST(SimulatedMachineSysinfo, DefaultMachineAnswersEveryQueryAndReleasesWhatItOpens)
{
    ASSERT_NO_FATAL_FAILURE(SimMachine::Load("default"));
    const struct {
        const wchar_t* name;
        const wchar_t* class_guid;  // null: none
        bool parameters;
    } instances[] = {
        {L"{qevtest-a}#VestaRionAPO&1", L"{5989fce8-9cd0-467d-8a6a-5419e31529d4}", true},
        {L"{qevtest-b}#vestaRionAPO&2", L"{5989FCE8-9CD0-467D-8A6A-5419E31529D4}", true},
        {L"{qevtest-c}#vestaRionAPO&NoParameters", L"{5989FCE8-9CD0-467D-8A6A-5419E31529D4}", false},
        {L"{qevtest-d}#OtherAPO&1", L"{5989FCE8-9CD0-467D-8A6A-5419E31529D4}", true},
        {L"{qevtest-f}#vestaRionAPO&NoClass", nullptr, true},
    };
    for (const auto& instance : instances) {
        const std::wstring key = std::wstring(L"SYSTEM\\CurrentControlSet\\Enum\\SWD\\DRIVERENUM\\") + instance.name;
        const std::wstring parameters = instance.parameters ? key + L"\\Device Parameters" : key;
        ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, parameters.c_str(), L"qevtest", REG_SZ, L"", sizeof(wchar_t)), 0);
        if (instance.class_guid != nullptr) {
            ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), L"ClassGUID", REG_SZ, instance.class_guid,
                                      static_cast<DWORD>((wcslen(instance.class_guid) + 1) * sizeof(wchar_t))),
                      0);
        }
    }
    const auto round = [] {
        EXPECT_EQ(GetApoDriverVersion(), kDriverVersion);
        EXPECT_EQ(GetAudioServiceDriverVersion(), kDriverVersion);
        const std::wstring inf = GetApoInfPath();
        ASSERT_EQ(inf, kApoInfPath);
        EXPECT_TRUE(InfHasAudioEngine(inf));
        EXPECT_FALSE(InfHasAudioEngine(L"C:\\no\\such.inf"));
        std::vector<std::wstring> class_ids;
        ASSERT_TRUE(GetInfClassIds(inf, class_ids));
        // The [Strings] values of the tokens used before \InprocServer32, in the order of use.
        EXPECT_EQ(class_ids, (std::vector<std::wstring>{
                                 L"{F005D60E-B43A-46CF-BAD3-6ACB1D314511}", L"{FC6D7D4E-5D4B-4CF6-AC04-7A585769B45F}",
                                 L"{FB19AA08-04A2-4810-8846-DF71A3DA56DB}", L"{FD278210-3175-4909-B46A-DF2CA8C20D46}",
                                 L"{FA8B455E-13FB-4D1B-8DCF-4E1239DAD425}"}));
        OsVersion version;
        ASSERT_TRUE(GetOsVersion(version));
        EXPECT_EQ((std::array<int, 4>{version.major, version.minor, version.build, version.revision}),
                  (std::array<int, 4>{10, 0, 22631, 0x116c}));
        // The predicate sees bare names, only of APO-class instances (in any case) with parameters; the
        // audio service component is of another class.
        std::vector<std::wstring> seen;
        std::vector<std::wstring> devices = {L"kept"};
        ASSERT_TRUE(ListApoSoftwareDevices(
            [&](const std::wstring& instance) {
                seen.push_back(instance);
                return ContainsIgnoreCase(instance, L"vestaRionAPO");
            },
            devices));
        EXPECT_EQ(devices,
                  (std::vector<std::wstring>{L"kept", kApoInstance, L"SWD\\DRIVERENUM\\{qevtest-a}#VestaRionAPO&1",
                                             L"SWD\\DRIVERENUM\\{qevtest-b}#vestaRionAPO&2"}));
        EXPECT_EQ(seen, (std::vector<std::wstring>{kApoInstance + 15, L"{qevtest-a}#VestaRionAPO&1",
                                                   L"{qevtest-b}#vestaRionAPO&2", L"{qevtest-d}#OtherAPO&1"}));
        EXPECT_EQ(
            FindApoLibraryDirectory(L"{FB19AA08-04A2-4810-8846-DF71A3DA56DB}", L"vestaRion") + L"\\vestarionapo.inf",
            inf);
        EXPECT_EQ(FindApoLibraryDirectory(L"{0E5A1D11-7C3B-4B8E-9A11-5E7E57C1A2FF}", L"vestaRion"), L"");
        EXPECT_FALSE(IsApoClassRegistered());
        EXPECT_FALSE(IsApoClassRegisteredByDriver());
    };
    round();
    const DWORD before = open_handle_count();
    ASSERT_GT(before, 0u);
    for (int i = 0; i < 200 && !HasFailure(); ++i) {
        round();
    }
    EXPECT_EQ(open_handle_count(), before);
}

TEST(SimulatedMachineSysinfo, MissingDeviceAnswersEmptyAndTheOtherStillAnswers)
{
    const struct {
        const wchar_t* removed;
        bool apo_present;
    } rows[] = {
        {L"{fc6d7d4e-5d4b-4cf6-ac04-7a585769b45f}#vestaRionAPO&1&2f1a3b7c&0", false},
        {L"{5c4c3332-344d-483c-8739-259e934c9cc8}#vestaRionService&1&2f1a3b7c&0", true},
    };
    for (const auto& row : rows) {
        ASSERT_NO_FATAL_FAILURE(SimMachine::Load("default"));
        const std::wstring instance = std::wstring(L"SYSTEM\\CurrentControlSet\\Enum\\SWD\\DRIVERENUM\\") + row.removed;
        ASSERT_EQ(RegDeleteTreeW(HKEY_LOCAL_MACHINE, instance.c_str()), ERROR_SUCCESS);
        EXPECT_EQ(GetApoInfPath(), row.apo_present ? kApoInfPath : L"");
        EXPECT_EQ(GetApoDriverVersion(), row.apo_present ? kDriverVersion : L"");
        EXPECT_EQ(GetAudioServiceDriverVersion(), row.apo_present ? L"" : kDriverVersion);
    }
}

// Only strings and string lists are read, every other type is logged and left out; a device is found by
// a whole hardware id in any case, and only in the given class.
TEST(SimulatedMachineSysinfo, DevicePropertiesAreStringsOrListsOfAWholeIdInTheGivenClass)
{
    ASSERT_NO_FATAL_FAILURE(SimMachine::Load("default"));
    const wchar_t text[] = L"10.0.1.1837";
    const wchar_t list[] = L"first\0second\0";
    const DWORD number = 7;
    const DEVPROP_BOOLEAN flag = DEVPROP_TRUE;
    const FILETIME time{1, 2};
    const struct {
        DEVPROPTYPE type;
        const void* data;
        size_t size;
    } stored[] = {{DEVPROP_TYPE_STRING, text, sizeof(text)},       {DEVPROP_TYPE_STRING_LIST, list, sizeof(list)},
                  {DEVPROP_TYPE_UINT32, &number, sizeof(number)},  {DEVPROP_TYPE_BOOLEAN, &flag, sizeof(flag)},
                  {DEVPROP_TYPE_GUID, &kApoClassId, sizeof(GUID)}, {DEVPROP_TYPE_FILETIME, &time, sizeof(time)}};
    for (DEVPROPID pid = 2; pid < 8; ++pid) {
        SetApoProperty(kTestProperties + std::to_wstring(pid), stored[pid - 2].type, stored[pid - 2].data,
                       stored[pid - 2].size);
    }
    DebugOutputCapture capture;
    const DevicePropertyMap values = GetDevicePropertiesByHardwareId(
        kApoClassId, L"swc\\ven_qev&cid_apo",
        {TestKey(2), TestKey(3), TestKey(4), TestKey(5), TestKey(6), TestKey(7), TestKey(8)});
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(std::get<std::wstring>(values.at(TestKey(2))), text);
    EXPECT_EQ(std::get<std::vector<std::wstring>>(values.at(TestKey(3))),
              (std::vector<std::wstring>{L"first", L"second"}));
    const std::vector<std::string> expected = {
        "[qev] Type is not implemented\n",
        "[qev] Type is not implemented\n",
        "[qev] Type is not implemented\n",
        "[qev] Unexpected prop type: 0x00000010\n",
        "[qev] Failed to get device property buffer size, 0x00000490\n",
    };
    EXPECT_EQ(capture.lines(), expected);
    for (const auto& [device_class, id] : {std::pair{&kSoftwareComponentClassId, L"SWC\\VEN_QEV&CID_APO"},
                                           {&kApoClassId, L"SWC\\VEN_QEV"},
                                           {&kApoClassId, L"SWC\\VEN_QEV&CID_APO2"}}) {
        EXPECT_TRUE(GetDevicePropertiesByHardwareId(*device_class, id, {TestKey(2)}).empty()) << id;
    }
    EXPECT_EQ(capture.lines().size(), expected.size());
}

TEST(SimulatedMachineSysinfo, DriverStoreAnswersEmptyForMissingMistypedOrUnlocatedProperties)
{
    ASSERT_NO_FATAL_FAILURE(SimMachine::Load("default"));
    SetApoProperty(kDriverProperties + std::wstring(L"3"), 0, nullptr, 0);
    SetApoProperty(kDriverProperties + std::wstring(L"5"), 0, nullptr, 0);
    {
        DebugOutputCapture capture;
        EXPECT_EQ(GetApoDriverVersion(), L"");
        EXPECT_EQ(GetApoInfPath(), L"");
        EXPECT_EQ(capture.lines(),
                  std::vector<std::string>(2, "[qev] Failed to get device property buffer size, 0x00000490\n"));
    }
    const wchar_t version[] = L"1.2.1837.0\0";
    SetApoProperty(kDriverProperties + std::wstring(L"3"), DEVPROP_TYPE_STRING_LIST, version, sizeof(version));
    EXPECT_EQ(GetApoDriverVersion(), L"");
    const wchar_t inf[] = L"oem42.inf";
    SetApoProperty(kDriverProperties + std::wstring(L"5"), DEVPROP_TYPE_STRING, inf, sizeof(inf));
    DebugOutputCapture capture;
    EXPECT_EQ(GetApoInfPath(), L"");
    EXPECT_EQ(capture.lines(), std::vector<std::string>{"[qev] Failed to get inf location: 0x00000490\n"});
}

}  // namespace
}  // namespace qev::sysinfo
