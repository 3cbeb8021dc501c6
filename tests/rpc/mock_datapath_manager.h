#pragma once

#include "datapath/datapath_manager_interface.h"

#include <gmock/gmock.h>

class MockDatapathManager : public DatapathManagerInterface {
public:
    MOCK_METHOD(uint32_t, GetInfo, (ServerInfo * info), (override));
    MOCK_METHOD(uint32_t, Enum, (uint32_t type, std::vector<std::string>* names), (override));
    MOCK_METHOD(uint32_t, Create, (uint32_t * handle, const QevConfig* config), (override));
    MOCK_METHOD(uint32_t, Destroy, (uint32_t handle, bool erase), (override));
    MOCK_METHOD(uint32_t, Config, (uint32_t handle, const QevConfig* config), (override));
    MOCK_METHOD(uint32_t, Start, (uint32_t handle), (override));
    MOCK_METHOD(uint32_t, Stop, (uint32_t handle), (override));
    MOCK_METHOD(uint32_t, Set, (uint32_t handle, const QevParam* param), (override));
    MOCK_METHOD(uint32_t, Get, (uint32_t handle, QevParam* param), (override));
    MOCK_METHOD(uint32_t, GetStatus, (uint32_t handle, uint32_t* status), (override));
    MOCK_METHOD(uint32_t, RegisterCallback, (QevNotifyCallback callback, void* context, uint32_t* id), (override));
    MOCK_METHOD(uint32_t, UnregisterCallback, (uint32_t id), (override));
    MOCK_METHOD(uint32_t, SetSerialized, (uint32_t handle, const QevSerializedParam* param), (override));
    MOCK_METHOD(uint32_t, GetSerialized, (uint32_t handle, const QevSerializedParam* param, QevSerializedParam* out),
                (override));
};
