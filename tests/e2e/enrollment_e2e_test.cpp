#include "captured_run.h"
#include "e2e_harness.h"
#include "enrollment_fixture.h"
#include "sim_machine.h"

#include "base/utf8.h"
#include "client/qev_client.h"
#include "serialized_param_generated.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <wtsapi32.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <tuple>
#include <thread>
#include <type_traits>

namespace qev::e2e {
namespace {

using namespace std::chrono_literals;
using namespace qev::vpnr::test;
using ::testing::UnorderedElementsAre;
using winaudio::test::SimMachine;
namespace wire = qev::vpnr::wire;

constexpr char kMicArray[] = "Microphone Array (Conexant SmartAudio HD)";
constexpr char kOwnKey[] = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\vestaRion";
constexpr wchar_t kOwnSubkey[] = L"SYSTEM\\CurrentControlSet\\Control\\vestaRion";
constexpr std::uint32_t kNotCarriedOut = 1;
// Enumeration types, and the endpoint types the Config log line names.
constexpr std::uint32_t kCapture = 0;
constexpr std::uint32_t kRender = 1;
constexpr char kNoDevice[] = "[qev] cannot get device from context\n";

Bytes finished(flatbuffers::FlatBufferBuilder& builder)
{
    return Bytes(builder.GetBufferPointer(), builder.GetBufferPointer() + builder.GetSize());
}

Bytes bias_payload(const std::string& name, const Bytes& content, std::uint32_t size)
{
    flatbuffers::FlatBufferBuilder builder;
    builder.Finish(
        wire::CreateBiasFileTable(builder, 0, builder.CreateString(name), size, builder.CreateVector(content)));
    return finished(builder);
}

Bytes win_reg_payload(const std::string& key, const std::string& name, std::int16_t type, const std::string& data)
{
    flatbuffers::FlatBufferBuilder builder;
    builder.Finish(wire::CreateWinRegTable(builder, builder.CreateString(key), builder.CreateString(name), type,
                                           builder.CreateString(data)));
    return finished(builder);
}

// type and data of a win_reg reply
std::pair<std::int16_t, std::string> win_reg_value(const Bytes& reply)
{
    flatbuffers::Verifier verifier(reply.data(), reply.size());
    if (!verifier.VerifyBuffer<wire::WinRegTable>(nullptr)) {
        return {-1, "unverifiable"};
    }
    const auto* table = flatbuffers::GetRoot<wire::WinRegTable>(reply.data());
    return {table->type(), table->data() != nullptr ? table->data()->str() : ""};
}

// A REG_SZ or REG_DWORD value under HKEY_LOCAL_MACHINE, or nothing.
template <typename T>
std::optional<T> registry_value(const std::wstring& subkey, const std::wstring& name)
{
    constexpr bool kText = std::is_same_v<T, std::wstring>;
    std::conditional_t<kText, wchar_t[512], DWORD> value{};
    DWORD size = sizeof(value);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, subkey.c_str(), name.c_str(), kText ? RRF_RT_REG_SZ : RRF_RT_REG_DWORD,
                     nullptr, &value, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return T(value);
}

class EnrollmentE2e : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(SimMachine::Load("default"));
        ASSERT_NO_FATAL_FAILURE(set_library());
        ASSERT_TRUE(log_.start());
    }

    bool logged(const std::string& text) { return log_.wait_for_text(server_.pid(), text, kLogTimeout); }

    PrivateProgramData program_data_;  // first: the server inherits it and ends before it goes
    LogWatcher log_;
    ServerProcess server_;
};

