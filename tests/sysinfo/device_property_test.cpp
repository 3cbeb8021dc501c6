#include "sysinfo/device_property.h"
#include "sysinfo/driver_store.h"

#include "sysinfo/apo_identifiers.h"

#include "debug_output_capture.h"
#include "device_seed.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <devpkey.h>

namespace qev::sysinfo {
namespace {

using test::DeviceSeed;

// Property keys of our own, so nothing Wine keeps for a device gets in the way.
constexpr DEVPROPKEY TestKey(DEVPROPID pid)
{
    return {{0x0e5a1d11, 0x7c3b, 0x4b8e, {0x9a, 0x11, 0x5e, 0x7e, 0x57, 0xc1, 0xb0, 0x01}}, pid};
}

// Only strings and string lists are read, every other type is logged and left out; a device is found by
// a whole hardware id in any case, and only in the given class.
TEST(GetDevicePropertiesByHardwareId, ReadsStringsAndListsOfAWholeIdInTheGivenClass)
{
    const wchar_t hardware_id[] = L"QEVTEST\\SYSINFO_PROPS";
    DeviceSeed device(L"ROOT\\QEVTEST_SYSINFO\\0000", kApoClassGuid, {L"QEVTEST\\OTHER_ID", hardware_id});
    device.set_string_property(TestKey(2), L"10.0.1.1837");
    device.set_string_list_property(TestKey(3), {L"first", L"second"});
    const DWORD number = 7;
    const DEVPROP_BOOLEAN flag = DEVPROP_TRUE;
    const FILETIME time{1, 2};
    device.set_raw_property(TestKey(4), DEVPROP_TYPE_UINT32, &number, sizeof(number));
    device.set_raw_property(TestKey(5), DEVPROP_TYPE_BOOLEAN, &flag, sizeof(flag));
    device.set_raw_property(TestKey(6), DEVPROP_TYPE_GUID, &kApoClassId, sizeof(GUID));
    device.set_raw_property(TestKey(7), DEVPROP_TYPE_FILETIME, &time, sizeof(time));
    DeviceSeed other(L"ROOT\\QEVTEST_SYSINFO_OTHER\\0000", kSoftwareComponentClassGuid, {hardware_id});
    other.set_string_property(TestKey(2), L"from the other class");
    DebugOutputCapture capture;
    const DevicePropertyMap values = GetDevicePropertiesByHardwareId(
        kApoClassId, L"qevtest\\sysinfo_props",
        {TestKey(2), TestKey(3), TestKey(4), TestKey(5), TestKey(6), TestKey(7), TestKey(8)});
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(std::get<std::wstring>(values.at(TestKey(2))), L"10.0.1.1837");
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
    const DevicePropertyMap found =
        GetDevicePropertiesByHardwareId(kSoftwareComponentClassId, hardware_id, {TestKey(2)});
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(std::get<std::wstring>(found.at(TestKey(2))), L"from the other class");
    for (const wchar_t* part : {L"QEVTEST\\SYSINFO", L"QEVTEST\\SYSINFO_PROPS2"}) {
        EXPECT_TRUE(GetDevicePropertiesByHardwareId(kApoClassId, part, {TestKey(2)}).empty());
    }
    EXPECT_EQ(capture.lines().size(), expected.size());
}

// Wine keeps device properties in the device key and has no driver store; the success paths that need
// one are the simulator's.
TEST(DriverStoreWithDevices, MissingMistypedOrUnlocatedPropertiesAreEmpty)
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
    apo.set_string_property(DEVPKEY_Device_DriverInfPath, L"oem42.inf");
    DebugOutputCapture capture;
    EXPECT_EQ(GetApoInfPath(), L"");
    // Wine's SetupGetInfDriverStoreLocationW is not implemented.
    EXPECT_EQ(capture.lines(), std::vector<std::string>{"[qev] Failed to get inf location: 0x00000078\n"});
}

}  // namespace
}  // namespace qev::sysinfo
