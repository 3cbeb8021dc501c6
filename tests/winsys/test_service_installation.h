#pragma once

#include <windows.h>

#include <string>

namespace qev::winsys::test {

// Installs qev_test_service.exe (built next to the test) into the prefix's service control manager
// under a name of its own, and removes it again.
class TestServiceInstallation {
public:
    TestServiceInstallation() : name_(L"QevWinsysTest" + std::to_wstring(GetCurrentProcessId()))
    {
        manager_ = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        if (manager_ == nullptr) {
            return;
        }
        const std::wstring command = L"\"" + service_path() + L"\"";
        service_ = CreateServiceW(manager_, name_.c_str(), name_.c_str(), SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                                  SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE, command.c_str(), nullptr, nullptr,
                                  nullptr, nullptr, nullptr);
    }

    ~TestServiceInstallation()
    {
        if (service_ != nullptr) {
            stop();
            wait_for(SERVICE_STOPPED);
            DeleteService(service_);
            CloseServiceHandle(service_);
        }
        if (manager_ != nullptr) {
            CloseServiceHandle(manager_);
        }
    }

    TestServiceInstallation(const TestServiceInstallation&) = delete;
    TestServiceInstallation& operator=(const TestServiceInstallation&) = delete;

    bool installed() const { return service_ != nullptr; }
    const std::wstring& name() const { return name_; }

    bool start() const { return StartServiceW(service_, 0, nullptr) != FALSE; }

    bool stop() const
    {
        SERVICE_STATUS status{};
        return ControlService(service_, SERVICE_CONTROL_STOP, &status) != FALSE;
    }

    // Polls for a state, giving up after about ten seconds.
    bool wait_for(DWORD wanted) const
    {
        SERVICE_STATUS status{};
        for (int attempt = 0; attempt < 200; ++attempt, Sleep(50)) {
            if (QueryServiceStatus(service_, &status) && status.dwCurrentState == wanted) {
                return true;
            }
        }
        return false;
    }

private:
    static std::wstring service_path()
    {
        wchar_t buffer[MAX_PATH] = {};
        const std::wstring path(buffer, GetModuleFileNameW(nullptr, buffer, MAX_PATH));
        return path.substr(0, path.find_last_of(L'\\') + 1) + L"qev_test_service.exe";
    }

    std::wstring name_;
    SC_HANDLE manager_ = nullptr;
    SC_HANDLE service_ = nullptr;
};

}  // namespace qev::winsys::test
