#include "sysinfo/apo_library_directory.h"

#include "sysinfo/apo_class_registration.h"

#include "local_machine_override.h"
#include "registry_seed.h"

#include <gtest/gtest.h>

#include <vector>

namespace qev::sysinfo {
namespace {

using test::RegistrySeed;

constexpr wchar_t kClassKey[] =
    L"SYSTEM\\CurrentControlSet\\Control\\Class\\{5989fce8-9cd0-467d-8a6a-5419e31529d4}";
// Class ids of our own, so entries of other packages on the machine never match.
constexpr wchar_t kTestClass[] = L"{0E5A1D11-7C3B-4B8E-9A11-5E7E57C1A001}";
constexpr wchar_t kOtherClass[] = L"{0E5A1D11-7C3B-4B8E-9A11-5E7E57C1A002}";

std::wstring expanded(const std::wstring& text)
{
    wchar_t buffer[MAX_PATH * 2] = {};
    ExpandEnvironmentStringsW(text.c_str(), buffer, MAX_PATH * 2);
    return buffer;
}

struct DriverEntry {
    std::wstring subkey;
    std::wstring description;
    std::wstring date;     // as Windows keeps it in the class key: month-day-year
    std::wstring version;
    std::wstring class_id;
    std::wstring server;
};

class FindApoLibraryDirectoryTest : public ::testing::Test {
protected:
    void add_driver(const DriverEntry& entry)
    {
        const std::wstring key = std::wstring(kClassKey) + L"\\" + entry.subkey;
        seed_.create(key);
        if (!entry.description.empty()) {
            seed_.set_string(key, L"DriverDesc", entry.description);
        }
        if (!entry.date.empty()) {
            seed_.set_string(key, L"DriverDate", entry.date);
        }
        if (!entry.version.empty()) {
            seed_.set_string(key, L"DriverVersion", entry.version);
        }
        const std::wstring server_key = key + L"\\Classes\\CLSID\\" + entry.class_id + L"\\InProcServer32";
        seed_.set_string(server_key, L"", entry.server, REG_EXPAND_SZ);
        seed_.set_string(server_key, L"ThreadingModel", L"Both");
    }

    void register_globally(const std::wstring& class_id, const std::wstring& server)
    {
        const std::wstring key = L"SOFTWARE\\Classes\\CLSID\\" + class_id + L"\\InProcServer32";
        seed_.set_string(key, L"", server, REG_EXPAND_SZ);
    }

