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
constexpr DEVPROPKEY kTextKey = TestKey(2);
constexpr DEVPROPKEY kListKey = TestKey(3);
constexpr DEVPROPKEY kNumberKey = TestKey(4);
constexpr DEVPROPKEY kBooleanKey = TestKey(5);
constexpr DEVPROPKEY kGuidKey = TestKey(6);
constexpr DEVPROPKEY kTimeKey = TestKey(7);
constexpr DEVPROPKEY kMissingKey = TestKey(8);

constexpr wchar_t kTestHardwareId[] = L"QEVTEST\\SYSINFO_PROPS";

class DevicePropertyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        device_.set_string_property(kTextKey, L"10.0.1.1837");
        device_.set_string_list_property(kListKey, {L"first", L"second"});
        const DWORD number = 7;
        device_.set_raw_property(kNumberKey, DEVPROP_TYPE_UINT32, &number, sizeof(number));
        const DEVPROP_BOOLEAN flag = DEVPROP_TRUE;
        device_.set_raw_property(kBooleanKey, DEVPROP_TYPE_BOOLEAN, &flag, sizeof(flag));
        device_.set_raw_property(kGuidKey, DEVPROP_TYPE_GUID, &kApoClassId, sizeof(GUID));
        const FILETIME time{1, 2};
        device_.set_raw_property(kTimeKey, DEVPROP_TYPE_FILETIME, &time, sizeof(time));
    }

    DeviceSeed device_{L"ROOT\\QEVTEST_SYSINFO\\0000", kApoClassGuid, {L"QEVTEST\\OTHER_ID", kTestHardwareId}};
};

TEST_F(DevicePropertyTest, ReadsStringsAndListsAndLogsEveryOtherProperty)
{
    DebugOutputCapture capture;
    const DevicePropertyMap values =
        GetDevicePropertiesByHardwareId(kApoClassId, L"qevtest\\sysinfo_props",
                                        {kTextKey, kListKey, kNumberKey, kBooleanKey, kGuidKey, kTimeKey, kMissingKey});
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(std::get<std::wstring>(values.at(kTextKey)), L"10.0.1.1837");
    EXPECT_EQ(std::get<std::vector<std::wstring>>(values.at(kListKey)),
              (std::vector<std::wstring>{L"first", L"second"}));
    const std::vector<std::string> expected = {
        "[qev] Type is not implemented\n",
        "[qev] Type is not implemented\n",
        "[qev] Type is not implemented\n",
        "[qev] Unexpected prop type: 0x00000010\n",
        "[qev] Failed to get device property buffer size, 0x00000490\n",
    };
    EXPECT_EQ(capture.lines(), expected);
}

TEST_F(DevicePropertyTest, ByHardwareIdLooksOnlyInTheGivenClassForAWholeId)
{
    DeviceSeed other(L"ROOT\\QEVTEST_SYSINFO_OTHER\\0000", kSoftwareComponentClassGuid, {kTestHardwareId});
    other.set_string_property(kTextKey, L"from the other class");
    const struct {
        const GUID& device_class;
        const wchar_t* hardware_id;
        const wchar_t* text;  // null: no device found
    } rows[] = {
        {kApoClassId, kTestHardwareId, L"10.0.1.1837"},
        {kSoftwareComponentClassId, kTestHardwareId, L"from the other class"},
        {kApoClassId, L"QEVTEST\\SYSINFO", nullptr},
        {kApoClassId, L"QEVTEST\\SYSINFO_PROPS2", nullptr},
    };
    DebugOutputCapture capture;
    for (const auto& row : rows) {
        const DevicePropertyMap found = GetDevicePropertiesByHardwareId(row.device_class, row.hardware_id, {kTextKey});
        ASSERT_EQ(found.size(), row.text != nullptr ? 1u : 0u) << row.hardware_id;
        EXPECT_TRUE(row.text == nullptr || std::get<std::wstring>(found.at(kTextKey)) == row.text);
    }
    EXPECT_TRUE(capture.lines().empty());
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
