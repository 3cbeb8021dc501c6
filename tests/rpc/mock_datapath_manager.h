#pragma once

#include "datapath/manager/datapath_manager_interface.h"

#include <gmock/gmock.h>

namespace qev::rpc {

class MockDatapathManager : public datapath::DatapathManagerInterface {
public:
    MOCK_METHOD(uint32_t, GetInfo, (datapath::ServerInfo * info), (override));
    MOCK_METHOD(uint32_t, Enum, (uint32_t type, std::vector<std::string>* names), (override));
    MOCK_METHOD(uint32_t, Create, (uint32_t * handle, const datapath::QevConfig* config), (override));
    MOCK_METHOD(uint32_t, Destroy, (uint32_t handle, bool erase), (override));
    MOCK_METHOD(uint32_t, Config, (uint32_t handle, const datapath::QevConfig* config), (override));
    MOCK_METHOD(uint32_t, Start, (uint32_t handle), (override));
    MOCK_METHOD(uint32_t, Stop, (uint32_t handle), (override));
    MOCK_METHOD(uint32_t, Set, (uint32_t handle, const datapath::QevParam* param), (override));
    MOCK_METHOD(uint32_t, Get, (uint32_t handle, datapath::QevParam* param), (override));
    MOCK_METHOD(uint32_t, GetStatus, (uint32_t handle, uint32_t* status), (override));
    MOCK_METHOD(uint32_t, RegisterCallback, (datapath::QevNotifyCallback callback, void* context, uint32_t* id),
                (override));
    MOCK_METHOD(uint32_t, UnregisterCallback, (uint32_t id), (override));
    MOCK_METHOD(uint32_t, SetSerialized, (uint32_t handle, const datapath::QevSerializedParam* param), (override));
    MOCK_METHOD(uint32_t, GetSerialized,
                (uint32_t handle, const datapath::QevSerializedParam* param, datapath::QevSerializedParam* out),
                (override));
};

}  // namespace qev::rpc
