#pragma once

#include <windows.h>

// Initialises COM (multithreaded) on the calling thread for the lifetime of the object and
// uninitialises it only when this object's call succeeded (S_OK or S_FALSE). A thread already in
// another apartment keeps it; COM is usable there all the same.
class ComThreadScope {
public:
    ComThreadScope();
    ~ComThreadScope();

    ComThreadScope(const ComThreadScope&) = delete;
    ComThreadScope& operator=(const ComThreadScope&) = delete;

    HRESULT result() const { return result_; }

private:
    HRESULT result_;
};
