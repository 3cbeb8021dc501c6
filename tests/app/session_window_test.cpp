#include "app/hidden_session_window.h"
#include "app/session_window_procedure.h"

#include "debug_output_capture.h"

#include <wtsapi32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace qev::app {

namespace {

bool is_sync_line(const std::string& line)
{
    return line.find("sync_user_enrollment") != std::string::npos;
}

// This process's hidden window; a server running beside the test has one of the same name.
HWND own_window()
{
    HWND window = nullptr;
    while ((window = FindWindowExW(nullptr, window, L"qEvSwServerWnd", L"qEvSwServer")) != nullptr) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == GetCurrentProcessId()) {
            return window;
        }
    }
    return nullptr;
}

size_t sync_calls(const DebugOutputCapture& capture)
{
    const auto lines = capture.lines();
    return static_cast<size_t>(std::count_if(lines.begin(), lines.end(), is_sync_line));
}

TEST(SessionChangeReasons, OnlyConnectLogonAndUnlockPublishEnrollment)
{
    EXPECT_TRUE(is_enrollment_session_change(WTS_CONSOLE_CONNECT));
    EXPECT_TRUE(is_enrollment_session_change(WTS_SESSION_LOGON));
    EXPECT_TRUE(is_enrollment_session_change(WTS_SESSION_UNLOCK));
    for (const WPARAM other : {0, 2, 3, 4, 6, 7, 9, 10, 11}) {
        EXPECT_FALSE(is_enrollment_session_change(other)) << "reason " << other;
    }
}

class HiddenWindowTest : public ::testing::Test {
protected:
    HiddenSessionWindow window_{GetModuleHandleW(nullptr)};
};

TEST_F(HiddenWindowTest, ExistsHiddenWithItsClassAndName)
{
    ASSERT_TRUE(window_.created());
    const HWND found = own_window();
    ASSERT_NE(found, nullptr);
    EXPECT_FALSE(IsWindowVisible(found));
    EXPECT_FALSE(IsWindowEnabled(found));
}

TEST_F(HiddenWindowTest, SessionChangesReachSyncUserEnrollment)
{
    const HWND found = own_window();
    ASSERT_NE(found, nullptr);
    DebugOutputCapture capture;
    for (const WPARAM reason : {WTS_CONSOLE_CONNECT, WTS_SESSION_LOGON, WTS_SESSION_UNLOCK}) {
        EXPECT_EQ(SendMessageW(found, WM_WTSSESSION_CHANGE, reason, 1), 0);
    }
    EXPECT_EQ(sync_calls(capture), 3u);
}

TEST_F(HiddenWindowTest, OtherSessionChangesAndMessagesAreLeftToTheDefault)
{
    const HWND found = own_window();
    ASSERT_NE(found, nullptr);
    DebugOutputCapture capture;
    for (const WPARAM reason : {2, 3, 4, 6, 7, 9}) {
        SendMessageW(found, WM_WTSSESSION_CHANGE, reason, 1);
    }
    SendMessageW(found, WM_USER, WTS_SESSION_LOGON, 0);
    EXPECT_EQ(sync_calls(capture), 0u);
    // The default procedure answers the window text query; a swallowed message would answer 0.
    wchar_t title[32] = {};
    EXPECT_EQ(SendMessageW(found, WM_GETTEXT, 32, reinterpret_cast<LPARAM>(title)), 11);
    EXPECT_STREQ(title, L"qEvSwServer");
}

TEST(HiddenWindow, IsGoneWithItsOwnerAndCanBeMadeAgain)
{
    {
        const HiddenSessionWindow window(GetModuleHandleW(nullptr));
        ASSERT_TRUE(window.created());
    }
    EXPECT_EQ(own_window(), nullptr);
    const HiddenSessionWindow again(GetModuleHandleW(nullptr));
    EXPECT_TRUE(again.created());
}

TEST(HiddenWindow, ReportsFailureWhenTheClassIsTaken)
{
    // A class of the same name registered with another procedure makes registration fail.
    WNDCLASSEXW taken{};
    taken.cbSize = sizeof(taken);
    taken.lpfnWndProc = DefWindowProcW;
    taken.hInstance = GetModuleHandleW(nullptr);
    taken.lpszClassName = L"qEvSwServerWnd";
    ASSERT_NE(RegisterClassExW(&taken), 0);
    {
        DebugOutputCapture capture;
        const HiddenSessionWindow window(GetModuleHandleW(nullptr));
        EXPECT_FALSE(window.created());
        EXPECT_TRUE(capture.contains(std::string("[qev] Failed to create a hidden window for qEvSwServer\n")));
    }
    EXPECT_TRUE(UnregisterClassW(L"qEvSwServerWnd", GetModuleHandleW(nullptr)));
}

}  // namespace

}  // namespace qev::app
