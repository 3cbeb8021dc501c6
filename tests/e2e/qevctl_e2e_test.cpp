// qevctl against the real server: what it prints and how it exits.
#include "captured_run.h"
#include "e2e_harness.h"

#include <gtest/gtest.h>

#include <future>

namespace qev::e2e {
namespace {

using namespace std::chrono_literals;

constexpr auto kRunTimeout = 60s;

class QevctlE2e : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(log_.start());
        ASSERT_TRUE(server_.start());
    }

    static CapturedRun qevctl(const std::wstring& arguments)
    {
        // The first start of the server in a prefix can take many seconds under Wine.
        return run_captured(build_file(L"client/qevctl.exe"), L"--connect-timeout 30000 " + arguments, kRunTimeout);
    }

    LogWatcher log_;
    ServerProcess server_;
};

TEST_F(QevctlE2e, InfoAndAlgorithmsSucceed)
{
    const auto run = qevctl(L"info , enum algorithms");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exit_code, 0u) << run.err;
    EXPECT_EQ(run.out,
              "info: 1 601 2777 0\ncount: 10\ndmvp\neuphonic_mic\ngeneral\nlisten\nlistening_normalization\n"
              "nb_as_speakerphone\nprivate\nshotgun_bf\nvpnr\nwhisper\n");
    EXPECT_EQ(run.err, "");
}

TEST_F(QevctlE2e, FailedCreatePrintsTheResultMeaningAndExitsNonZero)
{
    const auto run = qevctl(L"create --primary \"No Such Endpoint 7f3c\" , info");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exit_code, 1u);
    EXPECT_EQ(run.err, "QevIntfCreate: result 1 (not carried out)\n");
    EXPECT_EQ(run.out, "");  // stopped before "info"
}

TEST_F(QevctlE2e, UnknownEnumerationTypeAndInvalidHandleAreExplained)
{
    auto run = qevctl(L"enum 3");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exit_code, 1u);
    EXPECT_EQ(run.err, "QevIntfEnum: result 5 (unknown enumeration type)\n");

    run = qevctl(L"status 4242");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exit_code, 1u);
    EXPECT_EQ(run.err, "QevIntfGetStatus: result 3 (invalid argument)\n");
}

TEST_F(QevctlE2e, TwoProcessesConnectingTogetherGetTheirOwnReplies)
{
    std::wstring infos = L"info";
    std::wstring enums = L"enum algorithms";
    std::string expected_infos = "info: 1 601 2777 0\n";
    std::string expected_enums =
        "count: 10\ndmvp\neuphonic_mic\ngeneral\nlisten\nlistening_normalization\n"
        "nb_as_speakerphone\nprivate\nshotgun_bf\nvpnr\nwhisper\n";
    const std::string one_info = expected_infos;
    const std::string one_enum = expected_enums;
    for (int i = 1; i < 25; ++i) {
        infos += L" , info";
        enums += L" , enum algorithms";
        expected_infos += one_info;
        expected_enums += one_enum;
    }
    auto first = std::async(std::launch::async, [&] { return qevctl(infos); });
    auto second = std::async(std::launch::async, [&] { return qevctl(enums); });
    const auto info_run = first.get();
    const auto enum_run = second.get();
    EXPECT_EQ(info_run.exit_code, 0u) << info_run.err;
    EXPECT_EQ(enum_run.exit_code, 0u) << enum_run.err;
    EXPECT_EQ(info_run.out, expected_infos);
    EXPECT_EQ(enum_run.out, expected_enums);
}

TEST_F(QevctlE2e, NoServerMeansATransportErrorExit)
{
    server_.terminate();
    const auto run = run_captured(build_file(L"client/qevctl.exe"), L"--connect-timeout 500 info", kRunTimeout);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exit_code, 3u);
    EXPECT_NE(run.err.find("cannot open"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace qev::e2e
