#include "effects/settings/property_key_text.h"

#include <propsys.h>

#include "base/logging.h"

namespace qev::effects {

bool PropertyKeyFromText(const std::wstring& text, PROPERTYKEY& key)
{
    PROPERTYKEY converted{};
    if (FAILED(PSPropertyKeyFromString(text.c_str(), &converted))) {
        base::log_wprintf(L"Failed to convert to property key\n");
        return false;
    }
    key = converted;
    return true;
}

}  // namespace qev::effects
