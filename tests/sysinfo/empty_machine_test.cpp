// A machine key without devices, drivers or classes: this process's HKEY_LOCAL_MACHINE redirected to
// an empty key, which SetupAPI reads too.
#include "sysinfo/apo_class_registration.h"
#include "sysinfo/apo_library_directory.h"
#include "sysinfo/apo_software_devices.h"
#include "sysinfo/driver_store.h"

#include "debug_output_capture.h"
#include "local_machine_override.h"
#include "registry_seed.h"

#include <gtest/gtest.h>

namespace qev::sysinfo {
namespace {

TEST(EmptyMachine, QueriesAnswerEmptyTheDriverStoreLogsNothingAndNoClassIsRegistered)
{
    test::LocalMachineOverride machine;
    ASSERT_TRUE(machine.active());
    DebugOutputCapture capture;
    EXPECT_EQ(GetApoInfPath(), L"");
    EXPECT_EQ(GetApoDriverVersion(), L"");
    EXPECT_EQ(GetAudioServiceDriverVersion(), L"");
    EXPECT_TRUE(capture.lines().empty());
    EXPECT_EQ(FindApoLibraryDirectory(L"{0E5A1D11-7C3B-4B8E-9A11-5E7E57C1A001}", L"vestaRion"), L"");
    std::vector<std::wstring> paths;
    EXPECT_FALSE(ListApoSoftwareDevices([](const std::wstring&) { return true; }, paths));
    EXPECT_TRUE(paths.empty());
    // The class registrations key is repaired before anything is created under it; without it nothing is
    // written.
    EXPECT_FALSE(IsApoClassRegistered());
    EXPECT_FALSE(RegisterApoClass(L"{0E5A1D11-7C3B-4B8E-9A11-5E7E57C1A101}", L"C:\\Windows\\System32\\qevapo.dll"));
    EXPECT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE"));
}

}  // namespace
}  // namespace qev::sysinfo
