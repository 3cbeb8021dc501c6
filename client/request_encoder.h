#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qev::client {

struct DeviceNames {
    std::string primary;
    std::string secondary;
};

struct ParamArg {
    std::string name;
    float value = 0.0f;
};

struct SerializedArg {
    std::string name;
    std::vector<std::uint8_t> data;
};

// One request: the function name and whichever fields that function reads. Absent optionals are not
// written; zero scalars are omitted by the encoding itself.
struct Request {
    std::string name;
    std::uint32_t handle = 0;
    std::uint8_t type = 0;
    std::optional<DeviceNames> config;
    std::optional<ParamArg> param;
    std::optional<SerializedArg> serialized_in;
};

// A finished IpcMessage buffer, one pipe message.
std::vector<std::uint8_t> encode_request(const Request& request);

}  // namespace qev::client
