#pragma once

#include <windows.h>

#include <mmdeviceapi.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace qev::winaudio::test {

// Sets up and changes the simulated audio machine of this prefix through the qevsim tool.
class SimMachine {
public:
    // Registers the simulator, empties the machine and sets the Windows build.
    static void Fresh(unsigned build);
    // Registers the simulator and loads sim/machines/<name>.reg.
    static void Load(const std::string& name);

    // Runs qevsim with the arguments; returns its exit code and its standard output.
    static int Run(const std::vector<std::wstring>& args, std::wstring* output = nullptr);
    // Runs qevsim and fails the current test unless it exits with 0.
    static std::wstring Must(const std::vector<std::wstring>& args);

    static std::wstring RenderId(const std::wstring& guid) { return L"{0.0.0.00000000}." + guid; }
    static std::wstring CaptureId(const std::wstring& guid) { return L"{0.0.1.00000000}." + guid; }

    // Adds an endpoint and returns its id.
    static std::wstring AddEndpoint(EDataFlow flow, const std::wstring& guid, const std::wstring& name,
                                    const std::wstring& state = L"active");
    static void SetDeviceProperty(const std::wstring& id, const std::wstring& key, const std::wstring& type,
                                  const std::vector<std::wstring>& values);
    // Creates a session and returns its number.
    static std::wstring AddSession(const std::wstring& endpointId, DWORD processId, const std::wstring& state);
};

// Polls condition until it holds or the time is up.
bool WaitFor(const std::function<bool()>& condition,
             std::chrono::milliseconds timeout = std::chrono::milliseconds(5000));

// Whether HKEY_LOCAL_MACHINE\subkey exists.
bool RegistryKeyExists(const std::wstring& subkey);

}  // namespace qev::winaudio::test
