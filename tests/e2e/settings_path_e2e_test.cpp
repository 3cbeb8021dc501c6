// The settings path end to end on the laptop with the APO (sim/machines/laptop-apo.reg): clients and
// the command pipe against the real server, and the values where the APO reads them.
#include "e2e_harness.h"
#include "sim_machine.h"

#include "client/qev_client.h"
#include "event_queue.h"
#include "rpc/cmd_service.h"
#include "rpc/wire_constants.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace qev::e2e {
namespace {

using namespace std::chrono_literals;
using client::QevClient;
using winaudio::test::SimMachine;
using winaudio::test::WaitFor;

constexpr char kMicName[] = "Microphone Array (Conexant SmartAudio HD)";
constexpr char kSpeakersName[] = "Speakers (Conexant SmartAudio HD)";
constexpr char kMicIdText[] = "{0.0.1.00000000}.{6B7F8E21-3A4D-4C2B-9E1F-0A1B2C3D4E02}";
constexpr wchar_t kMicId[] = L"{0.0.1.00000000}.{6B7F8E21-3A4D-4C2B-9E1F-0A1B2C3D4E02}";
const std::wstring kMicFx =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\MMDevices\\Audio\\Capture\\{6B7F8E21-3A4D-4C2B-9E1F-0A1B2C3D4E02}"
    L"\\FxProperties";
const std::wstring kMicApo = kMicFx + L"\\{4D99D9D2-C5DE-4A46-8E6E-6D7307FE73FF}";
constexpr wchar_t kLevel[] = L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},1";
constexpr wchar_t kAec[] = L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},2";
constexpr wchar_t kDirection[] = L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},3";
constexpr wchar_t kWhisper[] = L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},101";
constexpr wchar_t kDlFilter[] = L"{f673a129-2683-4be8-b889-3a40071f9d93},5";
constexpr wchar_t kUlFilter[] = L"{f673a129-2683-4be8-b889-3a40071f9d93},15";
constexpr wchar_t kStreamFilter[] = L"{f673a129-2683-4be8-b889-3a40071f9d93},16";
constexpr wchar_t kRecovered[] = L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},9983";
constexpr wchar_t kMarker[] = L"{4077f64d-195b-4d1c-9854-14ad1505869d},0";

constexpr unsigned kWindows10 = 19045;
constexpr unsigned kWindows11 = 22631;

// The microphone array's per-APO stores on Windows 11, by their feature's store kind.
const std::wstring kUser = kMicApo + L"\\User";
const std::wstring kVolatile = kMicApo + L"\\Volatile";
const std::wstring kDefault = kMicApo + L"\\Default";

std::optional<DWORD> dword_at(const std::wstring& key, const std::wstring& name)
{
    DWORD value = 0;
    DWORD size = sizeof(value);
    const LONG rc =
        RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), name.c_str(), RRF_RT_REG_DWORD, nullptr, &value, &size);
    return rc == ERROR_SUCCESS ? std::optional<DWORD>(value) : std::nullopt;
}

// The next notification of a client, or an empty one after the log time-out.
client::Event next(client::qevctl::EventQueue& events)
{
    return events.pop(std::chrono::steady_clock::now() + kLogTimeout).value_or(client::Event{-1, 0, ""});
}

class SettingsPathE2e : public ::testing::Test {
protected:
    void start_on(unsigned build, const std::vector<std::vector<std::wstring>>& edits = {})
    {
        SimMachine::Load("laptop-apo");
        SimMachine::Must({L"set-build", std::to_wstring(build)});
        for (const auto& edit : edits) {
            SimMachine::Must(edit);
        }
        ASSERT_TRUE(log_.start());
        ASSERT_TRUE(server_.start());
    }

    static std::unique_ptr<QevClient> connect(client::qevctl::EventQueue* events = nullptr)
    {
        client::ClientOptions options;
        options.connect_timeout = kLogTimeout;
        if (events != nullptr) {
            options.on_event = [events](const client::Event& event) { events->push(event); };
        }
        return std::make_unique<QevClient>(options);
    }

    static uint32_t started_handle(QevClient& client, const std::string& name)
    {
        const auto created = client.create({name, ""});
        EXPECT_EQ(created.result, wire::kResultSuccess);
        EXPECT_EQ(client.start(created.handle), wire::kResultSuccess);
        return created.handle;
    }

