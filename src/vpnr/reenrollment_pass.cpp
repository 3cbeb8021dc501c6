#include "vpnr/reenrollment_pass.h"

#include "base/logging.h"
#include "vpnr/enrollment_manager.h"

namespace qev::vpnr {

void run_reenrollment_pass()
{
    base::log_printf("re-enrollment pass started\n");
    EnrollmentManager manager;
    manager.run_reenrollment();
    base::log_printf("re-enrollment pass finished\n");
}

}  // namespace qev::vpnr
