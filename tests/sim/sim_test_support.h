#pragma once

#include <windows.h>

#include <mmdeviceapi.h>
#include <wrl/client.h>

#include <string>
#include <vector>

#include "audio_interfaces.h"
#include "base/com_init.h"
#include "sim_machine.h"

namespace qevsim::test {

using Microsoft::WRL::ComPtr;
using qev::winaudio::test::SimMachine;
using qev::winaudio::test::WaitFor;

// Endpoints of the test machine.
inline constexpr wchar_t kSpeakers[] = L"{0.0.0.00000000}.{11111111-0000-4000-8000-000000000001}";
inline constexpr wchar_t kMic[] = L"{0.0.1.00000000}.{11111111-0000-4000-8000-000000000002}";
inline constexpr wchar_t kLineIn[] = L"{0.0.1.00000000}.{11111111-0000-4000-8000-000000000003}";
inline constexpr wchar_t kUsbMic[] = L"{0.0.1.00000000}.{11111111-0000-4000-8000-000000000005}";
inline constexpr wchar_t kMicKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\MMDevices\\Audio\\Capture\\{11111111-0000-4000-8000-000000000002}";
inline constexpr wchar_t kUsbMicKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\MMDevices\\Audio\\Capture\\{11111111-0000-4000-8000-000000000005}";
inline constexpr wchar_t kApoContext[] = L"{4D99D9D2-C5DE-4A46-8E6E-6D7307FE73FF}";
inline constexpr wchar_t kSetting[] = L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},9981";

// Takes over the one reference a new object starts with. (mingw-w64's ComPtr::Attach adds a
// reference of its own, unlike Microsoft's, so it can't be used for this.)
template <typename T>
ComPtr<T> adopt(T* created)
{
    ComPtr<T> owner;
    *owner.GetAddressOf() = created;
    return owner;
}

struct ToolResult {
    DWORD exitCode = 0xFFFFFFFF;
    std::string output;  // standard output and error together
};

// Runs qevsim (built beside the tests) with the arguments; waits at most 60 s.
ToolResult runQevsim(const std::vector<std::wstring>& args);

// Registers the simulator and loads the test machine: Windows build `build`, a mic with the
// APO's per-APO store keys, speakers, a disabled line-in and a USB mic
// without store keys. Fails the current test when that does not work.
void loadTestMachine(unsigned build = 22631);
// Registers the simulator and loads a machine file given as text.
void loadMachineText(const std::string& text);
// Writes text to a file in the temporary directory and returns its path.
std::wstring writeTempFile(const wchar_t* name, const std::string& text);

// COM objects of the simulator.
ComPtr<IMMDeviceEnumerator> makeEnumerator();
ComPtr<IPolicyConfig> makePolicyConfig();
ComPtr<IMMDevice> device(const std::wstring& id);
// The per-APO stores of the test APO context on an endpoint.
HRESULT activateEffectsStore(const std::wstring& endpoint, ComPtr<IAudioSystemEffectsPropertyStore>* store);
// The key of one per-APO store (Default, User, Volatile) of the test APO context.
std::wstring storePath(const std::wstring& endpointKey, const wchar_t* store);
// Creates the Default, User and Volatile store keys of the test APO context below an endpoint key.
void createStoreKeys(const std::wstring& endpointKey);

PROPVARIANT number(UINT value);

// "{fmtid},pid", the text form the machine keeps as value names.
PROPERTYKEY key(const wchar_t* text);

// Raw registry reads (no simulator code involved).
struct RawValue {
    LONG status = ERROR_FILE_NOT_FOUND;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};
RawValue rawRead(const std::wstring& path, const std::wstring& name);
LONG rawWrite(const std::wstring& path, const std::wstring& name, DWORD type, const void* data, DWORD size);
std::wstring rawString(const RawValue& value);
bool keyPresent(HKEY root, const std::wstring& path);

// COM initialised (multithreaded) for the test's lifetime.
struct ComScope : qev::base::ComInit {
    ComScope() : ComInit(COINIT_MULTITHREADED) {}
};

}  // namespace qevsim::test
