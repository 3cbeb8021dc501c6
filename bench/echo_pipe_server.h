#pragma once

#include "base/unique_handle.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qev::bench {

// The physical floor for a round trip: a named pipe with the server's modes (duplex, message type and
// read mode, blocking, unlimited instances, 1024-byte buffers) that answers every message at once with a
// fixed reply, one thread per connection like the server's read loops.
class EchoPipeServer {
public:
    EchoPipeServer(std::wstring name, std::vector<std::uint8_t> reply);
    ~EchoPipeServer();

    EchoPipeServer(const EchoPipeServer&) = delete;
    EchoPipeServer& operator=(const EchoPipeServer&) = delete;

    const std::wstring& name() const { return name_; }

private:
    void listen();
    void accept_clients();
    void serve(base::UniqueFileHandle pipe) const;

    const std::wstring name_;
    const std::vector<std::uint8_t> reply_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> listener_done_{false};
    std::mutex workers_mutex_;
    std::vector<std::thread> workers_;
    std::thread listener_;
};

}  // namespace qev::bench
