#include "datapath/manager/datapath_manager_apo.h"

#include "base/com_init.h"
#include "base/logging.h"
#include "base/utf8.h"
#include "datapath/catalogue/catalogue.h"
#include "base/utf8.h"
#include "datapath/context/apo_reg_control.h"
#include "datapath/context/endpoint_list_refresh.h"
#include "datapath/context/load_context_to_store.h"
#include "datapath/context/param_context_cache.h"
#include "datapath/manager/param_value_codec.h"
#include "vpnr/bias_file_path.h"
#include "vpnr/bias_file_registry.h"
#include "vpnr/bias_file_reply.h"
#include "vpnr/bias_file_store.h"
#include "vpnr/win_reg_param.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace qev::datapath {

namespace {

bool is_blank(const char* text)
{
    if (text == nullptr) {
        return true;
    }
    for (; *text != '\0'; ++text) {
        if (std::isspace(static_cast<unsigned char>(*text)) == 0) {
            return false;
        }
    }
    return true;
}

std::string lower_ascii(const char* name)
{
    std::string lowered(name);
    for (char& c : lowered) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return lowered;
}

struct DeviceChoice {
    std::string name;
    uint32_t direction = kEndpointCapture;
};

uint32_t result_of(bool done)
{
    return done ? kQevOk : kQevNotCarriedOut;
}

vpnr::SerializedParamView view_of(const QevSerializedParam& param)
{
    return vpnr::SerializedParamView{param.name, std::span<const uint8_t>(param.data, param.data ? param.size : 0)};
}

// The caller's copy of a reply: the name and the bytes on the C heap, which the caller frees.
bool fill_out(const vpnr::SerializedParamReply& reply, QevSerializedParam& out)
{
    char* name = static_cast<char*>(std::malloc(reply.name.size() + 1));
    auto* data = static_cast<uint8_t*>(std::malloc(reply.bytes.empty() ? 1 : reply.bytes.size()));
    if (name == nullptr || data == nullptr) {
        std::free(name);
        std::free(data);
        return false;
    }
    std::memcpy(name, reply.name.c_str(), reply.name.size() + 1);
    std::memcpy(data, reply.bytes.data(), reply.bytes.size());
    out = QevSerializedParam{name, static_cast<uint32_t>(reply.bytes.size()), data};
    return true;
}

// A disabled holder (no back-end) skips writes and fails reads.
void write_string_feature(const QevDataPathCntx& cntx, std::string_view feature, const std::wstring& value)
{
    if (cntx.holder && cntx.holder->enabled()) {
        cntx.holder->setProperties(feature, value);
    }
}

std::optional<std::wstring> read_string_feature(const QevDataPathCntx& cntx, std::string_view feature)
{
    std::wstring value;
    if (!cntx.holder || !cntx.holder->getProperties(feature, &value)) {
        return std::nullopt;
    }
    return value;
}

// The primary device when present (capture), else the secondary one (render).
DeviceChoice choose_device(const QevConfig& config)
{
    if (!is_blank(config.primary_device)) {
        return DeviceChoice{config.primary_device, kEndpointCapture};
    }
    return DeviceChoice{config.secondary_device == nullptr ? "" : config.secondary_device, kEndpointRender};
}

}  // namespace

DatapathManagerAPO& DatapathManagerAPO::instance()
{
    static DatapathManagerAPO manager;
    return manager;
}

DatapathManagerAPO::DatapathManagerAPO()
    : handle_lock_([this](const NotifyEvent& event) { notifications_.broadcast(event); })
{
    EndpointListRefresh::Attach(&endpoints_, [this](bool flag) {
        NotifyEvent event;
        event.type = wire::kEventDeviceList;
        event.value = flag ? 1 : 0;
        Broadcast(event);
    });
    monitoring_ = std::make_unique<EndpointMonitoring>(static_cast<winsys::reg_utils_wil::RegWatcherObserver*>(this));
    RefreshEndpointLists();
    // Deliberately never balanced: the constructing thread stays in the multithreaded apartment for
    // the life of the process, so the COM objects held in the endpoint lists stay usable.
    base::ComInit::for_thread_lifetime(COINIT_MULTITHREADED);
    monitoring_->start();
}

