// The settings path end to end on the simulated laptop with the APO (sim/machines/laptop-apo.reg):
// the real server, clients through the real pipes, session activations through the command pipe,
// and the values where the APO reads them (the FX store on Windows 10, the per-APO stores of the
// microphone array on Windows 11).
#include "e2e_harness.h"
#include "sim_machine.h"

#include "client/qev_client.h"
#include "rpc/cmd_service.h"
#include "rpc/wire_constants.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

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
// What the APO reads.
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

// Where the microphone array's settings live, by the store kind of their feature.
struct Stores {
    unsigned build;
    std::wstring user;
    std::wstring volatile_store;
    std::wstring default_store;
};
const Stores kWindows10Stores{kWindows10, kMicFx, kMicFx, kMicFx};
const Stores kWindows11Stores{kWindows11, kMicApo + L"\\User", kMicApo + L"\\Volatile", kMicApo + L"\\Default"};

std::optional<DWORD> dword_at(const std::wstring& key, const std::wstring& name)
{
    DWORD value = 0;
    DWORD size = sizeof(value);
    const LONG rc =
        RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), name.c_str(), RRF_RT_REG_DWORD, nullptr, &value, &size);
    return rc == ERROR_SUCCESS ? std::optional<DWORD>(value) : std::nullopt;
}

// The notifications one client received, in order.
class Events {
public:
    client::EventHandler handler()
    {
        return [this](const client::Event& event) {
            const std::lock_guard lock(mutex_);
            events_.push_back(event);
            arrived_.notify_all();
        };
    }
    bool wait_for(size_t count)
    {
        std::unique_lock lock(mutex_);
        return arrived_.wait_for(lock, kLogTimeout, [&] { return events_.size() >= count; });
    }
    std::vector<client::Event> all() const
    {
        const std::lock_guard lock(mutex_);
        return events_;
    }
    bool has(int32_t type, uint32_t value, const std::string& text) const
    {
        const std::lock_guard lock(mutex_);
        return std::any_of(events_.begin(), events_.end(), [&](const client::Event& event) {
            return event.type == type && event.value == value && event.text == text;
        });
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<client::Event> events_;
};

class SettingsPathE2e : public ::testing::Test {
protected:
    static void load(unsigned build, const std::vector<std::vector<std::wstring>>& edits = {})
    {
        SimMachine::Load("laptop-apo");
        SimMachine::Must({L"set-build", std::to_wstring(build)});
        for (const auto& edit : edits) {
            SimMachine::Must(edit);
        }
    }

    void start_on(unsigned build, const std::vector<std::vector<std::wstring>>& edits = {})
    {
        load(build, edits);
        ASSERT_TRUE(log_.start());
        ASSERT_TRUE(server_.start());
    }

    static std::unique_ptr<QevClient> connect(Events* events = nullptr)
    {
        client::ClientOptions options;
        options.connect_timeout = kLogTimeout;
        if (events != nullptr) {
            options.on_event = events->handler();
        }
        return std::make_unique<QevClient>(options);
    }

    static uint32_t started_handle(QevClient& client, const std::string& primary, const std::string& secondary = "")
    {
        const auto created = client.create({primary, secondary});
        EXPECT_EQ(created.result, wire::kResultSuccess);
        EXPECT_EQ(client.start(created.handle), wire::kResultSuccess);
        return created.handle;
    }

