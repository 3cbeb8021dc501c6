// The API as a client and qevctl see it, against the real server: replies, malformed requests, several
// clients, what qevctl prints and how it exits.
#include "captured_run.h"
#include "e2e_harness.h"

#include "rpc/wire_constants.h"
#include "client/qev_client.h"
#include "client/request_encoder.h"
#include "ipc_message_generated.h"

#include <gtest/gtest.h>

#include <atomic>
#include <deque>
#include <optional>
#include <random>
#include <thread>

namespace qev::e2e {
namespace {

namespace fn = wire::function_name;

using namespace std::chrono_literals;
using client::QevClient;
using Bytes = std::vector<std::uint8_t>;

// The catalogue's algorithms in the order clients see them, written out independently of src/datapath.
const std::vector<std::string> kAlgorithms = {
    "dmvp",    "euphonic_mic", "general", "listen", "listening_normalization", "nb_as_speakerphone",
    "private", "shotgun_bf",   "vpnr",    "whisper"};

// The generated tables hide their Table base; presence of a scalar is only visible through it.
template <class T>
bool has_field(const T* table, flatbuffers::voffset_t field)
{
    return table != nullptr && reinterpret_cast<const flatbuffers::Table*>(table)->CheckField(field);
}

client::Request request(const std::string& name, std::uint8_t type = 0,
                        std::optional<client::DeviceNames> config = std::nullopt)
{
    client::Request request;
    request.name = name;
    request.type = type;
    request.config = std::move(config);
    return request;
}

std::unique_ptr<QevClient> connect()
{
    client::ClientOptions options;
    // The first start of the server in a prefix can take many seconds under Wine.
    options.connect_timeout = kLogTimeout;
    return std::make_unique<QevClient>(options);
}

// The server still serves this client: a GetInfo round trip with the right answer.
void expect_still_answering(QevClient& client)
{
    const auto info = client.get_info();
    EXPECT_EQ(info.result, 0u);
    EXPECT_EQ(info.info, (std::array<std::uint32_t, 4>{1, 601, 2777, 0}));
}

// Two clients at once, the first one shared by two threads: each call gets its own reply (a reply of
// the other function fails the call with RpcError). A closed client is seen and the rest served on.
TEST(ApiE2e, RepliesMalformedRequestsSeveralClientsAtOnceAndQevctl)
{
    LogWatcher log;
    ASSERT_TRUE(log.start());
    ServerProcess server;
    ASSERT_TRUE(server.start());
    auto first = connect();
    auto second = connect();
    EXPECT_TRUE(log.wait_for_line(server.pid(), "[qev] Connection was successful.\n", kLogTimeout));
    // The bytes of the replies as clients decode them: the name echoed, results, and zero values omitted.
    std::deque<Bytes> kept;
    const auto raw = [&](const client::Request& sent) {
        const auto reply = first->send_raw(client::encode_request(sent), kLogTimeout);
        EXPECT_TRUE(reply.has_value()) << sent.name;
        kept.push_back(reply.value_or(Bytes{}));
        flatbuffers::Verifier verifier(kept.back().data(), kept.back().size());
        return wire::VerifyIpcMessageBuffer(verifier) ? wire::GetIpcMessage(kept.back().data()) : nullptr;
    };
    const auto* info = raw(request(fn::kGetInfo));
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->name()->str(), "QevIntfGetInfo");
    EXPECT_EQ((std::array{info->info()->info0(), info->info()->info1(), info->info()->info2(), info->info()->info3()}),
              (std::array<std::uint32_t, 4>{1, 601, 2777, 0}));
    EXPECT_FALSE(has_field(info, wire::IpcMessage::VT_RESULT));
    const auto* unknown_type = raw(request(fn::kEnum, 3));
    ASSERT_NE(unknown_type, nullptr);
    EXPECT_EQ(unknown_type->name()->str(), "QevIntfEnum");
    EXPECT_EQ(unknown_type->result(), 5u);
    ASSERT_NE(unknown_type->enum_result(), nullptr);
    EXPECT_FALSE(has_field(unknown_type->enum_result(), wire::EnumResult::VT_COUNT));
    ASSERT_NE(unknown_type->enum_result()->names(), nullptr);
    EXPECT_EQ(unknown_type->enum_result()->names()->size(), 0u);
    const auto* not_created = raw(request(fn::kCreate, 0, client::DeviceNames{"No Such Endpoint 7f3c", ""}));
    ASSERT_NE(not_created, nullptr);
    EXPECT_EQ(not_created->result(), 1u);
    EXPECT_FALSE(has_field(not_created, wire::IpcMessage::VT_HANDLE));