DatapathManagerAPO::~DatapathManagerAPO()
{
    monitoring_.reset();
    EndpointListRefresh::Detach(&endpoints_);
}

uint32_t DatapathManagerAPO::GetInfo(ServerInfo* info)
{
    if (info == nullptr) {
        return kQevInvalidArgument;
    }
    info->info0 = 1;
    info->info1 = 601;
    info->info2 = 2777;
    info->info3 = 0;
    return kQevOk;
}

uint32_t DatapathManagerAPO::Enum(uint32_t type, std::vector<std::string>* names)
{
    if (names == nullptr) {
        return kQevInvalidArgument;
    }
    std::vector<std::string> found;
    switch (type) {
    case kEnumCapture:
    case kEnumRender:
        found = endpoints_.friendly_names(type);
        break;
    case kEnumAlgorithms:
        found = Catalogue::algorithm_names();
        break;
    default:
        return kQevUnknownEnumType;
    }
    names->insert(names->end(), found.begin(), found.end());
    return kQevOk;
}

uint32_t DatapathManagerAPO::Create(uint32_t* handle, const QevConfig* config)
{
    if (handle == nullptr) {
        return kQevInvalidArgument;
    }
    const HandleTableLock::Guard guard(handle_lock_);
    const uint32_t id = handles_.issue();
    const uint32_t result = Config(id, config);
    if (result != kQevOk) {
        handles_.erase(id);
        return result;
    }
    *handle = id;
    return kQevOk;
}

uint32_t DatapathManagerAPO::Destroy(uint32_t handle, bool erase)
{
    const HandleTableLock::Guard guard(handle_lock_);
    if (handles_.find(handle) == nullptr) {
        return kQevInvalidArgument;
    }
    if (erase) {
        handles_.erase(handle);
    }
    return kQevOk;
}

uint32_t DatapathManagerAPO::Config(uint32_t handle, const QevConfig* config)
{
    const HandleTableLock::Guard guard(handle_lock_);
    QevDataPathCntx* cntx = handles_.find(handle);
    if (cntx == nullptr || config == nullptr) {
        return kQevInvalidArgument;
    }
    const uint32_t result = initialize_context(config, cntx);
    if (cntx->params) {
        base::log_printf("\tcntx->algo_name:%s\n\tcntx->nr_level:%d\n\tcntx->bypass:%d\n",
                         cntx->params->algo_name().c_str(), static_cast<int>(cntx->params->nr_level()),
                         cntx->params->bypass() ? 1 : 0);
    }
    return result;
}

uint32_t DatapathManagerAPO::initialize_context(const QevConfig* config, QevDataPathCntx* cntx)
{
    // The context changes only once the whole configuration has succeeded.
    const DeviceChoice choice = choose_device(*config);
    const EndpointLists& lists = EndpointLists::process_wide();
    uint32_t direction = choice.direction;
    std::optional<EndpointEntry> endpoint;
    if (direction == kEndpointCapture) {
        endpoint = lists.find_by_friendly_name(kEndpointCapture, choice.name);
    }
    if (!endpoint) {
        endpoint = lists.find_by_friendly_name(kEndpointRender, choice.name);
        direction = kEndpointRender;
    }
    if (!endpoint) {
        base::log_printf("cannot get device from context\n");
        return kQevNotCarriedOut;
    }
    auto holder = std::make_unique<APORegControl>(endpoint->device.Get());
    const EndpointType type = holder->type();
    if (type == kEndpointBoth) {
        base::log_printf("Failed to get device type, device is invalid\n");
    }
    base::log_printf("cntx result: dev:%s, devtype:%d devid:%s\n", choice.name.c_str(), static_cast<int>(type),
                     base::utf8_from_wide(endpoint->id).c_str());
    if (type == kEndpointBoth) {
        return kQevNotCarriedOut;
    }
    cntx->device_name = choice.name;
    cntx->direction = direction;
    cntx->device_id = endpoint->id;
    cntx->holder = std::move(holder);
    subscribe(*cntx, endpoint->device.Get());
    return kQevOk;
}

