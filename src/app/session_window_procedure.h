#pragma once

#include <windows.h>

namespace qev::app {

// The session-change reasons after which the console user's enrollment is published again:
// console connect, session logon and session unlock.
bool is_enrollment_session_change(WPARAM reason);

// Window procedure of the hidden window: calls sync_user_enrollment on this thread for those
// WM_WTSSESSION_CHANGE reasons; everything else goes to DefWindowProcW.
LRESULT CALLBACK session_window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace qev::app
