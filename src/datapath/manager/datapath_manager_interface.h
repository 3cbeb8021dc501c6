#pragma once

#include "datapath/manager/datapath_records.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qev::datapath {

// The operations behind the API, in slot order. Every operation returns a QevResult code.
class DatapathManagerInterface {
public:
    virtual ~DatapathManagerInterface() = default;

    virtual uint32_t GetInfo(ServerInfo* info) = 0;
    virtual uint32_t Enum(uint32_t type, std::vector<std::string>* names) = 0;
    virtual uint32_t Create(uint32_t* handle, const QevConfig* config) = 0;
    virtual uint32_t Destroy(uint32_t handle, bool erase) = 0;
    virtual uint32_t Config(uint32_t handle, const QevConfig* config) = 0;
    virtual uint32_t Start(uint32_t handle) = 0;
    virtual uint32_t Stop(uint32_t handle) = 0;
    virtual uint32_t Set(uint32_t handle, const QevParam* param) = 0;
    virtual uint32_t Get(uint32_t handle, QevParam* param) = 0;
    virtual uint32_t GetStatus(uint32_t handle, uint32_t* status) = 0;
    virtual uint32_t RegisterCallback(QevNotifyCallback callback, void* context, uint32_t* id) = 0;
    virtual uint32_t UnregisterCallback(uint32_t id) = 0;
    virtual uint32_t SetSerialized(uint32_t handle, const QevSerializedParam* param) = 0;
    // On success *out holds a malloc'ed name and malloc'ed data that the caller frees.
    virtual uint32_t GetSerialized(uint32_t handle, const QevSerializedParam* param, QevSerializedParam* out) = 0;
};

}  // namespace qev::datapath