    LogWatcher log_;
    ServerProcess server_;
};

TEST_F(SettingsPathE2e, TypicalRequestLandsWhereTheApoReadsAndTellsOnlyTheHandleOwners)
{
    for (const Stores& stores : {kWindows10Stores, kWindows11Stores}) {
        SCOPED_TRACE(stores.build);
        load(stores.build);
        ServerProcess server;
        ASSERT_TRUE(server.start());
        Events first_events;
        Events second_events;
        auto first = connect(&first_events);
        auto second = connect(&second_events);
        const uint32_t first_handle = started_handle(*first, kMicName);
        const uint32_t second_handle = second->create({kMicName, ""}).handle;

        ASSERT_EQ(first->set(first_handle, "nr_level", 60.0f), wire::kResultSuccess);
        EXPECT_EQ(dword_at(stores.user, kLevel), 60u);
        EXPECT_EQ(dword_at(stores.user, kAec), 1u);
        // A second change, so every event of the first one has arrived once this one has.
        ASSERT_EQ(first->set(first_handle, "nr_level", 70.0f), wire::kResultSuccess);
        ASSERT_TRUE(first_events.wait_for(2));
        ASSERT_TRUE(second_events.wait_for(2));
        for (const auto& [events, own, other] : {std::tuple(&first_events, first_handle, second_handle),
                                                 std::tuple(&second_events, second_handle, first_handle)}) {
            EXPECT_TRUE(events->has(wire::kEventParameterChanged, own, "nr_level"));
            EXPECT_FALSE(events->has(wire::kEventParameterChanged, other, "nr_level"));
        }

        // Handles are global: the second client sees the first one's handle until its pipes close.
        EXPECT_EQ(second->get(first_handle, "nr_level").value, 70.0f);
        first->close();
        EXPECT_TRUE(WaitFor([&] { return second->get(first_handle, "nr_level").result == 3; }, kLogTimeout));
    }
}

TEST_F(SettingsPathE2e, SetAndGetFollowEveryRuleOfTheManager)
{
    ASSERT_NO_FATAL_FAILURE(start_on(kWindows11));
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
            EXPECT_EQ(dword_at(kWindows11Stores.user, row.stored_key), row.stored);
        }
    }
    // A handle not started changes the shared level but writes it only once started.
    const uint32_t later = client->create({kMicName, ""}).handle;
    EXPECT_EQ(later, handle + 1);
    EXPECT_EQ(client->set(later, "nr_level", 30.0f), 0u);
    EXPECT_EQ(dword_at(kWindows11Stores.user, kLevel), 0u);
    EXPECT_EQ(client->get(handle, "nr_level").value, 30.0f);
    EXPECT_EQ(client->start(later), 0u);
    EXPECT_EQ(dword_at(kWindows11Stores.user, kLevel), 30u);
}

TEST_F(SettingsPathE2e, HandlesAreNeverReusedAndNamesPickTheDirection)
{
    ASSERT_NO_FATAL_FAILURE(start_on(kWindows10));
    auto client = connect();
    const auto first = client->create({kMicName, ""});
    ASSERT_EQ(first.result, 0u);
    EXPECT_EQ(client->destroy(first.handle), 0u);
    EXPECT_EQ(client->create({kMicName, ""}).handle, first.handle + 1);
    EXPECT_EQ(client->create({"No Such Endpoint", ""}).result, 1u);
    for (const auto& names : {client::DeviceNames{"  ", kSpeakersName}, client::DeviceNames{kSpeakersName, ""}}) {
        ASSERT_EQ(client->create(names).result, 0u);
        EXPECT_TRUE(log_.wait_for_text(server_.pid(), std::string("cntx result: dev:") + kSpeakersName + ", devtype:1 ",
                                       kLogTimeout));
    }
}

