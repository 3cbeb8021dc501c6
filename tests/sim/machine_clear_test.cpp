// qevsim clear and a second load take away every key a machine created, and only those.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <cwchar>

#include "sim_test_support.h"

namespace qevsim::test {
namespace {

constexpr wchar_t kVersionKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
constexpr wchar_t kKeptKey[] = L"SOFTWARE\\qevClearTestKept";
constexpr wchar_t kApoDevice[] =
    L"SYSTEM\\CurrentControlSet\\Enum\\SWD\\QEVCLEARTEST\\{fc6d7d4e-5d4b-4cf6-ac04-7a585769b45f}#qevClearApo&1&0";
constexpr wchar_t kDriverFx[] =
    L"SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\{6994ad04-93ef-11d0-a3cc-00a0c9223196}\\"
    L"##?#qevcleartest#func_01#1&0#{6994ad04-93ef-11d0-a3cc-00a0c9223196}";
constexpr wchar_t kProductA[] = L"SYSTEM\\CurrentControlSet\\Control\\qevClearTestA";
constexpr wchar_t kProductB[] = L"SYSTEM\\CurrentControlSet\\Control\\qevClearTestB";
constexpr wchar_t kUserKey[] = L"Software\\qevClearTest";

// The machine writes into pre-existing keys (the version key, kKeptKey) and creates device,
// driver FX, product and per-user keys.
const char* kMachineA = R"(Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows NT\CurrentVersion]
"CurrentBuildNumber"="22631"

[HKEY_LOCAL_MACHINE\SOFTWARE\qevClearTestKept]
"Theirs"="from the machine"

[HKEY_LOCAL_MACHINE\SOFTWARE\qevClearTestKept\Added\Deeper]
"x"=dword:00000001

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\SWD\QEVCLEARTEST\{fc6d7d4e-5d4b-4cf6-ac04-7a585769b45f}#qevClearApo&1&0]
"ClassGUID"="{5989fce8-9cd0-467d-8a6a-5419e31529d4}"
"HardwareID"=multi:"SWC\\VEN_QEV&CID_APO"

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Enum\SWD\QEVCLEARTEST\{fc6d7d4e-5d4b-4cf6-ac04-7a585769b45f}#qevClearApo&1&0\Properties\{a8b865dd-2e3d-4094-ad97-e593a70c75d6}\0003]
@=hex(ffff0012):31,00,00,00

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\DeviceClasses\{6994ad04-93ef-11d0-a3cc-00a0c9223196}\##?#qevcleartest#func_01#1&0#{6994ad04-93ef-11d0-a3cc-00a0c9223196}\#Topo\Device Parameters\FX\0]
"{d04e05a6-594b-4fb6-a80d-01af5eed7d1d},14"=multi:"{3e6a5f7b-8c9d-4eaf-b1c2-d3e4f5a6b7c8}"

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\qevClearTestA]
"excluded_topology"=multi:"stereomix[0-9]*"

[HKEY_CURRENT_USER\Software\qevClearTest\Settings]
"a"=dword:00000001

[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\MMDevices\Audio\Render\{22222222-0000-4000-8000-000000000001}]
"DeviceState"=dword:00000001
)";

const char* kMachineB = R"(Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\qevClearTestB]
"excluded_topology"=multi:"rtstereomixwave"
)";

std::wstring machinesDirectory()
{
    // The source tree's Unix path, seen through Wine's Z: drive.
    const std::string unixPath = QEVSIM_MACHINES_DIR;
    std::wstring path = L"Z:";
    for (const char c : unixPath) {
        path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
    }
    return path;
}

class MachineClearTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(runQevsim({L"clear"}).exitCode, 0u);
        const wchar_t mine[] = L"before the load";
        ASSERT_EQ(rawWrite(kKeptKey, L"Mine", REG_SZ, mine, sizeof(mine)), ERROR_SUCCESS);
    }

    void TearDown() override
    {
        runQevsim({L"clear"});
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kKeptKey);
    }
};