void DatapathManagerAPO::subscribe(QevDataPathCntx& cntx, IMMDevice* device)
{
    cntx.subscription.reset();
    cntx.params = ParamContextCache::Lookup(cntx.device_id, device);
    const uint32_t handle = cntx.handle;
    cntx.subscription = ParamSubscription(
        cntx.params,
        [this, handle](const std::string& name, void* /*context*/) {
            NotifyEvent event;
            event.type = wire::kEventParameterChanged;
            event.value = handle;
            event.text = name.c_str();
            Broadcast(event);
            return true;
        },
        nullptr);
}

uint32_t DatapathManagerAPO::Start(uint32_t handle)
{
    const HandleTableLock::Guard guard(handle_lock_);
    QevDataPathCntx* cntx = handles_.find(handle);
    if (cntx == nullptr) {
        return kQevInvalidArgument;
    }
    cntx->status = QevDataPathCntx::kStatusStarted;
    LoadContextToStore(*cntx);
    return kQevOk;
}

uint32_t DatapathManagerAPO::Stop(uint32_t handle)
{
    const HandleTableLock::Guard guard(handle_lock_);
    QevDataPathCntx* cntx = handles_.find(handle);
    if (cntx == nullptr) {
        return kQevInvalidArgument;
    }
    cntx->status = QevDataPathCntx::kStatusStopped;
    return kQevOk;
}

uint32_t DatapathManagerAPO::GetStatus(uint32_t handle, uint32_t* status)
{
    const HandleTableLock::Guard guard(handle_lock_);
    const QevDataPathCntx* cntx = handles_.find(handle);
    if (cntx == nullptr || status == nullptr) {
        return kQevInvalidArgument;
    }
    *status = cntx->status;
    return kQevOk;
}

uint32_t DatapathManagerAPO::Set(uint32_t handle, const QevParam* param)
{
    const HandleTableLock::Guard guard(handle_lock_);
    QevDataPathCntx* cntx = handles_.find(handle);
    if (cntx == nullptr || param == nullptr || param->name == nullptr) {
        return kQevInvalidArgument;
    }
    const std::string name = lower_ascii(param->name);
    const std::optional<ParamAccess> access = Catalogue::find_param_access(name);
    if (!access || !is_writable(*access)) {
        return kQevInvalidArgument;
    }
    const std::string* feature = Catalogue::find_param_feature(name);
    if (feature == nullptr) {
        base::log_printf("Cannot found feature by param name: %s\n", name.c_str());
        return kQevNotCarriedOut;
    }
    if (!cntx->params) {
        return kQevNotCarriedOut;
    }
    return feature->empty() ? set_unmapped(*cntx, name, param->value)
                            : set_feature(*cntx, name, *feature, param->value);
}

uint32_t DatapathManagerAPO::set_feature(QevDataPathCntx& cntx, const std::string& name, const std::string& feature,
                                         float value)
{
    const FeatureKey* key = Catalogue::find_feature(feature);
    const std::optional<uint32_t> stored = key ? ParamValueCodec::encode(name, feature, *key, value) : std::nullopt;
    if (!stored) {
        return kQevInvalidArgument;
    }
    if (name == "nr_level") {
        cntx.params->set_nr_level(*stored, true);
        LoadContextToStore(cntx);
        return kQevOk;
    }
    // Written in every state; the APO reads the feature directly.
    if (cntx.holder && cntx.holder->enabled()) {
        cntx.holder->setProperties(feature, *stored);
    }
    return kQevOk;
}