    // A typical request lands where the APO reads it (`store`) and tells only the handle owners.
    static void typical_request(const std::wstring& store)
    {
        client::qevctl::EventQueue first_events;
        client::qevctl::EventQueue second_events;
        auto first = connect(&first_events);
        auto second = connect(&second_events);
        const uint32_t first_handle = started_handle(*first, kMicName);
        const uint32_t second_handle = second->create({kMicName, ""}).handle;

        ASSERT_EQ(first->set(first_handle, "nr_level", 60.0f), wire::kResultSuccess);
        EXPECT_EQ(dword_at(store, kLevel), 60u);
        EXPECT_EQ(dword_at(store, kAec), 1u);
        // Two events each, both for the own handle: one for the other's would have come between.
        ASSERT_EQ(first->set(first_handle, "algo_name", 2.0f), wire::kResultSuccess);
        for (const auto& [events, own] :
             {std::pair(&first_events, first_handle), std::pair(&second_events, second_handle)}) {
            for (const char* name : {"nr_level", "algo_name"}) {
                const client::Event event = next(*events);
                EXPECT_EQ(std::tie(event.type, event.value, event.text),
                          std::make_tuple(wire::kEventParameterChanged, own, name));
            }
        }

        // Handles are global: the second client sees the first one's handle until its pipes close.
        EXPECT_EQ(second->get(first_handle, "nr_level").value, 60.0f);
        first->close();
        EXPECT_TRUE(WaitFor([&] { return second->get(first_handle, "nr_level").result == 3; }, kLogTimeout));
    }

    LogWatcher log_;
    ServerProcess server_;
};

// One server on Windows 11, one client per part.
TEST_F(SettingsPathE2e, TypicalRequestManagerRulesSessionActivationsAndEndpointStateChangesOnWindows11)
{
    ASSERT_NO_FATAL_FAILURE(start_on(kWindows11));
    // The user-store features live in the APO's User store.
    typical_request(kUser);
    // Set and get follow every rule of the manager.
    {
        auto client = connect();
        const uint32_t handle = started_handle(*client, kMicName);
        struct Row {
            bool set;
            const char* name;
            float value;  // set: the value sent; get: the value expected
            uint32_t result;
            const wchar_t* stored_key;  // the User store value after the call, or null
            DWORD stored = 0;
        };
        const Row rows[] = {
            {true, "nr_level", 101.0f, 3, nullptr},
            {true, "nr_level", -1.0f, 3, nullptr},
            {true, "nr_level", 3e9f, 3, nullptr},
            {true, "NR_Level", 50.9f, 0, kLevel, 50},
            {false, "nr_level", 50.0f, 0, nullptr},
            {true, "bf_degree", 45.0f, 3, nullptr},
            {true, "bf_degree", 40.0f, 0, nullptr},
            {false, "bf_degree", 40.0f, 0, nullptr},
            {true, "bf_degree", 80.0f, 0, nullptr},
            {true, "bf_degree", 90.0f, 3, nullptr},
            {true, "shotgun_bf_direction", 5.0f, 0, kDirection, 0x00010001},
            {false, "shotgun_bf_direction", 5.0f, 0, nullptr},
            {true, "shotgun_bf_direction", 0.0f, 3, nullptr},
            {true, "shotgun_bf_direction", 16.0f, 3, kDirection, 0x00010001},
            {true, "bf_whisper_enable", 0.5f, 3, nullptr},
            {true, "bf_whisper_enable", 1.0f, 0, kWhisper, 1},
            {false, "bf_whisper_enable", 1.0f, 0, nullptr},
            {true, "algo_name", 10.0f, 3, nullptr},
            {true, "algo_name", 2.0f, 0, nullptr},
            {false, "algo_name", 2.0f, 0, nullptr},
            {true, "nr_level_min", 0.0f, 3, nullptr},
            {false, "nr_level_min", 0.0f, 0, nullptr},
            {false, "nr_level_max", 100.0f, 0, nullptr},
            {false, "bypass", 0.0f, 0, nullptr},
            {true, "bypass", 0.5f, 3, nullptr},
            {true, "bypass", 1.0f, 0, kLevel, 50},
            {true, "nr_level", 0.0f, 0, kLevel, 0},
            {false, "bypass", 1.0f, 0, nullptr},
            {true, "no_such_param", 1.0f, 3, nullptr},
            {false, "no_such_param", 0.0f, 3, nullptr},
        };
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(row.set ? "set " : "get ") + row.name + " " + std::to_string(row.value));
            if (row.set) {
                EXPECT_EQ(client->set(handle, row.name, row.value), row.result);
            } else {
                const auto reply = client->get(handle, row.name);
                EXPECT_EQ(reply.result, row.result);
                EXPECT_EQ(reply.value, row.value);
            }
            if (row.stored_key != nullptr) {
                EXPECT_EQ(dword_at(kUser, row.stored_key), row.stored);
            }
        }
        // A handle not started changes the shared level but writes it only once started.
        const uint32_t later = client->create({kMicName, ""}).handle;
        EXPECT_EQ(later, handle + 1);
        EXPECT_EQ(client->set(later, "nr_level", 30.0f), 0u);
        EXPECT_EQ(dword_at(kUser, kLevel), 0u);
        EXPECT_EQ(client->get(handle, "nr_level").value, 30.0f);
        EXPECT_EQ(client->start(later), 0u);
        EXPECT_EQ(dword_at(kUser, kLevel), 30u);
    }
    // Session activations switch the filters and reach every client.
    {
        client::qevctl::EventQueue events;
        // Holds no handle, and is told of session activations all the same.
        auto client = connect(&events);
        constexpr DWORD kIgnored = 2;  // as the told activation: nobody is told; as a flag: not checked
        const wchar_t* const kUnknown = L"{0.0.1.00000000}.{00000000-0000-0000-0000-000000000000}";
        struct Row {
            const wchar_t* name;
            std::vector<std::wstring> args;
            DWORD told, ul, dl, stream;  // the activation told to clients, then the flags
        };
        const Row rows[] = {
            {L"session_activation", {kMicId, L"capture", L"true"}, 1, 1, kIgnored, 1},
            {L"session_activation", {kMicId, L"capture"}, kIgnored, 0, 0, 0},
            {L"Session_activation", {kMicId, L"capture", L"false"}, kIgnored, 0, 0, 0},
            {L"session_activation", {kUnknown, L"capture", L"false"}, kIgnored, 0, 0, 0},
            {L"session_activation", {kMicId, L"Capture", L"true"}, 1, 1, 1, 1},
            {L"session_activation", {kMicId, L"render", L"false"}, 0, 1, 0, 0},
            {L"session_activation", {kMicId, L"capture", L"TRUE"}, 0, 0, 0, 0},
        };
        for (const int connection : {1, 2}) {
            // A session monitor that reconnects is served again without a server restart.
            rpc::CmdService monitor(wire::kCommandPipe);
            ASSERT_TRUE(monitor.open_client(nullptr));
            for (const Row& row : rows) {
                SCOPED_TRACE(::testing::Message() << "connection " << connection << ", row " << (&row - rows));
                ASSERT_TRUE(monitor.send(rpc::CmdPacket{row.name, row.args}));
                // Ignored commands tell nobody: the next event is the next told row's.
                if (row.told == kIgnored) {
                    continue;
                }
                const client::Event event = next(events);
                EXPECT_EQ(std::tie(event.type, event.value, event.text),
                          std::make_tuple(wire::kEventSessionActivation, row.told, kMicIdText));
                const std::tuple<const std::wstring&, const wchar_t*, DWORD> flags[] = {
                    {kVolatile, kUlFilter, row.ul},
                    {kVolatile, kDlFilter, row.dl},
                    {kDefault, kStreamFilter, row.stream}};
                for (const auto& [store, key, value] : flags) {
                    if (value != kIgnored) {
                        EXPECT_EQ(dword_at(store, key), value) << std::string(key, key + wcslen(key));
                    }
                }
            }
        }
    }
    // Endpoint state changes refresh the lists and mark the store once.
    {
        client::qevctl::EventQueue events;
        auto client = connect(&events);
        // Endpoint-list events reach clients that hold a handle.
        started_handle(*client, kSpeakersName);
        const std::pair<const wchar_t*, uint32_t> changes[] = {
            {L"disabled", 0}, {L"active", 1}, {L"disabled", 0}, {L"active", 0}};
        for (const auto& [state, marked] : changes) {
            SimMachine::Must({L"set-state", kMicId, state});
            const client::Event event = next(events);
            EXPECT_EQ(std::tie(event.type, event.value), std::make_tuple(wire::kEventDeviceList, marked)) << state;
            EXPECT_EQ(client->enumerate(wire::kEnumCapture).count, std::wstring(state) == L"active" ? 3u : 2u);
        }
        EXPECT_EQ(dword_at(kMicFx, kMarker), 0u);
    }
}

