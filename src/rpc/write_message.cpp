#include "rpc/write_message.h"

#include "base/logging.h"
#include "rpc/pipe_connection.h"

namespace qev::rpc {

bool write_message(PipeConnection& connection, const uint8_t* bytes, uint32_t size, DWORD timeout_ms)
{
    // No probe first: the write itself fails, writing nothing, when the client has gone, and a
    // probe would cost a system round trip on every reply.
    DWORD written = 0;
    if (!connection.write(bytes, size, &written, timeout_ms)) {
        if (GetLastError() == ERROR_BROKEN_PIPE) {
            connection.close();
        }
        return false;
    }
    if (written != size) {
        base::log_printf("Number of bytes(%d) and written(%d) are mismatch\n", static_cast<int>(size),
                         static_cast<int>(written));
        return false;
    }
    return true;
}

}  // namespace qev::rpc
