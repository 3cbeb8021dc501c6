#include "winsys/registry_path.h"

#include <gtest/gtest.h>

#include <functional>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "key_security_probe.h"
#include "test_registry_key.h"
#include "winsys/system_error_text.h"

namespace qev::winsys::regpath {
namespace {

using test::KeySecurityProbe;
using test::kNoValue;
using test::TestRegistryKey;

constexpr wchar_t kMissingLine[] = L"Cannot find this value. Maybe it was already killed!\n";

// Redirects the wide standard output stream into a string while it lives.
class WideStdoutCapture {
public:
    WideStdoutCapture() : previous_(std::wcout.rdbuf(buffer_.rdbuf())) {}
    ~WideStdoutCapture() { std::wcout.rdbuf(previous_); }
    WideStdoutCapture(const WideStdoutCapture&) = delete;
    WideStdoutCapture& operator=(const WideStdoutCapture&) = delete;

    std::wstring text() const { return buffer_.str(); }

private:
    std::wostringstream buffer_;
    std::wstreambuf* previous_;
};

// The exception's message, or "<no exception>".
template <typename Call>
std::wstring message_of(Call call)
{
    try {
        call();
    } catch (const RegistryException& error) {
        return error.message();
    }
    return L"<no exception>";
}

std::wstring with_system_text(const std::wstring& head, DWORD code)
{
    return head + L": " + system_error_text(code);
}

class RegistryPath : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(key_.create()); }

    TestRegistryKey key_{L"regpath"};
};

