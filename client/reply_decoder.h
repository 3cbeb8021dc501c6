#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace qev::client {

// A reply as read from the wire; absent scalars read 0, absent strings "", absent tables empty.
struct Reply {
    std::string name;
    std::uint32_t result = 0;
    std::uint32_t handle = 0;
    std::uint8_t status = 0;
    std::optional<std::array<std::uint32_t, 4>> info;
    bool has_enum_result = false;
    std::uint32_t enum_count = 0;
    std::vector<std::string> names;
    std::string param_name;
    float param_value = 0.0f;
    bool has_serialized_out = false;
    std::string serialized_name;
    std::uint32_t serialized_size = 0;
    std::vector<std::uint8_t> serialized_data;
};

// A notification: the event type, its value (a flag or a handle) and its text, if any.
struct Event {
    std::int32_t type = 0;
    std::uint32_t value = 0;
    std::string text;
};

// Both return nothing when the bytes fail the FlatBuffers verifier or do not make sense as that message.
std::optional<Reply> decode_reply(std::span<const std::uint8_t> bytes);
std::optional<Event> decode_notification(std::span<const std::uint8_t> bytes);

}  // namespace qev::client
