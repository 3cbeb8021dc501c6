#pragma once

#include <stdexcept>
#include <string>

namespace qev::client {

// A transport or protocol failure: no server, a broken pipe, no reply in time, or a reply that is not a
// valid message. Result codes of the API are not errors; calls return them.
class RpcError : public std::runtime_error {
public:
    explicit RpcError(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace qev::client
