#pragma once

#include <windows.h>

#include <propidl.h>

namespace qev::winaudio {

// Owns one PROPVARIANT and clears it on destruction.
class PropVariant {
public:
    PropVariant() { PropVariantInit(&value_); }
    ~PropVariant() { PropVariantClear(&value_); }
    PropVariant(const PropVariant&) = delete;
    PropVariant& operator=(const PropVariant&) = delete;

    PROPVARIANT* get() { return &value_; }
    const PROPVARIANT& value() const { return value_; }
    VARTYPE type() const { return value_.vt; }
    void clear() { PropVariantClear(&value_); }

private:
    PROPVARIANT value_;
};

}  // namespace qev::winaudio