uint32_t DatapathManagerAPO::set_unmapped(QevDataPathCntx& cntx, const std::string& name, float value)
{
    if (name == "algo_name") {
        const std::optional<int32_t> index = ParamValueCodec::truncate(value);
        const std::string* algorithm =
            index && *index >= 0 ? Catalogue::algorithm_name_at(static_cast<size_t>(*index)) : nullptr;
        if (algorithm == nullptr) {
            return kQevInvalidArgument;
        }
        cntx.params->set_algo_name(*algorithm);
        LoadContextToStore(cntx);
        return kQevOk;
    }
    if (name == "bypass") {
        if (value != 0.0f && value != 1.0f) {
            return kQevInvalidArgument;
        }
        base::log_printf("you should NOT set bypass!!\n");
        if (cntx.params->bypass()) {
            cntx.params->set_nr_level(0, true);
        }
        LoadContextToStore(cntx);
    }
    return kQevOk;
}

uint32_t DatapathManagerAPO::Get(uint32_t handle, QevParam* param)
{
    const HandleTableLock::Guard guard(handle_lock_);
    const QevDataPathCntx* cntx = handles_.find(handle);
    if (cntx == nullptr || param == nullptr || param->name == nullptr) {
        return kQevInvalidArgument;
    }
    const std::string name = lower_ascii(param->name);
    const std::optional<ParamAccess> access = Catalogue::find_param_access(name);
    if (!access || !is_readable(*access)) {
        return kQevInvalidArgument;
    }
    if (!cntx->params) {
        return kQevNotCarriedOut;
    }
    const uint32_t level = cntx->params->nr_level();
    const std::string* feature = Catalogue::find_param_feature(name);
    if (feature == nullptr) {
        base::log_printf("Cannot found feature by param name: %s\n", name.c_str());
        return kQevNotCarriedOut;
    }
    return feature->empty() ? get_unmapped(*cntx, name, level, &param->value)
                            : get_feature(*cntx, name, *feature, level, &param->value);
}

uint32_t DatapathManagerAPO::get_feature(const QevDataPathCntx& cntx, const std::string& name,
                                         const std::string& feature, uint32_t level, float* value) const
{
    if (name == "nr_level") {
        *value = static_cast<float>(level);
        return kQevOk;
    }
    uint32_t stored = 0;
    if (!cntx.holder || !cntx.holder->getProperties(feature, &stored)) {
        return kQevNotCarriedOut;
    }
    *value = ParamValueCodec::decode(name, feature, stored);
    return kQevOk;
}

uint32_t DatapathManagerAPO::get_unmapped(const QevDataPathCntx& cntx, const std::string& name, uint32_t level,
                                          float* value) const
{
    if (name == "algo_name") {
        const std::string algorithm = cntx.params->algo_name();
        const std::optional<size_t> index = Catalogue::algorithm_index(algorithm);
        if (!index) {
            return kQevNotCarriedOut;
        }
        base::log_printf("algo name hit! i=%d, algo_name=%s\n", static_cast<int>(*index), algorithm.c_str());
        *value = static_cast<float>(*index);
    } else if (name == "nr_level_max" || name == "nr_level_min") {
        const FeatureKey* key = Catalogue::find_feature("nr_level");
        *value = static_cast<float>(name == "nr_level_max" ? key->max : key->min);
    } else if (name == "bypass") {
        *value = level == 0 ? 1.0f : 0.0f;
    }
    return kQevOk;
}

