#include "sysinfo/os_version.h"

#include "local_machine_override.h"
#include "registry_seed.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <stdexcept>

namespace qev::sysinfo {
namespace {

using test::LocalMachineOverride;
using test::RegistrySeed;

constexpr wchar_t kCurrentVersion[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

bool read_prefix_dword(const wchar_t* name, DWORD& value)
{
    DWORD size = sizeof(value);
    return RegGetValueW(HKEY_LOCAL_MACHINE, kCurrentVersion, name, RRF_RT_REG_DWORD, nullptr, &value, &size) ==
           ERROR_SUCCESS;
}

// A prefix set to Windows 10 (winecfg -v win10) has the version numbers and no "UBR"; a fresh Wine 8
// prefix presents Windows 7, which has no "CurrentMajorVersionNumber", so the version cannot be read.
TEST(GetOsVersion, ReadsThePrefixVersion)
{
    const test::StoredString build_text =
        test::ReadStoredString(HKEY_LOCAL_MACHINE, kCurrentVersion, L"CurrentBuildNumber");
    ASSERT_EQ(build_text.type, static_cast<DWORD>(REG_SZ));
    DWORD major = 0;
    DWORD minor = 0;
    DWORD ubr = 0;
    const bool has_numbers = read_prefix_dword(L"CurrentMajorVersionNumber", major) &&
                             read_prefix_dword(L"CurrentMinorVersionNumber", minor);
    const bool has_ubr = read_prefix_dword(L"UBR", ubr);

    OsVersion version;
    ASSERT_EQ(GetOsVersion(version), has_numbers);
    EXPECT_EQ(version.major, major);
    EXPECT_EQ(version.minor, minor);
    EXPECT_EQ(version.build, std::wcstoul(build_text.text.c_str(), nullptr, 10));
    EXPECT_EQ(version.revision, has_ubr ? ubr : 0u);
    if (has_numbers) {
        EXPECT_EQ(version.major, 10);
        EXPECT_GE(version.build, 10240);
    }
}

class GetOsVersionOnScratchMachine : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(machine_.active());
        seed_.set_dword(kCurrentVersion, L"CurrentMajorVersionNumber", 10);
        seed_.set_dword(kCurrentVersion, L"CurrentMinorVersionNumber", 0);
        seed_.set_string(kCurrentVersion, L"CurrentBuildNumber", L"22631");
    }

    LocalMachineOverride machine_;
    RegistrySeed seed_;
};

TEST_F(GetOsVersionOnScratchMachine, WithoutUbrTheRevisionIsZero)
{
    OsVersion version{1, 1, 1, 77};
    ASSERT_TRUE(GetOsVersion(version));
    EXPECT_EQ(version.major, 10);
    EXPECT_EQ(version.minor, 0);
    EXPECT_EQ(version.build, 22631);
    EXPECT_EQ(version.revision, 0);
}

TEST_F(GetOsVersionOnScratchMachine, ReadsEveryField)
{
    seed_.set_dword(kCurrentVersion, L"UBR", 4460);
    seed_.set_dword(kCurrentVersion, L"CurrentMinorVersionNumber", 3);
    OsVersion version;
    ASSERT_TRUE(GetOsVersion(version));
    EXPECT_EQ(version.major, 10);
    EXPECT_EQ(version.minor, 3);
    EXPECT_EQ(version.build, 22631);
    EXPECT_EQ(version.revision, 4460);
}

TEST_F(GetOsVersionOnScratchMachine, MissingMajorFails)
{
    ASSERT_EQ(RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kCurrentVersion, L"CurrentMajorVersionNumber"), ERROR_SUCCESS);
    OsVersion version;
    EXPECT_FALSE(GetOsVersion(version));
}

TEST_F(GetOsVersionOnScratchMachine, MissingMinorFails)
{
    ASSERT_EQ(RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kCurrentVersion, L"CurrentMinorVersionNumber"), ERROR_SUCCESS);
    OsVersion version;
    EXPECT_FALSE(GetOsVersion(version));
}

TEST_F(GetOsVersionOnScratchMachine, MajorThatIsNotADwordFails)
{
    seed_.set_string(kCurrentVersion, L"CurrentMajorVersionNumber", L"10");
    OsVersion version;
    EXPECT_FALSE(GetOsVersion(version));
}

TEST_F(GetOsVersionOnScratchMachine, MissingBuildFails)
{
    ASSERT_EQ(RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kCurrentVersion, L"CurrentBuildNumber"), ERROR_SUCCESS);
    OsVersion version;
    EXPECT_FALSE(GetOsVersion(version));
}

TEST_F(GetOsVersionOnScratchMachine, BuildThatIsADwordFails)
{
    seed_.set_dword(kCurrentVersion, L"CurrentBuildNumber", 22631);
    OsVersion version;
    EXPECT_FALSE(GetOsVersion(version));
}

TEST_F(GetOsVersionOnScratchMachine, BuildThatIsNotANumberThrowsInvalidArgument)
{
    seed_.set_string(kCurrentVersion, L"CurrentBuildNumber", L"unknown");
    OsVersion version;
    try {
        GetOsVersion(version);
        FAIL() << "no exception";
    } catch (const std::invalid_argument& error) {
        EXPECT_STREQ(error.what(), "invalid stoi argument");
    }
}

TEST_F(GetOsVersionOnScratchMachine, BuildOutOfRangeThrowsOutOfRange)
{
    seed_.set_string(kCurrentVersion, L"CurrentBuildNumber", L"123456789012");
    OsVersion version;
    try {
        GetOsVersion(version);
        FAIL() << "no exception";
    } catch (const std::out_of_range& error) {
        EXPECT_STREQ(error.what(), "stoi argument out of range");
    }
}

TEST_F(GetOsVersionOnScratchMachine, BuildBeyondSixteenBitsFails)
{
    seed_.set_string(kCurrentVersion, L"CurrentBuildNumber", L"70000");
    OsVersion version;
    EXPECT_FALSE(GetOsVersion(version));
}

}  // namespace
}  // namespace qev::sysinfo
