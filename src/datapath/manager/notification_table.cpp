#include "datapath/manager/notification_table.h"

#include <algorithm>

namespace qev::datapath {

NotificationTable::NotificationTable(uint64_t capacity, uint32_t first_candidate)
    : capacity_(std::min(capacity, kMaxCapacity)), next_candidate_(first_candidate & kLastId)
{}

uint32_t NotificationTable::following(uint32_t id)
{
    return id == kLastId ? 0 : id + 1;
}

bool NotificationTable::add(QevNotifyCallback callback, void* context, uint32_t* id)
{
    const std::lock_guard<std::mutex> lock(mutex_);
    if (subscribers_.size() >= capacity_) {
        *id = kNoId;
        return false;
    }
    uint32_t candidate = next_candidate_;
    while (subscribers_.count(candidate) != 0) {
        candidate = following(candidate);
    }
    subscribers_.emplace(candidate, Subscriber{callback, context});
    next_candidate_ = following(candidate);
    *id = candidate;
    return true;
}

void NotificationTable::remove(uint32_t id)
{
    const std::lock_guard<std::mutex> lock(mutex_);
    subscribers_.erase(id);
}

void NotificationTable::broadcast(const NotifyEvent& event) const
{
    const std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& entry : subscribers_) {
        if (entry.second.callback != nullptr) {
            entry.second.callback(&event, entry.second.context);
        }
    }
}

size_t NotificationTable::size() const
{
    const std::lock_guard<std::mutex> lock(mutex_);
    return subscribers_.size();
}

}  // namespace qev::datapath
