#include <windows.h>

#include <gtest/gtest.h>

#include "test_registry_key.h"
#include "winsys/registry.h"
#include "winsys/registry_path.h"

namespace qev::winsys {
namespace {

// Wine answers GetProcessHandleCount with 0; then count the handle values that name an open
// handle (Wine's registry keys are ordinary handles of the process table).
DWORD handle_count()
{
    DWORD count = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &count) && count > 0) {
        return count;
    }
    constexpr ULONG_PTR kHighestProbed = 0x40000;
    for (ULONG_PTR value = 4; value <= kHighestProbed; value += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) {
            ++count;
        }
    }
    return count;
}

// One round of successful and failing operations of both APIs.
void exercise(const test::TestRegistryKey& key, int round)
{
    const std::wstring& subkey = key.subkey();
    std::wstring text;
    DWORD number = 0;
    DWORD type = 0;
    RegistryValue value;
    std::vector<std::wstring> names;
    switch (round % 10) {
    case 0:
        write_string(subkey, L"s", L"%ProgramData%\\x");
        break;
    case 1:
        read_string(HKEY_LOCAL_MACHINE, subkey, L"s", text);
        break;
    case 2:
        read_value(HKEY_LOCAL_MACHINE, subkey, L"bin", type, value);
        break;
    case 3:
        read_dword(HKEY_LOCAL_MACHINE, subkey + L"\\missing", L"d", number);
        break;
    case 4:
        enum_subkeys(HKEY_LOCAL_MACHINE, subkey, names);
        enum_values(subkey, names);
        break;
    case 5:
        take_ownership(subkey);
        make_writable(subkey + L"\\missing");
        break;
    case 6:
        regpath::read_string(key.path(), L"s");
        break;
    case 7:
        try {
            regpath::read_dword(key.path(), L"s");
        } catch (const regpath::RegistryException&) {
        }
        break;
    case 8:
        regpath::write_multi_string(key.path(), L"m", {L"a", L"b"});
        regpath::read_multi_string(key.path(), L"m");
        break;
    default:
        try {
            regpath::ensure_writability(key.path() + L"\\missing");
        } catch (const regpath::RegistryException&) {
        }
        regpath::key_exists(key.path());
        break;
    }
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
    const DWORD before = handle_count();
    ASSERT_GT(before, 0u);
    for (int round = 0; round < 10000; ++round) {
        exercise(key, round);
    }
    const DWORD after = handle_count();
    EXPECT_EQ(after, before);
}

TEST(RegistryHandles, CountSeesAnOpenKey)
{
    // Guards the measurement itself: one key left open must show.
    test::TestRegistryKey key(L"count");
    ASSERT_TRUE(key.create());
    const DWORD before = handle_count();
    HKEY open = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.subkey().c_str(), 0, KEY_READ, &open), ERROR_SUCCESS);
    EXPECT_EQ(handle_count(), before + 1);
    RegCloseKey(open);
    EXPECT_EQ(handle_count(), before);
}

}  // namespace
}  // namespace qev::winsys
