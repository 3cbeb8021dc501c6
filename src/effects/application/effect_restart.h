#pragma once

#include <windows.h>

#include <mmdeviceapi.h>

namespace qev::effects {

// Makes a changed effect setting take effect on an active endpoint: hides the endpoint through the
// policy-config object, then shows it again, up to ten times every 500 ms, until it is active.
// After ten attempts without an active state the endpoint may stay hidden. Runs on the caller's
// thread and waits there: never call it on a Windows notification thread.
void ApplyEffect(IMMDevice* endpoint);

}  // namespace qev::effects
