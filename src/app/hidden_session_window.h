#pragma once

#include <windows.h>

namespace qev::app {

// The invisible window "qEvSwServer" of class "qEvSwServerWnd" through which the RPC role learns
// of session changes (registered for the notifications of all sessions). It exists while this
// object lives; when it cannot be made, that is logged and the process goes on without it.
class HiddenSessionWindow {
public:
    explicit HiddenSessionWindow(HINSTANCE instance);
    ~HiddenSessionWindow();

    HiddenSessionWindow(const HiddenSessionWindow&) = delete;
    HiddenSessionWindow& operator=(const HiddenSessionWindow&) = delete;

    bool created() const { return window_ != nullptr; }

private:
    bool create();

    const HINSTANCE instance_;
    bool class_registered_ = false;
    HWND window_ = nullptr;
    bool notifications_registered_ = false;
};

}  // namespace qev::app
