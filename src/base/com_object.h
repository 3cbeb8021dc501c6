#pragma once

#include <windows.h>

#include <unknwn.h>
#include <wrl/client.h>

#include <atomic>
#include <tuple>
#include <utility>

namespace qev::base {

// IUnknown for a class that lists its interfaces: QueryInterface answers IUnknown (with the first
// interface) and each listed interface by its __uuidof, a null out-pointer with E_INVALIDARG and
// anything else with null and E_NOINTERFACE. The object starts with one reference, owned by its
// creator (see make_com); the last Release deletes it.
template <typename... Interfaces>
class ComObject : public Interfaces... {
public:
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (object == nullptr) {
            return E_INVALIDARG;
        }
        *object = find_interface(iid);
        if (*object == nullptr) {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }

    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }

    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --references_;
        if (left == 0) {
            delete this;
        }
        return left;
    }

protected:
    ComObject() = default;
    virtual ~ComObject() = default;

    // Interfaces answered besides the listed ones (the base interface of a listed one, say).
    virtual void* extra_interface(REFIID /*iid*/) { return nullptr; }

private:
    using First = std::tuple_element_t<0, std::tuple<Interfaces...>>;

    void* find_interface(REFIID iid)
    {
        if (iid == __uuidof(IUnknown)) {
            return static_cast<First*>(this);
        }
        void* found = nullptr;
        static_cast<void>(
            ((iid == __uuidof(Interfaces) && (found = static_cast<Interfaces*>(this)) != nullptr) || ...));
        return found != nullptr ? found : extra_interface(iid);
    }

    std::atomic<ULONG> references_{1};
};

// A new T, its initial reference adopted as is: mingw-w64's ComPtr::Attach would add one more.
template <typename T, typename... Args>
Microsoft::WRL::ComPtr<T> make_com(Args&&... args)
{
    Microsoft::WRL::ComPtr<T> object;
    *object.ReleaseAndGetAddressOf() = new T(std::forward<Args>(args)...);
    return object;
}

}  // namespace qev::base