// One server on the laptop: the endpoint lists, saved names confined to the enrollment directory, the
// recorded path, deletion, the product key through win_reg, then qevctl driving the same calls from
// files and enrolling a WAV.
TEST_F(EnrollmentE2e, EndpointListsFilesAndTheProductKeyThroughTheApiAndQevctl)
{
    const Bytes file = enroll(recording(1, 5));
    set_library(L"9.9.9");
    const Bytes other_version = enroll(recording(1, 5));
    set_library();
    ASSERT_TRUE(server_.start());
    client::ClientOptions options;
    options.connect_timeout = kLogTimeout;
    auto client_ = std::make_unique<client::QevClient>(options);
    // The endpoint lists hold the active endpoints of the machine file (its friendly names,
    // {a45c254e-df1c-4efd-8020-67d146a850e0},14) and create finds them by name; Stereo Mix is disabled.
    const auto captures = client_->enumerate(kCapture);
    EXPECT_EQ(std::pair(captures.result, captures.count), std::pair(0u, 3u));
    EXPECT_THAT(captures.names,
                UnorderedElementsAre("Microphone Array (Conexant SmartAudio HD)", "Microphone (USB Headset)",
                                     "Headset Microphone (WH-1000XM4 Hands-Free AG Audio)"));
    const auto renders = client_->enumerate(kRender);
    EXPECT_EQ(std::pair(renders.result, renders.count), std::pair(0u, 3u));
    EXPECT_THAT(renders.names, UnorderedElementsAre("Speakers (Conexant SmartAudio HD)", "Speakers (USB Headset)",
                                                    "Headset (WH-1000XM4 Hands-Free AG Audio)"));
    const struct {
        client::DeviceNames names;
        std::optional<std::uint32_t> found_as;  // the endpoint type the Config line names
    } rows[] = {
        {{"Microphone Array (Conexant SmartAudio HD)", ""}, kCapture},
        {{"", "Speakers (USB Headset)"}, kRender},
        // A render name given as primary falls back to the render list.
        {{"Headset (WH-1000XM4 Hands-Free AG Audio)", ""}, kRender},
        {{"microphone (usb headset)", ""}, kCapture},
        {{"No Such Endpoint 7f3c", ""}, std::nullopt},
        {{"Stereo Mix (Conexant SmartAudio HD)", ""}, std::nullopt},
    };
    for (const auto& row : rows) {
        const std::string& name = row.names.primary.empty() ? row.names.secondary : row.names.primary;
        SCOPED_TRACE(name);
        const size_t before = log_.lines_of(server_.pid()).size();
        const auto reply = client_->create(row.names);
        EXPECT_EQ(reply.result, row.found_as ? 0u : kNotCarriedOut);
        EXPECT_EQ(reply.handle != 0, row.found_as.has_value());
        ASSERT_TRUE(log_.sync(kLogTimeout));
        const std::vector<std::string> all = log_.lines_of(server_.pid());
        const std::vector<std::string> lines(all.begin() + static_cast<std::ptrdiff_t>(before), all.end());
        EXPECT_EQ(std::count(lines.begin(), lines.end(), kNoDevice), row.found_as ? 0 : 1);
        const std::string head = "[qev] cntx result: dev:" + name +
                                 ", devtype:" + std::to_string(row.found_as.value_or(kCapture)) + " devid:{";
        EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                                [&](const std::string& line) { return line.rfind(head, 0) == 0; }),
                  row.found_as ? 1 : 0)
            << ::testing::PrintToString(lines);
    }
    const auto created = client_->create({kMicArray, ""});
    ASSERT_EQ(created.result, 0u);
    const std::uint32_t handle = created.handle;
    const struct {
        std::string name;
        const Bytes& content;
        std::uint32_t size;
        const char* saved_as;  // or the line the refusal logs
    } cases[] = {
        {"alice_t1_QUJD_enroll.bin", file, 0, "alice_t1_QUJD_enroll.bin"},
        {"..\\..\\bob_t2_QUJD_enroll.bin", file, 0, "bob_t2_QUJD_enroll.bin"},
        {"C:\\Windows\\System32\\c.bin", file, 0, "c.bin"},
        {"D:d.bin", file, 0, "d.bin"},
        {"x.BIN", file, 0, "extract_vpnr_bias_file_path: rejected extension"},
        {"x.bin.txt", file, 0, "extract_vpnr_bias_file_path: rejected extension"},
        {".bin", file, 0, "extract_vpnr_bias_file_path: rejected extension"},
        {"..", file, 0, "extract_vpnr_bias_file_path: invalid filename"},
        {"x.bin:hidden", file, 0, "extract_vpnr_bias_file_path: invalid filename"},
        {"NUL.bin", file, 0, "extract_vpnr_bias_file_path: invalid filename"},
        {"long.bin", file, 1, "Failed to verify serialized param: save_vpnr_bias_file"},
        {"old.bin", other_version, 0, "Enrollment data verification failed"},
    };
    std::vector<std::wstring> expected_files;
    for (const auto& c : cases) {
        const std::uint32_t size = static_cast<std::uint32_t>(c.content.size()) + c.size;
        const std::uint32_t result =
            client_->set_serialized(handle, "save_vpnr_bias_file", bias_payload(c.name, c.content, size));
        if (std::strstr(c.saved_as, ".bin") != nullptr && std::strchr(c.saved_as, ' ') == nullptr) {
            EXPECT_EQ(result, 0u) << c.name;
            const std::wstring name(c.saved_as, c.saved_as + std::strlen(c.saved_as));
            EXPECT_EQ(read_file(program_data_.path(name)), c.content) << c.name;
            expected_files.push_back(name);
        } else {
            EXPECT_EQ(result, kNotCarriedOut) << c.name;
            EXPECT_TRUE(logged(c.saved_as)) << c.name;
        }
    }
    std::vector<std::wstring> found;
    for (const auto& entry : std::filesystem::directory_iterator(program_data_.path(L""))) {
        found.push_back(entry.path().filename().wstring());
    }
    EXPECT_THAT(found, ::testing::UnorderedElementsAreArray(expected_files));

    // The path is recorded per user and device, and the holder gives it back where the APO reads it.
    const Bytes none;
    EXPECT_EQ(client_->set_serialized(handle, "vpnr_bias_file_path", bias_payload("carol_t9_QUJD_enroll.bin", none, 0)),
              0u);
    const auto reply = client_->get_serialized(handle, "vpnr_bias_file_path");
    ASSERT_EQ(reply.result, 0u);
    const auto* table = flatbuffers::GetRoot<wire::BiasFileTable>(reply.data.data());
    flatbuffers::Verifier verifier(reply.data.data(), reply.data.size());
    ASSERT_TRUE(table->Verify(verifier));
    EXPECT_EQ(table->file_name()->str(), "carol_t9_QUJD_enroll.bin");
    EXPECT_EQ(client_->set_serialized(handle, "VPNR_bias_file_path", bias_payload("dan_t8_enroll.bin", none, 0)), 0u);
    EXPECT_EQ(registry_value<std::wstring>(std::wstring(kOwnSubkey) + L"\\VPNR\\carol\\QUJD", L"last"), L"t9");
    EXPECT_FALSE(registry_value<std::wstring>(std::wstring(kOwnSubkey) + L"\\VPNR\\dan\\enroll.bin", L"last"));
    const Bytes remove = bias_payload("c.bin", none, 0);
    EXPECT_EQ(client_->set_serialized(0, "delete_vpnr_bias_file", remove), 0u);
    EXPECT_FALSE(std::filesystem::exists(program_data_.path(L"c.bin")));
    EXPECT_EQ(client_->set_serialized(0, "delete_vpnr_bias_file", remove), kNotCarriedOut);
    EXPECT_TRUE(logged("Failed to remove file, err: "));

    std::string lower_key = kOwnKey;
    std::transform(lower_key.begin(), lower_key.end(), lower_key.begin(), ::tolower);
    const struct {
        std::string key;
        std::string name;
        std::int16_t type;
        std::string data;
        std::uint32_t set_result;
        std::pair<std::int16_t, std::string> read;  // type -1: the read fails
    } writes[] = {
        {kOwnKey, "qev_number", 0, "42abc", 0, {0, "42"}},
        {kOwnKey, "qev_negative", 0, " \t-7", 0, {0, "4294967289"}},
        {kOwnKey, "qev_lowest", 0, "-2147483648", 0, {0, "2147483648"}},
        {lower_key, "qev_text", 1, "hello", 0, {1, "hello"}},
        {kOwnKey, "qev_letters", 0, "abc", kNotCarriedOut, {-1, ""}},
        {kOwnKey, "qev_too_big", 0, "2147483648", kNotCarriedOut, {-1, ""}},
        {kOwnKey, "qev_type", 2, "1", kNotCarriedOut, {-1, ""}},
        {std::string(kOwnKey) + "\\VPNR", "qev_subkey", 1, "x", kNotCarriedOut, {-1, ""}},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE", "qev_other", 1, "x", kNotCarriedOut, {-1, ""}},
        // The registry refuses the name: the failed write is reported, not taken for a success.
        {kOwnKey, std::string(16384, 'n'), 1, "x", kNotCarriedOut, {-1, ""}},
    };
    for (const auto& c : writes) {
        EXPECT_EQ(client_->set_serialized(0, "win_reg", win_reg_payload(c.key, c.name, c.type, c.data)), c.set_result)
            << c.name;
        const auto read = client_->get_serialized(0, "WIN_REG", win_reg_payload(c.key, c.name, 0, ""));
        EXPECT_EQ(read.result, c.read.first < 0 ? kNotCarriedOut : 0u) << c.name;
        if (c.read.first >= 0) {
            EXPECT_EQ(win_reg_value(read.data), c.read) << c.name;
        }
    }
    EXPECT_TRUE(logged("Failed to get value data for qev_letters"));
    EXPECT_TRUE(logged("win_reg: Error while writing to registry value"));

    // qevctl: a 16-bit PCM WAV becomes the float recording inside the file the library made.
    const std::wstring wav = program_data_.path(L"take.wav");
    Bytes wav_bytes = {'R', 'I', 'F', 'F', 0,  0, 0,   0,   'W', 'A',  'V',  'E',  'f', 'm', 't',
                       ' ', 16,  0,   0,   0,  1, 0,   1,   0,   0x80, 0x3E, 0,    0,   0,   0x7D,
                       0,   0,   2,   0,   16, 0, 'd', 'a', 't', 'a',  0x80, 0x3E, 0,   0};
    Bytes floats;
    for (int i = 0; i < 8000; ++i) {
        const auto sample = static_cast<std::int16_t>((i * 977) % 20000 - 10000);
        wav_bytes.push_back(static_cast<std::uint8_t>(sample & 0xFF));
        wav_bytes.push_back(static_cast<std::uint8_t>((sample >> 8) & 0xFF));
        const float value = static_cast<float>(sample) / 32768.0f;
        floats.insert(floats.end(), reinterpret_cast<const std::uint8_t*>(&value),
                      reinterpret_cast<const std::uint8_t*>(&value) + 4);
    }
    write_file(wav, wav_bytes);
    const auto w = [this](const wchar_t* name) { return L" \"" + program_data_.path(name) + L"\""; };
    write_file(program_data_.path(L"in.reg"), win_reg_payload(kOwnKey, "qev_cli", 0, "42"));
    const auto run = run_captured(
        build_file(L"client/qevctl.exe"),
        L"--connect-timeout 30000 create --primary \"" + std::wstring(kMicArray, kMicArray + std::strlen(kMicArray)) +
            L"\" , set last nr_level 60.5 , get last nr_level , status last , watch --seconds 1 , "
            L"set-serialized 0 win_reg" +
            w(L"in.reg") + L" , get-serialized 0 win_reg" + w(L"out.reg") + L" --in" + w(L"in.reg") +
            L" , enroll last" + w(L"take.wav") + L" alice_t1_QUJD_enroll.bin --out" + w(L"made.bin"),
        60s);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.exit_code, 0u);
    const Bytes saved = read_file(program_data_.path(L"alice_t1_QUJD_enroll.bin"));
    const Bytes read_back = read_file(program_data_.path(L"out.reg"));
    const std::string own = std::to_string(handle + 1);
    EXPECT_EQ(run.out, "handle: " + own + "\nnr_level: 60\nstatus: 7\nevent: type 5 (parameter changed) value " + own +
                           " text nr_level\n"
                           "win_reg: " +
                           std::to_string(read_back.size()) + " bytes written to " +
                           base::utf8_from_wide(program_data_.path(L"out.reg")) + "\nenrolled: " +
                           std::to_string(saved.size()) + " bytes saved as alice_t1_QUJD_enroll.bin\n");
    EXPECT_EQ(win_reg_value(read_back), std::make_pair(std::int16_t{0}, std::string("42")));
    EXPECT_EQ(saved, read_file(program_data_.path(L"made.bin")));
    EXPECT_EQ(recording_in(saved), floats);
}