TEST_F(SettingsPathE2e, SessionActivationsSwitchTheFiltersAndReachEveryClient)
{
    ASSERT_NO_FATAL_FAILURE(start_on(kWindows11));
    Events events;
    // Holds no handle, and is told of session activations all the same.
    auto client = connect(&events);
    struct Row {
        std::vector<std::wstring> args;
        std::wstring name = L"session_activation";
        std::optional<uint32_t> event;        // the activation told to clients, if any
        std::optional<DWORD> ul, dl, stream;  // the flags after the event; unchecked when empty
    };
    const Row rows[] = {
        {{kMicId, L"capture", L"true"}, L"session_activation", 1, 1, std::nullopt, 1},
        {{kMicId, L"capture"}, L"session_activation", std::nullopt, 1, std::nullopt, 1},
        {{kMicId, L"capture", L"false"}, L"Session_activation", std::nullopt, 1, std::nullopt, 1},
        {{L"{0.0.1.00000000}.{00000000-0000-0000-0000-000000000000}", L"capture", L"false"},
         L"session_activation",
         std::nullopt,
         1,
         std::nullopt,
         1},
        {{kMicId, L"Capture", L"true"}, L"session_activation", 1, 1, 1, 1},
        {{kMicId, L"render", L"false"}, L"session_activation", 0, 1, 0, 0},
        {{kMicId, L"capture", L"TRUE"}, L"session_activation", 0, 0, 0, 0},
    };
    size_t told = 0;
    for (const int connection : {1, 2}) {
        // A session monitor that reconnects is served again without a server restart.
        rpc::CmdService monitor(wire::kCommandPipe);
        ASSERT_TRUE(monitor.open_client(nullptr));
        for (const Row& row : rows) {
            SCOPED_TRACE(::testing::Message() << "connection " << connection << ", row " << (&row - rows));
            ASSERT_TRUE(monitor.send(rpc::CmdPacket{row.name, row.args}));
            if (!row.event) {
                continue;
            }
            // Ignored commands tell nobody: the next event is this row's.
            ASSERT_TRUE(events.wait_for(++told));
            const client::Event event = events.all().back();
            EXPECT_EQ(event.type, wire::kEventSessionActivation);
            EXPECT_EQ(event.value, *row.event);
            EXPECT_EQ(event.text, kMicIdText);
            for (const auto& [store, key, value] :
                 {std::tuple(&kWindows11Stores.volatile_store, kUlFilter, row.ul),
                  std::tuple(&kWindows11Stores.volatile_store, kDlFilter, row.dl),
                  std::tuple(&kWindows11Stores.default_store, kStreamFilter, row.stream)}) {
                if (value) {
                    EXPECT_EQ(dword_at(*store, key), value) << std::string(key, key + wcslen(key));
                }
            }
        }
    }
    EXPECT_EQ(events.all().size(), told);
}

TEST_F(SettingsPathE2e, EndpointStateChangesRefreshTheListsAndMarkTheStoreOnce)
{
    ASSERT_NO_FATAL_FAILURE(start_on(kWindows11));
    Events events;
    auto client = connect(&events);
    // Endpoint-list events reach clients that hold a handle.
    started_handle(*client, kSpeakersName);
    const std::pair<const wchar_t*, uint32_t> changes[] = {
        {L"disabled", 0}, {L"active", 1}, {L"disabled", 0}, {L"active", 0}};
    size_t told = 0;
    for (const auto& [state, marked] : changes) {
        SimMachine::Must({L"set-state", kMicId, state});
        ASSERT_TRUE(events.wait_for(++told)) << state;
        EXPECT_EQ(events.all().back().type, wire::kEventDeviceList);
        EXPECT_EQ(events.all().back().value, marked);
        EXPECT_EQ(client->enumerate(wire::kEnumCapture).count, std::wstring(state) == L"active" ? 3u : 2u);
    }
    EXPECT_EQ(dword_at(kMicFx, kMarker), 0u);
}

TEST_F(SettingsPathE2e, SecondInstanceTouchesNoEndpoint)
{
    const std::vector<std::wstring> unrecovered = {L"set-prop", kMicId, L"fx", kRecovered, L"dword", L"9"};
    ASSERT_NO_FATAL_FAILURE(start_on(kWindows10, {unrecovered}));
    connect();  // the first server has scanned by now
    EXPECT_EQ(dword_at(kMicFx, kRecovered), 3u) << ::testing::PrintToString(log_.lines_of(server_.pid()));
    SimMachine::Must(unrecovered);
    ServerProcess second;
    ASSERT_TRUE(second.start());
    EXPECT_EQ(second.wait_exit(60s), kExitMinusOne);
    EXPECT_EQ(dword_at(kMicFx, kRecovered), 9u);
    ASSERT_TRUE(log_.sync(kLogTimeout));
    for (const std::string& line : log_.lines_of(second.pid())) {
        EXPECT_EQ(line.find("is recovered"), std::string::npos) << line;
    }
}

}  // namespace
}  // namespace qev::e2e
