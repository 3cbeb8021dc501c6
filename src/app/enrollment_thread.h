#pragma once

namespace qev::app {

// Starts the re-enrollment pass on a detached thread that runs it once and ends. Returns false,
// after logging why, when the thread cannot be created.
bool start_enrollment_thread();

}  // namespace qev::app
