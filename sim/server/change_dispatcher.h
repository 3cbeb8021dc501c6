#pragma once

#include "change_record.h"

namespace qevsim {

// Turns one journal record into the notification Windows would send and calls the registered
// clients with it on the calling (delivery) thread.
class ChangeDispatcher {
public:
    static void deliver(const ChangeRecord& record);

private:
    static void endpointChange(const ChangeRecord& record);
    static void effectChange(const ChangeRecord& record);
    static void sessionCreated(const ChangeRecord& record);
    static void sessionEvent(const ChangeRecord& record);
};

}  // namespace qevsim
