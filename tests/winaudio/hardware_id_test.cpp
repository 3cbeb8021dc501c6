#include "winaudio/endpoint_queries.h"

#include <gtest/gtest.h>

namespace qev::winaudio {
namespace {

TEST(HardwareIdClassification, UsbNeedsFourDigitVendorAndProductBluetoothClassicOrHandsFree)
{
    struct Row {
        const wchar_t* id;
        bool usb;
        bool bluetooth;
    };
    const Row rows[] = {
        {L"USB\\VID_046D&PID_0A45&MI_00", true, false},
        {L"{1}.usb\\vid_0d8c&pid_0014&mi_00\\7&2a3b&0&0000", true, false},
        {L"USB\\VID_46D&PID_A45", false, false},
        {L"USB\\VID_046D", false, false},
        {L"USBVID_046D&PID_0A45", false, false},
        {L"HDAUDIO\\FUNC_01&VEN_10EC&DEV_0295", false, false},
        {L"", false, false},
        {L"BTHENUM\\{0000110b-0000-1000-8000-00805f9b34fb}_LOCALMFG&0002", false, true},
        {L"{2}.bthhfenum\\bthhfpaudio\\8&1b2c", false, true},
        {L"BTHHFENUM\\BthHFPAudio", false, true},
        {L"BTHENUM", false, false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(IsUsbHardwareId(row.id), row.usb) << row.id;
        EXPECT_EQ(IsBluetoothHardwareId(row.id), row.bluetooth) << row.id;
    }
}

}  // namespace
}  // namespace qev::winaudio
