#include "sysinfo/driver_store.h"

#include "sysinfo/apo_identifiers.h"

#include "debug_output_capture.h"
#include "device_seed.h"
#include "local_machine_override.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <devpkey.h>

namespace qev::sysinfo {
namespace {

using test::DeviceSeed;

// Wine keeps device properties in the device key and has no driver store; the success paths that need
// one are the simulator's. Here the queries run against devices seeded with the properties themselves.

TEST(DriverStoreWithDevices, ReadsTheDriverVersionsOfTheMatchingDevices)
{
    DeviceSeed apo(L"ROOT\\QEVTEST_APO\\0000", kApoClassGuid, {L"swc\\ven_qev&cid_apo"});
    apo.set_string_property(DEVPKEY_Device_DriverVersion, L"10.0.1.1837");
    DeviceSeed service(L"ROOT\\QEVTEST_SERVICE\\0000", kSoftwareComponentClassGuid, {L"SWC\\VEN_QEV&AUDIOSERVICE"});
    service.set_string_property(DEVPKEY_Device_DriverVersion, L"10.0.1.1836");
    EXPECT_EQ(GetApoDriverVersion(), L"10.0.1.1837");
    EXPECT_EQ(GetAudioServiceDriverVersion(), L"10.0.1.1836");
}

TEST(DriverStoreWithDevices, HardwareIdInTheWrongClassIsNotUsed)
{
    DeviceSeed apo_as_component(L"ROOT\\QEVTEST_APO\\0000", kSoftwareComponentClassGuid, {L"SWC\\VEN_QEV&CID_APO"});
    apo_as_component.set_string_property(DEVPKEY_Device_DriverVersion, L"10.0.1.1837");
    DeviceSeed service_as_apo(L"ROOT\\QEVTEST_SERVICE\\0000", kApoClassGuid, {L"SWC\\VEN_QEV&AUDIOSERVICE"});
    service_as_apo.set_string_property(DEVPKEY_Device_DriverVersion, L"10.0.1.1836");
    EXPECT_EQ(GetApoDriverVersion(), L"");
    EXPECT_EQ(GetAudioServiceDriverVersion(), L"");
}

TEST(DriverStoreWithDevices, MissingOrMistypedPropertiesAreEmpty)
{
    DeviceSeed apo(L"ROOT\\QEVTEST_APO\\0000", kApoClassGuid, {L"SWC\\VEN_QEV&CID_APO"});
    {
        DebugOutputCapture capture;
        EXPECT_EQ(GetApoDriverVersion(), L"");
        EXPECT_EQ(GetApoInfPath(), L"");
        const std::vector<std::string> expected(2, "[qev] Failed to get device property buffer size, 0x00000490\n");
        EXPECT_EQ(capture.lines(), expected);
    }
    apo.set_string_list_property(DEVPKEY_Device_DriverVersion, {L"10.0.1.1837"});
    EXPECT_EQ(GetApoDriverVersion(), L"");
}

TEST(DriverStoreWithDevices, InfPathNeedsTheDriverStore)
{
    DeviceSeed apo(L"ROOT\\QEVTEST_APO\\0000", kApoClassGuid, {L"SWC\\VEN_QEV&CID_APO"});
    apo.set_string_property(DEVPKEY_Device_DriverInfPath, L"oem42.inf");
    DebugOutputCapture capture;
    EXPECT_EQ(GetApoInfPath(), L"");
    // Wine's SetupGetInfDriverStoreLocationW is not implemented.
    EXPECT_EQ(capture.lines(), std::vector<std::string>{"[qev] Failed to get inf location: 0x00000078\n"});
}

// A machine key without devices (this process's HKEY_LOCAL_MACHINE redirected to an empty key, which
// SetupAPI reads too).
TEST(DriverStoreOnEmptyMachine, AnswersEmptyWithoutLogging)
{
    test::LocalMachineOverride machine;
    ASSERT_TRUE(machine.active());
    DebugOutputCapture capture;
    EXPECT_EQ(GetApoInfPath(), L"");
    EXPECT_EQ(GetApoDriverVersion(), L"");
    EXPECT_EQ(GetAudioServiceDriverVersion(), L"");
    EXPECT_TRUE(capture.lines().empty());
}

}  // namespace
}  // namespace qev::sysinfo
