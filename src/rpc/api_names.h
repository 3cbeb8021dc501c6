#pragma once

// Function names as they travel in IpcMessage.name.
namespace api_names {
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
} // namespace api_names
