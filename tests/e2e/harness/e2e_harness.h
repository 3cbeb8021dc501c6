#pragma once

// End-to-end test harness: drives the real qEvSwServer.exe from GoogleTest under Wine.
//
//   ServerProcess  starts $QEV_BUILD/src/app/qEvSwServer.exe with an exact command line through
//                  CreateProcessW, and ends it (TerminateProcess) when it goes out of scope.
//   LogWatcher     reads every process's debugger output over DBWIN (in-process, the same reader
//                  as tools/qevlog) and waits, with a time-out, for a line of a given process.
//   ChildProcess   the same start/exit/end handling for any other executable.
//   build_file()   "Z:\..." path of a file in the build tree (Wine maps Z: to /).
//
// Lines are whole OutputDebugString messages with the "[qev] " prefix and their own "\n".
// Declare the LogWatcher before the ServerProcess so the server ends first: under Wine a writer
// whose reader went away waits 10 s on every further line. Call LogWatcher::sync() before
// asserting that a line did not come. Children run in a kill-on-close job, so even a test killed
// by its ctest time-out leaves no server behind.
// Only one DBWIN reader and one server can run per Wine prefix: every test using this harness must
// hold the ctest RESOURCE_LOCKs "dbwin" and "qev_server" (tests/e2e/CMakeLists.txt shows how).

#include "child_process.h"
#include "log_watcher.h"
#include "server_process.h"
