#include "datapath/manager/handle_table_lock.h"

#include <utility>

namespace qev::datapath {

HandleTableLock::HandleTableLock(Sink sink) : sink_(std::move(sink))
{}

bool HandleTableLock::held_by_current_thread() const
{
    return owner_.load() == std::this_thread::get_id();
}

bool HandleTableLock::defer(const NotifyEvent& event)
{
    if (!held_by_current_thread()) {
        return false;
    }
    PendingEvent pending{event.type, event.value, std::nullopt};
    if (event.text != nullptr) {
        pending.text = std::string(event.text);
    }
    pending_.push_back(std::move(pending));
    return true;
}

void HandleTableLock::acquire()
{
    if (held_by_current_thread()) {
        ++depth_;
        return;
    }
    mutex_.lock();
    owner_.store(std::this_thread::get_id());
    depth_ = 1;
}

void HandleTableLock::release()
{
    if (--depth_ > 0) {
        return;
    }
    std::vector<PendingEvent> events = std::exchange(pending_, {});
    owner_.store(std::thread::id{});
    mutex_.unlock();
    deliver(events);
}

void HandleTableLock::deliver(const std::vector<PendingEvent>& events) const
{
    for (const PendingEvent& pending : events) {
        NotifyEvent event;
        event.type = pending.type;
        event.value = pending.value;
        event.text = pending.text ? pending.text->c_str() : nullptr;
        sink_(event);
    }
}

}  // namespace qev::datapath
