#include "sysinfo/apo_library_directory.h"

#include "registry_seed.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace qev::sysinfo {
namespace {

using test::RegistrySeed;

constexpr wchar_t kClassKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Class\\{5989fce8-9cd0-467d-8a6a-5419e31529d4}";
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
    std::wstring date;  // as Windows keeps it in the class key: month-day-year
    std::wstring version;
    std::wstring class_id;
    std::wstring server;
};

void add_driver(RegistrySeed& seed, const DriverEntry& entry)
{
    const std::wstring key = std::wstring(kClassKey) + L"\\" + entry.subkey;
    seed.create(key);
    const std::pair<const wchar_t*, const std::wstring*> values[] = {
        {L"DriverDesc", &entry.description}, {L"DriverDate", &entry.date}, {L"DriverVersion", &entry.version}};
    for (const auto& [name, text] : values) {
        if (!text->empty()) {
            seed.set_string(key, name, *text);
        }
    }
    const std::wstring server_key = key + L"\\Classes\\CLSID\\" + entry.class_id + L"\\InProcServer32";
    seed.set_string(server_key, L"", entry.server, REG_EXPAND_SZ);
    seed.set_string(server_key, L"ThreadingModel", L"Both");
}

TEST(FindApoLibraryDirectory, PicksLatestDateThenHighestVersionAmongQualifyingDrivers)
{
    const struct {
        const char* name;
        std::vector<DriverEntry> drivers;
        std::wstring expected;
    } cases[] = {
        {"latest date, then highest version, in either order",
         {{L"9901", L"vestaRion APO", L"3-1-2024", L"10.0.0.9", kTestClass, L"C:\\Drivers\\March\\apo.dll"},
          {L"9902", L"vestaRion APO", L"6-15-2024", L"10.0.0.7", kTestClass, L"C:\\Drivers\\JuneHigh\\apo.dll"},
          {L"9903", L"vestaRion APO", L"6-15-2024", L"10.0.0.5", kTestClass, L"C:\\Drivers\\JuneLow\\apo.dll"},
          {L"9904", L"vestaRion APO", L"6-15-2024", L"10.0.0.8", kTestClass, L"C:\\Drivers\\JuneTop\\apo.dll"},
          {L"9905", L"vestaRion APO", L"5-20-2024", L"11.0.0.0", kTestClass, L"C:\\Drivers\\May\\apo.dll"}},
         L"C:\\Drivers\\JuneTop"},
        {"first of equal entries stays",
         {{L"9901", L"vestaRion APO", L"6-15-2024", L"10.0.1.0", kTestClass, L"C:\\Drivers\\First\\apo.dll"},
          {L"9902", L"vestaRion APO", L"6-15-2024", L"10.0.1.0", kTestClass, L"C:\\Drivers\\Second\\apo.dll"}},
         L"C:\\Drivers\\First"},
        // Later, but: provider word in another case, no provider word, no version, no date, another class.
        {"entries that do not qualify are skipped",
         {{L"9901", L"vestaRion APO", L"1-10-2024", L"10.0.0.1", kTestClass, L"C:\\Drivers\\Good\\apo.dll"},
          {L"9902", L"VESTARION APO", L"1-1-2030", L"10.0.0.1", kTestClass, L"C:\\Drivers\\Case\\apo.dll"},
          {L"9903", L"Other APO", L"1-1-2030", L"10.0.0.1", kTestClass, L"C:\\Drivers\\Other\\apo.dll"},
          {L"9904", L"vestaRion APO", L"1-1-2030", L"", kTestClass, L"C:\\Drivers\\NoVersion\\apo.dll"},
          {L"9905", L"vestaRion APO", L"", L"10.0.0.1", kTestClass, L"C:\\Drivers\\NoDate\\apo.dll"},
          {L"9906", L"vestaRion APO", L"1-1-2030", L"10.0.0.1", kOtherClass, L"C:\\Drivers\\Class\\apo.dll"}},
         L"C:\\Drivers\\Good"},
        {"class id matches in any case",
         {{L"9901", L"vestaRion APO", L"1-10-2024", L"10.0.0.1", L"{0e5a1d11-7c3b-4b8e-9a11-5e7e57c1a001}",
           L"C:\\Drivers\\Lower\\apo.dll"}},
         L"C:\\Drivers\\Lower"},
        {"server path is expanded",
         {{L"9901", L"vestaRion APO", L"1-10-2024", L"10.0.0.1", kTestClass, L"%SystemRoot%\\System32\\qev\\apo.dll"}},
         expanded(L"%SystemRoot%\\System32\\qev")},
        {"unknown date still competes by version",
         {{L"9901", L"vestaRion APO", L"not a date", L"10.0.0.1", kTestClass, L"C:\\Drivers\\Undated\\apo.dll"}},
         L"C:\\Drivers\\Undated"},
        {"nothing above the starting point is chosen",
         {{L"9901", L"vestaRion APO", L"13-45-2024", L"0.0.0.0", kTestClass, L"C:\\Drivers\\Zero\\apo.dll"},
          {L"9902", L"vestaRion APO", L"1-1-1900", L"bad", kTestClass, L"C:\\Drivers\\Bad\\apo.dll"}},
         L""},
    };
    for (const auto& c : cases) {
        RegistrySeed seed;
        for (const DriverEntry& driver : c.drivers) {
            add_driver(seed, driver);
        }
        EXPECT_EQ(FindApoLibraryDirectory(kTestClass, L"vestaRion"), c.expected) << c.name;
    }
}

TEST(FindApoLibraryDirectory, GlobalRegistrationComesFirst)
{
    RegistrySeed seed;
    add_driver(seed, {L"9901", L"vestaRion APO", L"12-31-2030", L"99.0.0.0", kTestClass, L"C:\\Drivers\\New\\apo.dll"});
    seed.set_string(L"SOFTWARE\\Classes\\CLSID\\" + std::wstring(kTestClass) + L"\\InProcServer32", L"",
                    L"%SystemRoot%\\System32\\qevtest\\apo.dll", REG_EXPAND_SZ);
    EXPECT_EQ(FindApoLibraryDirectory(kTestClass, L"vestaRion"), expanded(L"%SystemRoot%\\System32\\qevtest"));
}

}  // namespace
}  // namespace qev::sysinfo
