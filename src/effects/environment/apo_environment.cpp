#include "effects/environment/apo_environment.h"

#include <atomic>
#include <mutex>
#include <utility>

#include "effects/environment/apo_environment_builder.h"
#include "vpnr/user_enrollment_sync.h"

namespace qev::effects {

namespace {

// The one configuration of the process. Builds are serialised; readers copy the last finished one.
class ApoEnvironmentStore {
public:
    static ApoEnvironmentStore& Instance()
    {
        static ApoEnvironmentStore store;
        return store;
    }

    ApoEnvironment Snapshot()
    {
        EnsureBuilt();
        const std::lock_guard lock(snapshotMutex_);
        return snapshot_;
    }

    void Rebuild()
    {
        const std::lock_guard lock(buildMutex_);
        if (!BuildFirstLocked()) {
            Publish(BuildApoEnvironment());
        }
    }

private:
    void EnsureBuilt()
    {
        if (!built_.load(std::memory_order_acquire)) {
            const std::lock_guard lock(buildMutex_);
            BuildFirstLocked();
        }
    }

    // The first build publishes the console user's enrollment once it is done. False when the
    // configuration was already built.
    bool BuildFirstLocked()
    {
        if (built_.load(std::memory_order_relaxed)) {
            return false;
        }
        Publish(BuildApoEnvironment());
        built_.store(true, std::memory_order_release);
        vpnr::sync_user_enrollment();
        return true;
    }

    void Publish(ApoEnvironment environment)
    {
        const std::lock_guard lock(snapshotMutex_);
        snapshot_ = std::move(environment);
    }

    std::mutex buildMutex_;  // one build at a time
    std::atomic<bool> built_{false};
    std::mutex snapshotMutex_;
    ApoEnvironment snapshot_;  // guarded by snapshotMutex_
};

}  // namespace

const DirectionEnvironment* ApoEnvironment::ForDirection(EndpointDirection direction) const
{
    switch (direction) {
    case EndpointDirection::Capture:
        return &capture;
    case EndpointDirection::Render:
        return &render;
    default:
        return nullptr;
    }
}

ApoEnvironment GetApoEnvironment()
{
    return ApoEnvironmentStore::Instance().Snapshot();
}

void RebuildApoEnvironment()
{
    ApoEnvironmentStore::Instance().Rebuild();
}

}  // namespace qev::effects