TEST_F(MachineClearTest, ASecondLoadAndClearRemoveOnlyTheKeysTheLoadCreated)
{
    ASSERT_NO_FATAL_FAILURE(loadMachineText(kMachineA));
    for (const wchar_t* made : {kDriverFx, kProductA, L"SOFTWARE\\qevClearTestKept\\Added\\Deeper"}) {
        ASSERT_TRUE(keyPresent(HKEY_LOCAL_MACHINE, made));
    }
    ASSERT_TRUE(keyPresent(HKEY_LOCAL_MACHINE, std::wstring(kApoDevice) + L"\\Properties"));
    ASSERT_TRUE(keyPresent(HKEY_CURRENT_USER, kUserKey));
    const DWORD one = 1;
    ASSERT_EQ(rawWrite(std::wstring(kKeptKey) + L"\\Later", L"v", REG_DWORD, &one, sizeof(one)), ERROR_SUCCESS);

    ASSERT_NO_FATAL_FAILURE(loadMachineText(kMachineB));
    // Created by the first load: gone, up to the first key that was there before.
    for (const wchar_t* gone : {kApoDevice, L"SYSTEM\\CurrentControlSet\\Enum\\SWD\\QEVCLEARTEST", kDriverFx, kProductA,
                                L"SOFTWARE\\qevClearTestKept\\Added",
                                L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\MMDevices\\Audio\\Render\\{22222222-"
                                L"0000-4000-8000-000000000001}"}) {
        EXPECT_FALSE(keyPresent(HKEY_LOCAL_MACHINE, gone)) << std::string(gone, gone + wcslen(gone));
    }
    EXPECT_FALSE(keyPresent(HKEY_CURRENT_USER, kUserKey));
    // There before (values the machine wrote into them too), made later, or the simulator's own roots.
    for (const wchar_t* kept : {L"SYSTEM\\CurrentControlSet\\Control", L"SYSTEM\\CurrentControlSet\\Enum",
                                L"SOFTWARE\\qevClearTestKept\\Later", L"SOFTWARE\\qevsim\\Sessions",
                                L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\MMDevices\\Audio\\Render"}) {
        EXPECT_TRUE(keyPresent(HKEY_LOCAL_MACHINE, kept)) << std::string(kept, kept + wcslen(kept));
    }
    EXPECT_EQ(rawString(rawRead(kVersionKey, L"CurrentBuildNumber")), L"22631");
    EXPECT_EQ(rawString(rawRead(kKeptKey, L"Mine")), L"before the load");
    EXPECT_EQ(rawString(rawRead(kKeptKey, L"Theirs")), L"from the machine");
    ASSERT_TRUE(keyPresent(HKEY_LOCAL_MACHINE, kProductB));
    // The second machine's record replaced the first: clearing now removes B as well.
    mustRunQevsim({L"clear"});
    EXPECT_FALSE(keyPresent(HKEY_LOCAL_MACHINE, kProductB));
    EXPECT_TRUE(keyPresent(HKEY_LOCAL_MACHINE, kKeptKey));
}

TEST_F(MachineClearTest, DefaultMachineLeavesNoDevicesDriverKeysProductKeyOrFiles)
{
    const std::wstring apo =
        L"SYSTEM\\CurrentControlSet\\Enum\\SWD\\DRIVERENUM\\{fc6d7d4e-5d4b-4cf6-ac04-7a585769b45f}#vestaRionAPO&1&"
        L"2f1a3b7c&0";
    const std::wstring service =
        L"SYSTEM\\CurrentControlSet\\Enum\\SWD\\DRIVERENUM\\{5c4c3332-344d-483c-8739-259e934c9cc8}#vestaRionService&1&"
        L"2f1a3b7c&0";
    const std::wstring codecFx =
        L"SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\{6994ad04-93ef-11d0-a3cc-00a0c9223196}\\"
        L"##?#intelaudio#func_01&ven_14f1&dev_1f86&subsys_17aa22e6&rev_1000#5&2f1a3b7c&0&0001#"
        L"{6994ad04-93ef-11d0-a3cc-00a0c9223196}";
    const std::wstring product = L"SYSTEM\\CurrentControlSet\\Control\\vestaRion";
    const std::wstring inf =
        L"C:\\Windows\\System32\\DriverStore\\FileRepository\\"
        L"vestarionapo.inf_amd64_3f2a1b0c9d8e7f60\\vestarionapo.inf";
    const bool enumSwdBefore = keyPresent(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Enum\\SWD");

    ASSERT_NO_FATAL_FAILURE(mustRunQevsim({L"load", machinesDirectory() + L"\\default.reg"}));
    for (const std::wstring& made : {apo, service, codecFx + L"\\#SpeakerTopo\\Device Parameters\\FX\\0", product}) {
        ASSERT_TRUE(keyPresent(HKEY_LOCAL_MACHINE, made)) << std::string(made.begin(), made.end());
    }
    ASSERT_NE(::GetFileAttributesW(inf.c_str()), INVALID_FILE_ATTRIBUTES);

    ASSERT_NO_FATAL_FAILURE(mustRunQevsim({L"clear"}));
    for (const std::wstring& made : {apo, service, codecFx, product}) {
        EXPECT_FALSE(keyPresent(HKEY_LOCAL_MACHINE, made)) << std::string(made.begin(), made.end());
    }
    EXPECT_EQ(keyPresent(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Enum\\SWD"), enumSwdBefore);
    EXPECT_EQ(::GetFileAttributesW(inf.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(keyPresent(HKEY_LOCAL_MACHINE, kVersionKey));
    EXPECT_EQ(rawString(rawRead(kVersionKey, L"CurrentBuildNumber")), L"22631");
}

// Another process changing the machine while clear walks it (a watcher's client, a second
// qevsim): keys vanish and appear under clear's feet. Clear still succeeds every time.
TEST_F(MachineClearTest, ClearSucceedsWhileTheMachineChangesUnderIt)
{
    const std::wstring churnRoot = L"SOFTWARE\\qevsim\\Churn";
    const std::wstring churnEndpoint =
        L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\MMDevices\\Audio\\Render\\{44444444-0000-4000-8000-"
        L"000000000001}";
    std::atomic<bool> stop{false};
    std::thread churn([&] {
        for (DWORD round = 0; !stop && round < 100000; ++round) {
            for (const std::wstring& top : {churnRoot, churnEndpoint}) {
                for (const wchar_t* leaf : {L"\\a\\b\\c", L"\\a\\d", L"\\Properties"}) {
                    rawWrite(top + leaf, L"v", REG_DWORD, &round, sizeof(round));
                }
            }
            ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, churnRoot.c_str());
            ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, churnEndpoint.c_str());
            std::this_thread::sleep_for(std::chrono::milliseconds(round % 4 == 0 ? 1 : 0));
        }
    });
    int failures = 0;
    std::string firstFailure;
    for (int run = 0; run < 15; ++run) {
        const ToolResult cleared = runQevsim({L"clear"});
        if (cleared.exitCode != 0 && failures++ == 0) {
            firstFailure = "exit " + std::to_string(cleared.exitCode) + ": " + cleared.output;
        }
    }
    stop = true;
    churn.join();
    EXPECT_EQ(failures, 0) << firstFailure;

    const DWORD one = 1;
    ASSERT_EQ(rawWrite(churnRoot + L"\\a", L"v", REG_DWORD, &one, sizeof(one)), ERROR_SUCCESS);
    mustRunQevsim({L"clear"});
    EXPECT_FALSE(keyPresent(HKEY_LOCAL_MACHINE, churnRoot));
}

}  // namespace
}  // namespace qevsim::test
