#pragma once

#include <string>

// The named objects of the RPC role. Tests substitute names of their own so that several test
// processes can run side by side.
struct PipeNames {
    std::wstring request_pipe = L"\\\\.\\Pipe\\qEvSWNRpipe";
    std::wstring notify_pipe = L"\\\\.\\Pipe\\qEvSWNRpipeNotify";
    std::wstring instance_mutex = L"qev_sw_server_multiple_instance_mutex";
};
