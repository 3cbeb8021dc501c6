#include "rpc/read_loop.h"

#include "base/logging.h"
#include "rpc/dispatcher.h"
#include "rpc/receive_buffer.h"
#include "rpc/rpc_service.h"

#include <windows.h>

#include <exception>

namespace qev::rpc {

namespace {

// Reads the rest of a message whose first `received` bytes are in the buffer, growing the buffer as
// the message needs. A message longer than the capacity fails with ERROR_MORE_DATA.
bool read_rest(PipeConnection& request, ReceiveBuffer& buffer, DWORD* received, const WaitSideWork& side_work)
{
    for (;;) {
        DWORD left = 0;
        if (!request.bytes_left_in_message(&left)) {
            return false;
        }
        if (left == 0) {
            // Nothing to wait for although the read said more was coming: do not spin.
            SetLastError(ERROR_INVALID_DATA);
            return false;
        }
        const size_t total = size_t{*received} + left;
        if (total > ReceiveBuffer::capacity()) {
            SetLastError(ERROR_MORE_DATA);
            return false;
        }
        if (!buffer.make_room(total)) {
            return false;
        }
        DWORD more = 0;
        const bool whole = request.read(buffer.data() + *received, left, &more, &side_work);
        *received += more;
        if (whole) {
            return true;
        }
        // The client may still be writing a message that outgrew what the peek saw.
        if (GetLastError() != ERROR_MORE_DATA) {
            return false;
        }
    }
}

// Reads one whole message with a single read when it fits the first chunk.
bool read_message(PipeConnection& request, ReceiveBuffer& buffer, DWORD* received, const WaitSideWork& side_work)
{
    *received = 0;
    if (!buffer.make_room(ReceiveBuffer::kFirstChunk)) {
        return false;
    }
    if (request.read(buffer.data(), static_cast<DWORD>(ReceiveBuffer::kFirstChunk), received, &side_work)) {
        return true;
    }
    return GetLastError() == ERROR_MORE_DATA && read_rest(request, buffer, received, side_work);
}

// Returns true when the loop ended on a transport failure (as opposed to a reply write failure).
bool serve_requests(RpcService& service, ReceiveBuffer& buffer)
{
    PipeConnection& request = service.request_connection();
    // While it waits for requests, this thread also sends the client's queued notifications on.
    NotificationQueue& notifications = service.notifications();
    const WaitSideWork side_work{notifications.write_done_event(), [&notifications] { notifications.pump(); }};
    for (;;) {
        DWORD received = 0;
        // A failed read also tells that the client has gone, so no separate probe is needed.
        const bool whole = read_message(request, buffer, &received, side_work);
        if (!whole) {
            return true;
        }
        const bool keep_open = dispatch(service, buffer.data(), received);
        buffer.clear(received);
        if (!keep_open) {
            return false;
        }
    }
}

}  // namespace

void run_read_loop(std::shared_ptr<RpcService> service)
{
    try {
        ReceiveBuffer buffer;
        if (!buffer.valid() || serve_requests(*service, buffer)) {
            base::log_printf("Error occurred while reading data from IPC channel: %d\n",
                             static_cast<int>(GetLastError()));
        }
    } catch (const std::exception& failure) {
        // One client's failure (out of memory, a throwing operation) ends that client only.
        base::log_printf("Client dropped after a failure while serving it: %s\n", failure.what());
    } catch (...) {
        base::log_printf("Client dropped after a failure while serving it: %s\n", "unknown exception");
    }
    service->close_connections();
}

}  // namespace qev::rpc