TEST_F(EnrollmentE2e, KillingTheServerDuringThePassLeavesEveryFileOldOrNew)
{
    const auto passed = [this](DWORD pid) {
        const auto lines = log_.lines_of(pid);
        return std::find(lines.begin(), lines.end(), "[qev] re-enrollment pass finished\n") != lines.end();
    };
    // A new temporary file or a file of another size: the server is rewriting.
    const auto entries = [this] {
        std::map<std::wstring, std::uintmax_t> sizes;
        std::error_code gone;  // renamed while listed
        for (const auto& entry : std::filesystem::directory_iterator(program_data_.path(L""))) {
            sizes[entry.path().filename().wstring()] = entry.file_size(gone);
        }
        return sizes;
    };
    std::map<std::wstring, Bytes> takes;
    std::map<std::wstring, Bytes> files;
    for (unsigned i = 0; i < 8; ++i) {
        const std::wstring name = L"u" + std::to_wstring(i) + L"_t_d_enroll.bin";
        takes[name] = recording(14 + i % 2, i);
        files[name] = enroll(takes[name]);
        write_file(program_data_.path(name), files[name]);
    }
    // Each round makes every file "from another version" and ends the server once a rewrite has
    // begun (a temporary file or a changed file), 0 to 21 ms later.
    for (int round = 0; round < 16; ++round) {
        const std::wstring version = round % 2 == 0 ? L"2.0.0" : L"1.0.0";
        set_library(version);
        ServerProcess server;
        ASSERT_TRUE(server.start());
        const auto before = entries();
        ASSERT_TRUE(log_.wait_for_text(server.pid(), "AlgorithmDLL is successfully loaded", kLogTimeout));
        // (A round that finds every file current ends its pass without a change.)
        for (int poll = 0; poll < 5000 && entries() == before && !passed(server.pid()); ++poll) {
            std::this_thread::sleep_for(1ms);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(round % 8 * 3));
        server.terminate();
        for (auto& [name, before] : files) {
            const Bytes now = read_file(program_data_.path(name));
            if (now != before) {
                EXPECT_EQ(record_of(now, 1), Bytes(version.begin(), version.end())) << round;
                EXPECT_EQ(recording_in(now), takes[name]) << round;
                before = now;
            }
        }
    }
    // A pass that runs to its end leaves no temporary file behind.
    ServerProcess server;
    ASSERT_TRUE(server.start());
    ASSERT_TRUE(log_.wait_for_text(server.pid(), "re-enrollment pass finished", kLogTimeout));
    for (const auto& entry : std::filesystem::directory_iterator(program_data_.path(L""))) {
        EXPECT_EQ(entry.path().extension(), L".bin");
    }
}

