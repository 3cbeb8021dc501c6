#include "app/hidden_session_window.h"

#include "base/logging.h"
#include "app/session_window_procedure.h"

#include <wtsapi32.h>

namespace qev::app {

namespace {

constexpr wchar_t kClassName[] = L"qEvSwServerWnd";
constexpr wchar_t kWindowName[] = L"qEvSwServer";

}  // namespace

HiddenSessionWindow::HiddenSessionWindow(HINSTANCE instance) : instance_(instance)
{
    if (!create()) {
        base::log_wprintf(L"Failed to create a hidden window for qEvSwServer\n");
    }
}

HiddenSessionWindow::~HiddenSessionWindow()
{
    if (notifications_registered_) {
        WTSUnRegisterSessionNotification(window_);
    }
    if (window_ != nullptr) {
        DestroyWindow(window_);
    }
    if (class_registered_) {
        UnregisterClassW(kClassName, instance_);
    }
}

bool HiddenSessionWindow::create()
{
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof(window_class);
    window_class.lpfnWndProc = session_window_procedure;
    window_class.hInstance = instance_;
    window_class.lpszClassName = kClassName;
    class_registered_ = RegisterClassExW(&window_class) != 0;
    if (!class_registered_) {
        return false;
    }
    window_ = CreateWindowExW(WS_EX_NOACTIVATE, kClassName, kWindowName, WS_DISABLED, 0, 0, 1, 1, nullptr, nullptr,
                              instance_, nullptr);
    if (window_ == nullptr) {
        return false;
    }
    notifications_registered_ = WTSRegisterSessionNotification(window_, NOTIFY_FOR_ALL_SESSIONS) != FALSE;
    ShowWindow(window_, SW_HIDE);
    return true;
}

}  // namespace qev::app
