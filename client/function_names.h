#pragma once

namespace qev::client::fn {

// The names by which the server recognises its functions.
inline constexpr const char* kCreate = "QevIntfCreate";
inline constexpr const char* kDestroy = "QevIntfDestroy";
inline constexpr const char* kStart = "QevIntfStart";
inline constexpr const char* kStop = "QevIntfStop";
inline constexpr const char* kConfig = "QevIntfConfig";
inline constexpr const char* kSet = "QevIntfSet";
inline constexpr const char* kGet = "QevIntfGet";
inline constexpr const char* kGetStatus = "QevIntfGetStatus";
inline constexpr const char* kGetInfo = "QevIntfGetInfo";
inline constexpr const char* kEnum = "QevIntfEnum";
inline constexpr const char* kGetSerialized = "QevIntfGetSerialized";
inline constexpr const char* kSetSerialized = "QevIntfSetSerialized";
inline constexpr const char* kNotify = "QevIntfNotify";

}  // namespace qev::client::fn
