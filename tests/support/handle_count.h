#pragma once

#include <windows.h>

// Open handles of this process. Wine answers GetProcessHandleCount with 0; then the handle values
// that name an open handle are counted (Wine's registry keys, pipes and threads are ordinary
// handles of the process table).
DWORD open_handle_count();