TEST_F(SettingsPathE2e, TypicalRequestOnWindows10AndASecondInstanceTouchesNoEndpoint)
{
    const std::vector<std::wstring> unrecovered = {L"set-prop", kMicId, L"fx", kRecovered, L"dword", L"9"};
    ASSERT_NO_FATAL_FAILURE(start_on(kWindows10, {unrecovered}));
    connect();  // the first server has scanned by now
    EXPECT_EQ(dword_at(kMicFx, kRecovered), 3u) << ::testing::PrintToString(log_.lines_of(server_.pid()));
    // The user-store features live in the FX store on Windows 10.
    typical_request(kMicFx);
    SimMachine::Must(unrecovered);
    // 11 attempts with 10 pauses of 500 ms, then the start fails.
    ServerProcess second;
    ASSERT_TRUE(second.start());
    EXPECT_EQ(second.wait_exit(60s), kExitMinusOne);
    EXPECT_EQ(dword_at(kMicFx, kRecovered), 9u);
    ASSERT_TRUE(log_.sync(kLogTimeout));
    const auto lines = log_.lines_of(second.pid());
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "[qev] rpc server already running.\n"), 1);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "[qev] fail to start rpc server\n"), 1);
    for (const std::string& line : lines) {
        EXPECT_EQ(line.find("is recovered"), std::string::npos) << line;
    }
    EXPECT_TRUE(server_.running());
}

}  // namespace
}  // namespace qev::e2e
