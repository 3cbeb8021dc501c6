#pragma once

#include <windows.h>

#include <propsys.h>

#include <string>

#include "com_object.h"

namespace qevsim {

// IPropertyStore over one registry key of the machine. Every call reads or writes the registry
// at once, so other processes and the registry-side code see the same values.
class RegistryPropertyStore final : public ComObject<IPropertyStore> {
public:
    // keyPath: the backing key under HKLM; ownerPath: the endpoint key, which must still exist
    // for a write (a write never brings a removed endpoint back).
    RegistryPropertyStore(std::wstring keyPath, std::wstring ownerPath, bool writable);

    HRESULT STDMETHODCALLTYPE GetCount(DWORD* count) override;
    HRESULT STDMETHODCALLTYPE GetAt(DWORD index, PROPERTYKEY* key) override;
    HRESULT STDMETHODCALLTYPE GetValue(REFPROPERTYKEY key, PROPVARIANT* value) override;
    HRESULT STDMETHODCALLTYPE SetValue(REFPROPERTYKEY key, REFPROPVARIANT value) override;
    HRESULT STDMETHODCALLTYPE Commit() override;

    // The shared read and write paths, also used by the policy-config object.
    static HRESULT read(const std::wstring& keyPath, const PROPERTYKEY& key, PROPVARIANT* value);
    static HRESULT write(const std::wstring& keyPath, const std::wstring& ownerPath, const PROPERTYKEY& key,
                         const PROPVARIANT& value);

private:
    const std::wstring keyPath_;
    const std::wstring ownerPath_;
    const bool writable_;
};

}  // namespace qevsim
