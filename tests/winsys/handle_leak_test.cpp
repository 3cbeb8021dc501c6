#include <windows.h>

#include <gtest/gtest.h>

#include <functional>

#include "handle_count.h"
#include "test_registry_key.h"
#include "winsys/registry.h"
#include "winsys/registry_path.h"

namespace qev::winsys {
namespace {

template <typename Call>
void ignoring_errors(Call call)
{
    try {
        call();
    } catch (const regpath::RegistryException&) {
    }
}

// One round of successful and failing operations of both APIs.
void exercise(const test::TestRegistryKey& key, int round)
{
    const std::wstring& subkey = key.subkey();
    const std::wstring missing = subkey + L"\\missing";
    std::wstring text;
    DWORD number = 0;
    RegistryValue value;
    std::vector<std::wstring> names;
    const std::function<void()> operations[] = {
        [&] { write_string(subkey, L"s", L"%ProgramData%\\x"); },
        [&] { read_string(HKEY_LOCAL_MACHINE, subkey, L"s", text); },
        [&] { read_value(HKEY_LOCAL_MACHINE, subkey, L"bin", number, value); },
        [&] { read_dword(HKEY_LOCAL_MACHINE, missing, L"d", number); },
        [&] {
            enum_subkeys(HKEY_LOCAL_MACHINE, subkey, names);
            enum_values(subkey, names);
        },
        [&] {
            take_ownership(subkey);
            make_writable(missing);
        },
        [&] { regpath::read_string(key.path(), L"s"); },
        [&] { ignoring_errors([&] { regpath::read_dword(key.path(), L"s"); }); },
        [&] {
            regpath::write_multi_string(key.path(), L"m", {L"a", L"b"});
            regpath::read_multi_string(key.path(), L"m");
        },
        [&] {
            ignoring_errors([&] { regpath::ensure_writability(key.path() + L"\\missing"); });
            regpath::key_exists(key.path());
        },
    };
    operations[round % 10]();
}

TEST(RegistryHandles, NoLeakOverTenThousandOperations)
{
    test::TestRegistryKey key(L"leak");
    ASSERT_TRUE(key.create(L"child"));
    const BYTE binary[] = {1};
    ASSERT_TRUE(key.set(L"bin", REG_BINARY, binary, sizeof(binary)));
    // Warm up one-time state (environment table, expression, system caches).
    for (int round = 0; round < 20; ++round) {
        exercise(key, round);
    }
    const DWORD before = open_handle_count();
    ASSERT_GT(before, 0u);
    for (int round = 0; round < 10000; ++round) {
        exercise(key, round);
    }
    EXPECT_EQ(open_handle_count(), before);
}

}  // namespace
}  // namespace qev::winsys
