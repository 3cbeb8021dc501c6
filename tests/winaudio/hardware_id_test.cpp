#include "winaudio/endpoint_queries.h"

#include <gtest/gtest.h>

namespace qev::winaudio {
namespace {

TEST(HardwareIdClassification, UsbNeedsFourDigitVendorAndProduct)
{
    EXPECT_TRUE(IsUsbHardwareId(L"USB\\VID_046D&PID_0A45&MI_00"));
    EXPECT_TRUE(IsUsbHardwareId(L"{1}.usb\\vid_0d8c&pid_0014&mi_00\\7&2a3b&0&0000"));
    EXPECT_FALSE(IsUsbHardwareId(L"USB\\VID_46D&PID_A45"));
    EXPECT_FALSE(IsUsbHardwareId(L"USB\\VID_046D"));
    EXPECT_FALSE(IsUsbHardwareId(L"USBVID_046D&PID_0A45"));
    EXPECT_FALSE(IsUsbHardwareId(L"HDAUDIO\\FUNC_01&VEN_10EC&DEV_0295"));
    EXPECT_FALSE(IsUsbHardwareId(L""));
}

TEST(HardwareIdClassification, BluetoothClassicAndHandsFree)
{
    EXPECT_TRUE(IsBluetoothHardwareId(L"BTHENUM\\{0000110b-0000-1000-8000-00805f9b34fb}_LOCALMFG&0002"));
    EXPECT_TRUE(IsBluetoothHardwareId(L"{2}.bthhfenum\\bthhfpaudio\\8&1b2c"));
    EXPECT_TRUE(IsBluetoothHardwareId(L"BTHHFENUM\\BthHFPAudio"));
    EXPECT_FALSE(IsBluetoothHardwareId(L"BTHENUM"));
    EXPECT_FALSE(IsBluetoothHardwareId(L"USB\\VID_046D&PID_0A45"));
    EXPECT_FALSE(IsUsbHardwareId(L"BTHHFENUM\\BthHFPAudio"));
}

}  // namespace
}  // namespace qev::winaudio
