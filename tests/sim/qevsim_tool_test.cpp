// qevsim: bad input gets a clear message and a non-zero exit code and changes nothing.
#include <gtest/gtest.h>

#include "sim_test_support.h"

namespace qevsim::test {
namespace {

class QevsimToolTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(loadTestMachine(22631)); }

    static void expectRejected(const std::vector<std::wstring>& args, DWORD code, const std::string& message)
    {
        const ToolResult result = runQevsim(args);
        EXPECT_EQ(result.exitCode, code) << result.output;
        EXPECT_NE(result.output.find(message), std::string::npos) << result.output;
    }
};

TEST_F(QevsimToolTest, RejectsBadCommandsAndArguments)
{
    expectRejected({}, 2, "no command given");
    expectRejected({L"frobnicate"}, 2, "unknown command");
    expectRejected({L"set-state", kMic, L"sleepy"}, 2, "unknown endpoint state");
    expectRejected({L"set-state", L"{0.0.1.00000000}.{99999999-0000-4000-8000-000000000009}", L"active"}, 1,
                   "no endpoint");
    expectRejected({L"set-prop", kMic, L"fx", L"not-a-key", L"dword", L"1"}, 1, "property key");
    expectRejected({L"set-prop", kMic, L"fx", L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},1", L"dword", L"-1"}, 1,
                   "not a valid dword");
    expectRejected({L"set-prop", kMic, L"attic", L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},1", L"dword", L"1"}, 1,
                   "store must be");
    expectRejected({L"add-endpoint", L"sideways", L"{33333333-0000-4000-8000-000000000001}", L"X"}, 1, "flow must be");
    expectRejected({L"add-endpoint", L"render", L"{11111111-0000-4000-8000-000000000001}", L"X"}, 1, "already exists");
    expectRejected({L"set-default", kLineIn}, 1, "only an active endpoint");
    expectRejected({L"set-build", L"22H2"}, 1, "build must be a number");
    expectRejected({L"session-add", kMic, L"pid"}, 2, "process id must be a number");
    expectRejected({L"session-state", kMic, L"7", L"active"}, 1, "no session 7");
    expectRejected({L"session-add", L"{0.0.1.00000000}.{99999999-0000-4000-8000-000000000009}", L"1"}, 1,
                   "no endpoint");
    // None of it changed the machine.
    DWORD state = 0;
    ComScope com;
    ASSERT_EQ(device(kMic)->GetState(&state), S_OK);
    EXPECT_EQ(state, static_cast<DWORD>(DEVICE_STATE_ACTIVE));
    EXPECT_EQ(rawRead(std::wstring(kMicKey) + L"\\FxProperties", L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},1").status,
              ERROR_FILE_NOT_FOUND);
}

TEST_F(QevsimToolTest, MalformedMachineFileIsRefusedAndTheMachineKept)
{
    const std::wstring path =
        writeTempFile(L"qevsim_bad_machine.reg",
                      "Windows Registry Editor Version 5.00\r\n"
                      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\MMDevices\\Audio\\Render\\{"
                      "44444444-0000-4000-8000-000000000001}]\r\n"
                      "\"DeviceState\"=dword:00000001\r\n"
                      "\"Broken\"=dword:xyz\r\n");
    expectRejected({L"load", path}, 1, "line 4: bad hexadecimal number");
    ::DeleteFileW(path.c_str());
    expectRejected({L"load", L"C:\\no\\such\\machine.reg"}, 1, "cannot open machine file");
    // The old machine is still there, the new endpoint never appeared.
    EXPECT_EQ(rawRead(kMicKey, L"DeviceState").status, ERROR_SUCCESS);
    HKEY probe = nullptr;
    EXPECT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                              L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\MMDevices\\Audio\\Render\\"
                              L"{44444444-0000-4000-8000-000000000001}",
                              0, KEY_READ, &probe),
              ERROR_FILE_NOT_FOUND);
}

TEST_F(QevsimToolTest, ShowListsTheMachine)
{
    const ToolResult result = runQevsim({L"show"});
    ASSERT_EQ(result.exitCode, 0u) << result.output;
    for (const char* line :
         {"Windows build 22631 (Windows 11)", "{0.0.1.00000000}.{11111111-0000-4000-8000-000000000003}  disabled",
          "\"Test Speakers\"", "Capture endpoints: 3"}) {
        EXPECT_NE(result.output.find(line), std::string::npos) << line << " in:\n" << result.output;
    }
}

}  // namespace
}  // namespace qevsim::test
