// qevsim clear and a second load take away every key and file a machine created, and only those:
// the next test program must see no simulated devices, and the prefix keeps its own keys.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cwchar>
#include <string>
#include <thread>

#include "sim_test_support.h"

namespace qevsim::test {
namespace {

constexpr wchar_t kVersionKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
constexpr wchar_t kKeptKey[] = L"SOFTWARE\\qevClearTestKept";
constexpr wchar_t kProduct[] = L"SYSTEM\\CurrentControlSet\\Control\\qevClearTest";
constexpr wchar_t kUserKey[] = L"Software\\qevClearTest";

// Writes into a key that was there before (kKeptKey) and creates product and per-user keys.
const char* kSecondMachine = R"(Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\SOFTWARE\qevClearTestKept]
"Theirs"="from the machine"

[HKEY_LOCAL_MACHINE\SOFTWARE\qevClearTestKept\Added\Deeper]
"x"=dword:00000001

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\qevClearTest]
"excluded_topology"=multi:"rtstereomixwave"

[HKEY_CURRENT_USER\Software\qevClearTest\Settings]
"a"=dword:00000001
)";

std::string narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

TEST(MachineClearTest, ASecondLoadAndClearRemoveOnlyWhatTheLoadCreated)
{
    const std::wstring apo =
        L"SYSTEM\\CurrentControlSet\\Enum\\SWD\\DRIVERENUM\\{fc6d7d4e-5d4b-4cf6-ac04-"
        L"7a585769b45f}#vestaRionAPO&1&2f1a3b7c&0";
    const std::wstring codecFx =
        L"SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\{6994ad04-93ef-11d0-a3cc-00a0c9223196}\\"
        L"##?#intelaudio#func_01&ven_14f1&dev_1f86&subsys_17aa22e6&rev_1000#5&2f1a3b7c&0&0001#"
        L"{6994ad04-93ef-11d0-a3cc-00a0c9223196}";
    const std::wstring product = L"SYSTEM\\CurrentControlSet\\Control\\vestaRion";
    const std::wstring inf =
        L"C:\\Windows\\System32\\DriverStore\\FileRepository\\"
        L"vestarionapo.inf_amd64_3f2a1b0c9d8e7f60\\vestarionapo.inf";
    SimMachine::Must({L"clear"});
    const bool enumSwdBefore = keyPresent(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Enum\\SWD");
    const wchar_t mine[] = L"before the load";
    ASSERT_EQ(rawWrite(kKeptKey, L"Mine", REG_SZ, mine, sizeof(mine)), ERROR_SUCCESS);

    ASSERT_NO_FATAL_FAILURE(SimMachine::Load("default"));
    for (const std::wstring& made : {apo, codecFx + L"\\#SpeakerTopo\\Device Parameters\\FX\\0", product}) {
        ASSERT_TRUE(keyPresent(HKEY_LOCAL_MACHINE, made)) << narrow(made);
    }
    ASSERT_NE(::GetFileAttributesW(inf.c_str()), INVALID_FILE_ATTRIBUTES);

    ASSERT_NO_FATAL_FAILURE(loadMachineText(kSecondMachine));
    // Created by the first load: gone, up to the first key that was there before.
    for (const std::wstring& gone : {apo, codecFx, product}) {
        EXPECT_FALSE(keyPresent(HKEY_LOCAL_MACHINE, gone)) << narrow(gone);
    }
    EXPECT_EQ(keyPresent(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Enum\\SWD"), enumSwdBefore);
    EXPECT_EQ(::GetFileAttributesW(inf.c_str()), INVALID_FILE_ATTRIBUTES);
    ASSERT_TRUE(keyPresent(HKEY_CURRENT_USER, kUserKey));
    const DWORD one = 1;
    ASSERT_EQ(rawWrite(std::wstring(kKeptKey) + L"\\Later", L"v", REG_DWORD, &one, sizeof(one)), ERROR_SUCCESS);

    // The second machine's record replaced the first: clearing now removes its keys as well.
    SimMachine::Must({L"clear"});
    for (const wchar_t* gone : {kProduct, L"SOFTWARE\\qevClearTestKept\\Added"}) {
        EXPECT_FALSE(keyPresent(HKEY_LOCAL_MACHINE, gone)) << narrow(gone);
    }
    EXPECT_FALSE(keyPresent(HKEY_CURRENT_USER, kUserKey));
    // There before (values the machine wrote into them too), made later, or the simulator's own roots.
    for (const wchar_t* kept : {L"SYSTEM\\CurrentControlSet\\Control", L"SYSTEM\\CurrentControlSet\\Enum",
                                L"SOFTWARE\\qevClearTestKept\\Later", L"SOFTWARE\\qevsim\\Sessions",
                                L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\MMDevices\\Audio\\Render"}) {
        EXPECT_TRUE(keyPresent(HKEY_LOCAL_MACHINE, kept)) << narrow(kept);
    }
    EXPECT_EQ(rawString(rawRead(kVersionKey, L"CurrentBuildNumber")), L"22631");
    EXPECT_EQ(rawString(rawRead(kKeptKey, L"Mine")), L"before the load");
    EXPECT_EQ(rawString(rawRead(kKeptKey, L"Theirs")), L"from the machine");
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kKeptKey);
}

// Another process changing the machine while clear walks it (a watcher's client, a second
// qevsim): keys vanish and appear under clear's feet. Clear still succeeds every time.
TEST(MachineClearTest, ClearSucceedsWhileTheMachineChangesUnderIt)
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
    SimMachine::Must({L"clear"});
    EXPECT_FALSE(keyPresent(HKEY_LOCAL_MACHINE, churnRoot));
}

}  // namespace
}  // namespace qevsim::test
