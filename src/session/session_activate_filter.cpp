#include "session/session_activate_filter.h"

#include <objbase.h>

#include <algorithm>
#include <exception>
#include <iterator>

#include "base/com_init.h"
#include "base/logging.h"
#include "base/utf8.h"
#include "session/candidate_changes.h"
#include "session/candidate_collector.h"
#include "session/tool_capture_property.h"
#include "sysinfo/os_version.h"
#include "winaudio/com_init_guard.h"
#include "winaudio/endpoint_notification_hub.h"
#include "winaudio/endpoint_queries.h"
#include "winaudio/session_queries.h"

namespace qev::session {

using Microsoft::WRL::ComPtr;
using winaudio::AudioSessionControlInfo;
using winsys::service_utils::ServiceStatusEvent;
using winsys::service_utils::ServiceStatusWatcher;

namespace {

constexpr wchar_t kAudioService[] = L"Audiosrv";
constexpr std::chrono::milliseconds kServiceRecoveryDelay{2000};

unsigned read_build_number()
{
    sysinfo::OsVersion version;
    try {
        return sysinfo::GetOsVersion(version) ? version.build : 0;
    } catch (const std::exception&) {
        return 0;  // an unreadable build is taken for Windows 10, whose store always exists
    }
}

}  // namespace

std::shared_ptr<SessionActivateFilter> SessionActivateFilter::get_instance()
{
    static const std::shared_ptr<SessionActivateFilter> instance(new SessionActivateFilter());
    return instance;
}

SessionActivateFilter::SessionActivateFilter()
    : hub_((winaudio::ComInitGuard::Instance(), winaudio::GetEndpointNotificationHub())), monitors_(this, this),
      recovery_(kServiceRecoveryDelay)
{}

SessionActivateFilter::~SessionActivateFilter()
{
    stop();
}

void SessionActivateFilter::start_sequence()
{
    std::lock_guard<std::mutex> control(controlMutex_);
    stop_service_watcher();
    halt();
    stopping_ = false;
    audioServiceDown_ = false;
    recovery_.open();
    setup_event_handler();
    start();
    if (serviceWatcher_) {
        serviceWatcher_->start();
    }
}

void SessionActivateFilter::stop()
{
    stopping_ = true;
    recovery_.close();  // before the control lock, which a running restart takes
    std::lock_guard<std::mutex> control(controlMutex_);
    stop_service_watcher();
    halt();
}

void SessionActivateFilter::stop_service_watcher()
{
    if (serviceWatcher_) {
        serviceWatcher_->stop();
        serviceWatcher_.reset();
    }
}

void SessionActivateFilter::setup_event_handler()
{
    serviceWatcher_ = std::make_unique<ServiceStatusWatcher>();
    serviceWatcher_->add_service(kAudioService);
    std::weak_ptr<SessionActivateFilter> weak = shared_from_this();
    serviceWatcher_->add_handler([weak](const ServiceStatusEvent& event) {
        if (const auto filter = weak.lock()) {
            filter->on_service_event(event);
        }
    });
}

void SessionActivateFilter::on_service_event(const ServiceStatusEvent& event)
{
    if (_wcsicmp(event.service_name.c_str(), kAudioService) != 0 || stopping_) {
        return;
    }
    if (event.current_state == SERVICE_STOPPED || event.current_state == SERVICE_STOP_PENDING) {
        base::log_printf("audio service is down\n");
        audioServiceDown_ = true;
    } else if (event.current_state == SERVICE_RUNNING && audioServiceDown_) {
        recovery_.schedule([this] { restart_after_service_recovery(); });
    }
}

void SessionActivateFilter::restart_after_service_recovery()
{
    if (!stopping_) {
        std::lock_guard<std::mutex> control(controlMutex_);
        if (!stopping_) {
            base::log_printf("audio service runs again, restart the session filter\n");
            halt();
            start();
        }
    }
    audioServiceDown_ = false;
}

void SessionActivateFilter::start()
{
    {
        std::lock_guard<std::mutex> lock(postMutex_);
        haltRequested_ = false;
        posted_ = 0;
        processed_ = 0;
    }
    add_all_devices();
    hub_.AddObserver(this);
    worker_ = std::thread([this] { worker_loop(); });
}

void SessionActivateFilter::halt()
{
    {
        std::lock_guard<std::mutex> lock(postMutex_);
        haltRequested_ = true;
        ++posted_;
    }
    postedChanged_.notify_all();
    if (worker_.joinable()) {
        worker_.join();
    }
    hub_.RemoveObserver(this);
    monitors_.release_all();
    {
        std::lock_guard<std::mutex> lock(stateMutex_);
        processTable_.clear();
    }
    // Changes recorded until the monitors went are dropped with the table.
    std::deque<SessionChange> dropped;
    std::lock_guard<std::mutex> lock(postMutex_);
    dropped.swap(pending_);
}

void SessionActivateFilter::add_all_devices()
{
    for (const EDataFlow flow : {eRender, eCapture}) {
        std::vector<ComPtr<IMMDevice>> devices;
        winaudio::EnumerateEndpoints(devices, flow);
        for (const auto& device : devices) {
            add_device(device);
        }
    }
}

void SessionActivateFilter::add_device(const ComPtr<IMMDevice>& device)
{
    std::wstring endpointId;
    EDataFlow flow = eRender;
    if (stopping_ || !winaudio::GetDeviceId(device, endpointId) || !winaudio::GetDataFlow(device, flow)) {
        return;
    }
    const auto notifications = monitors_.notification_monitor(device, endpointId);
    if (!notifications) {
        return;
    }
    std::vector<ComPtr<IAudioSessionControl>> sessions;
    notifications->enumerate_sessions(sessions);
    const auto events = monitors_.event_monitor(device, endpointId);
    if (!events) {
        return;
    }
    for (const auto& session : sessions) {
        if (stopping_) {
            return;
        }
        track_session(endpointId, flow == eCapture, *events, session);
    }
}

void SessionActivateFilter::track_session(const std::wstring& endpointId, bool capture,
                                          winaudio::AudioSessionEventMonitor& monitor,
                                          const ComPtr<IAudioSessionControl>& session)
{
    std::uint32_t pid = 0;
    AudioSessionState state = AudioSessionStateInactive;
    if (!winaudio::GetSessionProcessId(session.Get(), pid) || pid == 0 ||
        !winaudio::GetSessionState(session.Get(), state)) {
        return;
    }
    monitor.register_session(session);
    {
        std::lock_guard<std::mutex> lock(stateMutex_);
        processTable_.update(endpointId, capture, pid, static_cast<std::uint32_t>(state));
    }
    post_count();
}

void SessionActivateFilter::post_count()
{
    {
        std::lock_guard<std::mutex> lock(postMutex_);
        ++posted_;
    }
    postedChanged_.notify_all();
}

void SessionActivateFilter::post(SessionChange change)
{
    {
        std::lock_guard<std::mutex> lock(postMutex_);
        pending_.push_back(std::move(change));
        ++posted_;
    }
    postedChanged_.notify_all();
}

// On the hub's worker.
HRESULT SessionActivateFilter::on_device_notification(winaudio::EndpointEventKind kind,
                                                      const winaudio::EndpointEvent& event)
{
    const bool arrived =
        kind == winaudio::EndpointEventKind::DeviceAdded ||
        (kind == winaudio::EndpointEventKind::DeviceStateChanged && event.new_state() == DEVICE_STATE_ACTIVE);
    if (!audioServiceDown_ && arrived && !event.endpointId.empty()) {
        post(SessionChange{SessionChange::Kind::DeviceArrived, event.endpointId, nullptr, nullptr});
    }
    return S_OK;
}

// On a Windows session notification thread.
void SessionActivateFilter::on_session_created(const std::wstring& endpointId, ComPtr<IAudioSessionControl> session)
{
    if (!stopping_ && session) {
        post(SessionChange{SessionChange::Kind::SessionCreated, endpointId, std::move(session), nullptr});
    }
}

// On a Windows session event thread.
void SessionActivateFilter::on_session_state_changed(AudioSessionState newState,
                                                     std::shared_ptr<AudioSessionControlInfo> info)
{
    if (!stopping_ && info) {
        const std::wstring endpointId = info->endpointId;
        post(SessionChange{SessionChange::Kind::StateChanged, endpointId, nullptr, std::move(info), newState});
    }
}

// On a Windows session event thread.
void SessionActivateFilter::on_session_disconnected(AudioSessionDisconnectReason,
                                                    std::shared_ptr<AudioSessionControlInfo> info)
{
    if (!stopping_ && info) {
        const std::wstring endpointId = info->endpointId;
        post(SessionChange{SessionChange::Kind::Disconnected, endpointId, nullptr, std::move(info)});
    }
}

void SessionActivateFilter::worker_loop()
{
    const base::ComInit com(COINIT_MULTITHREADED);
    const unsigned buildNumber = read_build_number();
    CandidateMap previous;
    std::deque<SessionChange> changes;
    while (wait_for_changes(changes)) {
        for (const SessionChange& change : changes) {
            apply(change);
        }
        changes.clear();  // the sessions are released here, outside every callback
        {
            std::lock_guard<std::mutex> lock(stateMutex_);
            run_pass(previous, buildNumber);
        }
        std::lock_guard<std::mutex> lock(postMutex_);
        ++processed_;
    }
}

bool SessionActivateFilter::wait_for_changes(std::deque<SessionChange>& changes)
{
    std::unique_lock<std::mutex> lock(postMutex_);
    postedChanged_.wait(lock, [this] { return posted_ != processed_; });
    if (haltRequested_) {
        return false;
    }
    changes.swap(pending_);
    return true;
}

void SessionActivateFilter::apply(const SessionChange& change)
{
    if (stopping_) {
        return;
    }
    switch (change.kind) {
    case SessionChange::Kind::DeviceArrived: {
        ComPtr<IMMDevice> device;
        if (winaudio::GetDeviceById(change.endpointId, device)) {
            add_device(device);
        }
        break;
    }
    case SessionChange::Kind::SessionCreated:
        apply_session_created(change);
        break;
    case SessionChange::Kind::StateChanged:
        apply_state_changed(change);
        break;
    case SessionChange::Kind::Disconnected:
        apply_disconnected(change);
        break;
    }
}

void SessionActivateFilter::apply_session_created(const SessionChange& change)
{
    ComPtr<IMMDevice> device;
    EDataFlow flow = eRender;
    if (!winaudio::GetDeviceById(change.endpointId, device) || !winaudio::GetDataFlow(device, flow)) {
        return;
    }
    if (const auto events = monitors_.event_monitor(device, change.endpointId)) {
        track_session(change.endpointId, flow == eCapture, *events, change.session);
    }
}

void SessionActivateFilter::apply_state_changed(const SessionChange& change)
{
    ComPtr<IMMDevice> device;
    if (!winaudio::GetDeviceById(change.endpointId, device)) {
        return;
    }
    DWORD deviceState = 0;
    EDataFlow flow = eRender;
    if ((SUCCEEDED(winaudio::GetDeviceState(device, deviceState)) && deviceState != DEVICE_STATE_ACTIVE) ||
        !winaudio::GetDataFlow(device, flow)) {
        return;
    }
    std::lock_guard<std::mutex> lock(stateMutex_);
    processTable_.update(change.endpointId, flow == eCapture, change.info->processId,
                         static_cast<std::uint32_t>(change.state));
}

void SessionActivateFilter::apply_disconnected(const SessionChange& change)
{
    if (const auto events = monitors_.find_event_monitor(change.endpointId)) {
        events->unregister_session(*change.info);
    }
    std::lock_guard<std::mutex> lock(stateMutex_);
    processTable_.remove_endpoint(change.endpointId);
}

void SessionActivateFilter::run_pass(CandidateMap& previous, unsigned buildNumber)
{
    CandidateMap current = CandidateCollector::collect(processTable_, snapshot_, toolCaptures_);
    const CandidateChanges changes = CandidateChanges::between(previous, current);
    {
        const auto listening = listeners_.lock();
        for (const std::wstring& id : changes.deactivated) {
            base::log_printf("de-activate device: %s\n", base::utf8_from_wide(id).c_str());
            listeners_.announce(id, previous[id]->kind, false);
        }
        for (const std::wstring& id : changes.activated) {
            base::log_printf("activate device: %s\n", base::utf8_from_wide(id).c_str());
            listeners_.announce(id, current[id]->kind, true);
        }
        announce_tool_captures(buildNumber);
    }
    previous = std::move(current);
}

void SessionActivateFilter::announce_tool_captures(unsigned buildNumber)
{
    std::vector<std::wstring> current = toolCaptures_;
    std::sort(current.begin(), current.end());
    std::sort(previousToolCaptures_.begin(), previousToolCaptures_.end());
    std::vector<std::wstring> added;
    std::vector<std::wstring> removed;
    std::set_difference(current.begin(), current.end(), previousToolCaptures_.begin(), previousToolCaptures_.end(),
                        std::back_inserter(added));
    std::set_difference(previousToolCaptures_.begin(), previousToolCaptures_.end(), current.begin(), current.end(),
                        std::back_inserter(removed));
    for (const auto& [ids, activated] : {std::make_pair(&added, true), std::make_pair(&removed, false)}) {
        for (const std::wstring& id : *ids) {
            listeners_.announce(id, kCaptureKind, activated);
            write_tool_capture_flag(id, activated ? 1 : 0, buildNumber);
        }
    }
    previousToolCaptures_ = std::move(current);
}

}  // namespace qev::session
