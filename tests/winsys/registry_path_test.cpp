#include "winsys/registry_path.h"

#include <gtest/gtest.h>

#include <functional>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "test_registry_key.h"
#include "winsys/system_error_text.h"

namespace qev::winsys::regpath {
namespace {

using test::kNoValue;
using test::TestRegistryKey;

constexpr wchar_t kMissingLine[] = L"Cannot find this value. Maybe it was already killed!\n";

// What the call threw, else what it printed on the wide standard output.
template <typename Call>
std::wstring outcome(Call call)
{
    std::wostringstream printed;
    std::wstreambuf* const previous = std::wcout.rdbuf(printed.rdbuf());
    std::wstring result;
    try {
        call();
        result = printed.str();
    } catch (const RegistryException& error) {
        result = error.message();
    }
    std::wcout.rdbuf(previous);
    return result;
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

TEST_F(RegistryPath, ValuesAndKeysRoundTripAndRootsMatchIgnoringCase)
{
    const std::wstring lower = L"hkey_local_machine\\" + key_.subkey();
    write_string(lower, L"s", L"%SystemRoot%\\text");
    write_multi_string(key_.path(), L"m", {L"a", L"bc"});
    write_multi_string(key_.path(), L"empty", {});
    write_dword(key_.path(), L"d", 0x12345678);
    ASSERT_TRUE(key_.set_string(L"e", L"%SystemRoot%\\x", REG_EXPAND_SZ));
    create_key(key_.path() + L"\\one");
    create_key(key_.path() + L"\\two\\deeper");

    EXPECT_EQ(key_.type_of(L"s"), static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(read_string(key_.path(), L"s"), L"%SystemRoot%\\text");
    EXPECT_EQ(read_string(key_.path(), L"e"), L"%SystemRoot%\\x");
    EXPECT_EQ(read_multi_string(key_.path(), L"m"), (std::vector<std::wstring>{L"a", L"bc"}));
    EXPECT_TRUE(read_multi_string(key_.path(), L"empty").empty());
    EXPECT_EQ(read_dword(lower, L"d"), 0x12345678u);
    EXPECT_EQ(enumerate_subkeys(key_.path()), (std::vector<std::wstring>{L"one", L"two"}));
    EXPECT_TRUE(enumerate_subkeys(key_.path() + L"\\one").empty());
    const std::pair<bool, bool> exists[] = {
        {key_exists(key_.path()), true},
        {key_exists(lower), true},
        {key_exists(key_.path() + L"\\nokey"), false},
        {key_exists(L"HKLM\\" + key_.subkey()), false},
        {key_exists(L"malformed"), false},
        {value_exists(key_.path(), L"d"), true},
        {value_exists(key_.path(), L"missing"), false},
        {value_exists(L"HKLM\\" + key_.subkey(), L"d"), false},
    };
    for (size_t row = 0; row < std::size(exists); ++row) {
        EXPECT_EQ(exists[row].first, exists[row].second) << "row " << row;
    }
}

// Failures throw, named with the path and the system's text; a missing string or value to delete is
// told on the standard output instead.
TEST_F(RegistryPath, FailuresAreNamedWithPathAndSystemTextOrPrinted)
{
    ASSERT_TRUE(key_.set_dword(L"d", 1));
    ASSERT_TRUE(key_.set_string(L"s", L"x"));
    const std::wstring& path = key_.path();
    const std::wstring missing = path + L"\\nokey";
    const std::wstring root = L"HKEY_LOCAL_MACHINE\\";
    const std::wstring read_error =
        with_system_text(L"Error while reading registry value " + path, ERROR_FILE_NOT_FOUND);
    const std::wstring write_error =
        with_system_text(L"Error while writing to registry value " + missing, ERROR_FILE_NOT_FOUND);
    const std::pair<std::function<void()>, std::wstring> rows[] = {
        {[] { split_key_path(L"HKLM\\SOFTWARE"); }, L"Unknown root key HKLM"},
        {[] { split_key_path(L"HKEY_LOCAL_MACHINE"); }, L"Key HKEY_LOCAL_MACHINE has invalid format"},
        {[] { read_dword(L"nobackslash", L"v"); }, L"Key nobackslash has invalid format"},
        {[] { create_key(L"HKEY_NOWHERE\\x"); }, L"Unknown root key HKEY_NOWHERE"},
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
        {[&] { take_ownership(root); },
         with_system_text(L"Error while setting security information for registry key " + root,
                          ERROR_INVALID_PARAMETER)},
        {[&] { ensure_writability(root); },
         with_system_text(L"Error while getting security information for registry key " + root,
                          ERROR_INVALID_PARAMETER)},
        {[&] { EXPECT_EQ(read_string(path, L"missing"), L"ERROR_FILE_NOT_FOUND"); }, kMissingLine},
        {[&] { delete_value(path, L"d"); }, L""},
        {[&] { delete_value(path, L"d"); }, kMissingLine},
    };
    ASSERT_FALSE(system_error_text(ERROR_FILE_NOT_FOUND).empty());
    for (const auto& [call, expected] : rows) {
        EXPECT_EQ(outcome(call), expected);
    }
    EXPECT_FALSE(key_.exists(L"nokey"));
    EXPECT_EQ(key_.type_of(L"m"), kNoValue);
    EXPECT_EQ(key_.type_of(L"d"), kNoValue);
    // A name component longer than the registry allows.
    const std::wstring too_long = path + L"\\" + std::wstring(300, L'k');
    const std::wstring message = outcome([&] { create_key(too_long); });
    EXPECT_EQ(message.rfind(L"Error while creating registry key " + too_long + L": ", 0), 0u) << message;
    EXPECT_EQ(std::string(RegistryException(L"Unknown root key \u00c4").what()), "Unknown root key \xc3\x84");
}

}  // namespace
}  // namespace qev::winsys::regpath
