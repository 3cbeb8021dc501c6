#include "winsys/registry.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "debug_output_capture.h"
#include "key_security_probe.h"
#include "test_registry_key.h"

namespace qev::winsys {
namespace {

using test::KeySecurityProbe;
using test::TestRegistryKey;
using Names = std::vector<std::wstring>;

constexpr wchar_t kAdministrators[] = L"S-1-5-32-544";
constexpr wchar_t kUsers[] = L"S-1-5-32-545";
constexpr BYTE kInheritFlags = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
// Users may read a written key and set its values; no WRITE_DAC, WRITE_OWNER, DELETE or new subkeys.
constexpr ACCESS_MASK kUsersWriteAccess = KEY_READ | KEY_SET_VALUE;

bool process_privilege_enabled(const wchar_t* name)
{
    HANDLE token = nullptr;
    LUID luid{};
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token) || !LookupPrivilegeValueW(nullptr, name, &luid)) {
        return false;
    }
    PRIVILEGE_SET wanted{1, PRIVILEGE_SET_ALL_NECESSARY, {{luid, 0}}};
    BOOL enabled = FALSE;
    const BOOL checked = PrivilegeCheck(token, &wanted, &enabled);
    CloseHandle(token);
    return checked && enabled;
}

bool set_process_privilege(const wchar_t* name, bool enabled)
{
    HANDLE token = nullptr;
    TOKEN_PRIVILEGES privileges{1, {{{}, enabled ? static_cast<DWORD>(SE_PRIVILEGE_ENABLED) : 0}}};
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token) ||
        !LookupPrivilegeValueW(nullptr, name, &privileges.Privileges[0].Luid)) {
        return false;
    }
    const bool adjusted =
        AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr) && GetLastError() == ERROR_SUCCESS;
    CloseHandle(token);
    return adjusted;
}

TEST(RegistryWriteString, TypeFollowsKnownVariablesAndTextRoundTrips)
{
    struct Row {
        const wchar_t* text;
        DWORD type;
    };
    const Row rows[] = {{L"%ProgramData%\\x", REG_EXPAND_SZ},
                        {L"%programdata%\\x", REG_EXPAND_SZ},
                        {L"%NoSuchVariable%\\x", REG_SZ},
                        {L"50%", REG_SZ},
                        {L"", REG_SZ}};
    TestRegistryKey key(L"types");
    for (const Row& row : rows) {
        ASSERT_TRUE(write_string(key.subkey(), L"v", row.text));
        EXPECT_EQ(key.type_of(L"v"), row.type) << row.text;
        std::wstring text = L"unchanged";
        ASSERT_TRUE(read_string(HKEY_LOCAL_MACHINE, key.subkey(), L"v", text));
        EXPECT_EQ(text, row.text);
    }
    // Stored with exactly one terminator.
    ASSERT_TRUE(write_string(key.subkey(), L"v", L"abc"));
    DWORD bytes = 0;
    ASSERT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, key.subkey().c_str(), L"v", RRF_RT_REG_SZ, nullptr, nullptr, &bytes),
              ERROR_SUCCESS);
    EXPECT_EQ(bytes, 4 * sizeof(wchar_t));
}

TEST(RegistryWriteString, MissingKeyIsCreatedWithWholePath)
{
    TestRegistryKey key(L"deep");
    ASSERT_TRUE(write_string(key.child(L"a\\b\\c"), L"v", L"deep value"));
    std::wstring text;
    ASSERT_TRUE(read_string(HKEY_LOCAL_MACHINE, key.child(L"a\\b\\c"), L"v", text));
    EXPECT_EQ(text, L"deep value");
}

TEST(RegistryWriteString, ExistingKeyIsOwnedByAdministratorsAndOpenedUp)
{
    TestRegistryKey key(L"repair");
    ASSERT_TRUE(key.create());
    KeySecurityProbe probe(key.subkey());
    ASSERT_TRUE(probe.apply(L"O:BUD:(A;;KR;;;WD)"));
    ASSERT_FALSE(probe.allows(kAdministrators, KEY_ALL_ACCESS, kInheritFlags));
    ASSERT_TRUE(write_string(key.subkey(), L"v", L"x"));
    EXPECT_EQ(probe.owner(), kAdministrators);
    EXPECT_TRUE(probe.allows(kAdministrators, KEY_ALL_ACCESS, kInheritFlags));
    // Users may read and set values, but not take the key over, change its DACL or delete it.
    EXPECT_TRUE(probe.allows(kUsers, kUsersWriteAccess, kInheritFlags));
    EXPECT_EQ(probe.granted(kUsers), kUsersWriteAccess);
    // Merged into the existing DACL, not replacing it.
    EXPECT_TRUE(probe.allows(L"S-1-1-0", KEY_READ, 0));
}