TEST(RegistryPathSplit, RootIsMatchedIgnoringCase)
{
    const KeyPath upper = split_key_path(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft");
    EXPECT_EQ(upper.root, HKEY_LOCAL_MACHINE);
    EXPECT_EQ(upper.subkey, L"SOFTWARE\\Microsoft");
    const KeyPath lower = split_key_path(L"hkey_current_user\\Software");
    EXPECT_EQ(lower.root, HKEY_CURRENT_USER);
    EXPECT_EQ(lower.subkey, L"Software");
}

TEST(RegistryPathSplit, MalformedPathsAreNamedInTheMessage)
{
    EXPECT_EQ(message_of([] { split_key_path(L"HKLM\\SOFTWARE"); }), L"Unknown root key HKLM");
    EXPECT_EQ(message_of([] { split_key_path(L"HKEY_LOCAL_MACHINE"); }), L"Key HKEY_LOCAL_MACHINE has invalid format");
    EXPECT_EQ(message_of([] { read_dword(L"nobackslash", L"v"); }), L"Key nobackslash has invalid format");
    EXPECT_EQ(message_of([] { create_key(L"HKEY_NOWHERE\\x"); }), L"Unknown root key HKEY_NOWHERE");
}

TEST(RegistryPathSplit, ExceptionCarriesUtf8What)
{
    const RegistryException error(L"Unknown root key \u00c4");
    EXPECT_EQ(std::string(error.what()), "Unknown root key \xc3\x84");
}

TEST_F(RegistryPath, ValuesRoundTrip)
{
    write_string(key_.path(), L"s", L"%SystemRoot%\\text");
    write_multi_string(key_.path(), L"m", {L"a", L"bc"});
    write_multi_string(key_.path(), L"empty", {});
    write_dword(key_.path(), L"d", 0x12345678);
    ASSERT_TRUE(key_.set_string(L"e", L"%SystemRoot%\\x", REG_EXPAND_SZ));

    EXPECT_EQ(key_.type_of(L"s"), static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(read_string(key_.path(), L"s"), L"%SystemRoot%\\text");
    EXPECT_EQ(read_string(key_.path(), L"e"), L"%SystemRoot%\\x");
    EXPECT_EQ(read_multi_string(key_.path(), L"m"), (std::vector<std::wstring>{L"a", L"bc"}));
    EXPECT_TRUE(read_multi_string(key_.path(), L"empty").empty());
    EXPECT_EQ(read_dword(key_.path(), L"d"), 0x12345678u);
}

TEST_F(RegistryPath, MissingStringIsAnsweredWithoutThrowing)
{
    WideStdoutCapture out;
    EXPECT_EQ(read_string(key_.path(), L"missing"), L"ERROR_FILE_NOT_FOUND");
    EXPECT_EQ(out.text(), kMissingLine);
}

TEST_F(RegistryPath, FailuresAreNamedWithPathAndSystemText)
{
    ASSERT_TRUE(key_.set_dword(L"d", 1));
    ASSERT_TRUE(key_.set_string(L"s", L"x"));
    const std::wstring& path = key_.path();
    const std::wstring missing = path + L"\\nokey";
    const std::wstring read_error =
        with_system_text(L"Error while reading registry value " + path, ERROR_FILE_NOT_FOUND);
    const std::wstring write_error =
        with_system_text(L"Error while writing to registry value " + missing, ERROR_FILE_NOT_FOUND);
    const std::pair<std::function<void()>, std::wstring> rows[] = {
        {[&] { read_string(path, L"d"); }, L"Registry value " + path + L"\\d has wrong type"},
        {[&] { read_multi_string(path, L"d"); }, L"Registry value " + path + L"\\d has wrong type"},
        {[&] { read_dword(path, L"s"); }, L"Registry value " + path + L"\\s has wrong type"},
        {[&] { read_string(missing, L"v"); },
         with_system_text(L"Error while reading registry value " + missing, ERROR_FILE_NOT_FOUND)},
        {[&] { read_dword(path, L"missing"); }, read_error},
        {[&] { read_multi_string(path, L"missing"); }, read_error},
        {[&] { write_string(missing, L"v", L"x"); }, write_error},
        {[&] { write_dword(missing, L"v", 1); }, write_error},
        {[&] { write_multi_string(missing, L"v", {L"x"}); }, write_error},
        {[&] {
             write_multi_string(path, L"m", {L"a", L"", L"b"});
         },
         L"Registry value " + path + L"\\m cannot hold an empty string or a NUL in a list"},
        {[&] { delete_value(missing, L"d"); },
         with_system_text(L"Error while deleting registry value " + missing, ERROR_FILE_NOT_FOUND)},
        {[&] { enumerate_subkeys(missing); },
         with_system_text(L"Error while enumerating sub keys of registry key " + missing, ERROR_FILE_NOT_FOUND)},
        {[&] { ensure_writability(missing); },
         with_system_text(L"Error while getting security information for registry key " + missing,
                          ERROR_FILE_NOT_FOUND)},
        {[&] { take_ownership(missing); },
         with_system_text(L"Error while setting security information for registry key " + missing,
                          ERROR_FILE_NOT_FOUND)},
    };
    ASSERT_FALSE(system_error_text(ERROR_FILE_NOT_FOUND).empty());
    for (const auto& [call, expected] : rows) {
        EXPECT_EQ(message_of(call), expected);
    }
    EXPECT_FALSE(key_.exists(L"nokey"));
    EXPECT_EQ(key_.type_of(L"m"), kNoValue);
}

TEST_F(RegistryPath, DeleteValue)
{
    ASSERT_TRUE(key_.set_dword(L"d", 1));
    {
        WideStdoutCapture out;
        delete_value(key_.path(), L"d");
        EXPECT_EQ(out.text(), L"");
    }
    EXPECT_EQ(key_.type_of(L"d"), kNoValue);
    WideStdoutCapture out;
    delete_value(key_.path(), L"d");
    EXPECT_EQ(out.text(), kMissingLine);
}

TEST_F(RegistryPath, KeysAndValuesExist)
{
    ASSERT_TRUE(key_.set_dword(L"d", 1));
    EXPECT_TRUE(key_exists(key_.path()));
    EXPECT_TRUE(key_exists(L"hkey_local_machine\\" + key_.subkey()));
    EXPECT_FALSE(key_exists(key_.path() + L"\\nokey"));
    EXPECT_FALSE(key_exists(L"HKLM\\" + key_.subkey()));
    EXPECT_FALSE(key_exists(L"malformed"));
    EXPECT_TRUE(value_exists(key_.path(), L"d"));
    EXPECT_FALSE(value_exists(key_.path(), L"missing"));
    EXPECT_FALSE(value_exists(L"HKLM\\" + key_.subkey(), L"d"));
}

TEST_F(RegistryPath, CreateAndEnumerateSubkeys)
{
    create_key(key_.path() + L"\\one");
    create_key(key_.path() + L"\\two\\deeper");
    EXPECT_EQ(enumerate_subkeys(key_.path()), (std::vector<std::wstring>{L"one", L"two"}));
    EXPECT_TRUE(enumerate_subkeys(key_.path() + L"\\one").empty());
}

TEST_F(RegistryPath, CreateKeyFailureCarriesSystemText)
{
    // A name component longer than the registry allows.
    const std::wstring too_long = key_.path() + L"\\" + std::wstring(300, L'k');
    const std::wstring message = message_of([&] { create_key(too_long); });
    EXPECT_EQ(message.rfind(L"Error while creating registry key " + too_long + L": ", 0), 0u) << message;
}

TEST_F(RegistryPath, TakeOwnershipAndEnsureWritability)
{
    KeySecurityProbe probe(key_.subkey());
    ASSERT_TRUE(probe.apply(L"O:BUD:(A;;KR;;;WD)"));
    take_ownership(key_.path());
    EXPECT_EQ(probe.owner(), L"S-1-5-32-544");
    ensure_writability(key_.path());
    const BYTE inherit = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
    EXPECT_TRUE(probe.allows(L"S-1-5-32-544", KEY_ALL_ACCESS, inherit));
    EXPECT_EQ(probe.granted(L"S-1-5-32-545"), static_cast<ACCESS_MASK>(KEY_READ | KEY_SET_VALUE));
    EXPECT_TRUE(probe.allows(L"S-1-1-0", KEY_READ, 0));
}

TEST(RegistryPathSecurity, HiveRootIsRefused)
{
    EXPECT_EQ(message_of([] { take_ownership(L"HKEY_LOCAL_MACHINE\\"); }),
              with_system_text(L"Error while setting security information for registry key HKEY_LOCAL_MACHINE\\",
                               ERROR_INVALID_PARAMETER));
    EXPECT_EQ(message_of([] { ensure_writability(L"HKEY_LOCAL_MACHINE\\"); }),
              with_system_text(L"Error while getting security information for registry key HKEY_LOCAL_MACHINE\\",
                               ERROR_INVALID_PARAMETER));
}

}  // namespace
}  // namespace qev::winsys::regpath
