#pragma once

#include "datapath/manager/datapath_records.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>

namespace qev::datapath {

// The subscribers to datapath events: id -> {callback, context}, with its own mutex. Broadcasting
// holds that mutex while calling the callbacks, so once remove() returns the callback is no longer
// running and will not be called again. A callback must not add or remove subscribers.
class NotificationTable {
public:
    // Ids run from 0 to kLastId and then start again at 0, so at most 2^31 subscribers fit.
    static constexpr uint64_t kMaxCapacity = uint64_t{1} << 31;
    static constexpr uint32_t kNoId = 0xFFFFFFFF;

    static constexpr uint32_t kLastId = 0x7FFFFFFF;

    // The first id handed out is first_candidate (masked into the id range).
    explicit NotificationTable(uint64_t capacity = kMaxCapacity, uint32_t first_candidate = 0);

    NotificationTable(const NotificationTable&) = delete;
    NotificationTable& operator=(const NotificationTable&) = delete;

    // Stores the subscriber under the first free id from the next candidate on, writes it to *id and
    // returns true; when full writes kNoId and returns false.
    bool add(QevNotifyCallback callback, void* context, uint32_t* id);
    // An unknown id is not an error.
    void remove(uint32_t id);
    // Calls every non-null callback in ascending id order.
    void broadcast(const NotifyEvent& event) const;
    size_t size() const;

private:
    struct Subscriber {
        QevNotifyCallback callback = nullptr;
        void* context = nullptr;
    };

    static uint32_t following(uint32_t id);

    const uint64_t capacity_;
    mutable std::mutex mutex_;
    std::map<uint32_t, Subscriber> subscribers_;
    uint32_t next_candidate_ = 0;
};

}  // namespace qev::datapath
