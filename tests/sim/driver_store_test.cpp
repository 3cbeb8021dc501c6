// The simulated driver store: SetupAPI finds the APO's software device with its driver
// properties, and SetupGetInfDriverStoreLocationW (the simulator's setupapi.dll, loaded through
// WINEDLLOVERRIDES) resolves its INF to the file qevsim wrote.
#include <gtest/gtest.h>

#include <windows.h>

#include <initguid.h>

#include <devpkey.h>
#include <setupapi.h>

#include <fstream>
#include <string>
#include <cwchar>

#include "sim_test_support.h"

// Exported by setupapi but not declared by mingw-w64's setupapi.h.
extern "C" __declspec(dllimport) BOOL WINAPI
    SetupGetInfDriverStoreLocationW(PCWSTR fileName, PSP_ALTPLATFORM_INFO platform, PCWSTR localeName, PWSTR buffer,
                                    DWORD bufferSize, PDWORD requiredSize);

namespace qevsim::test {
namespace {

constexpr char kStorePath[] =
    "C:\\\\Windows\\\\System32\\\\DriverStore\\\\FileRepository\\\\qevtest.inf_amd64_1\\\\qevtest.inf";

const std::string kMachine = std::string(R"(Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\SWD\DRIVERENUM\{fc6d7d4e-5d4b-4cf6-ac04-7a585769b45f}#qevTestAPO&1&0&0]
"ClassGUID"="{5989fce8-9cd0-467d-8a6a-5419e31529d4}"
"HardwareID"=multi:"SWC\\VEN_QEV&CID_APO"
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\SWD\DRIVERENUM\{fc6d7d4e-5d4b-4cf6-ac04-7a585769b45f}#qevTestAPO&1&0&0\Device Parameters]
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\SWD\DRIVERENUM\{fc6d7d4e-5d4b-4cf6-ac04-7a585769b45f}#qevTestAPO&1&0&0\Properties\{a8b865dd-2e3d-4094-ad97-e593a70c75d6}\0003]
@=hex(ffff0012):31,00,2e,00,32,00,2e,00,33,00,2e,00,34,00,00,00
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\SWD\DRIVERENUM\{fc6d7d4e-5d4b-4cf6-ac04-7a585769b45f}#qevTestAPO&1&0&0\Properties\{a8b865dd-2e3d-4094-ad97-e593a70c75d6}\0005]
@=hex(ffff0012):6f,00,65,00,6d,00,39,00,2e,00,69,00,6e,00,66,00,00,00

[HKEY_LOCAL_MACHINE\SOFTWARE\qevsim\DriverStore\oem9.inf]
"Path"=")") + kStorePath + R"("
"Lines"=multi:"[Version]","HKR,AudioEngine\\AudioProcessingObjects"
)";

const GUID kApoClass = {0x5989fce8, 0x9cd0, 0x467d, {0x8a, 0x6a, 0x54, 0x19, 0xe3, 0x15, 0x29, 0xd4}};

std::wstring stringProperty(HDEVINFO set, SP_DEVINFO_DATA* device, const DEVPROPKEY& key)
{
    wchar_t buffer[512] = {};
    DEVPROPTYPE type = 0;
    DWORD size = 0;
    if (!::SetupDiGetDevicePropertyW(set, device, &key, &type, reinterpret_cast<BYTE*>(buffer), sizeof(buffer), &size,
                                     0) ||
        type != DEVPROP_TYPE_STRING) {
        return L"";
    }
    return buffer;
}

// True when this process got the simulator's setupapi.dll (it exports a marker; Wine names its
// builtin after a setupapi.dll found beside the program, so the module path does not tell).
bool simulatedSetupApiLoaded()
{
    HMODULE module = nullptr;
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              reinterpret_cast<LPCWSTR>(&SetupGetInfDriverStoreLocationW), &module)) {
        return false;
    }
    return ::GetProcAddress(module, "QevsimDriverStoreVersion") != nullptr;
}

