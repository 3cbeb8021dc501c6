#pragma once

#include <windows.h>

#include <propidl.h>

namespace qev::base {

// Owns one PROPVARIANT and clears it on destruction.
class PropVariant {
public:
    PropVariant() noexcept { PropVariantInit(&value_); }
    ~PropVariant() { PropVariantClear(&value_); }
    PropVariant(const PropVariant&) = delete;
    PropVariant& operator=(const PropVariant&) = delete;

    // For out-parameters: clears what is held first.
    PROPVARIANT* put() noexcept
    {
        PropVariantClear(&value_);
        return &value_;
    }
    PROPVARIANT* get() noexcept { return &value_; }
    const PROPVARIANT& value() const noexcept { return value_; }
    VARTYPE type() const noexcept { return value_.vt; }
    void clear() noexcept { PropVariantClear(&value_); }

private:
    PROPVARIANT value_;
};

}  // namespace qev::base