    // Handle zero and handles nobody created.
    EXPECT_EQ(first->start(0), 3u);
    EXPECT_EQ(first->stop(123456), 3u);
    const auto status = first->get_status(99);
    EXPECT_EQ(status.result, 3u);
    EXPECT_EQ(status.status, 0);
    const auto got = first->get(77, "nr_level");
    EXPECT_EQ(std::tie(got.result, got.name, got.value), std::make_tuple(3u, "nr_level", 0.0f));
    // Unknown or missing names, random bytes, empty and cut messages get no reply; the client is served on.
    flatbuffers::FlatBufferBuilder builder;
    wire::IpcMessageBuilder nameless(builder);
    nameless.add_handle(1);
    nameless.add_type(2);
    builder.Finish(nameless.Finish());
    const Bytes whole = client::encode_request(request(fn::kGetInfo));
    std::vector<Bytes> requests = {client::encode_request(request("QevIntfFrobnicate")),
                                   // Only the server sends this one.
                                   client::encode_request(request(fn::kNotify)),
                                   Bytes(builder.GetBufferPointer(), builder.GetBufferPointer() + builder.GetSize()),
                                   Bytes{}, Bytes(whole.begin(), whole.begin() + whole.size() / 2)};
    std::mt19937 random(20261206);
    for (const std::size_t size : {1u, 3u, 8u, 64u, 1000u, 70000u}) {
        requests.emplace_back(size);
        for (auto& byte : requests.back()) {
            byte = static_cast<std::uint8_t>(random());
        }
    }
    for (const Bytes& bytes : requests) {
        EXPECT_FALSE(first->send_raw(bytes, 300ms).has_value()) << bytes.size() << " bytes";
    }
    expect_still_answering(*first);
    EXPECT_TRUE(log.wait_for_line(server.pid(), "[qev] Default...\n", kLogTimeout));
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    threads.emplace_back([&] {
        for (int i = 0; i < 40; ++i) {
            wrong += first->enumerate(2).names != kAlgorithms;
        }
    });
    for (QevClient* client : {first.get(), second.get()}) {
        threads.emplace_back([&wrong, client] {
            for (int i = 0; i < 40; ++i) {
                wrong += client->get_status(0).result != 3u;
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(wrong.load(), 0);
    first.reset();
    EXPECT_TRUE(log.wait_for_text(server.pid(), "Error occurred while reading data from IPC channel: ", kLogTimeout));
    expect_still_answering(*second);
    expect_still_answering(*connect());

    // qevctl prints the replies and explains failures with its exit code.
    const struct {
        const wchar_t* arguments;
        DWORD exit_code;
        const char* out;
        const char* err;  // or, with no server, a part of it
    } rows[] = {
        {L"info , enum algorithms", 0,
         "info: 1 601 2777 0\ncount: 10\ndmvp\neuphonic_mic\ngeneral\nlisten\nlistening_normalization\n"
         "nb_as_speakerphone\nprivate\nshotgun_bf\nvpnr\nwhisper\n",
         ""},
        // Stopped before "info".
        {L"create --primary \"No Such Endpoint 7f3c\" , info", 1, "", "QevIntfCreate: result 1 (not carried out)\n"},
        {L"enum 3", 1, "", "QevIntfEnum: result 5 (unknown enumeration type)\n"},
        {L"status 4242", 1, "", "QevIntfGetStatus: result 3 (invalid argument)\n"},
        {L"start last", 2, "", "qevctl: \"last\" used before a successful create\n"},
        {nullptr, 3, "", "cannot open"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.err);
        if (row.arguments == nullptr) {
            server.terminate();
        }
        // The first start of the server in a prefix can take many seconds under Wine.
        const auto run = run_captured(
            build_file(L"client/qevctl.exe"),
            row.arguments ? L"--connect-timeout 30000 " + std::wstring(row.arguments) : L"--connect-timeout 500 info",
            60s);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exit_code, row.exit_code);
        EXPECT_EQ(run.out, row.out);
        if (row.arguments) {
            EXPECT_EQ(run.err, row.err);
        } else {
            EXPECT_NE(run.err.find(row.err), std::string::npos) << run.err;
        }
    }
}

}  // namespace
}  // namespace qev::e2e