TEST(RegistrySecurity, TakeOwnershipAndMakeWritableOnTheirOwn)
{
    TestRegistryKey key(L"security");
    ASSERT_TRUE(key.create());
    KeySecurityProbe probe(key.subkey());
    ASSERT_TRUE(probe.apply(L"O:BUD:(A;;KR;;;WD)"));
    ASSERT_TRUE(take_ownership(key.subkey()));
    EXPECT_EQ(probe.owner(), kAdministrators);
    EXPECT_EQ(probe.granted(kUsers), 0u);
    ASSERT_TRUE(make_writable(key.subkey()));
    EXPECT_EQ(probe.granted(kUsers), kUsersWriteAccess);
}

TEST(RegistrySecurity, MissingKeyAndHiveRootFailAndChangeNothing)
{
    TestRegistryKey key(L"nosecurity");
    EXPECT_FALSE(take_ownership(key.subkey()));
    EXPECT_FALSE(make_writable(key.subkey()));
    EXPECT_FALSE(key.exists());

    const KeySecurityProbe root(L"");
    const std::wstring owner = root.owner();
    EXPECT_FALSE(take_ownership(L""));
    EXPECT_FALSE(make_writable(L""));
    EXPECT_FALSE(write_string(L"", L"qevtest_root_value", L"x"));
    EXPECT_NE(RegGetValueW(HKEY_LOCAL_MACHINE, nullptr, L"qevtest_root_value", RRF_RT_ANY, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(root.owner(), owner);
}

// Keys created below a system key: the system key keeps its owner and DACL, a created key is repaired
// only once it is written again, and then Users get no more than reading and setting values.
TEST(RegistryWriteString, WritesBelowMissingKeysLeaveTheSystemKeyAsItWas)
{
    const std::wstring tag = std::to_wstring(GetCurrentProcessId());
    const struct {
        const wchar_t* system_key;
        std::wstring created;
        std::wstring written;
    } rows[] = {
        {L"SYSTEM\\CurrentControlSet\\Control", L"qevtest_" + tag, L"qevtest_" + tag + L"\\a\\b"},
        {L"SOFTWARE\\Classes\\CLSID", L"{0E5A1D11-0000-4B8E-9A11-" + std::wstring(12 - tag.size(), L'0') + tag + L"}",
         L"{0E5A1D11-0000-4B8E-9A11-" + std::wstring(12 - tag.size(), L'0') + tag + L"}\\InProcServer32"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << std::string(row.written.begin(), row.written.end()));
        const std::wstring created = std::wstring(row.system_key) + L"\\" + row.created;
        const std::wstring written = std::wstring(row.system_key) + L"\\" + row.written;
        const KeySecurityProbe system_key(row.system_key);
        const std::wstring before = system_key.text();
        ASSERT_NE(before, L"<unreadable>");
        EXPECT_TRUE(write_string(written, L"", L"first"));
        EXPECT_TRUE(write_string(written, L"", L"second"));
        EXPECT_EQ(system_key.text(), before);
        const KeySecurityProbe written_key(written);
        EXPECT_EQ(written_key.owner(), kAdministrators);
        EXPECT_EQ(written_key.granted(kAdministrators) & KEY_ALL_ACCESS, static_cast<ACCESS_MASK>(KEY_ALL_ACCESS));
        EXPECT_EQ(written_key.granted(kUsers), kUsersWriteAccess);
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, created.c_str());
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, created.c_str());
    }
}

// The process token's privilege state before the calls, by row; the calls run on several threads.
TEST(RegistrySecurity, ConcurrentOwnershipChangesLeaveTheProcessPrivilegeAsItWas)
{
    constexpr int kThreads = 6;
    constexpr int kRounds = 40;
    const bool original = process_privilege_enabled(SE_TAKE_OWNERSHIP_NAME);
    std::vector<std::unique_ptr<TestRegistryKey>> keys;
    for (int i = 0; i < kThreads; ++i) {
        keys.push_back(std::make_unique<TestRegistryKey>(L"owner" + std::to_wstring(i)));
        ASSERT_TRUE(keys.back()->create());
    }
    for (const bool enabled_before : {true, false}) {
        SCOPED_TRACE(enabled_before ? "enabled before" : "disabled before");
        ASSERT_TRUE(set_process_privilege(SE_TAKE_OWNERSHIP_NAME, enabled_before));
        std::atomic<int> failures{0};
        std::vector<std::thread> threads;
        for (int i = 0; i < kThreads; ++i) {
            threads.emplace_back([&, i] {
                for (int round = 0; round < kRounds; ++round) {
                    failures += take_ownership(keys[i]->subkey()) ? 0 : 1;
                }
            });
        }
        for (std::thread& thread : threads) {
            thread.join();
        }
        EXPECT_EQ(failures.load(), 0);
        EXPECT_EQ(process_privilege_enabled(SE_TAKE_OWNERSHIP_NAME), enabled_before);
    }
    set_process_privilege(SE_TAKE_OWNERSHIP_NAME, original);
}

