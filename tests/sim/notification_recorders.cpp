#include "notification_recorders.h"

#include <propsys.h>

#include <algorithm>
#include <thread>

namespace qevsim::test {

void EventLog::add(const std::wstring& line)
{
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.push_back(line);
    threads_.insert(::GetCurrentThreadId());
}

std::size_t EventLog::threadCount() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return threads_.size();
}

bool EventLog::contains(const std::wstring& text) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return std::any_of(lines_.begin(), lines_.end(),
                       [&](const std::wstring& line) { return line.find(text) != std::wstring::npos; });
}

bool EventLog::waitFor(const std::wstring& text, std::chrono::milliseconds timeout) const
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!contains(text)) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

std::vector<std::wstring> EventLog::lines() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
}

std::string EventLog::dump() const
{
    std::string text;
    for (const auto& line : lines()) {
        text += std::string(line.begin(), line.end()) + "\n";
    }
    return text.empty() ? "(no events)" : text;
}

std::wstring keyText(const PROPERTYKEY& key)
{
    wchar_t text[PKEYSTR_MAX];
    return SUCCEEDED(::PSStringFromPropertyKey(key, text, PKEYSTR_MAX)) ? text : L"?";
}

HRESULT SessionCreatedRecorder::OnSessionCreated(IAudioSessionControl* session)
{
    DWORD processId = 0;
    IAudioSessionControl2* control2 = nullptr;
    if (session != nullptr &&
        SUCCEEDED(session->QueryInterface(__uuidof(IAudioSessionControl2), reinterpret_cast<void**>(&control2)))) {
        control2->GetProcessId(&processId);
        control2->Release();
    }
    return note(L"created pid " + std::to_wstring(processId));
}

}  // namespace qevsim::test
