#pragma once

namespace qev::vpnr {

// The re-enrollment pass: enrolls again, from their own recordings, the enrollment files made by
// another algorithm version. The RPC role runs it once, on a detached thread, at start.
void run_reenrollment_pass();

}  // namespace qev::vpnr
