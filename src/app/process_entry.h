#pragma once

#include <windows.h>

namespace qev::app {

// Everything the entry point does: COM for the main thread, the command line, one server for the
// chosen role, in the RPC role the hidden session window and the re-enrollment thread, then the
// message loop until a quit message arrives from outside. Returns the process exit code:
// 0 after a clean shutdown, -1 when the server cannot start or its wait() fails.
int run_process(HINSTANCE instance, const char* command_line);

}  // namespace qev::app
