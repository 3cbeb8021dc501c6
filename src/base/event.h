#pragma once

#include "base/unique_handle.h"

namespace qev::base {

enum class EventReset { manual, automatic };

// A new non-signalled event (named when `name` is given: an existing event of that name is opened).
// Throws std::system_error with the Win32 error when Windows cannot make one, so no caller goes on
// with an event it cannot wait for or signal.
UniqueKernelHandle create_event(EventReset reset, const wchar_t* name = nullptr);

}  // namespace qev::base
