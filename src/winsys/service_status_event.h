#pragma once

#include <windows.h>

#include <string>

namespace qev::winsys::service_utils {

// One report of a watched service's state.
struct ServiceStatusEvent {
    std::wstring service_name;
    DWORD notification_status = 0;  // 0, or the Windows error of the step that failed
    DWORD current_state = 0;        // SERVICE_STOPPED (1) ... SERVICE_PAUSED (7)
    DWORD controls_accepted = 0;
    DWORD win32_exit_code = 0;
    DWORD service_specific_exit_code = 0;
    DWORD check_point = 0;
    DWORD wait_hint = 0;
};

}  // namespace qev::winsys::service_utils
