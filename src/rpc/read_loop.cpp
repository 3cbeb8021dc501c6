#include "rpc/read_loop.h"

#include "app/logging.h"
#include "rpc/dispatcher.h"
#include "rpc/receive_buffer.h"
#include "rpc/rpc_service.h"

#include <windows.h>

namespace {

// Returns true when the loop ended on a transport failure (as opposed to a reply write failure).
bool serve_requests(RpcService& service, ReceiveBuffer& buffer)
{
    PipeConnection& request = service.request_connection();
    for (;;) {
        if (!request.probe()) {
            return true;
        }
        DWORD length = 0;
        if (!request.wait_message(&length)) {
            return true;
        }
        DWORD received = 0;
        // A message longer than the capacity fails the read below and ends the connection.
        if (length != 0 && (!buffer.make_room(length) ||
                            !request.read(buffer.data(), static_cast<DWORD>(buffer.usable()), &received))) {
            return true;
        }
        const bool keep_open = dispatch(service, buffer.data(), received);
        buffer.clear(received);
        if (!keep_open) {
            return false;
        }
    }
}

} // namespace

void run_read_loop(std::shared_ptr<RpcService> service)
{
    ReceiveBuffer buffer;
    if (!buffer.valid()) {
        log_printf("Error occurred while reading data from IPC channel: %d\n", static_cast<int>(GetLastError()));
    } else if (serve_requests(*service, buffer)) {
        log_printf("Error occurred while reading data from IPC channel: %d\n", static_cast<int>(GetLastError()));
    }
    service->close_connections();
}
