#include "sysinfo/apo_software_devices.h"

#include "sysinfo/wide_text.h"

#include "registry_seed.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace qev::sysinfo {
namespace {

using test::RegistrySeed;

constexpr wchar_t kDevices[] = L"SYSTEM\\CurrentControlSet\\Enum\\SWD\\DRIVERENUM";

// Only the instances this test seeded, so devices of other packages on the machine do not count.
std::vector<std::wstring> ours(const std::vector<std::wstring>& paths)
{
    std::vector<std::wstring> result;
    std::copy_if(paths.begin(), paths.end(), std::back_inserter(result),
                 [](const std::wstring& path) { return path.find(L"qevtest") != std::wstring::npos; });
    return result;
}

TEST(ListApoSoftwareDevices, ListsApoClassInstancesWithParametersThatThePredicateAccepts)
{
    RegistrySeed seed;
    const auto add_instance = [&seed](const std::wstring& name, const std::wstring& class_guid, bool with_parameters) {
        const std::wstring key = std::wstring(kDevices) + L"\\" + name;
        seed.set_string(key, L"ClassGUID", class_guid);
        if (with_parameters) {
            seed.create(key + L"\\Device Parameters");
        }
    };
    add_instance(L"{qevtest-a}#VestaRionAPO&1", L"{5989fce8-9cd0-467d-8a6a-5419e31529d4}", true);
    add_instance(L"{qevtest-b}#vestaRionAPO&2", L"{5989FCE8-9CD0-467D-8A6A-5419E31529D4}", true);
    add_instance(L"{qevtest-c}#vestaRionAPO&NoParameters", L"{5989FCE8-9CD0-467D-8A6A-5419E31529D4}", false);
    add_instance(L"{qevtest-d}#OtherAPO&1", L"{5989FCE8-9CD0-467D-8A6A-5419E31529D4}", true);
    add_instance(L"{qevtest-e}#vestaRionAPO&Component", L"{5C4C3332-344D-483C-8739-259E934C9CC8}", true);
    seed.create(std::wstring(kDevices) + L"\\{qevtest-f}#vestaRionAPO&NoClass\\Device Parameters");

    std::vector<std::wstring> asked;
    std::vector<std::wstring> paths = {L"kept"};
    ASSERT_TRUE(ListApoSoftwareDevices(
        [&](const std::wstring& name) {
            asked.push_back(name);
            return ContainsIgnoreCase(name, L"vestaRionAPO");
        },
        paths));
    EXPECT_EQ(paths.front(), L"kept");
    const std::vector<std::wstring> expected = {
        L"SWD\\DRIVERENUM\\{qevtest-a}#VestaRionAPO&1",
        L"SWD\\DRIVERENUM\\{qevtest-b}#vestaRionAPO&2",
    };
    EXPECT_EQ(ours(paths), expected);
    // The predicate sees bare instance names, and only of APO devices with parameters.
    const std::vector<std::wstring> expected_asked = {
        L"{qevtest-a}#VestaRionAPO&1",
        L"{qevtest-b}#vestaRionAPO&2",
        L"{qevtest-d}#OtherAPO&1",
    };
    EXPECT_EQ(ours(asked), expected_asked);
}

}  // namespace
}  // namespace qev::sysinfo
