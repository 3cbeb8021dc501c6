// The stand-in audio service and processes with chosen image names, through qevsim.exe, a process
// snapshot and the simulator's COM objects.
#include <gtest/gtest.h>

#include <audioclient.h>
#include <tlhelp32.h>

#include <functional>
#include <map>

#include "base/unique_handle.h"
#include "notification_recorders.h"
#include "sim_test_support.h"

namespace qevsim::test {
namespace {

// Process id -> image name, as the toolhelp snapshot shows them.
std::map<DWORD, std::wstring> runningProcesses()
{
    std::map<DWORD, std::wstring> found;
    const qev::base::UniqueFileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry)) {
        found[entry.th32ProcessID] = entry.szExeFile;
    }
    return found;
}

std::wstring run(const std::vector<std::wstring>& args)
{
    const ToolResult result = runQevsim(args);
    EXPECT_EQ(result.exitCode, 0u) << result.output;
    const std::string line = result.output.substr(0, result.output.find_first_of("\r\n"));
    return std::wstring(line.begin(), line.end());
}

class ServiceAndProcessTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(loadTestMachine(22631)); }
    // Ends the started processes and starts the service again, whatever the test left.
    void TearDown() override { run({L"clear"}); }

    ComPtr<IAudioSessionManager2> manager()
    {
        ComPtr<IAudioSessionManager2> made;
        EXPECT_EQ(device(kMic)->Activate(__uuidof(IAudioSessionManager2), CLSCTX_INPROC_SERVER, nullptr,
                                         reinterpret_cast<void**>(made.GetAddressOf())),
                  S_OK);
        return made;
    }

    static std::vector<DWORD> sessionProcesses(IAudioSessionManager2* manager)
    {
        std::vector<DWORD> ids;
        ComPtr<IAudioSessionEnumerator> sessions;
        int count = 0;
        EXPECT_EQ(manager->GetSessionEnumerator(sessions.GetAddressOf()), S_OK);
        EXPECT_EQ(sessions->GetCount(&count), S_OK);
        for (int i = 0; i < count; ++i) {
            ComPtr<IAudioSessionControl> control;
            ComPtr<IAudioSessionControl2> control2;
            DWORD id = 0;
            EXPECT_EQ(sessions->GetSession(i, control.GetAddressOf()), S_OK);
            EXPECT_EQ(control.As(&control2), S_OK);
            EXPECT_EQ(control2->GetProcessId(&id), S_OK);
            ids.push_back(id);
        }
        return ids;
    }

    ComScope com_;
};

TEST_F(ServiceAndProcessTest, StartedProcessesShowTheirImageNameUntilEnded)
{
    const struct {
        const wchar_t* name;
        bool endedAlone;  // by process-end; the others by clear
    } cases[] = {
        {L"Teams.exe", true},
        {L"svchost.exe", false},
        {L"SoundBench.exe", true},
        {L"MicLinkClient.exe", false},
    };
    std::vector<DWORD> ids;
    std::vector<DWORD> survivors;
    for (const auto& c : cases) {
        ids.push_back(std::wcstoul(run({L"process-start", c.name}).c_str(), nullptr, 10));
        EXPECT_EQ(runningProcesses()[ids.back()], c.name);
        run({L"session-add", kMic, std::to_wstring(ids.back()), L"active"});
    }
    for (std::size_t i = 0; i < ids.size(); ++i) {
        if (cases[i].endedAlone) {
            run({L"process-end", std::to_wstring(ids[i])});
            EXPECT_EQ(runningProcesses().count(ids[i]), 0u) << cases[i].name;
            EXPECT_EQ(runQevsim({L"process-end", std::to_wstring(ids[i])}).exitCode, 1u);
        } else {
            survivors.push_back(ids[i]);
        }
    }
    // An ended process's sessions expired; the others' are still there.
    EXPECT_EQ(sessionProcesses(manager().Get()), survivors);
    EXPECT_EQ(runQevsim({L"process-end", std::to_wstring(::GetCurrentProcessId())}).exitCode, 1u);
    run({L"clear"});
    const auto left = runningProcesses();
    for (const DWORD id : ids) {
        EXPECT_EQ(left.count(id), 0u) << id;
    }
}

TEST_F(ServiceAndProcessTest, BadImageNamesAreUsageErrors)
{
    for (const wchar_t* name : {L"", L"Teams", L".exe", L"apps\\Teams.exe", L"apps/Teams.exe", L"C:Teams.exe"}) {
        const ToolResult result = runQevsim({L"process-start", name});
        EXPECT_EQ(result.exitCode, 2u) << result.output;
        EXPECT_NE(result.output.find("is not an executable file name"), std::string::npos) << result.output;
    }
}