uint32_t DatapathManagerAPO::SetSerialized(uint32_t handle, const QevSerializedParam* param)
{
    if (param == nullptr || param->name == nullptr) {
        return kQevInvalidArgument;
    }
    const std::string name = lower_ascii(param->name);
    const std::optional<ParamAccess> access = Catalogue::find_serialized_param_access(name);
    if (!access || !is_writable(*access)) {
        return kQevInvalidArgument;
    }
    const vpnr::SerializedParamView record = view_of(*param);
    // These two need no handle.
    if (name == "delete_vpnr_bias_file") {
        return result_of(vpnr::delete_bias_file(record));
    }
    if (name == "win_reg") {
        return result_of(vpnr::set_win_reg(record));
    }
    if (!has_handle(handle)) {
        return kQevInvalidArgument;
    }
    if (name != "save_vpnr_bias_file" && Catalogue::find_serialized_param_feature(name) == nullptr) {
        base::log_printf("Cannot found feature by param name: %s\n", name.c_str());
        return kQevNotCarriedOut;
    }
    // The file work runs without the handle table, so other clients are not held up by it.
    std::wstring path;
    if (!vpnr::extract_vpnr_bias_file_path(record, path)) {
        return kQevNotCarriedOut;
    }
    if (name == "save_vpnr_bias_file" && !vpnr::save_bias_file(path, record)) {
        return kQevNotCarriedOut;
    }
    write_bias_file_path(handle, path);
    if (name == kVpnrBiasFilePathFeature) {
        vpnr::record_bias_file_in_registry(path);
    }
    return kQevOk;
}

uint32_t DatapathManagerAPO::GetSerialized(uint32_t handle, const QevSerializedParam* param, QevSerializedParam* out)
{
    if (param == nullptr || param->name == nullptr || out == nullptr) {
        return kQevInvalidArgument;
    }
    const std::string name = lower_ascii(param->name);
    const std::optional<ParamAccess> access = Catalogue::find_serialized_param_access(name);
    if (!access || !is_readable(*access)) {
        return kQevInvalidArgument;
    }
    vpnr::SerializedParamReply reply;
    // Needs no handle.
    if (name == "win_reg") {
        return result_of(vpnr::get_win_reg(view_of(*param), reply) && fill_out(reply, *out));
    }
    const HandleTableLock::Guard guard(handle_lock_);
    const QevDataPathCntx* cntx = handles_.find(handle);
    if (cntx == nullptr) {
        return kQevInvalidArgument;
    }
    const std::string* feature = Catalogue::find_serialized_param_feature(name);
    if (feature == nullptr) {
        base::log_printf("Cannot found feature by param name: %s\n", name.c_str());
        return kQevNotCarriedOut;
    }
    if (name != kVpnrBiasFilePathFeature) {
        return kQevOk;
    }
    const std::optional<std::wstring> path = read_string_feature(*cntx, *feature);
    return result_of(path && vpnr::create_serialized_param(*path, param->name, reply) && fill_out(reply, *out));
}

bool DatapathManagerAPO::has_handle(uint32_t handle)
{
    const HandleTableLock::Guard guard(handle_lock_);
    return handles_.find(handle) != nullptr;
}

void DatapathManagerAPO::write_bias_file_path(uint32_t handle, const std::wstring& path)
{
    const HandleTableLock::Guard guard(handle_lock_);
    // The handle may have gone while the file was written; the file stays.
    if (const QevDataPathCntx* cntx = handles_.find(handle)) {
        write_string_feature(*cntx, kVpnrBiasFilePathFeature, path);
    }
}

uint32_t DatapathManagerAPO::RegisterCallback(QevNotifyCallback callback, void* context, uint32_t* id)
{
    if (id == nullptr) {
        return kQevInvalidArgument;
    }
    return notifications_.add(callback, context, id) ? kQevOk : kQevNotCarriedOut;
}

uint32_t DatapathManagerAPO::UnregisterCallback(uint32_t id)
{
    notifications_.remove(id);
    return kQevOk;
}

void DatapathManagerAPO::Broadcast(const NotifyEvent& event)
{
    if (!handle_lock_.defer(event)) {
        notifications_.broadcast(event);
    }
}

}  // namespace qev::datapath
