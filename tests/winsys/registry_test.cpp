#include "winsys/registry.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "base/unique_handle.h"
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

// Whether the process token has the privilege enabled, after enabling or disabling it when asked.
bool privilege_enabled(const wchar_t* name, std::optional<bool> change = std::nullopt)
{
    base::UniqueKernelHandle token;
    TOKEN_PRIVILEGES privileges{1, {{{}, change.value_or(false) ? static_cast<DWORD>(SE_PRIVILEGE_ENABLED) : 0}}};
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_ADJUST_PRIVILEGES, token.put()) ||
        !LookupPrivilegeValueW(nullptr, name, &privileges.Privileges[0].Luid) ||
        (change && !AdjustTokenPrivileges(token.get(), FALSE, &privileges, 0, nullptr, nullptr))) {
        return false;
    }
    PRIVILEGE_SET wanted{1, PRIVILEGE_SET_ALL_NECESSARY, {{privileges.Privileges[0].Luid, 0}}};
    BOOL enabled = FALSE;
    return PrivilegeCheck(token.get(), &wanted, &enabled) && enabled;
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

// A written key is owned by Administrators with full control; Users may read it and set values, but not
// take it over, change its DACL, delete it or add subkeys. An existing key's DACL is merged into, keys
// created below a system key are repaired once written again, and the key above keeps its security.
TEST(RegistryWriteString, WrittenKeysAreOwnedByAdministratorsAndOpenedUpOnlyForValues)
{
    const std::wstring tag = std::to_wstring(GetCurrentProcessId());
    const std::wstring clsid = L"{0E5A1D11-0000-4B8E-9A11-" + std::wstring(12 - tag.size(), L'0') + tag + L"}";
    TestRegistryKey existing(L"repair");
    ASSERT_TRUE(existing.create());
    ASSERT_TRUE(KeySecurityProbe(existing.subkey()).apply(L"O:BUD:(A;;KR;;;WD)"));
    const struct {
        const wchar_t* parent;
        std::wstring created;  // below the parent, removed at the end; empty for the existing key
        std::wstring written;
    } rows[] = {
        {L"SOFTWARE", L"", existing.subkey().substr(9)},
        {L"SYSTEM\\CurrentControlSet\\Control", L"qevtest_" + tag, L"qevtest_" + tag + L"\\a\\b"},
        {L"SOFTWARE\\Classes\\CLSID", clsid, clsid + L"\\InProcServer32"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << std::string(row.written.begin(), row.written.end()));
        const std::wstring written = std::wstring(row.parent) + L"\\" + row.written;
        const KeySecurityProbe parent(row.parent);
        const std::wstring before = parent.text();
        ASSERT_NE(before, L"<unreadable>");
        EXPECT_TRUE(write_string(written, L"", L"first"));
        EXPECT_TRUE(write_string(written, L"", L"second"));
        EXPECT_EQ(parent.text(), before);
        const KeySecurityProbe key(written);
        EXPECT_EQ(key.owner(), kAdministrators);
        EXPECT_TRUE(key.allows(kAdministrators, KEY_ALL_ACCESS, kInheritFlags));
        EXPECT_TRUE(key.allows(kUsers, kUsersWriteAccess, kInheritFlags));
        EXPECT_EQ(key.granted(kUsers), kUsersWriteAccess);
        EXPECT_TRUE(!row.created.empty() || key.allows(L"S-1-1-0", KEY_READ, 0)) << "the DACL was replaced";
        const std::wstring created = std::wstring(row.parent) + L"\\" + row.created;
        if (!row.created.empty()) {
            RegDeleteTreeW(HKEY_LOCAL_MACHINE, created.c_str());
            RegDeleteKeyW(HKEY_LOCAL_MACHINE, created.c_str());
        }
    }
}

// The process token's privilege state before the calls, by row; the calls run on several threads.
TEST(RegistrySecurity, ConcurrentOwnershipChangesLeaveTheProcessPrivilegeAsItWas)
{
    constexpr int kThreads = 6;
    constexpr int kRounds = 40;
    const bool original = privilege_enabled(SE_TAKE_OWNERSHIP_NAME);
    std::vector<std::unique_ptr<TestRegistryKey>> keys;
    for (int i = 0; i < kThreads; ++i) {
        keys.push_back(std::make_unique<TestRegistryKey>(L"owner" + std::to_wstring(i)));
        ASSERT_TRUE(keys.back()->create());
    }
    for (const bool enabled_before : {true, false}) {
        SCOPED_TRACE(enabled_before ? "enabled before" : "disabled before");
        ASSERT_EQ(privilege_enabled(SE_TAKE_OWNERSHIP_NAME, enabled_before), enabled_before);
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
        EXPECT_EQ(privilege_enabled(SE_TAKE_OWNERSHIP_NAME), enabled_before);
    }
    privilege_enabled(SE_TAKE_OWNERSHIP_NAME, original);
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
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kOwnSettingsSubkey, name.c_str());
    if (!existed) {
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, kOwnSettingsSubkey);
    }
}

