#include "fake_endpoints.h"

// PKEY_Device_FriendlyName is defined here (mingw-w64 has no library that holds it).
#include <initguid.h>
#include <functiondiscoverykeys_devpkey.h>

#include <cstring>
#include <utility>

namespace qev::datapath {

using Microsoft::WRL::ComPtr;

namespace {

wchar_t* co_task_copy(const std::wstring& text)
{
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    auto* copy = static_cast<wchar_t*>(CoTaskMemAlloc(bytes));
    if (copy != nullptr) {
        std::memcpy(copy, text.c_str(), bytes);
    }
    return copy;
}

class FakePropertyStore : public FakeComObject<IPropertyStore> {
public:
    explicit FakePropertyStore(FakeEndpoint endpoint) : endpoint_(std::move(endpoint)) {}

    HRESULT STDMETHODCALLTYPE GetCount(DWORD* count) override
    {
        *count = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetAt(DWORD, PROPERTYKEY*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetValue(REFPROPERTYKEY key, PROPVARIANT* value) override
    {
        PropVariantInit(value);
        if (!IsEqualPropertyKey(key, PKEY_Device_FriendlyName)) {
            return S_OK;
        }
        if (endpoint_.name_type == VT_LPWSTR) {
            value->vt = VT_LPWSTR;
            value->pwszVal = co_task_copy(endpoint_.name);
        } else {
            value->vt = VT_UI4;
            value->ulVal = 42;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetValue(REFPROPERTYKEY, REFPROPVARIANT) override { return E_ACCESSDENIED; }
    HRESULT STDMETHODCALLTYPE Commit() override { return E_ACCESSDENIED; }

private:
    FakeEndpoint endpoint_;
};

class FakeDevice : public FakeComObject<IMMDevice> {
public:
    explicit FakeDevice(FakeEndpoint endpoint) : endpoint_(std::move(endpoint)) {}

    HRESULT STDMETHODCALLTYPE Activate(REFIID, DWORD, PROPVARIANT*, void**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OpenPropertyStore(DWORD, IPropertyStore** store) override
    {
        *store = new FakePropertyStore(endpoint_);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetId(LPWSTR* id) override
    {
        if (endpoint_.id_fails) {
            *id = nullptr;
            return E_FAIL;
        }
        *id = co_task_copy(endpoint_.id);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetState(DWORD* state) override
    {
        *state = DEVICE_STATE_ACTIVE;
        return S_OK;
    }

private:
    FakeEndpoint endpoint_;
};

class FakeCollection : public FakeComObject<IMMDeviceCollection> {
public:
    explicit FakeCollection(const std::vector<FakeEndpoint>& endpoints)
    {
        for (const FakeEndpoint& endpoint : endpoints) {
            ComPtr<IMMDevice> device = base::make_com<FakeDevice>(endpoint);
            devices_.push_back(device);
        }
    }

    HRESULT STDMETHODCALLTYPE GetCount(UINT* count) override
    {
        *count = static_cast<UINT>(devices_.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Item(UINT index, IMMDevice** device) override
    {
        if (index >= devices_.size()) {
            *device = nullptr;
            return E_INVALIDARG;
        }
        return devices_[index].CopyTo(device);
    }

private:
    std::vector<ComPtr<IMMDevice>> devices_;
};

class FakeEnumerator : public FakeComObject<IMMDeviceEnumerator> {
public:
    FakeEnumerator(std::vector<FakeEndpoint> capture, std::vector<FakeEndpoint> render, bool capture_fails,
                   bool render_fails)
        : capture_(std::move(capture)), render_(std::move(render)), capture_fails_(capture_fails),
          render_fails_(render_fails)
    {}

    HRESULT STDMETHODCALLTYPE EnumAudioEndpoints(EDataFlow flow, DWORD mask, IMMDeviceCollection** devices) override
    {
        *devices = nullptr;
        const bool fails = flow == eCapture ? capture_fails_ : render_fails_;
        if (fails || mask != DEVICE_STATE_ACTIVE || (flow != eCapture && flow != eRender)) {
            return E_FAIL;
        }
        *devices = new FakeCollection(flow == eCapture ? capture_ : render_);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDefaultAudioEndpoint(EDataFlow, ERole, IMMDevice**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDevice(LPCWSTR, IMMDevice**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RegisterEndpointNotificationCallback(IMMNotificationClient*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE UnregisterEndpointNotificationCallback(IMMNotificationClient*) override
    {
        return E_NOTIMPL;
    }

private:
    std::vector<FakeEndpoint> capture_;
    std::vector<FakeEndpoint> render_;
    bool capture_fails_;
    bool render_fails_;
};

}  // namespace

ComPtr<IMMDeviceEnumerator> make_fake_enumerator(const std::vector<FakeEndpoint>& capture,
                                                 const std::vector<FakeEndpoint>& render, bool capture_fails,
                                                 bool render_fails)
{
    return base::make_com<FakeEnumerator>(capture, render, capture_fails, render_fails);
}

std::atomic<long>& fake_objects_alive_counter()
{
    static std::atomic<long> alive{0};
    return alive;
}

long fake_objects_alive()
{
    return fake_objects_alive_counter().load();
}

}  // namespace qev::datapath
