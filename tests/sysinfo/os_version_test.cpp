#include "sysinfo/os_version.h"

#include "local_machine_override.h"
#include "registry_seed.h"

#include <gtest/gtest.h>

#include <array>
#include <stdexcept>

namespace qev::sysinfo {
namespace {

using test::LocalMachineOverride;
using test::RegistrySeed;

constexpr wchar_t kCurrentVersion[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

// A scratch machine key, so the answers do not depend on the version the Wine prefix presents. A missing
// or mistyped value fails; a build that is no number throws what the caller reports.
TEST(GetOsVersionOnScratchMachine, ReadsTheBuildWithoutUbrAndRefusesMissingOrMistypedValues)
{
    LocalMachineOverride machine;
    ASSERT_TRUE(machine.active());
    RegistrySeed seed;
    const struct {
        const wchar_t* name;
        const wchar_t* text;  // null: deleted
        DWORD number;         // stored as a DWORD when text is empty
        const char* thrown;   // null: GetOsVersion answers false
    } rows[] = {
        {L"CurrentMajorVersionNumber", nullptr, 0, nullptr},
        {L"CurrentMinorVersionNumber", nullptr, 0, nullptr},
        {L"CurrentBuildNumber", nullptr, 0, nullptr},
        {L"CurrentMajorVersionNumber", L"10", 0, nullptr},
        {L"CurrentBuildNumber", L"", 22631, nullptr},
        {L"CurrentBuildNumber", L"70000", 0, nullptr},
        {L"CurrentBuildNumber", L"unknown", 0, "invalid stoi argument"},
        {L"CurrentBuildNumber", L"123456789012", 0, "stoi argument out of range"},
    };
    for (const auto& row : rows) {
        seed.set_dword(kCurrentVersion, L"CurrentMajorVersionNumber", 10);
        seed.set_dword(kCurrentVersion, L"CurrentMinorVersionNumber", 0);
        seed.set_string(kCurrentVersion, L"CurrentBuildNumber", L"22631");
        OsVersion version{1, 1, 1, 77};
        ASSERT_TRUE(GetOsVersion(version));
        EXPECT_EQ((std::array<int, 4>{version.major, version.minor, version.build, version.revision}),
                  (std::array{10, 0, 22631, 0}));
        if (row.text == nullptr) {
            ASSERT_EQ(RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kCurrentVersion, row.name), ERROR_SUCCESS);
        } else if (*row.text == L'\0') {
            seed.set_dword(kCurrentVersion, row.name, row.number);
        } else {
            seed.set_string(kCurrentVersion, row.name, row.text);
        }
        std::string thrown;
        try {
            EXPECT_FALSE(GetOsVersion(version)) << row.name;
        } catch (const std::logic_error& error) {
            thrown = error.what();
        }
        EXPECT_EQ(thrown, row.thrown != nullptr ? row.thrown : "") << row.name;
    }
}

}  // namespace
}  // namespace qev::sysinfo