TEST(RegistryWriteDword, StoresUnderOwnSettingsKey)
{
    HKEY probe = nullptr;
    const bool existed = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kOwnSettingsSubkey, 0, KEY_READ, &probe) == ERROR_SUCCESS;
    if (existed) {
        RegCloseKey(probe);
    }
    const std::wstring name = L"qevtest_" + std::to_wstring(GetCurrentProcessId());
    DWORD value = 0;
    // The second write goes through the repair path of an existing key.
    for (const DWORD written : {0xDEADBEEFu, 7u}) {
        ASSERT_TRUE(write_dword(name, written));
        ASSERT_TRUE(read_dword(HKEY_LOCAL_MACHINE, kOwnSettingsSubkey, name, value));
        EXPECT_EQ(value, written);
    }
    EXPECT_EQ(std::wstring(kOwnSettingsKey), L"HKEY_LOCAL_MACHINE\\" + std::wstring(kOwnSettingsSubkey));
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kOwnSettingsSubkey, name.c_str());
    if (!existed) {
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, kOwnSettingsSubkey);
    }
}

class RegistryRead : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(key_.create());
        ASSERT_TRUE(key_.set_string(L"sz", L"plain"));
        ASSERT_TRUE(key_.set_string(L"expand", L"%SystemRoot%\\x", REG_EXPAND_SZ));
        ASSERT_TRUE(key_.set_dword(L"dword", 42));
        const wchar_t list[] = L"one\0two\0three\0";
        ASSERT_TRUE(key_.set(L"multi", REG_MULTI_SZ, list, sizeof(list)));
        const wchar_t empty_list[] = L"\0";
        ASSERT_TRUE(key_.set(L"emptymulti", REG_MULTI_SZ, empty_list, sizeof(empty_list)));
        const BYTE binary[] = {1, 2, 3};
        ASSERT_TRUE(key_.set(L"binary", REG_BINARY, binary, sizeof(binary)));
    }

    TestRegistryKey key_{L"read"};
};

TEST_F(RegistryRead, StringFailuresLeaveOutputUnchanged)
{
    std::wstring text;
    ASSERT_TRUE(read_string(HKEY_LOCAL_MACHINE, key_.subkey(), L"expand", text));
    EXPECT_EQ(text, L"%SystemRoot%\\x");
    text = L"unchanged";
    EXPECT_FALSE(read_string(HKEY_LOCAL_MACHINE, key_.subkey(), L"dword", text));
    EXPECT_FALSE(read_string(HKEY_LOCAL_MACHINE, key_.subkey(), L"missing", text));
    EXPECT_FALSE(read_string(HKEY_LOCAL_MACHINE, key_.child(L"nokey"), L"sz", text));
    EXPECT_EQ(text, L"unchanged");
}

TEST_F(RegistryRead, MultiStringSplitsAtNul)
{
    Names list;
    ASSERT_TRUE(read_multi_string(HKEY_LOCAL_MACHINE, key_.subkey(), L"multi", list));
    EXPECT_EQ(list, (Names{L"one", L"two", L"three"}));
    ASSERT_TRUE(read_multi_string(HKEY_LOCAL_MACHINE, key_.subkey(), L"emptymulti", list));
    EXPECT_TRUE(list.empty());
    list = {L"unchanged"};
    EXPECT_FALSE(read_multi_string(HKEY_LOCAL_MACHINE, key_.subkey(), L"sz", list));
    EXPECT_EQ(list, Names{L"unchanged"});
}

TEST_F(RegistryRead, DwordIsZeroOnFailure)
{
    DWORD value = 0;
    ASSERT_TRUE(read_dword(HKEY_LOCAL_MACHINE, key_.subkey(), L"dword", value));
    EXPECT_EQ(value, 42u);
    for (const wchar_t* name : {L"sz", L"missing"}) {
        value = 99;
        EXPECT_FALSE(read_dword(HKEY_LOCAL_MACHINE, key_.subkey(), name, value));
        EXPECT_EQ(value, 0u) << name;
    }
}

TEST_F(RegistryRead, ValueReportsTypeAndAlternative)
{
    struct Row {
        const wchar_t* name;
        DWORD type;
        RegistryValue expected;
    };
    const Row rows[] = {{L"sz", REG_SZ, std::wstring(L"plain")},
                        {L"expand", REG_EXPAND_SZ, std::wstring(L"%SystemRoot%\\x")},
                        {L"dword", REG_DWORD, DWORD{42}},
                        {L"multi", REG_MULTI_SZ, Names{L"one", L"two", L"three"}}};
    for (const Row& row : rows) {
        DWORD type = 0;
        RegistryValue value;
        ASSERT_TRUE(read_value(HKEY_LOCAL_MACHINE, key_.subkey(), row.name, type, value)) << row.name;
        EXPECT_EQ(type, row.type) << row.name;
        EXPECT_TRUE(value == row.expected) << row.name;
    }
}

