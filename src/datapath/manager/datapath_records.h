#pragma once

#include <cstdint>

#include "rpc/wire_constants.h"

namespace qev::datapath {

// Plain records exchanged between the API handlers and the datapath manager.

struct ServerInfo {
    uint32_t info0 = 0;
    uint32_t info1 = 0;
    uint32_t info2 = 0;
    uint32_t info3 = 0;
};

// Device names as received; null, empty or blank counts as absent.
struct QevConfig {
    const char* primary_device = nullptr;
    const char* secondary_device = nullptr;
};

struct QevParam {
    const char* name = nullptr;
    float value = 0.0f;
};

// A serialized parameter: name, then `size` bytes of payload (null when size is 0).
// Output records are allocated with malloc by the manager and freed by the caller.
struct QevSerializedParam {
    const char* name = nullptr;
    uint32_t size = 0;
    uint8_t* data = nullptr;
};

// The event raised by the datapath manager and sent to clients as a notification.
// type: event kind; value: handle or flag; text: narrow C string or null.
struct NotifyEvent {
    int32_t type = 0;
    uint32_t value = 0;
    const char* text = nullptr;
};

using QevNotifyCallback = void (*)(const NotifyEvent* event, void* context);

// Result codes of every manager operation; clients receive them unchanged.
using QevResult = wire::ResultCode;
inline constexpr QevResult kQevOk = wire::kResultSuccess;
inline constexpr QevResult kQevNotCarriedOut = wire::kResultNotCarriedOut;
inline constexpr QevResult kQevInvalidArgument = wire::kResultInvalidArgument;
inline constexpr QevResult kQevUnknownEnumType = wire::kResultUnknownEnumType;

}  // namespace qev::datapath
