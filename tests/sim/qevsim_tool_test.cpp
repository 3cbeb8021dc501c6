// qevsim: bad input gets a clear message and a non-zero exit code and changes nothing.
#include <gtest/gtest.h>

#include "sim_test_support.h"

namespace qevsim::test {
namespace {

TEST(QevsimToolTest, RejectsBadCommandsArgumentsAndMachineFilesAndKeepsTheMachine)
{
    ASSERT_NO_FATAL_FAILURE(loadTestMachine());
    const std::wstring absent = L"{0.0.1.00000000}.{99999999-0000-4000-8000-000000000009}";
    const std::wstring setting = L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},1";
    const std::wstring badFile =
        writeTempFile(L"qevsim_bad_machine.reg",
                      "Windows Registry Editor Version 5.00\r\n"
                      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\MMDevices\\Audio\\Render\\{"
                      "44444444-0000-4000-8000-000000000001}]\r\n"
                      "\"DeviceState\"=dword:00000001\r\n"
                      "\"Broken\"=dword:xyz\r\n");
    const struct {
        std::vector<std::wstring> args;
        DWORD code;
        const char* message;
    } cases[] = {
        {{}, 2, "no command given"},
        {{L"frobnicate"}, 2, "unknown command"},
        {{L"set-state", kMic, L"sleepy"}, 2, "unknown endpoint state"},
        {{L"set-state", absent, L"active"}, 1, "no endpoint"},
        {{L"set-prop", kMic, L"fx", L"not-a-key", L"dword", L"1"}, 1, "property key"},
        {{L"set-prop", kMic, L"fx", setting, L"dword", L"-1"}, 1, "not a valid dword"},
        {{L"set-prop", kMic, L"attic", setting, L"dword", L"1"}, 1, "store must be"},
        {{L"add-endpoint", L"sideways", L"{33333333-0000-4000-8000-000000000001}", L"X"}, 1, "flow must be"},
        {{L"add-endpoint", L"render", L"{11111111-0000-4000-8000-000000000001}", L"X"}, 1, "already exists"},
        {{L"set-default", kLineIn}, 1, "only an active endpoint"},
        {{L"set-build", L"22H2"}, 1, "build must be a number"},
        {{L"session-add", kMic, L"pid"}, 2, "process id must be a number"},
        {{L"session-state", kMic, L"7", L"active"}, 1, "no session 7"},
        {{L"session-add", absent, L"1"}, 1, "no endpoint"},
        {{L"load", badFile}, 1, "line 4: bad hexadecimal number"},
        {{L"load", L"C:\\no\\such\\machine.reg"}, 1, "cannot open machine file"},
        {{L"process-start", L""}, 2, "is not an executable file name"},
        {{L"process-start", L"Teams"}, 2, "is not an executable file name"},
        {{L"process-start", L"apps\\Teams.exe"}, 2, "is not an executable file name"},
        {{L"process-start", L"C:Teams.exe"}, 2, "is not an executable file name"},
        {{L"process-end", std::to_wstring(::GetCurrentProcessId())}, 1, "was not started by qevsim process-start"},
    };
    for (const auto& c : cases) {
        const ToolResult result = runQevsim(c.args);
        EXPECT_EQ(result.exitCode, c.code) << result.output;
        EXPECT_NE(result.output.find(c.message), std::string::npos) << result.output;
    }
    ::DeleteFileW(badFile.c_str());
    EXPECT_EQ(rawRead(kMicKey, L"DeviceState").data, (std::vector<BYTE>{DEVICE_STATE_ACTIVE, 0, 0, 0}));
    EXPECT_EQ(rawRead(std::wstring(kMicKey) + L"\\FxProperties", setting).status, ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(keyPresent(HKEY_LOCAL_MACHINE,
                            L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\MMDevices\\Audio\\"
                            L"Render\\{44444444-0000-4000-8000-000000000001}"));
}

}  // namespace
}  // namespace qevsim::test
