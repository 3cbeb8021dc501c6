#include "app/enrollment_thread.h"

#include "base/logging.h"
#include "vpnr/reenrollment_pass.h"

#include <exception>
#include <system_error>
#include <thread>

namespace qev::app {

namespace {

// An escaping exception would end the whole process from a thread nobody joins.
void run_pass_guarded()
{
    try {
        vpnr::run_reenrollment_pass();
    } catch (const std::exception& e) {
        base::log_printf("re-enrollment pass ended by an error: %s\n", e.what());
    }
}

}  // namespace

bool start_enrollment_thread()
{
    try {
        std::thread(run_pass_guarded).detach();
        return true;
    } catch (const std::system_error& e) {
        base::log_printf("fail to start enrollment worker thread: %s\n", e.what());
        return false;
    }
}

}  // namespace qev::app
