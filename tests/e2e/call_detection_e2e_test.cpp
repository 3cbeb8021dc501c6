// Call detection end to end on the laptop with the APO: both roles running, processes and sessions
// made through qevsim, every announcement seen as the clients' session activation notification and,
// for the microphone array, in the stores the APO reads.
#include "e2e_harness.h"
#include "sim_machine.h"

#include "client/qev_client.h"
#include "event_queue.h"
#include "rpc/cmd_service.h"
#include "rpc/wire_constants.h"
#include "session/session_monitor_server.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <thread>

namespace qev::e2e {
namespace {

using winaudio::test::SimMachine;

constexpr wchar_t kMic[] = L"{0.0.1.00000000}.{6B7F8E21-3A4D-4C2B-9E1F-0A1B2C3D4E02}";
constexpr wchar_t kSpk[] = L"{0.0.0.00000000}.{6B7F8E21-3A4D-4C2B-9E1F-0A1B2C3D4E01}";
const std::wstring kMicApo =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\MMDevices\\Audio\\Capture\\{6B7F8E21-3A4D-4C2B-9E1F-0A1B2C3D4E02}"
    L"\\FxProperties\\{4D99D9D2-C5DE-4A46-8E6E-6D7307FE73FF}\\";
constexpr wchar_t kUlFilter[] = L"{f673a129-2683-4be8-b889-3a40071f9d93},15";
constexpr wchar_t kToolCapture[] = L"{f673a129-2683-4be8-b889-3a40071f9d93},59";
constexpr DWORD kUnchecked = 2;

std::optional<DWORD> mic_volatile(const wchar_t* name)
{
    DWORD value = 0;
    DWORD size = sizeof(value);
    const std::wstring key = kMicApo + L"Volatile";
    const LONG rc = RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size);
    return rc == ERROR_SUCCESS ? std::optional<DWORD>(value) : std::nullopt;
}

// One announcement as clients hear it: the endpoint and 1 (activated) or 0.
struct Told {
    const wchar_t* endpoint;
    DWORD value;
};

enum class Op {
    Start,        // who = a label, arg = image name
    StartPair,    // two processes of image arg, labelled "lo" and "hi" by process id
    End,          // who
    Add,          // a session of who on endpoint arg, state arg2
    State,        // who's session on arg gets state arg2
    Disconnect,   // who's session on arg
    RestartRpc,   // a new RPC server and client; the monitor reconnects after its next send fails
    Reconnected,  // waits until the monitor has lost the old connection and made a new one
    ServiceStop,  // "Audiosrv"
    ServiceStart,
};

struct Step {
    Op op;
    const wchar_t* who = L"";
    const wchar_t* arg = L"";
    const wchar_t* arg2 = L"";
    std::vector<Told> told = {};
    DWORD toolFlag = kUnchecked;  // the tool rule's property on the microphone array afterwards
};

struct Scenario {
    const char* name;
    std::vector<Step> steps;
};

const Told kSpkOn{kSpk, 1}, kMicOn{kMic, 1}, kSpkOff{kSpk, 0}, kMicOff{kMic, 0};

const Scenario kScenarios[] = {
    {"a call activates both endpoints; losing its render side deactivates them",
     {{Op::Start, L"a", L"Teams.exe"},
      {Op::Add, L"a", kMic, L"active"},
      {Op::Add, L"a", kSpk, L"active", {kSpkOn, kMicOn}},
      {Op::State, L"a", kSpk, L"inactive", {kSpkOff, kMicOff}},
      {Op::State, L"a", kMic, L"inactive"},
      {Op::End, L"a"}}},
    {"an excluded program never activates",
     {{Op::Start, L"x", L"svchost.exe"},
      {Op::Add, L"x", kMic, L"active"},
      {Op::Add, L"x", kSpk, L"active"},
      {Op::State, L"x", kMic, L"inactive"},
      {Op::State, L"x", kSpk, L"inactive"},
      {Op::End, L"x"}}},
    {"the higher process id leaving changes nothing told",
     {{Op::StartPair, L"", L"Teams.exe"},
      {Op::Add, L"lo", kMic, L"active"},
      {Op::Add, L"lo", kSpk, L"active", {kSpkOn, kMicOn}},
      {Op::Add, L"hi", kMic, L"active"},
      {Op::Add, L"hi", kSpk, L"active", {kSpkOn, kMicOn}},
      {Op::State, L"hi", kMic, L"inactive"},
      {Op::State, L"hi", kSpk, L"inactive"},
      {Op::State, L"lo", kMic, L"inactive", {kSpkOff, kMicOff}},
      {Op::State, L"lo", kSpk, L"inactive"},
      {Op::End, L"lo"},
      {Op::End, L"hi"}}},
    {"the lower process id leaving re-announces the endpoints",
     {{Op::StartPair, L"", L"Teams.exe"},
      {Op::Add, L"lo", kMic, L"active"},
      {Op::Add, L"lo", kSpk, L"active", {kSpkOn, kMicOn}},
      {Op::Add, L"hi", kMic, L"active"},
      {Op::Add, L"hi", kSpk, L"active", {kSpkOn, kMicOn}},
      {Op::State, L"lo", kMic, L"inactive", {kSpkOn, kMicOn}},
      {Op::State, L"hi", kMic, L"inactive", {kSpkOff, kMicOff}},
      {Op::State, L"lo", kSpk, L"inactive"},
      {Op::State, L"hi", kSpk, L"inactive"},
      {Op::End, L"lo"},
      {Op::End, L"hi"}}},
    {"a disconnected session takes its endpoint from every process",
     {{Op::StartPair, L"", L"Teams.exe"},
      {Op::Add, L"lo", kMic, L"active"},
      {Op::Add, L"lo", kSpk, L"active", {kSpkOn, kMicOn}},
      {Op::Add, L"hi", kMic, L"active"},
      {Op::Add, L"hi", kSpk, L"active", {kSpkOn, kMicOn}},
      {Op::Disconnect, L"lo", kMic, L"", {kSpkOff, kMicOff}},
      {Op::State, L"hi", kMic, L"inactive"},
      {Op::State, L"lo", kSpk, L"inactive"},
      {Op::State, L"hi", kSpk, L"inactive"},
      {Op::End, L"lo"},
      {Op::End, L"hi"}}},
    {"the audio tool recording beside its companion marks its microphone",
     {{Op::Start, L"companion", L"MicLinkClient.exe"},
      {Op::Start, L"tool", L"SoundBench.exe"},
      {Op::Add, L"tool", kSpk, L"active"},
      {Op::Add, L"tool", kMic, L"active", {kMicOn}, 1},
      {Op::State, L"tool", kMic, L"inactive", {kMicOff}, 0},
      {Op::State, L"tool", kSpk, L"inactive"},
      {Op::End, L"tool"},
      {Op::End, L"companion"}}},
    {"the audio service coming back re-announces the candidates",
     {{Op::Start, L"a", L"Teams.exe"},
      {Op::Add, L"a", kMic, L"active"},
      {Op::Add, L"a", kSpk, L"active", {kSpkOn, kMicOn}},
      {Op::ServiceStop, L"", L"", L"", {kSpkOff, kMicOff}},
      {Op::ServiceStart, L"", L"", L"", {kSpkOn, kMicOn}},
      {Op::State, L"a", kSpk, L"inactive", {kSpkOff, kMicOff}},
      {Op::State, L"a", kMic, L"inactive"},
      {Op::End, L"a"}}},
    {"after an RPC server restart the monitor reconnects and later changes arrive",
     {{Op::Start, L"a", L"Teams.exe"},
      {Op::RestartRpc},
      {Op::Add, L"a", kMic, L"active"},
      {Op::Add, L"a", kSpk, L"active"},  // told to nobody: the send finds the old pipe broken
      {Op::Reconnected},
      {Op::State, L"a", kSpk, L"inactive"},  // the new server never activated them
      {Op::State, L"a", kSpk, L"active", {kSpkOn, kMicOn}},
      {Op::State, L"a", kMic, L"inactive", {kSpkOff, kMicOff}},
      {Op::End, L"a"}}},
};

class CallDetectionE2e : public ::testing::Test {
protected:
    void SetUp() override
    {
        SimMachine::Load("laptop-apo");
        ASSERT_TRUE(log_.start());
        ASSERT_NO_FATAL_FAILURE(start_rpc());
        ASSERT_TRUE(monitor_.start(L"--server=session_monitor"));
        ASSERT_TRUE(reconnected());
    }

