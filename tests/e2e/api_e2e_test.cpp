// The API as a client sees it, against the real server: replies, malformed requests, several clients.
#include "e2e_harness.h"

#include "rpc/wire_constants.h"
#include "client/qev_client.h"
#include "client/request_encoder.h"
#include "client/rpc_error.h"
#include "ipc_message_generated.h"

#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>

namespace qev::e2e {
namespace {

namespace fn = wire::function_name;

using namespace std::chrono_literals;
using client::QevClient;
using Bytes = std::vector<std::uint8_t>;

constexpr auto kNoReplyWait = 1500ms;

// The catalogue's algorithms in the order clients see them, written out independently of src/datapath.
const std::vector<std::string> kAlgorithms = {
    "dmvp",    "euphonic_mic", "general", "listen", "listening_normalization", "nb_as_speakerphone",
    "private", "shotgun_bf",   "vpnr",    "whisper"};

const wire::IpcMessage* verified(const Bytes& bytes)
{
    flatbuffers::Verifier verifier(bytes.data(), bytes.size());
    return wire::VerifyIpcMessageBuffer(verifier) ? wire::GetIpcMessage(bytes.data()) : nullptr;
}

// The generated tables hide their Table base; presence of a scalar is only visible through it.
template <class T>
bool has_field(const T& table, flatbuffers::voffset_t field)
{
    return reinterpret_cast<const flatbuffers::Table*>(&table)->CheckField(field);
}

Bytes request_named(const std::string& name)
{
    client::Request request;
    request.name = name;
    return client::encode_request(request);
}

class ApiE2e : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(log_.start());
        ASSERT_TRUE(server_.start());
    }

    std::unique_ptr<QevClient> connect(client::EventHandler on_event = {})
    {
        client::ClientOptions options;
        // The first start of the server in a prefix can take many seconds under Wine.
        options.connect_timeout = kLogTimeout;
        options.on_event = std::move(on_event);
        return std::make_unique<QevClient>(options);
    }

    // The server still serves this client: a GetInfo round trip with the right answer.
    static void expect_still_answering(QevClient& client)
    {
        const auto info = client.get_info();
        EXPECT_EQ(info.result, 0u);
        EXPECT_EQ(info.info, (std::array<std::uint32_t, 4>{1, 601, 2777, 0}));
    }

    LogWatcher log_;
    ServerProcess server_;
};

TEST_F(ApiE2e, GetInfoAnswersItsFourValuesAndEchoesTheName)
{
    auto client = connect();
    const auto reply = client->send_raw(request_named(fn::kGetInfo), kLogTimeout);
    ASSERT_TRUE(reply.has_value());
    const auto* message = verified(*reply);
    ASSERT_NE(message, nullptr);
    ASSERT_NE(message->name(), nullptr);
    EXPECT_EQ(message->name()->str(), "QevIntfGetInfo");
    ASSERT_NE(message->info(), nullptr);
    EXPECT_EQ(message->info()->info0(), 1u);
    EXPECT_EQ(message->info()->info1(), 601u);
    EXPECT_EQ(message->info()->info2(), 2777u);
    EXPECT_EQ(message->info()->info3(), 0u);
    EXPECT_FALSE(has_field(*message, wire::IpcMessage::VT_RESULT));
}

TEST_F(ApiE2e, EnumAlgorithmsListsTheTenInCatalogueOrder)
{
    auto client = connect();
    const auto reply = client->enumerate(2);
    EXPECT_EQ(reply.result, 0u);
    EXPECT_EQ(reply.count, 10u);
    EXPECT_EQ(reply.names, kAlgorithms);
}

TEST_F(ApiE2e, EnumOfAnUnknownTypeAnswers5WithNoCountAndNoNames)
{
    auto client = connect();
    client::Request request;
    request.name = fn::kEnum;
    request.type = 3;
    const auto reply = client->send_raw(client::encode_request(request), kLogTimeout);
    ASSERT_TRUE(reply.has_value());
    const auto* message = verified(*reply);
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(message->name()->str(), "QevIntfEnum");
    EXPECT_EQ(message->result(), 5u);
    ASSERT_NE(message->enum_result(), nullptr);
    EXPECT_FALSE(has_field(*message->enum_result(), wire::EnumResult::VT_COUNT));
    ASSERT_NE(message->enum_result()->names(), nullptr);
    EXPECT_EQ(message->enum_result()->names()->size(), 0u);
}

