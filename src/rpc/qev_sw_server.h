#pragma once

namespace qev::rpc {

// The server a role runs: start() begins work on the server's own threads and returns at once;
// stop() asks those threads to end; wait() joins them and releases what start() acquired.
class QevSwServer {
public:
    virtual ~QevSwServer() = default;
    virtual bool start() = 0;
    virtual bool stop() = 0;
    virtual bool wait() = 0;
};

}  // namespace qev::rpc