    void TearDown() override { SimMachine::Must({L"clear"}); }

    void start_rpc()
    {
        client_.reset();
        rpc_ = std::make_unique<ServerProcess>();
        ASSERT_TRUE(rpc_->start());
        client::ClientOptions options;
        options.connect_timeout = kLogTimeout;
        options.on_event = [this](const client::Event& event) { events_.push(event); };
        client_ = std::make_unique<client::QevClient>(options);
    }

    bool reconnected()
    {
        return log_.wait_for_matches(
            monitor_.pid(), [](const std::string& line) { return line == "[qev] connect command channel ok\n"; },
            ++connections_, kLogTimeout);
    }

    void run(const Step& step)
    {
        switch (step.op) {
        case Op::Start:
            pids_[step.who] = start_process(step.arg);
            break;
        case Op::StartPair: {
            DWORD first = start_process(step.arg), second = start_process(step.arg);
            pids_[L"lo"] = std::min(first, second);
            pids_[L"hi"] = std::max(first, second);
            break;
        }
        case Op::End:
            SimMachine::Must({L"process-end", std::to_wstring(pids_[step.who])});
            break;
        case Op::Add:
            sessions_[key(step)] = SimMachine::AddSession(step.arg, pids_[step.who], step.arg2);
            break;
        case Op::State:
            SimMachine::Must({L"session-state", step.arg, sessions_[key(step)], step.arg2});
            break;
        case Op::Disconnect:
            SimMachine::Must({L"session-disconnect", step.arg, sessions_[key(step)]});
            break;
        case Op::RestartRpc:
            rpc_.reset();
            ASSERT_NO_FATAL_FAILURE(start_rpc());
            break;
        case Op::Reconnected:
            ASSERT_TRUE(log_.wait_for_line(monitor_.pid(), "[qev] connection lost, re-trigger connect\n", kLogTimeout));
            ASSERT_TRUE(reconnected());
            break;
        case Op::ServiceStop:
            SimMachine::Must({L"service-stop"});
            break;
        case Op::ServiceStart:
            SimMachine::Must({L"service-start"});
            break;
        }
    }

