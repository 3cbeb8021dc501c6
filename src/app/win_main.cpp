// Entry point of qEvSwServer.exe, a GUI-subsystem program without a visible window.
#include "app/process_entry.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR command_line, int /*show*/)
{
    return qev::app::run_process(instance, command_line);
}
