#include "app/session_window_procedure.h"

#include "vpnr/user_enrollment_sync.h"

#include <wtsapi32.h>

namespace qev::app {

bool is_enrollment_session_change(WPARAM reason)
{
    return reason == WTS_CONSOLE_CONNECT || reason == WTS_SESSION_LOGON || reason == WTS_SESSION_UNLOCK;
}

LRESULT CALLBACK session_window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_WTSSESSION_CHANGE && is_enrollment_session_change(wparam)) {
        vpnr::sync_user_enrollment();
        return 0;
    }
    return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace qev::app