    void expect_told(const Step& step)
    {
        for (const Told& told : step.told) {
            const auto event = events_.pop(std::chrono::steady_clock::now() + kLogTimeout);
            const std::wstring endpoint(told.endpoint);
            ASSERT_TRUE(event.has_value()) << "nothing told of " << std::string(endpoint.begin(), endpoint.end());
            EXPECT_EQ(std::tie(event->type, event->value, event->text),
                      std::make_tuple(wire::kEventSessionActivation, told.value,
                                      std::string(endpoint.begin(), endpoint.end())));
            if (endpoint == kMic) {
                EXPECT_EQ(mic_volatile(kUlFilter), told.value);
            }
        }
        if (step.toolFlag != kUnchecked) {
            // Written right after the announcement, so it may land just after the event.
            EXPECT_TRUE(
                winaudio::test::WaitFor([&step] { return mic_volatile(kToolCapture) == step.toolFlag; }, kLogTimeout))
                << step.toolFlag;
        }
    }

    static std::wstring key(const Step& step) { return std::wstring(step.who) + L"|" + step.arg; }

    static DWORD start_process(const wchar_t* image)
    {
        const std::wstring output = SimMachine::Must({L"process-start", image});
        return static_cast<DWORD>(std::stoul(output));
    }

    LogWatcher log_;
    ServerProcess monitor_;
    std::unique_ptr<ServerProcess> rpc_;
    client::qevctl::EventQueue events_;
    std::unique_ptr<client::QevClient> client_;
    size_t connections_ = 0;
    std::map<std::wstring, DWORD> pids_;
    std::map<std::wstring, std::wstring> sessions_;
};

TEST_F(CallDetectionE2e, ScenariosAnnounceExactlyTheCallEndpoints)
{
    for (const Scenario& scenario : kScenarios) {
        SCOPED_TRACE(scenario.name);
        for (const Step& step : scenario.steps) {
            SCOPED_TRACE(::testing::Message() << "step " << (&step - scenario.steps.data()));
            ASSERT_NO_FATAL_FAILURE(run(step));
            ASSERT_NO_FATAL_FAILURE(expect_told(step));
        }
    }
}

// In this process: stop() ends the monitor thread promptly whether it is connected or still
// retrying because no RPC server exists, and nothing is reported as a failed connection.
TEST(SessionMonitorServerStop, EndsTheMonitorThreadConnectedOrNot)
{
    SimMachine::Load("laptop-apo");
    LogWatcher log;
    ASSERT_TRUE(log.start());
    const DWORD self = GetCurrentProcessId();
    for (const bool rpcPresent : {false, true}) {
        SCOPED_TRACE(rpcPresent ? "connected" : "retrying");
        const size_t before = log.lines_of(self).size();
        rpc::CmdService rpcEnd(wire::kCommandPipe);
        std::thread accept;
        if (rpcPresent) {
            accept = std::thread([&rpcEnd] { rpcEnd.open_server(nullptr); });
        }
        session::SessionMonitorServer server;
        ASSERT_TRUE(server.start());
        if (rpcPresent) {
            accept.join();
            ASSERT_TRUE(log.wait_for_line(self, "[qev] connect command channel ok\n", kLogTimeout));
        }
        server.stop();
        EXPECT_TRUE(server.wait());
        ASSERT_TRUE(log.sync(kLogTimeout));
        const auto lines = log.lines_of(self);
        const std::vector<std::string> after(lines.begin() + before, lines.end());
        EXPECT_EQ(std::count(after.begin(), after.end(), "[qev] session monitor thread terminated\n"), 1);
        EXPECT_EQ(std::count(after.begin(), after.end(), "[qev] connect command channel fail\n"), 0);
    }
}

}  // namespace
}  // namespace qev::e2e
