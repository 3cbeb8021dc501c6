#include "base/event.h"

#include <system_error>

namespace qev::base {

UniqueKernelHandle create_event(EventReset reset, const wchar_t* name)
{
    UniqueKernelHandle event(CreateEventW(nullptr, reset == EventReset::manual ? TRUE : FALSE, FALSE, name));
    if (!event) {
        throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), "CreateEventW");
    }
    return event;
}

}  // namespace qev::base