// Each reader on every stored type: the value when the type fits, else a failure that leaves a string
// or list as it was and a number zero; binary values are refused with a log line.
TEST(RegistryRead, EveryReaderOnEveryTypeAndOnMissingValuesAndKeys)
{
    TestRegistryKey key{L"read"};
    ASSERT_TRUE(key.create());
    ASSERT_TRUE(key.set_string(L"sz", L"plain"));
    ASSERT_TRUE(key.set_string(L"expand", L"%SystemRoot%\\x", REG_EXPAND_SZ));
    ASSERT_TRUE(key.set_dword(L"dword", 42));
    const wchar_t three[] = L"one\0two\0three\0";
    ASSERT_TRUE(key.set(L"multi", REG_MULTI_SZ, three, sizeof(three)));
    const wchar_t empty_list[] = L"\0";
    ASSERT_TRUE(key.set(L"emptymulti", REG_MULTI_SZ, empty_list, sizeof(empty_list)));
    const BYTE binary[] = {1, 2, 3};
    ASSERT_TRUE(key.set(L"binary", REG_BINARY, binary, sizeof(binary)));
    DebugOutputCapture capture;
    const std::wstring unchanged = L"unchanged";
    const struct {
        const wchar_t* name;
        std::optional<std::wstring> text;
        std::optional<Names> list;
        std::optional<DWORD> number;
        std::optional<RegistryValue> value;
    } rows[] = {
        {L"sz", L"plain", {}, {}, std::wstring(L"plain")},
        {L"expand", L"%SystemRoot%\\x", {}, {}, std::wstring(L"%SystemRoot%\\x")},
        {L"dword", {}, {}, DWORD{42}, DWORD{42}},
        {L"multi", {}, Names{L"one", L"two", L"three"}, {}, Names{L"one", L"two", L"three"}},
        {L"emptymulti", {}, Names{}, {}, Names{}},
        {L"binary", {}, {}, {}, {}},
        {L"missing", {}, {}, {}, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.name);
        std::wstring text = unchanged;
        EXPECT_EQ(read_string(HKEY_LOCAL_MACHINE, key.subkey(), row.name, text), row.text.has_value());
        EXPECT_EQ(text, row.text.value_or(unchanged));
        Names list = {unchanged};
        EXPECT_EQ(read_multi_string(HKEY_LOCAL_MACHINE, key.subkey(), row.name, list), row.list.has_value());
        EXPECT_EQ(list, row.list.value_or(Names{unchanged}));
        DWORD number = 99;
        EXPECT_EQ(read_dword(HKEY_LOCAL_MACHINE, key.subkey(), row.name, number), row.number.has_value());
        EXPECT_EQ(number, row.number.value_or(0));
        DWORD type = 77;
        RegistryValue value = DWORD{5};
        EXPECT_EQ(read_value(HKEY_LOCAL_MACHINE, key.subkey(), row.name, type, value), row.value.has_value());
        EXPECT_TRUE(value == row.value.value_or(DWORD{5}));
        EXPECT_EQ(type, row.value ? key.type_of(row.name) : 77u);
    }
    EXPECT_EQ(capture.lines(),
              std::vector<std::string>{"[qev] Registry type is 3 and is not supported by this API.\n"});
    std::wstring text = unchanged;
    EXPECT_FALSE(read_string(HKEY_LOCAL_MACHINE, key.child(L"nokey"), L"sz", text));
    EXPECT_EQ(text, unchanged);
}

// Keys are created below an existing parent whose security stays as it was, or along a whole path;
// enumeration lists what was created, and a missing key fails with the output unchanged.
TEST(RegistryKeys, CreateAndEnumerate)
{
    TestRegistryKey key(L"create");
    EXPECT_FALSE(create_key(key.subkey(), L"child"));
    EXPECT_FALSE(key.exists());
    EXPECT_FALSE(create_key_path(L""));
    ASSERT_TRUE(create_key_path(key.child(L"alpha\\nested")));
    const KeySecurityProbe parent(key.subkey());
    ASSERT_TRUE(parent.apply(L"O:BUD:(A;CI;KA;;;BA)(A;CI;KA;;;SY)(A;CI;KR;;;BU)"));
    const std::wstring before = parent.text();
    ASSERT_TRUE(create_key(key.subkey(), L"beta"));
    ASSERT_TRUE(create_key(key.subkey() + L"\\", L"gamma"));
    EXPECT_EQ(parent.text(), before) << "the parent is not the key being written";
    ASSERT_TRUE(key.set_dword(L"first", 1));
    ASSERT_TRUE(key.set_string(L"second", L"2"));
    ASSERT_TRUE(create_key_path(key.child(L"alpha\\four")));
    Names names;
    ASSERT_TRUE(enum_subkeys(HKEY_LOCAL_MACHINE, key.subkey(), names));
    EXPECT_EQ(names, (Names{L"alpha", L"beta", L"gamma"}));
    ASSERT_TRUE(enum_subkeys(HKEY_LOCAL_MACHINE, key.child(L"alpha"), names));
    EXPECT_EQ(names, (Names{L"four", L"nested"}));
    ASSERT_TRUE(enum_values(key.subkey(), names));
    EXPECT_EQ(names, (Names{L"first", L"second"}));
    ASSERT_TRUE(enum_subkeys(HKEY_LOCAL_MACHINE, key.child(L"beta"), names));
    EXPECT_TRUE(names.empty());
    names = {L"unchanged"};
    EXPECT_FALSE(enum_subkeys(HKEY_LOCAL_MACHINE, key.child(L"missing"), names));
    EXPECT_FALSE(enum_values(key.child(L"missing"), names));
    EXPECT_EQ(names, Names{L"unchanged"});
}

}  // namespace
}  // namespace qev::winsys
