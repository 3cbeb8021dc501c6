#include "audio_service_state.h"

#include <string>

#include "reg_key.h"

namespace qevsim {

namespace {

constexpr wchar_t kParametersKey[] = L"SYSTEM\\CurrentControlSet\\Services\\Audiosrv\\Parameters";
constexpr wchar_t kGenerationValue[] = L"QevsimRun";

}  // namespace

DWORD AudioServiceState::generation()
{
    const qev::base::UniqueKernelHandle running(::OpenEventW(SYNCHRONIZE, FALSE, kRunningEvent));
    if (!running || ::WaitForSingleObject(running.get(), 0) != WAIT_OBJECT_0) {
        return 0;
    }
    return RegKey::open(HKEY_LOCAL_MACHINE, kParametersKey, KEY_READ).dword(kGenerationValue).value_or(0);
}

AudioServiceState::Run::Run()
{
    // The run number lives with the service, not the machine, so qevsim clear keeps it.
    const RegKey key = RegKey::create(HKEY_LOCAL_MACHINE, kParametersKey, KEY_READ | KEY_SET_VALUE);
    const DWORD next = key.dword(kGenerationValue).value_or(0) + 1;
    if (!key || key.setDword(kGenerationValue, next == 0 ? 1 : next) != ERROR_SUCCESS) {
        return;
    }
    running_.reset(::CreateEventW(nullptr, TRUE, FALSE, kRunningEvent));
    if (running_) {
        ::SetEvent(running_.get());
    }
}

AudioServiceState::Run::~Run()
{
    stopped();
}

void AudioServiceState::Run::stopped()
{
    if (running_) {
        ::ResetEvent(running_.get());
        running_.reset();
    }
}

}  // namespace qevsim
