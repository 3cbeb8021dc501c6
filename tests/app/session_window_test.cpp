#include "app/hidden_session_window.h"

#include "debug_output_capture.h"

#include <wtsapi32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace qev::app {

namespace {

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

TEST(HiddenSessionWindow, OnlyConnectLogonAndUnlockPublishEnrollment)
{
    const HiddenSessionWindow window(GetModuleHandleW(nullptr));
    ASSERT_TRUE(window.created());
    const HWND found = own_window();
    ASSERT_NE(found, nullptr);
    EXPECT_FALSE(IsWindowVisible(found));
    EXPECT_FALSE(IsWindowEnabled(found));
    const auto syncs = [found](UINT message, WPARAM reason) {
        DebugOutputCapture capture;
        SendMessageW(found, message, reason, 1);
        const auto lines = capture.lines();
        return std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
            return line.find("sync_user_enrollment") != std::string::npos;
        });
    };
    for (const WPARAM reason : {WTS_CONSOLE_CONNECT, WTS_SESSION_LOGON, WTS_SESSION_UNLOCK}) {
        EXPECT_TRUE(syncs(WM_WTSSESSION_CHANGE, reason)) << reason;
    }
    for (const WPARAM reason : {WTS_CONSOLE_DISCONNECT, WTS_SESSION_LOCK, WTS_SESSION_LOGOFF, 0}) {
        EXPECT_FALSE(syncs(WM_WTSSESSION_CHANGE, reason)) << reason;
    }
    EXPECT_FALSE(syncs(WM_USER, WTS_SESSION_LOGON));
    // Everything else reaches the default procedure, which answers the window text query.
    wchar_t title[32] = {};
    EXPECT_EQ(SendMessageW(found, WM_GETTEXT, 32, reinterpret_cast<LPARAM>(title)), 11);
    EXPECT_STREQ(title, L"qEvSwServer");
}

TEST(HiddenSessionWindow, IsGoneWithItsOwnerAndFailsLoudlyWhenTheClassIsTaken)
{
    {
        const HiddenSessionWindow window(GetModuleHandleW(nullptr));
        ASSERT_TRUE(window.created());
    }
    EXPECT_EQ(own_window(), nullptr);
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
