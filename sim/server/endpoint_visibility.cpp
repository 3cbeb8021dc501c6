#include "endpoint_visibility.h"

#include <mmdeviceapi.h>

#include "endpoint_catalog.h"
#include "reg_key.h"

namespace qevsim {

namespace {

constexpr wchar_t kHiddenRoot[] = L"SOFTWARE\\qevsim\\Hidden";

}  // namespace

HRESULT EndpointVisibility::hide(const EndpointId& id)
{
    const DWORD state = EndpointCatalog::state(id).value_or(0);
    if (state != DEVICE_STATE_ACTIVE && state != DEVICE_STATE_UNPLUGGED) {
        return S_OK;
    }
    LONG rc = ERROR_SUCCESS;
    const RegKey hidden = RegKey::create(HKEY_LOCAL_MACHINE, kHiddenRoot, KEY_SET_VALUE, &rc);
    if (!hidden || (rc = hidden.setDword(id.text(), state)) != ERROR_SUCCESS) {
        return HRESULT_FROM_WIN32(rc);
    }
    return HRESULT_FROM_WIN32(EndpointCatalog::setState(id, DEVICE_STATE_DISABLED));
}

HRESULT EndpointVisibility::show(const EndpointId& id)
{
    if (EndpointCatalog::state(id).value_or(0) != DEVICE_STATE_DISABLED) {
        return S_OK;
    }
    const RegKey hidden = RegKey::open(HKEY_LOCAL_MACHINE, kHiddenRoot, KEY_QUERY_VALUE | KEY_SET_VALUE);
    const DWORD before = hidden ? hidden.dword(id.text()).value_or(DEVICE_STATE_ACTIVE) : DEVICE_STATE_ACTIVE;
    const LONG rc = EndpointCatalog::setState(id, before);
    if (rc == ERROR_SUCCESS && hidden) {
        hidden.deleteValue(id.text());
    }
    return HRESULT_FROM_WIN32(rc);
}

}  // namespace qevsim
