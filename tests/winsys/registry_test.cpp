#include "winsys/registry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "debug_output_capture.h"
#include "key_security_probe.h"
#include "test_registry_key.h"

namespace qev::winsys {
namespace {

using test::KeySecurityProbe;
using test::kNoValue;
using test::TestRegistryKey;

constexpr wchar_t kAdministrators[] = L"S-1-5-32-544";
constexpr wchar_t kUsers[] = L"S-1-5-32-545";
constexpr BYTE kInheritFlags = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;

// ---- write_string: type choice -------------------------------------------------------------

TEST(RegistryWriteString, KnownVariableGivesExpandString)
{
    TestRegistryKey key(L"expand");
    ASSERT_TRUE(write_string(key.subkey(), L"known", L"%ProgramData%\\x"));
    ASSERT_TRUE(write_string(key.subkey(), L"lower", L"%programdata%\\x"));
    EXPECT_EQ(key.type_of(L"known"), static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(key.type_of(L"lower"), static_cast<DWORD>(REG_EXPAND_SZ));
    std::wstring text;
    ASSERT_TRUE(read_string(HKEY_LOCAL_MACHINE, key.subkey(), L"known", text));
    EXPECT_EQ(text, L"%ProgramData%\\x");
}

TEST(RegistryWriteString, OtherTextGivesPlainString)
{
    TestRegistryKey key(L"plain");
    ASSERT_TRUE(write_string(key.subkey(), L"unknown", L"%NoSuchVariable%\\x"));
    ASSERT_TRUE(write_string(key.subkey(), L"percent", L"50%"));
    ASSERT_TRUE(write_string(key.subkey(), L"empty", L""));
    EXPECT_EQ(key.type_of(L"unknown"), static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(key.type_of(L"percent"), static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(key.type_of(L"empty"), static_cast<DWORD>(REG_SZ));
    std::wstring text = L"unchanged";
    ASSERT_TRUE(read_string(HKEY_LOCAL_MACHINE, key.subkey(), L"percent", text));
    EXPECT_EQ(text, L"50%");
    ASSERT_TRUE(read_string(HKEY_LOCAL_MACHINE, key.subkey(), L"empty", text));
    EXPECT_EQ(text, L"");
}

TEST(RegistryWriteString, StoresTextWithTerminator)
{
    TestRegistryKey key(L"bytes");
    ASSERT_TRUE(write_string(key.subkey(), L"v", L"abc"));
    DWORD bytes = 0;
    ASSERT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, key.subkey().c_str(), L"v", RRF_RT_REG_SZ, nullptr, nullptr, &bytes),
              ERROR_SUCCESS);
    EXPECT_EQ(bytes, 4 * sizeof(wchar_t));
}

// ---- write_string: key creation and repair ---------------------------------------------------

TEST(RegistryWriteString, MissingKeyIsCreatedWithWholePath)
{
    TestRegistryKey key(L"deep");
    ASSERT_FALSE(key.exists());
    ASSERT_TRUE(write_string(key.child(L"a\\b\\c"), L"v", L"deep value"));
    EXPECT_TRUE(key.exists(L"a"));
    EXPECT_TRUE(key.exists(L"a\\b"));
    std::wstring text;
    ASSERT_TRUE(read_string(HKEY_LOCAL_MACHINE, key.child(L"a\\b\\c"), L"v", text));
    EXPECT_EQ(text, L"deep value");
}

TEST(RegistryWriteString, ExistingKeyIsOwnedByAdministratorsAndOpenedUp)
{
    TestRegistryKey key(L"repair");
    ASSERT_TRUE(key.create());
    KeySecurityProbe probe(key.subkey());
    // Start from a key owned by Users that grants Everyone read access only.
    ASSERT_TRUE(probe.apply(L"O:BUD:(A;;KR;;;WD)"));
    ASSERT_EQ(probe.owner(), kUsers);
    ASSERT_FALSE(probe.allows(kAdministrators, KEY_ALL_ACCESS, kInheritFlags));

    ASSERT_TRUE(write_string(key.subkey(), L"v", L"x"));

    EXPECT_EQ(probe.owner(), kAdministrators);
    EXPECT_TRUE(probe.allows(kAdministrators, KEY_ALL_ACCESS, kInheritFlags));
    EXPECT_TRUE(probe.allows(kUsers, KEY_ALL_ACCESS, kInheritFlags));
    // The entries are merged into the existing DACL, not replacing it.
    EXPECT_TRUE(probe.allows(L"S-1-1-0", KEY_READ, 0));
    EXPECT_EQ(key.type_of(L"v"), static_cast<DWORD>(REG_SZ));
}

TEST(RegistrySecurity, TakeOwnershipAndMakeWritableOnTheirOwn)
{
    TestRegistryKey key(L"security");
    ASSERT_TRUE(key.create());
    KeySecurityProbe probe(key.subkey());
    ASSERT_TRUE(probe.apply(L"O:BUD:(A;;KR;;;WD)"));

    ASSERT_TRUE(take_ownership(key.subkey()));
    EXPECT_EQ(probe.owner(), kAdministrators);
    EXPECT_FALSE(probe.allows(kUsers, KEY_ALL_ACCESS, kInheritFlags));

    ASSERT_TRUE(make_writable(key.subkey()));
    EXPECT_TRUE(probe.allows(kAdministrators, KEY_ALL_ACCESS, kInheritFlags));
    EXPECT_TRUE(probe.allows(kUsers, KEY_ALL_ACCESS, kInheritFlags));
}

TEST(RegistrySecurity, MissingKeyFails)
{
    TestRegistryKey key(L"nosecurity");
    EXPECT_FALSE(take_ownership(key.subkey()));
    EXPECT_FALSE(make_writable(key.subkey()));
    EXPECT_FALSE(key.exists());
}

TEST(RegistrySecurity, HiveRootIsNeverChanged)
{
    const KeySecurityProbe probe(L"");
    const std::wstring owner = probe.owner();
    EXPECT_FALSE(take_ownership(L""));
    EXPECT_FALSE(make_writable(L""));
    EXPECT_FALSE(write_string(L"", L"qevtest_root_value", L"x"));
    DWORD type = 0;
    EXPECT_NE(RegGetValueW(HKEY_LOCAL_MACHINE, nullptr, L"qevtest_root_value", RRF_RT_ANY, &type, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(probe.owner(), owner);
}

// ---- write_dword on the own settings key -------------------------------------------------------

class OwnSettingsKey : public ::testing::Test {
protected:
    void SetUp() override
    {
        HKEY key = nullptr;
        existed_ = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kOwnSettingsSubkey, 0, KEY_READ, &key) == ERROR_SUCCESS;
        if (existed_) {
            RegCloseKey(key);
        }
        name_ = L"qevtest_" + std::to_wstring(GetCurrentProcessId());
    }
    void TearDown() override
    {
        RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kOwnSettingsSubkey, name_.c_str());
        if (!existed_) {
            RegDeleteKeyW(HKEY_LOCAL_MACHINE, kOwnSettingsSubkey);
        }
    }

    bool existed_ = false;
    std::wstring name_;
};

TEST_F(OwnSettingsKey, WriteDwordStoresUnderOwnKey)
{
    ASSERT_TRUE(write_dword(name_, 0xDEADBEEF));
    DWORD value = 0;
    ASSERT_TRUE(read_dword(HKEY_LOCAL_MACHINE, kOwnSettingsSubkey, name_, value));
    EXPECT_EQ(value, 0xDEADBEEFu);
    // A second write goes through the repair path of an existing key.
    ASSERT_TRUE(write_dword(name_, 7));
    ASSERT_TRUE(read_dword(HKEY_LOCAL_MACHINE, kOwnSettingsSubkey, name_, value));
    EXPECT_EQ(value, 7u);
    EXPECT_EQ(std::wstring(kOwnSettingsKey), L"HKEY_LOCAL_MACHINE\\" + std::wstring(kOwnSettingsSubkey));
}

// ---- reading --------------------------------------------------------------------------------

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

TEST_F(RegistryRead, StringKeepsExpandTextUnexpanded)
{
    std::wstring text;
    ASSERT_TRUE(read_string(HKEY_LOCAL_MACHINE, key_.subkey(), L"sz", text));
    EXPECT_EQ(text, L"plain");
    ASSERT_TRUE(read_string(HKEY_LOCAL_MACHINE, key_.subkey(), L"expand", text));
    EXPECT_EQ(text, L"%SystemRoot%\\x");
}

TEST_F(RegistryRead, StringFailuresLeaveOutputUnchanged)
{
    std::wstring text = L"unchanged";
    EXPECT_FALSE(read_string(HKEY_LOCAL_MACHINE, key_.subkey(), L"dword", text));
    EXPECT_FALSE(read_string(HKEY_LOCAL_MACHINE, key_.subkey(), L"missing", text));
    EXPECT_FALSE(read_string(HKEY_LOCAL_MACHINE, key_.child(L"nokey"), L"sz", text));
    EXPECT_EQ(text, L"unchanged");
}

TEST_F(RegistryRead, MultiStringSplitsAtNul)
{
    std::vector<std::wstring> list;
    ASSERT_TRUE(read_multi_string(HKEY_LOCAL_MACHINE, key_.subkey(), L"multi", list));
    EXPECT_EQ(list, (std::vector<std::wstring>{L"one", L"two", L"three"}));
    ASSERT_TRUE(read_multi_string(HKEY_LOCAL_MACHINE, key_.subkey(), L"emptymulti", list));
    EXPECT_TRUE(list.empty());
    list = {L"unchanged"};
    EXPECT_FALSE(read_multi_string(HKEY_LOCAL_MACHINE, key_.subkey(), L"sz", list));
    EXPECT_EQ(list, std::vector<std::wstring>{L"unchanged"});
}

TEST_F(RegistryRead, DwordIsZeroOnFailure)
{
    DWORD value = 0;
    ASSERT_TRUE(read_dword(HKEY_LOCAL_MACHINE, key_.subkey(), L"dword", value));
    EXPECT_EQ(value, 42u);
    value = 99;
    EXPECT_FALSE(read_dword(HKEY_LOCAL_MACHINE, key_.subkey(), L"sz", value));
    EXPECT_EQ(value, 0u);
    value = 99;
    EXPECT_FALSE(read_dword(HKEY_LOCAL_MACHINE, key_.subkey(), L"missing", value));
    EXPECT_EQ(value, 0u);
}

TEST_F(RegistryRead, ValueReportsTypeAndAlternative)
{
    DWORD type = 0;
    RegistryValue value;
    ASSERT_TRUE(read_value(HKEY_LOCAL_MACHINE, key_.subkey(), L"sz", type, value));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    ASSERT_TRUE(std::holds_alternative<std::wstring>(value));
    EXPECT_EQ(std::get<std::wstring>(value), L"plain");

    ASSERT_TRUE(read_value(HKEY_LOCAL_MACHINE, key_.subkey(), L"expand", type, value));
    EXPECT_EQ(type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(std::get<std::wstring>(value), L"%SystemRoot%\\x");

    ASSERT_TRUE(read_value(HKEY_LOCAL_MACHINE, key_.subkey(), L"dword", type, value));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    ASSERT_TRUE(std::holds_alternative<DWORD>(value));
    EXPECT_EQ(std::get<DWORD>(value), 42u);

    ASSERT_TRUE(read_value(HKEY_LOCAL_MACHINE, key_.subkey(), L"multi", type, value));
    EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));
    EXPECT_EQ(value.index(), 0u);
    EXPECT_EQ(std::get<std::vector<std::wstring>>(value).size(), 3u);
}

TEST_F(RegistryRead, BinaryValueIsRejectedWithLogLine)
{
    DebugOutputCapture capture;
    DWORD type = 77;
    RegistryValue value = DWORD{5};
    EXPECT_FALSE(read_value(HKEY_LOCAL_MACHINE, key_.subkey(), L"binary", type, value));
    EXPECT_TRUE(capture.contains(L"[qev] Registry type is 3 and is not supported by this API.\n"));
    EXPECT_EQ(type, 77u);
    EXPECT_EQ(std::get<DWORD>(value), 5u);
}

TEST_F(RegistryRead, MissingValueFailsSilently)
{
    DebugOutputCapture capture;
    DWORD type = 77;
    RegistryValue value = DWORD{5};
    EXPECT_FALSE(read_value(HKEY_LOCAL_MACHINE, key_.subkey(), L"missing", type, value));
    EXPECT_EQ(type, 77u);
    EXPECT_TRUE(capture.lines().empty());
}

// ---- keys and enumeration --------------------------------------------------------------------

TEST(RegistryKeys, CreateKeyJoinsWithSingleBackslash)
{
    TestRegistryKey key(L"create");
    ASSERT_TRUE(key.create());
    ASSERT_TRUE(create_key(key.subkey(), L"child"));
    ASSERT_TRUE(create_key(key.subkey() + L"\\", L"other"));
    EXPECT_TRUE(key.exists(L"child"));
    EXPECT_TRUE(key.exists(L"other"));
    // The parent was repaired first.
    EXPECT_EQ(KeySecurityProbe(key.subkey()).owner(), kAdministrators);
}

TEST(RegistryKeys, CreateKeyUnderMissingParentFails)
{
    TestRegistryKey key(L"noparent");
    EXPECT_FALSE(create_key(key.subkey(), L"child"));
    EXPECT_FALSE(key.exists());
}

TEST(RegistryKeys, CreateKeyPathCreatesEveryMissingLevel)
{
    TestRegistryKey key(L"path");
    ASSERT_TRUE(create_key_path(key.child(L"one\\two\\three")));
    EXPECT_TRUE(key.exists(L"one\\two\\three"));
    // Existing levels are kept with their values.
    ASSERT_TRUE(key.set_dword(L"keep", 1));
    ASSERT_TRUE(create_key_path(key.child(L"one\\four")));
    EXPECT_TRUE(key.exists(L"one\\four"));
    EXPECT_EQ(key.type_of(L"keep"), static_cast<DWORD>(REG_DWORD));
    EXPECT_FALSE(create_key_path(L""));
}

TEST(RegistryKeys, EnumeratesSubkeysAndValues)
{
    TestRegistryKey key(L"enum");
    ASSERT_TRUE(key.create(L"alpha"));
    ASSERT_TRUE(key.create(L"beta"));
    ASSERT_TRUE(key.create(L"alpha\\nested"));
    ASSERT_TRUE(key.set_dword(L"first", 1));
    ASSERT_TRUE(key.set_string(L"second", L"2"));

    std::vector<std::wstring> names;
    ASSERT_TRUE(enum_subkeys(HKEY_LOCAL_MACHINE, key.subkey(), names));
    EXPECT_EQ(names, (std::vector<std::wstring>{L"alpha", L"beta"}));
    ASSERT_TRUE(enum_values(key.subkey(), names));
    EXPECT_EQ(names, (std::vector<std::wstring>{L"first", L"second"}));
    ASSERT_TRUE(enum_subkeys(HKEY_LOCAL_MACHINE, key.child(L"beta"), names));
    EXPECT_TRUE(names.empty());

    names = {L"unchanged"};
    EXPECT_FALSE(enum_subkeys(HKEY_LOCAL_MACHINE, key.child(L"missing"), names));
    EXPECT_FALSE(enum_values(key.child(L"missing"), names));
    EXPECT_EQ(names, std::vector<std::wstring>{L"unchanged"});
}

TEST(RegistryKeys, RootNamesMatchIgnoringCase)
{
    EXPECT_EQ(root_key_from_name(L"HKEY_LOCAL_MACHINE"), HKEY_LOCAL_MACHINE);
    EXPECT_EQ(root_key_from_name(L"hkey_local_machine"), HKEY_LOCAL_MACHINE);
    EXPECT_EQ(root_key_from_name(L"HKEY_CLASSES_ROOT"), HKEY_CLASSES_ROOT);
    EXPECT_EQ(root_key_from_name(L"HKEY_CURRENT_CONFIG"), HKEY_CURRENT_CONFIG);
    EXPECT_EQ(root_key_from_name(L"Hkey_Current_User"), HKEY_CURRENT_USER);
    EXPECT_EQ(root_key_from_name(L"HKEY_USERS"), HKEY_USERS);
    EXPECT_EQ(root_key_from_name(L"HKLM"), nullptr);
    EXPECT_EQ(root_key_from_name(L""), nullptr);
    EXPECT_EQ(root_key_from_name(L"HKEY_LOCAL_MACHINE\\"), nullptr);
}

}  // namespace
}  // namespace qev::winsys
