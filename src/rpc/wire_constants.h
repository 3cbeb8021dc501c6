#pragma once

// The constants of the wire format (ipc_message.fbs), shared by the server and the client library.
// Header only and free of dependencies: any layer, the client and the tools may include it.

#include <cstdint>

namespace qev::wire {

// Function names as they travel in IpcMessage.name.
namespace function_name {
inline constexpr char kCreate[] = "QevIntfCreate";
inline constexpr char kDestroy[] = "QevIntfDestroy";
inline constexpr char kStart[] = "QevIntfStart";
inline constexpr char kStop[] = "QevIntfStop";
inline constexpr char kConfig[] = "QevIntfConfig";
inline constexpr char kSet[] = "QevIntfSet";
inline constexpr char kGet[] = "QevIntfGet";
inline constexpr char kGetStatus[] = "QevIntfGetStatus";
inline constexpr char kGetInfo[] = "QevIntfGetInfo";
inline constexpr char kEnum[] = "QevIntfEnum";
inline constexpr char kGetSerialized[] = "QevIntfGetSerialized";
inline constexpr char kSetSerialized[] = "QevIntfSetSerialized";
inline constexpr char kNotify[] = "QevIntfNotify";
}  // namespace function_name

// The pipes of the RPC role: requests and replies, notifications, and the command pipe the session
// monitor role talks to.
inline constexpr wchar_t kRequestPipe[] = L"\\\\.\\Pipe\\qEvSWNRpipe";
inline constexpr wchar_t kNotifyPipe[] = L"\\\\.\\Pipe\\qEvSWNRpipeNotify";
inline constexpr wchar_t kCommandPipe[] = L"\\\\.\\Pipe\\qEvSWNRCmdServicePipe";

// IpcMessage.result: what the datapath manager answered, passed through unchanged.
enum ResultCode : std::uint32_t {
    kResultSuccess = 0,
    kResultNotCarriedOut = 1,
    kResultInvalidArgument = 3,
    kResultUnknownEnumType = 5,
};

// IpcMessage.type of QevIntfEnum: what to list.
enum EnumType : std::uint8_t {
    kEnumCapture = 0,
    kEnumRender = 1,
    kEnumAlgorithms = 2,
};

// Notification.type; the payload's union tag is the type plus one.
enum EventType : std::int32_t {
    kEventDeviceList = 0,
    kEventHandle = 1,
    kEventFlag = 2,
    kEventValue = 3,
    kEventSessionActivation = 4,
    kEventParameterChanged = 5,
};

}  // namespace qev::wire
