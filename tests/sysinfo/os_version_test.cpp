#include "sysinfo/os_version.h"

#include "local_machine_override.h"
#include "registry_seed.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace qev::sysinfo {
namespace {

using test::LocalMachineOverride;
using test::RegistrySeed;

constexpr wchar_t kCurrentVersion[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

// A scratch machine key, so the answers do not depend on the version the Wine prefix presents.
class GetOsVersionOnScratchMachine : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(machine_.active());
        seed_defaults();
    }

    void seed_defaults()
    {
        seed_.set_dword(kCurrentVersion, L"CurrentMajorVersionNumber", 10);
        seed_.set_dword(kCurrentVersion, L"CurrentMinorVersionNumber", 0);
        seed_.set_string(kCurrentVersion, L"CurrentBuildNumber", L"22631");
    }

    LocalMachineOverride machine_;
    RegistrySeed seed_;
};

TEST_F(GetOsVersionOnScratchMachine, ReadsEveryFieldAndZeroRevisionWithoutUbr)
{
    OsVersion version{1, 1, 1, 77};
    ASSERT_TRUE(GetOsVersion(version));
    EXPECT_EQ(version.revision, 0);
    seed_.set_dword(kCurrentVersion, L"UBR", 4460);
    seed_.set_dword(kCurrentVersion, L"CurrentMinorVersionNumber", 3);
    ASSERT_TRUE(GetOsVersion(version));
    EXPECT_EQ(version.major, 10);
    EXPECT_EQ(version.minor, 3);
    EXPECT_EQ(version.build, 22631);
    EXPECT_EQ(version.revision, 4460);
}

TEST_F(GetOsVersionOnScratchMachine, MissingOrMistypedValuesFail)
{
    const struct {
        const wchar_t* name;
        int kind;
    } rows[] = {
        // kind 0: deleted; 1: stored as a string ("10"); 2: stored as a DWORD; 3: "70000", beyond 16 bits.
        {L"CurrentMajorVersionNumber", 0}, {L"CurrentMinorVersionNumber", 0}, {L"CurrentBuildNumber", 0},
        {L"CurrentMajorVersionNumber", 1}, {L"CurrentBuildNumber", 2},        {L"CurrentBuildNumber", 3},
    };
    for (const auto& row : rows) {
        seed_defaults();
        if (row.kind == 0) {
            ASSERT_EQ(RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kCurrentVersion, row.name), ERROR_SUCCESS);
        } else if (row.kind == 2) {
            seed_.set_dword(kCurrentVersion, row.name, 22631);
        } else {
            seed_.set_string(kCurrentVersion, row.name, row.kind == 1 ? L"10" : L"70000");
        }
        OsVersion version;
        EXPECT_FALSE(GetOsVersion(version)) << row.name << " kind " << row.kind;
    }
}

TEST_F(GetOsVersionOnScratchMachine, BuildThatIsNotANumberThrows)
{
    seed_.set_string(kCurrentVersion, L"CurrentBuildNumber", L"unknown");
    OsVersion version;
    try {
        GetOsVersion(version);
        FAIL() << "no exception";
    } catch (const std::invalid_argument& error) {
        EXPECT_STREQ(error.what(), "invalid stoi argument");
    }
    seed_.set_string(kCurrentVersion, L"CurrentBuildNumber", L"123456789012");
    try {
        GetOsVersion(version);
        FAIL() << "no exception";
    } catch (const std::out_of_range& error) {
        EXPECT_STREQ(error.what(), "stoi argument out of range");
    }
}

}  // namespace
}  // namespace qev::sysinfo
