// The simulator's SetupGetInfDriverStoreLocationW (its setupapi.dll, given to this program by
// scripts/prefix.sh up) is no more forgiving than Windows. What it finds is checked through the
// product's driver queries on the simulated laptop (tests/sysinfo).
#include <gtest/gtest.h>

#include <windows.h>

#include <setupapi.h>

#include <string>

#include "sim_test_support.h"

// Exported by setupapi but not declared by mingw-w64's setupapi.h.
extern "C" __declspec(dllimport) BOOL WINAPI
    SetupGetInfDriverStoreLocationW(PCWSTR fileName, PSP_ALTPLATFORM_INFO platform, PCWSTR localeName, PWSTR buffer,
                                    DWORD bufferSize, PDWORD requiredSize);

namespace qevsim::test {
namespace {

TEST(DriverStoreTest, LookupsAnswerWithTheErrorsOfWindows)
{
    ASSERT_NO_FATAL_FAILURE(loadMachineText(R"(Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\SOFTWARE\qevsim\DriverStore\oem9.inf]
"Path"="C:\\Windows\\System32\\DriverStore\\FileRepository\\qevtest.inf_amd64_1\\qevtest.inf"
"Lines"=multi:"[Version]"
)"));
    const std::wstring stored = L"C:\\Windows\\System32\\DriverStore\\FileRepository\\qevtest.inf_amd64_1\\qevtest.inf";
    wchar_t buffer[MAX_PATH];
    const struct {
        const wchar_t* inf;
        DWORD size;
        BOOL found;
        DWORD error;
    } cases[] = {{L"oem9.inf", MAX_PATH, TRUE, 0},
                 {L"oem9.inf", 0, FALSE, ERROR_INSUFFICIENT_BUFFER},
                 {L"oem404.inf", MAX_PATH, FALSE, ERROR_NOT_FOUND},
                 {nullptr, MAX_PATH, FALSE, ERROR_INVALID_PARAMETER}};
    for (const auto& c : cases) {
        DWORD required = 0;
        ::SetLastError(0);
        EXPECT_EQ(
            SetupGetInfDriverStoreLocationW(c.inf, nullptr, nullptr, c.size != 0 ? buffer : nullptr, c.size, &required),
            c.found);
        if (!c.found) {
            EXPECT_EQ(::GetLastError(), c.error);
        }
        if (c.error == 0 || c.error == ERROR_INSUFFICIENT_BUFFER) {
            EXPECT_EQ(required, stored.size() + 1);
        }
    }
    EXPECT_EQ(std::wstring(buffer), stored);
}

}  // namespace
}  // namespace qevsim::test
