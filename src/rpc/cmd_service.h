#pragma once

#include "rpc/cmd_packet.h"
#include "rpc/pipe_connection.h"

#include <windows.h>

#include <memory>
#include <mutex>
#include <string>

namespace qev::rpc {

// One end of a command-pipe connection: the RPC server's (open_server) or the session monitor's
// (open_client). Its waits end when cancel() is called or the stop event given to an open call is
// signalled, so the threads using it can be stopped promptly. The pipe closes with this object.
class CmdService {
public:
    explicit CmdService(std::wstring pipe_name);

    CmdService(const CmdService&) = delete;
    CmdService& operator=(const CmdService&) = delete;

    // Creates one instance of the command pipe and waits for a client; false when that failed,
    // all instances were busy (after waiting for one), or stop_event (optional) was signalled.
    bool open_server(HANDLE stop_event);
    // Connects to the command pipe, retrying until it succeeds; false only once stop_event
    // (optional) is signalled or cancel() was called.
    bool open_client(HANDLE stop_event);

    // False when the channel is down, a short write happened or the write failed (a broken pipe
    // also closes this end, so the caller reconnects).
    bool send(const CmdPacket& packet);
    // Waits for the next message. False when the channel is down; on true *packet is null for an
    // empty message.
    bool receive(std::shared_ptr<CmdPacket>* packet);

    // Ends every present and future wait on this end.
    void cancel();

private:
    // The connection for I/O, or null when the channel is down.
    std::shared_ptr<PipeConnection> connection() const;
    // Adopts an opened end unless cancel() came first.
    bool adopt(std::shared_ptr<PipeConnection> connection);
    void drop();
    bool try_open_client(HANDLE stop_event);
    static bool read_message(PipeConnection& connection, DWORD size, std::shared_ptr<CmdPacket>* packet);

    const std::wstring pipe_name_;
    const base::UniqueKernelHandle cancel_event_;
    mutable std::mutex connection_mutex_;
    std::shared_ptr<PipeConnection> connection_;  // guarded by connection_mutex_
    bool cancelled_ = false;                      // guarded by connection_mutex_
};

}  // namespace qev::rpc
