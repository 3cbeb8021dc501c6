#include "sysinfo/apo_class_registration.h"
#include "sysinfo/apo_identifiers.h"
#include "sysinfo/apo_library_directory.h"
#include "sysinfo/apo_software_devices.h"
#include "sysinfo/device_property.h"
#include "sysinfo/driver_store.h"
#include "sysinfo/inf_facts.h"
#include "sysinfo/os_version.h"

#include "device_seed.h"
#include "registry_seed.h"
#include "temp_file.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <devpkey.h>

#include <functional>

namespace qev::sysinfo {
namespace {

constexpr wchar_t kTestClass[] = L"{0E5A1D11-7C3B-4B8E-9A11-5E7E57C1A201}";
constexpr int kRounds = 300;

// Wine's GetProcessHandleCount always answers 0; probing every handle value counts what is open
// (registry keys included).
unsigned handle_count()
{
    unsigned count = 0;
    for (ULONG_PTR value = 4; value <= 0x10000; value += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) {
            ++count;
        }
    }
    return count;
}

// Runs every query, on success and failure paths, many times; the process must hold no more
// handles afterwards than after the first round.
TEST(HandleRelease, QueriesReleaseEverythingTheyOpen)
{
    test::RegistrySeed seed;
    const std::wstring driver =
        L"SYSTEM\\CurrentControlSet\\Control\\Class\\{5989fce8-9cd0-467d-8a6a-5419e31529d4}\\9931";
    seed.set_string(driver, L"DriverDesc", L"vestaRion APO");
    seed.set_string(driver, L"DriverDate", L"6-15-2024");
    seed.set_string(driver, L"DriverVersion", L"10.0.1.1837");
    seed.set_string(driver + L"\\Classes\\CLSID\\" + kTestClass + L"\\InProcServer32", L"", L"C:\\qev\\apo.dll");
    seed.set_string(L"SYSTEM\\CurrentControlSet\\Enum\\SWD\\DRIVERENUM\\qevtest#vestaRionAPO", L"ClassGUID",
                    kApoClassGuid);
    seed.create(L"SYSTEM\\CurrentControlSet\\Enum\\SWD\\DRIVERENUM\\qevtest#vestaRionAPO\\Device Parameters");
    test::DeviceSeed apo(L"ROOT\\QEVTEST_HANDLES\\0000", kApoClassGuid, {kApoHardwareId});
    apo.set_string_property(DEVPKEY_Device_DriverVersion, L"10.0.1.1837");
    apo.set_string_property(DEVPKEY_Device_DriverInfPath, L"oem42.inf");
    test::TempFile inf(L"handles.inf",
                       "[A]\nHKCR,CLSID\\%X%\\InprocServer32,,,a.dll\nHKR,AudioEngine\n[Strings]\n"
                       "X = \"{FC6D7D4E-5D4B-4CF6-AC04-7A585769B45F}\"\n");

    const std::function<void()> round = [&] {
        OsVersion version;
        GetOsVersion(version);
        EXPECT_EQ(FindApoLibraryDirectory(kTestClass, L"vestaRion"), L"C:\\qev");
        FindApoLibraryDirectory(L"{0E5A1D11-7C3B-4B8E-9A11-5E7E57C1A2FF}", L"vestaRion");
        EXPECT_EQ(GetApoDriverVersion(), L"10.0.1.1837");
        GetAudioServiceDriverVersion();
        GetApoInfPath();
        GetDevicePropertiesByHardwareId(kApoClassId, kApoHardwareId,
                                        {DEVPKEY_Device_DriverVersion, DEVPKEY_Device_DriverDesc});
        IsApoClassRegistered();
        IsApoClassRegisteredByDriver();
        std::vector<std::wstring> paths;
        ListApoSoftwareDevices([](const std::wstring&) { return true; }, paths);
        std::vector<std::wstring> ids;
        EXPECT_TRUE(GetInfClassIds(inf.path(), ids));
        EXPECT_TRUE(InfHasAudioEngine(inf.path()));
        InfHasAudioEngine(L"C:\\no\\such.inf");
    };
    round();
    const unsigned before = handle_count();
    ASSERT_GT(before, 0u);
    for (int i = 0; i < kRounds; ++i) {
        round();
    }
    EXPECT_EQ(handle_count(), before);
}

}  // namespace
}  // namespace qev::sysinfo
