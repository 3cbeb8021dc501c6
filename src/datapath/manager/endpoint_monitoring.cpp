#include "datapath/manager/endpoint_monitoring.h"

#include "datapath/context/endpoint_list_refresh.h"
#include "effects/application/endpoint_notification_handlers.h"
#include "effects/application/endpoint_scan.h"

#include <thread>

namespace qev::datapath {

namespace {

using winsys::reg_utils_wil::RegKeyWatcher;

constexpr wchar_t kCaptureKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\MMDevices\\Audio\\Capture";
constexpr wchar_t kRenderKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\MMDevices\\Audio\\Render";

}  // namespace

EndpointMonitoring::EndpointMonitoring(winsys::reg_utils_wil::RegWatcherObserver* observer)
    : observer_(observer), capture_watcher_(HKEY_LOCAL_MACHINE, kCaptureKey, false, false),
      render_watcher_(HKEY_LOCAL_MACHINE, kRenderKey, false, false)
{
    capture_watcher_.add_observer(observer_);
    render_watcher_.add_observer(observer_);
}

EndpointMonitoring::~EndpointMonitoring()
{
    device_list_.reset();
    effects::SetStateChangeCallback(nullptr);
    render_watcher_.remove_observer(observer_);
    capture_watcher_.remove_observer(observer_);
}

void EndpointMonitoring::start()
{
    std::thread scan([] { effects::ScanAllEndpoints(); });
    callbacks_.stateChanged = &effects::OnEndpointStateChanged;
    callbacks_.deviceAdded = &effects::OnEndpointAdded;
    callbacks_.propertyValueChanged = &effects::OnEndpointPropertyChanged;
    effects::SetStateChangeCallback(&RefreshEndpointListsWithEvent);
    scan.join();
    device_list_ = std::make_unique<winaudio::AudioDeviceList>(&callbacks_);
    device_list_->refresh();
}

}  // namespace qev::datapath