TEST_F(ApiE2e, UnknownFunctionNamesGetNoReply)
{
    auto client = connect();
    EXPECT_FALSE(client->send_raw(request_named("QevIntfFrobnicate"), kNoReplyWait).has_value());
    // Only the server sends this one.
    EXPECT_FALSE(client->send_raw(request_named(fn::kNotify), kNoReplyWait).has_value());
    expect_still_answering(*client);
    EXPECT_TRUE(log_.wait_for_line(server_.pid(), "[qev] Default...\n", kLogTimeout));
}

TEST_F(ApiE2e, RequestWithoutANameGetsNoReply)
{
    auto client = connect();
    flatbuffers::FlatBufferBuilder builder;
    wire::IpcMessageBuilder message(builder);
    message.add_handle(1);
    message.add_type(2);
    builder.Finish(message.Finish());
    const Bytes nameless(builder.GetBufferPointer(), builder.GetBufferPointer() + builder.GetSize());
    EXPECT_FALSE(client->send_raw(nameless, kNoReplyWait).has_value());
    expect_still_answering(*client);
}

TEST_F(ApiE2e, RandomBytesAndEmptyMessagesGetNoReply)
{
    auto client = connect();
    std::mt19937 random(20261206);
    for (const std::size_t size : {1u, 3u, 8u, 64u, 1000u, 70000u}) {
        Bytes noise(size);
        for (auto& byte : noise) {
            byte = static_cast<std::uint8_t>(random());
        }
        EXPECT_FALSE(client->send_raw(noise, 300ms).has_value()) << size << " random bytes";
    }
    EXPECT_FALSE(client->send_raw(Bytes{}, 300ms).has_value());
    // A valid request's bytes cut short.
    const Bytes whole = request_named(fn::kGetInfo);
    EXPECT_FALSE(client->send_raw(Bytes(whole.begin(), whole.begin() + whole.size() / 2), 300ms).has_value());
    expect_still_answering(*client);
    EXPECT_TRUE(server_.running());
}

TEST_F(ApiE2e, TwoClientsAtOnceGetTheirOwnReplies)
{
    auto first = connect();
    auto second = connect();
    std::atomic<int> wrong{0};
    // Each client's calls fail with RpcError if a reply of the other function reaches it.
    std::thread enumerating([&] {
        for (int i = 0; i < 40; ++i) {
            const auto reply = first->enumerate(2);
            wrong += reply.names != kAlgorithms;
        }
    });
    std::thread asking([&] {
        for (int i = 0; i < 40; ++i) {
            const auto reply = second->get_status(0);
            wrong += reply.result != 3u;
        }
    });
    enumerating.join();
    asking.join();
    EXPECT_EQ(wrong.load(), 0);
    expect_still_answering(*first);
    expect_still_answering(*second);
}

TEST_F(ApiE2e, CreateOnAnUnknownEndpointFailsWith1AndNoHandle)
{
    auto client = connect();
    client::Request request;
    request.name = fn::kCreate;
    request.config = client::DeviceNames{"No Such Endpoint 7f3c", ""};
    const auto reply = client->send_raw(client::encode_request(request), kLogTimeout);
    ASSERT_TRUE(reply.has_value());
    const auto* message = verified(*reply);
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(message->result(), 1u);
    EXPECT_FALSE(has_field(*message, wire::IpcMessage::VT_HANDLE));
    EXPECT_TRUE(log_.wait_for_text(server_.pid(), "cannot get device from context", kLogTimeout));
}

TEST_F(ApiE2e, HandleZeroAndUnknownHandlesAnswer3)
{
    auto client = connect();
    EXPECT_EQ(client->start(0), 3u);
    EXPECT_EQ(client->stop(123456), 3u);
    const auto status = client->get_status(99);
    EXPECT_EQ(status.result, 3u);
    EXPECT_EQ(status.status, 0);
    const auto got = client->get(77, "nr_level");
    EXPECT_EQ(got.result, 3u);
    EXPECT_EQ(got.name, "nr_level");
    EXPECT_EQ(got.value, 0.0f);
}

TEST_F(ApiE2e, ClosingTheClientIsSeenByTheServer)
{
    auto client = connect();
    EXPECT_TRUE(log_.wait_for_line(server_.pid(), "[qev] Connection was successful.\n", kLogTimeout));
    client.reset();
    EXPECT_TRUE(log_.wait_for_text(server_.pid(), "Error occurred while reading data from IPC channel: ", kLogTimeout));
    // The server serves the next client.
    auto next = connect();
    expect_still_answering(*next);
}

}  // namespace
}  // namespace qev::e2e
