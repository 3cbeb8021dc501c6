#pragma once

#include <windows.h>

#include <propsys.h>

#include "com_object.h"
#include "store_values.h"

namespace qevsim {

// IPropertyStore over one registry key of the machine. Every call reads or writes the registry at
// once, so other processes and the registry-side code see the same values; a write through it is
// journaled, so it is announced even when the value stays the same.
class RegistryPropertyStore final : public ComObject<IPropertyStore> {
public:
    RegistryPropertyStore(StoreAddress address, StoreAccess access);

    HRESULT STDMETHODCALLTYPE GetCount(DWORD* count) override;
    HRESULT STDMETHODCALLTYPE GetAt(DWORD index, PROPERTYKEY* key) override;
    HRESULT STDMETHODCALLTYPE GetValue(REFPROPERTYKEY key, PROPVARIANT* value) override;
    HRESULT STDMETHODCALLTYPE SetValue(REFPROPERTYKEY key, REFPROPVARIANT value) override;
    HRESULT STDMETHODCALLTYPE Commit() override;

private:
    const StoreAddress address_;
    const StoreAccess access_;
};

}  // namespace qevsim
