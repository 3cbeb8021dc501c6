#pragma once

#include "datapath/manager/datapath_manager_interface.h"
#include "datapath/context/endpoint_lists.h"
#include "datapath/manager/endpoint_monitoring.h"
#include "datapath/manager/handle_table.h"
#include "datapath/manager/handle_table_lock.h"
#include "datapath/manager/notification_table.h"
#include "rpc/wire_constants.h"
#include "winsys/reg_watcher_observer.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qev::datapath {

// The model behind the API: handles on audio endpoints, their settings and the subscribers to
// datapath events. One object serves the whole process (instance()); further objects exist only in
// tests. Every operation is atomic with respect to the others: the handle table and the per-handle
// contexts are guarded by one lock, the subscribers by their own, and no subscriber is called while
// the handle table is held.
class DatapathManagerAPO : public DatapathManagerInterface, private winsys::reg_utils_wil::RegWatcherObserver {
public:
    static constexpr uint32_t kEnumCapture = wire::kEnumCapture;
    static constexpr uint32_t kEnumRender = wire::kEnumRender;
    static constexpr uint32_t kEnumAlgorithms = wire::kEnumAlgorithms;

    // The process-wide manager, built on the first call.
    static DatapathManagerAPO& instance();

    // Attaches its copy of the endpoint lists to the refresh entries and refreshes them once; the
    // calling thread joins the multithreaded COM apartment; then the endpoint scan runs to its end
    // and the endpoint notifications are registered.
    DatapathManagerAPO();
    ~DatapathManagerAPO() override;

    DatapathManagerAPO(const DatapathManagerAPO&) = delete;
    DatapathManagerAPO& operator=(const DatapathManagerAPO&) = delete;

    uint32_t GetInfo(ServerInfo* info) override;
    uint32_t Enum(uint32_t type, std::vector<std::string>* names) override;
    uint32_t Create(uint32_t* handle, const QevConfig* config) override;
    uint32_t Destroy(uint32_t handle, bool erase) override;
    uint32_t Config(uint32_t handle, const QevConfig* config) override;
    uint32_t Start(uint32_t handle) override;
    uint32_t Stop(uint32_t handle) override;
    uint32_t Set(uint32_t handle, const QevParam* param) override;
    uint32_t Get(uint32_t handle, QevParam* param) override;
    uint32_t GetStatus(uint32_t handle, uint32_t* status) override;
    uint32_t RegisterCallback(QevNotifyCallback callback, void* context, uint32_t* id) override;
    uint32_t UnregisterCallback(uint32_t id) override;
    uint32_t SetSerialized(uint32_t handle, const QevSerializedParam* param) override;
    uint32_t GetSerialized(uint32_t handle, const QevSerializedParam* param, QevSerializedParam* out) override;

    // Calls every registered callback with the event. Raised by a thread inside an operation, the
    // event is delivered when that operation has let go of the handle table.
    void Broadcast(const NotifyEvent& event);

private:
    // The endpoint-key watchers never report (no change class is selected).
    void subkeys_changed(winsys::reg_utils_wil::RegKeyWatcher& /*watcher*/, const std::vector<std::wstring>& /*added*/,
                         const std::vector<std::wstring>& /*removed*/) override
    {}
    void values_changed(winsys::reg_utils_wil::RegKeyWatcher& /*watcher*/) override {}

    uint32_t initialize_context(const QevConfig* config, QevDataPathCntx* cntx);
    bool has_handle(uint32_t handle);
    // Writes the path to the handle's "vpnr_bias_file_path" feature when the handle still exists.
    void write_bias_file_path(uint32_t handle, const std::wstring& path);
    void subscribe(QevDataPathCntx& cntx, IMMDevice* device);
    uint32_t set_feature(QevDataPathCntx& cntx, const std::string& name, const std::string& feature, float value);
    uint32_t set_unmapped(QevDataPathCntx& cntx, const std::string& name, float value);
    uint32_t get_feature(const QevDataPathCntx& cntx, const std::string& name, const std::string& feature,
                         uint32_t level, float* value) const;
    uint32_t get_unmapped(const QevDataPathCntx& cntx, const std::string& name, uint32_t level, float* value) const;

    NotificationTable notifications_;
    HandleTableLock handle_lock_;
    HandleTable handles_;
    // The manager's copy of the endpoint lists, read by Enum and replaced by every refresh.
    EndpointLists endpoints_;
    // Declared last: unregistered first, before the lists and tables go.
    std::unique_ptr<EndpointMonitoring> monitoring_;
};

}  // namespace qev::datapath
