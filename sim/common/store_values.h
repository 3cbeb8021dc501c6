#pragma once

#include <windows.h>

#include <propsys.h>

#include <optional>
#include <string>

#include "change_record.h"
#include "machine_layout.h"

namespace qevsim {

// How a store was opened: STGM_READ, STGM_WRITE or STGM_READWRITE and nothing else.
struct StoreAccess {
    bool read = false;
    bool write = false;

    static std::optional<StoreAccess> from(DWORD stgm);
};

// A property store of an endpoint, and where the registry keeps it.
struct StoreAddress {
    enum class Kind { Device, Fx, Default, User, Volatile };

    EndpointId endpoint;
    Kind kind;
    std::wstring context;  // the effect CLSID of a per-APO store

    static StoreAddress device(const EndpointId& id) { return {id, Kind::Device, L""}; }
    static StoreAddress fx(const EndpointId& id) { return {id, Kind::Fx, L""}; }

    bool perApo() const { return kind != Kind::Device && kind != Kind::Fx; }
    std::wstring keyPath() const;
    // What must still exist for a write: the endpoint key, or the per-APO store key itself.
    std::wstring ownerPath() const;
    // The journal record of a write of key.
    ChangeRecord change(const PROPERTYKEY& key) const;
};

// Property values as the audio service reads and writes them: straight from and to the registry,
// and every write through it journaled (so it is announced, even when the value stays the same).
class StoreValues {
public:
    // An absent value reads as VT_EMPTY.
    static HRESULT read(const StoreAddress& address, const PROPERTYKEY& key, PROPVARIANT* value);
    // VT_EMPTY removes the value. 0x80070490 when the endpoint (or per-APO store) is gone: a write
    // never brings it back.
    static HRESULT write(const StoreAddress& address, const PROPERTYKEY& key, const PROPVARIANT& value);

private:
    static HRESULT writeValue(const StoreAddress& address, const std::wstring& name, const PROPVARIANT& value);
};

}  // namespace qevsim