    RegistrySeed seed_;
};

TEST_F(FindApoLibraryDirectoryTest, GlobalRegistrationComesFirst)
{
    add_driver({L"9901", L"vestaRion APO", L"12-31-2030", L"99.0.0.0", kTestClass, L"C:\\Drivers\\Newest\\apo.dll"});
    register_globally(kTestClass, L"%SystemRoot%\\System32\\qevtest\\apo.dll");
    EXPECT_EQ(FindApoLibraryDirectory(kTestClass, L"vestaRion"), expanded(L"%SystemRoot%\\System32\\qevtest"));
}

TEST_F(FindApoLibraryDirectoryTest, LatestDateThenHighestVersionAmongDrivers)
{
    add_driver({L"9901", L"vestaRion APO", L"3-1-2024", L"10.0.0.9", kTestClass, L"C:\\Drivers\\March\\apo.dll"});
    add_driver({L"9902", L"vestaRion APO", L"6-15-2024", L"10.0.0.7", kTestClass, L"C:\\Drivers\\JuneHigh\\apo.dll"});
    add_driver({L"9903", L"vestaRion APO", L"6-15-2024", L"10.0.0.5", kTestClass, L"C:\\Drivers\\JuneLow\\apo.dll"});
    add_driver({L"9904", L"vestaRion APO", L"5-20-2024", L"11.0.0.0", kTestClass, L"C:\\Drivers\\May\\apo.dll"});
    EXPECT_EQ(FindApoLibraryDirectory(kTestClass, L"vestaRion"), L"C:\\Drivers\\JuneHigh");
}

TEST_F(FindApoLibraryDirectoryTest, LaterVersionWinsOnTheSameDateWhateverTheOrder)
{
    add_driver({L"9901", L"vestaRion APO", L"6-15-2024", L"10.0.1.0", kTestClass, L"C:\\Drivers\\Low\\apo.dll"});
    add_driver({L"9902", L"vestaRion APO", L"6-15-2024", L"10.0.2.0", kTestClass, L"C:\\Drivers\\High\\apo.dll"});
    EXPECT_EQ(FindApoLibraryDirectory(kTestClass, L"vestaRion"), L"C:\\Drivers\\High");
}

TEST_F(FindApoLibraryDirectoryTest, FirstOfEqualEntriesStays)
{
    add_driver({L"9901", L"vestaRion APO", L"6-15-2024", L"10.0.1.0", kTestClass, L"C:\\Drivers\\First\\apo.dll"});
    add_driver({L"9902", L"vestaRion APO", L"6-15-2024", L"10.0.1.0", kTestClass, L"C:\\Drivers\\Second\\apo.dll"});
    EXPECT_EQ(FindApoLibraryDirectory(kTestClass, L"vestaRion"), L"C:\\Drivers\\First");
}

TEST_F(FindApoLibraryDirectoryTest, EntriesThatDoNotQualifyAreSkipped)
{
    add_driver({L"9901", L"vestaRion APO", L"1-10-2024", L"10.0.0.1", kTestClass, L"C:\\Drivers\\Good\\apo.dll"});
    // Later, but: provider word in another case, no provider word, missing version, missing date,
    // another class.
    add_driver({L"9902", L"VESTARION APO", L"1-1-2030", L"10.0.0.1", kTestClass, L"C:\\Drivers\\Case\\apo.dll"});
    add_driver({L"9903", L"Other APO", L"1-1-2030", L"10.0.0.1", kTestClass, L"C:\\Drivers\\Other\\apo.dll"});
    add_driver({L"9904", L"vestaRion APO", L"1-1-2030", L"", kTestClass, L"C:\\Drivers\\NoVersion\\apo.dll"});
    add_driver({L"9905", L"vestaRion APO", L"", L"10.0.0.1", kTestClass, L"C:\\Drivers\\NoDate\\apo.dll"});
    add_driver({L"9906", L"vestaRion APO", L"1-1-2030", L"10.0.0.1", kOtherClass, L"C:\\Drivers\\Class\\apo.dll"});
    EXPECT_EQ(FindApoLibraryDirectory(kTestClass, L"vestaRion"), L"C:\\Drivers\\Good");
}

TEST_F(FindApoLibraryDirectoryTest, ClassIdMatchesInAnyCase)
{
    std::wstring lower = kTestClass;
    for (wchar_t& c : lower) {
        c = static_cast<wchar_t>(towlower(c));
    }
    add_driver({L"9901", L"vestaRion APO", L"1-10-2024", L"10.0.0.1", lower, L"C:\\Drivers\\Lower\\apo.dll"});
    EXPECT_EQ(FindApoLibraryDirectory(kTestClass, L"vestaRion"), L"C:\\Drivers\\Lower");
}

TEST_F(FindApoLibraryDirectoryTest, ExpandsTheDriverServerPath)
{
    add_driver({L"9901", L"vestaRion APO", L"1-10-2024", L"10.0.0.1", kTestClass, L"%SystemRoot%\\System32\\qev\\apo.dll"});
    EXPECT_EQ(FindApoLibraryDirectory(kTestClass, L"vestaRion"), expanded(L"%SystemRoot%\\System32\\qev"));
}

TEST_F(FindApoLibraryDirectoryTest, UnknownDateStillCompetesByVersion)
{
    add_driver({L"9901", L"vestaRion APO", L"not a date", L"10.0.0.1", kTestClass, L"C:\\Drivers\\Undated\\apo.dll"});
    EXPECT_EQ(FindApoLibraryDirectory(kTestClass, L"vestaRion"), L"C:\\Drivers\\Undated");
}

TEST_F(FindApoLibraryDirectoryTest, NothingAboveTheStartingPointIsNotChosen)
{
    add_driver({L"9901", L"vestaRion APO", L"13-45-2024", L"0.0.0.0", kTestClass, L"C:\\Drivers\\Zero\\apo.dll"});
    add_driver({L"9902", L"vestaRion APO", L"1-1-1900", L"bad", kTestClass, L"C:\\Drivers\\Bad\\apo.dll"});
    EXPECT_EQ(FindApoLibraryDirectory(kTestClass, L"vestaRion"), L"");
}

TEST_F(FindApoLibraryDirectoryTest, NoCandidateGivesEmpty)
{
    EXPECT_EQ(FindApoLibraryDirectory(kTestClass, L"vestaRion"), L"");
}

TEST_F(FindApoLibraryDirectoryTest, RegisteredClassIsFoundThroughItsRegistration)
{
    seed_.remove_at_end(L"SOFTWARE\\Classes\\CLSID\\" + std::wstring(kTestClass));
    ASSERT_TRUE(RegisterApoClass(kTestClass, L"D:\\Vendor\\qEv\\apo.dll"));
    EXPECT_EQ(FindApoLibraryDirectory(kTestClass, L"vestaRion"), L"D:\\Vendor\\qEv");
}

TEST(FindApoLibraryDirectoryOnEmptyMachine, GivesEmpty)
{
    test::LocalMachineOverride machine;
    ASSERT_TRUE(machine.active());
    EXPECT_EQ(FindApoLibraryDirectory(kTestClass, L"vestaRion"), L"");
}

}  // namespace
}  // namespace qev::sysinfo