// Without the per-application override (prefix set up before this test was built) the test
// sets the override and runs itself again in a new process, which then loads the simulator's
// setupapi.dll. Returns true when the caller should go on in this process.
bool runHereOrAgain()
{
    if (simulatedSetupApiLoaded()) {
        return true;
    }
    if (::GetEnvironmentVariableW(L"QEVSIM_DRIVER_STORE_RERUN", nullptr, 0) != 0) {
        ADD_FAILURE() << "the simulator's setupapi.dll was not loaded even with the override";
        return false;
    }
    ::SetEnvironmentVariableW(L"QEVSIM_DRIVER_STORE_RERUN", L"1");
    const ToolResult override = runQevsim({L"driver-store-for", L"sim_driver_store_tests.exe"});
    EXPECT_EQ(override.exitCode, 0u) << override.output;
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string filter = std::string(info->test_suite_name()) + "." + info->name();
    wchar_t selfPath[MAX_PATH];
    std::wstring command = L"\"" + std::wstring(selfPath, ::GetModuleFileNameW(nullptr, selfPath, MAX_PATH)) +
                           L"\" --gtest_filter=" + std::wstring(filter.begin(), filter.end());
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    EXPECT_TRUE(
        ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process));
    DWORD exitCode = 1;
    if (process.hProcess != nullptr) {
        EXPECT_EQ(::WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
        ::GetExitCodeProcess(process.hProcess, &exitCode);
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    }
    EXPECT_EQ(exitCode, 0u) << "the run with the simulated setupapi.dll failed (its output is above)";
    return false;
}

TEST(DriverStoreTest, ApoDeviceHasDriverPropertiesAndItsInfResolvesToTheStoredFile)
{
    if (!runHereOrAgain()) {
        return;
    }
    ASSERT_NO_FATAL_FAILURE(loadMachineText(kMachine));
    HDEVINFO set = ::SetupDiGetClassDevsW(&kApoClass, nullptr, nullptr, DIGCF_PRESENT);
    ASSERT_NE(set, INVALID_HANDLE_VALUE);
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    ASSERT_TRUE(::SetupDiEnumDeviceInfo(set, 0, &device));
    EXPECT_EQ(stringProperty(set, &device, DEVPKEY_Device_DriverVersion), L"1.2.3.4");
    const std::wstring inf = stringProperty(set, &device, DEVPKEY_Device_DriverInfPath);
    EXPECT_EQ(inf, L"oem9.inf");
    ::SetupDiDestroyDeviceInfoList(set);

    // Sizing call first, as callers do.
    DWORD required = 0;
    EXPECT_FALSE(SetupGetInfDriverStoreLocationW(inf.c_str(), nullptr, nullptr, nullptr, 0, &required));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    const std::wstring expected =
        L"C:\\Windows\\System32\\DriverStore\\FileRepository\\qevtest.inf_amd64_1\\qevtest.inf";
    ASSERT_EQ(required, expected.size() + 1);
    std::wstring location(required, L'\0');
    ASSERT_TRUE(SetupGetInfDriverStoreLocationW(inf.c_str(), nullptr, nullptr, location.data(), required, &required));
    location.resize(required - 1);
    EXPECT_EQ(location, expected);

    // qevsim wrote the INF's text there.
    std::ifstream file(location.c_str());
    std::string first;
    std::string second;
    ASSERT_TRUE(std::getline(file, first));
    ASSERT_TRUE(std::getline(file, second));
    EXPECT_EQ(second.substr(0, 15), "HKR,AudioEngine");
}

TEST(DriverStoreTest, UnknownInfIsNotFound)
{
    if (!runHereOrAgain()) {
        return;
    }
    ASSERT_NO_FATAL_FAILURE(loadMachineText(kMachine));
    wchar_t buffer[MAX_PATH];
    DWORD required = 0;
    EXPECT_FALSE(SetupGetInfDriverStoreLocationW(L"oem404.inf", nullptr, nullptr, buffer, MAX_PATH, &required));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_NOT_FOUND));
    EXPECT_FALSE(SetupGetInfDriverStoreLocationW(nullptr, nullptr, nullptr, buffer, MAX_PATH, &required));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

}  // namespace
}  // namespace qevsim::test
