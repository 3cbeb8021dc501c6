#include "datapath/manager/datapath_manager_apo.h"

#include "base/com_init.h"
#include "base/logging.h"
#include "datapath/catalogue/catalogue.h"
#include "datapath/manager/param_value_codec.h"

#include <cctype>
#include <string_view>

namespace qev::datapath {

namespace {

// Not carried out until the property holders and parameter contexts exist in this server.
constexpr char kNoContexts[] = "datapath: %s \"%s\" not carried out: parameter contexts are not available\n";

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
    refresh_endpoint_lists();
    // Deliberately never balanced: the constructing thread stays in the multithreaded apartment for
    // the life of the process, so the COM objects held in the endpoint lists stay usable.
    base::ComInit::for_thread_lifetime(COINIT_MULTITHREADED);
}

void DatapathManagerAPO::refresh_endpoint_lists()
{
    EndpointLists& shared = EndpointLists::process_wide();
    shared.refresh();
    endpoints_.copy_from(shared);
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
    return initialize_context(config, cntx);
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
    base::log_printf(
        "datapath: Config of handle %u on \"%s\" (type %u) not carried out: property holders are not "
        "available\n",
        cntx->handle, choice.name.c_str(), direction);
    return kQevNotCarriedOut;
}

uint32_t DatapathManagerAPO::Start(uint32_t handle)
{
    const HandleTableLock::Guard guard(handle_lock_);
    QevDataPathCntx* cntx = handles_.find(handle);
    if (cntx == nullptr) {
        return kQevInvalidArgument;
    }
    // Writing the context to the store joins the parameter contexts.
    cntx->status = QevDataPathCntx::kStatusStarted;
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
    if (handles_.find(handle) == nullptr || param == nullptr || param->name == nullptr) {
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
    if (!feature->empty()) {
        const FeatureKey* key = Catalogue::find_feature(*feature);
        if (key == nullptr || !ParamValueCodec::encode(name, *feature, *key, param->value)) {
            return kQevInvalidArgument;
        }
    } else if (name == "algo_name") {
        const std::optional<int32_t> index = ParamValueCodec::truncate(param->value);
        if (!index || *index < 0 || static_cast<size_t>(*index) >= Catalogue::algorithms().size()) {
            return kQevInvalidArgument;
        }
    } else if (name == "bypass") {
        if (param->value != 0.0f && param->value != 1.0f) {
            return kQevInvalidArgument;
        }
        base::log_printf("you should NOT set bypass!!\n");
    } else {
        return kQevOk;
    }
    base::log_printf(kNoContexts, "Set", name.c_str());
    return kQevNotCarriedOut;
}

uint32_t DatapathManagerAPO::Get(uint32_t handle, QevParam* param)
{
    const HandleTableLock::Guard guard(handle_lock_);
    if (handles_.find(handle) == nullptr || param == nullptr || param->name == nullptr) {
        return kQevInvalidArgument;
    }
    const std::string name = lower_ascii(param->name);
    const std::optional<ParamAccess> access = Catalogue::find_param_access(name);
    if (!access || !is_readable(*access)) {
        return kQevInvalidArgument;
    }
    const std::string* feature = Catalogue::find_param_feature(name);
    if (feature == nullptr) {
        base::log_printf("Cannot found feature by param name: %s\n", name.c_str());
        return kQevNotCarriedOut;
    }
    if (name == "nr_level_max" || name == "nr_level_min") {
        const FeatureKey* key = Catalogue::find_feature("nr_level");
        param->value = static_cast<float>(name == "nr_level_max" ? key->max : key->min);
        return kQevOk;
    }
    base::log_printf(kNoContexts, "Get", name.c_str());
    return kQevNotCarriedOut;
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
    // These two need no handle.
    if (name == "delete_vpnr_bias_file" || name == "win_reg") {
        base::log_printf(kNoContexts, "SetSerialized", name.c_str());
        return kQevNotCarriedOut;
    }
    const HandleTableLock::Guard guard(handle_lock_);
    if (handles_.find(handle) == nullptr) {
        return kQevInvalidArgument;
    }
    if (name != "save_vpnr_bias_file" && Catalogue::find_serialized_param_feature(name) == nullptr) {
        base::log_printf("Cannot found feature by param name: %s\n", name.c_str());
        return kQevNotCarriedOut;
    }
    base::log_printf(kNoContexts, "SetSerialized", name.c_str());
    return kQevNotCarriedOut;
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
    // Needs no handle.
    if (name == "win_reg") {
        base::log_printf(kNoContexts, "GetSerialized", name.c_str());
        return kQevNotCarriedOut;
    }
    const HandleTableLock::Guard guard(handle_lock_);
    if (handles_.find(handle) == nullptr) {
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
    base::log_printf(kNoContexts, "GetSerialized", name.c_str());
    return kQevNotCarriedOut;
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