TEST_F(EnrollmentE2e, SessionLogonPublishesTheConsoleUsersFilesToSupportingMicrophones)
{
    const struct {
        std::string machine;
        std::wstring array_store;  // where the microphone array's enrollment goes
        std::wstring array_support;
    } machines[] = {
        {"default", L"\\FxProperties\\{4D99D9D2-C5DE-4A46-8E6E-6D7307FE73FF}\\User",
         L"default:{4D99D9D2-C5DE-4A46-8E6E-6D7307FE73FF}"},
        {"default-win10", L"\\FxProperties", L"fx"},
    };
    wchar_t user[256] = {};
    DWORD user_length = 256;
    ASSERT_TRUE(GetUserNameW(user, &user_length));
    const std::wstring capture = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\MMDevices\\Audio\\Capture\\";
    const std::wstring support = L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},9983";
    const std::wstring path_value = L"{f673a129-2683-4be8-b889-3a40071f9d93},39";
    const std::wstring status_value = L"{f673a129-2683-4be8-b889-3a40071f9d93},40";
    // Identifiers: Base64 of "Mic Array ??? (SmartAudio)" ("/" made "-", 30 characters), of the
    // USB vendor and product "046D0A8F", of the Bluetooth vendor and product "0001054c0d58".
    const std::wstring array_file = std::wstring(user) + L"_t1_TWljIEFycmF5ID8-PyAoU21hcnRBdW_enroll.bin";
    const std::wstring default_file = std::wstring(user) + L"_default_onboard_enroll.bin";
    for (const auto& m : machines) {
        ASSERT_NO_FATAL_FAILURE(SimMachine::Load(m.machine));
        const std::wstring array = L"{6B7F8E21-3A4D-4C2B-9E1F-0A1B2C3D4E02}";
        SimMachine::Must({L"set-prop", array, L"device", L"{a45c254e-df1c-4efd-8020-67d146a850e0},14", L"sz",
                          L"Mic Array ??? (SmartAudio)"});
        const std::tuple<std::wstring, std::wstring, const wchar_t*> supports[] = {
            {array, m.array_support, L"1"},
            {L"{6B7F8E21-3A4D-4C2B-9E1F-0A1B2C3D4E04}", L"fx", L"1"},
            {L"{6B7F8E21-3A4D-4C2B-9E1F-0A1B2C3D4E06}", L"fx", L"1"},
            {L"{6B7F8E21-3A4D-4C2B-9E1F-0A1B2C3D4E07}", L"fx", L"0xFFFFFFFF"}};
        for (const auto& [id, store, value] : supports) {
            SimMachine::Must({L"set-prop", id, store, support, L"dword", value});
        }
        const std::wstring records = std::wstring(kOwnSubkey) + L"\\VPNR\\" + user;
        RegSetKeyValueW(HKEY_LOCAL_MACHINE, (records + L"\\TWljIEFycmF5ID8-PyAoU21hcnRBdW").c_str(), L"last", REG_SZ,
                        L"t1", 6);
        RegSetKeyValueW(HKEY_LOCAL_MACHINE, (records + L"\\MDQ2RDBBOEY=").c_str(), L"last", REG_SZ, L"t2", 6);
        write_file(program_data_.path(array_file), {1});
        write_file(program_data_.path(default_file), {2});

        ServerProcess server;
        ASSERT_TRUE(server.start());
        const HWND window = server.wait_for_window(kLogTimeout);
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(PostMessageW(window, WM_WTSSESSION_CHANGE, WTS_SESSION_LOGON, 1));
        ASSERT_TRUE(log_.wait_for_text(
            server.pid(),
            "sync_user_enrollment: done for console user \"" + std::string(user, user + user_length - 1) + "\"",
            kLogTimeout));
        const struct {
            std::wstring store;
            std::optional<std::wstring> path;  // nothing: not written
            DWORD status;
        } expected[] = {
            {array + m.array_store, program_data_.path(array_file), 1},
            {L"{6B7F8E21-3A4D-4C2B-9E1F-0A1B2C3D4E04}\\FxProperties", L"", 0},  // its recorded file is missing
            {L"{6B7F8E21-3A4D-4C2B-9E1F-0A1B2C3D4E06}\\FxProperties", program_data_.path(default_file), 1},
            {L"{6B7F8E21-3A4D-4C2B-9E1F-0A1B2C3D4E07}\\FxProperties", std::nullopt, 0},
        };
        for (const auto& e : expected) {
            EXPECT_EQ(registry_value<std::wstring>(capture + e.store, path_value), e.path) << m.machine;
            if (e.path) {
                EXPECT_EQ(registry_value<DWORD>(capture + e.store, status_value), e.status) << m.machine;
            }
        }
        EXPECT_EQ(registry_value<DWORD>(kOwnSubkey, L"voiceprinting_enroll_status"), 1u) << m.machine;
    }
}

}  // namespace
}  // namespace qev::e2e