TEST_F(ServiceAndProcessTest, StoppedServiceDisconnectsSessionsAndRefusesItsObjects)
{
    const std::wstring number = run({L"session-add", kMic, L"4242", L"active"});
    const ComPtr<IAudioSessionManager2> before = manager();
    ComPtr<IAudioSessionEnumerator> sessions;
    ComPtr<IAudioSessionControl> control;
    int count = 0;
    ASSERT_EQ(before->GetSessionEnumerator(sessions.GetAddressOf()), S_OK);
    ASSERT_EQ(sessions->GetCount(&count), S_OK);
    ASSERT_EQ(sessions->GetSession(0, control.GetAddressOf()), S_OK);
    const ComPtr<SessionEventRecorder> oldEvents = adopt(new SessionEventRecorder());
    ASSERT_EQ(control->RegisterAudioSessionNotification(oldEvents.Get()), S_OK);

    run({L"service-stop"});
    EXPECT_TRUE(oldEvents->log.waitFor(L"disconnected 1")) << oldEvents->log.dump();  // DisconnectReasonServerShutdown

    const ComPtr<SessionEventRecorder> newEvents = adopt(new SessionEventRecorder());
    AudioSessionState state = AudioSessionStateInactive;
    const struct {
        const char* call;
        std::function<HRESULT()> make;
        HRESULT whileStopped;
        HRESULT afterRestart;
    } rows[] = {
        {"Activate",
         [] {
             ComPtr<IAudioSessionManager2> m;
             return device(kMic)->Activate(__uuidof(IAudioSessionManager2), CLSCTX_INPROC_SERVER, nullptr,
                                           reinterpret_cast<void**>(m.GetAddressOf()));
         },
         AUDCLNT_E_SERVICE_NOT_RUNNING, S_OK},
        {"GetDevice",
         [] {
             ComPtr<IMMDevice> d;
             return makeEnumerator()->GetDevice(kMic, d.GetAddressOf());
         },
         S_OK, S_OK},
        {"old GetSessionEnumerator",
         [&] {
             ComPtr<IAudioSessionEnumerator> e;
             return before->GetSessionEnumerator(e.GetAddressOf());
         },
         AUDCLNT_E_SERVICE_NOT_RUNNING, AUDCLNT_E_SERVICE_NOT_RUNNING},
        {"old GetCount", [&] { return sessions->GetCount(&count); }, AUDCLNT_E_SERVICE_NOT_RUNNING,
         AUDCLNT_E_SERVICE_NOT_RUNNING},
        {"old GetState", [&] { return control->GetState(&state); }, AUDCLNT_E_SERVICE_NOT_RUNNING,
         AUDCLNT_E_SERVICE_NOT_RUNNING},
        {"old RegisterAudioSessionNotification",
         [&] { return control->RegisterAudioSessionNotification(newEvents.Get()); }, AUDCLNT_E_SERVICE_NOT_RUNNING,
         AUDCLNT_E_SERVICE_NOT_RUNNING},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(row.make(), row.whileStopped) << "while stopped: " << row.call;
    }
    run({L"service-start"});
    for (const auto& row : rows) {
        EXPECT_EQ(row.make(), row.afterRestart) << "after the restart: " << row.call;
    }

    // The session is back; what registers now hears it, what registered before does not.
    const ComPtr<IAudioSessionManager2> after = manager();
    EXPECT_EQ(sessionProcesses(after.Get()), std::vector<DWORD>{4242});
    ComPtr<IAudioSessionEnumerator> again;
    ComPtr<IAudioSessionControl> current;
    ASSERT_EQ(after->GetSessionEnumerator(again.GetAddressOf()), S_OK);
    ASSERT_EQ(again->GetSession(0, current.GetAddressOf()), S_OK);
    ASSERT_EQ(current->RegisterAudioSessionNotification(newEvents.Get()), S_OK);
    run({L"session-state", kMic, number, L"inactive"});
    EXPECT_TRUE(newEvents->log.waitFor(L"session state 0")) << newEvents->log.dump();
    EXPECT_EQ(oldEvents->log.lines().size(), 1u) << oldEvents->log.dump();

    EXPECT_EQ(control->UnregisterAudioSessionNotification(oldEvents.Get()), S_OK);
    EXPECT_EQ(current->UnregisterAudioSessionNotification(newEvents.Get()), S_OK);
    EXPECT_TRUE(waitUntil([&] { return oldEvents->references() == 1 && newEvents->references() == 1; }));
}

}  // namespace
}  // namespace qevsim::test