TEST_F(RegistryRead, BinaryIsRejectedWithLogLineAndMissingSilently)
{
    DebugOutputCapture capture;
    DWORD type = 77;
    RegistryValue value = DWORD{5};
    EXPECT_FALSE(read_value(HKEY_LOCAL_MACHINE, key_.subkey(), L"missing", type, value));
    EXPECT_TRUE(capture.lines().empty());
    EXPECT_FALSE(read_value(HKEY_LOCAL_MACHINE, key_.subkey(), L"binary", type, value));
    EXPECT_TRUE(capture.contains(L"[qev] Registry type is 3 and is not supported by this API.\n"));
    EXPECT_EQ(type, 77u);
    EXPECT_EQ(std::get<DWORD>(value), 5u);
}

TEST(RegistryKeys, CreateKeyJoinsWithSingleBackslashAndNeedsParent)
{
    TestRegistryKey key(L"create");
    EXPECT_FALSE(create_key(key.subkey(), L"child"));
    EXPECT_FALSE(key.exists());
    ASSERT_TRUE(key.create());
    const KeySecurityProbe parent(key.subkey());
    ASSERT_TRUE(parent.apply(L"O:BUD:(A;CI;KA;;;BA)(A;CI;KA;;;SY)(A;CI;KR;;;BU)"));
    const std::wstring before = parent.text();
    ASSERT_TRUE(create_key(key.subkey(), L"child"));
    ASSERT_TRUE(create_key(key.subkey() + L"\\", L"other"));
    EXPECT_TRUE(key.exists(L"child"));
    EXPECT_TRUE(key.exists(L"other"));
    EXPECT_EQ(parent.text(), before) << "the parent is not the key being written";
}

TEST(RegistryKeys, CreateKeyPathCreatesEveryMissingLevel)
{
    TestRegistryKey key(L"path");
    ASSERT_TRUE(create_key_path(key.child(L"one\\two\\three")));
    EXPECT_TRUE(key.exists(L"one\\two\\three"));
    // Existing levels keep their values.
    ASSERT_TRUE(key.set_dword(L"keep", 1));
    ASSERT_TRUE(create_key_path(key.child(L"one\\four")));
    EXPECT_TRUE(key.exists(L"one\\four"));
    EXPECT_EQ(key.type_of(L"keep"), static_cast<DWORD>(REG_DWORD));
    EXPECT_FALSE(create_key_path(L""));
}

TEST(RegistryKeys, EnumeratesSubkeysAndValues)
{
    TestRegistryKey key(L"enum");
    ASSERT_TRUE(key.create(L"alpha\\nested"));
    ASSERT_TRUE(key.create(L"beta"));
    ASSERT_TRUE(key.set_dword(L"first", 1));
    ASSERT_TRUE(key.set_string(L"second", L"2"));
    Names names;
    ASSERT_TRUE(enum_subkeys(HKEY_LOCAL_MACHINE, key.subkey(), names));
    EXPECT_EQ(names, (Names{L"alpha", L"beta"}));
    ASSERT_TRUE(enum_values(key.subkey(), names));
    EXPECT_EQ(names, (Names{L"first", L"second"}));
    ASSERT_TRUE(enum_subkeys(HKEY_LOCAL_MACHINE, key.child(L"beta"), names));
    EXPECT_TRUE(names.empty());
    names = {L"unchanged"};
    EXPECT_FALSE(enum_subkeys(HKEY_LOCAL_MACHINE, key.child(L"missing"), names));
    EXPECT_FALSE(enum_values(key.child(L"missing"), names));
    EXPECT_EQ(names, Names{L"unchanged"});
}

TEST(RegistryKeys, RootNamesMatchIgnoringCase)
{
    const std::pair<const wchar_t*, HKEY> rows[] = {{L"hkey_local_machine", HKEY_LOCAL_MACHINE},
                                                    {L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
                                                    {L"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
                                                    {L"Hkey_Current_User", HKEY_CURRENT_USER},
                                                    {L"HKEY_USERS", HKEY_USERS},
                                                    {L"HKLM", nullptr},
                                                    {L"", nullptr},
                                                    {L"HKEY_LOCAL_MACHINE\\", nullptr}};
    for (const auto& [name, root] : rows) {
        EXPECT_EQ(root_key_from_name(name), root) << name;
    }
}

}  // namespace
}  // namespace qev::winsys
