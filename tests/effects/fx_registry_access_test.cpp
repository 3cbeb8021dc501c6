#include "effects/settings/fx_registry_access.h"

#include <functional>
#include <iostream>
#include <sstream>

#include "effects_on_laptop.h"
#include "effects/settings/endpoint_fx_paths.h"
#include "effects/settings/fx_value_names.h"
#include "key_security_probe.h"

namespace qev::effects::test {
namespace {

constexpr wchar_t kMissingKey[] = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\qevNoSuchKey";
constexpr wchar_t kLocalMachine[] = L"HKEY_LOCAL_MACHINE\\";
constexpr wchar_t kAdministrators[] = L"S-1-5-32-544";
constexpr wchar_t kUsers[] = L"S-1-5-32-545";

// Takes what is written to the wide standard output while alive.
struct WideOutput {
    std::wostringstream text;
    std::wstreambuf* const previous = std::wcout.rdbuf(text.rdbuf());
    ~WideOutput() { std::wcout.rdbuf(previous); }
};

winsys::test::KeySecurityProbe Probe(const std::wstring& key)
{
    return winsys::test::KeySecurityProbe(key.substr(std::wstring(kLocalMachine).size()));
}

TEST_F(EffectsOnLaptop, RegistryFailureIsOneExpLineAndChangesNothing)
{
    Load();
    const std::wstring micFx = EndpointFxPaths::EndpointFxKeyPath(kMicArray, EndpointDirection::Capture);
    struct Row {
        const char* name;
        std::function<bool(std::vector<std::wstring>&)> operation;
        std::wstring line;
    };
    const Row rows[] = {
        {"read from a missing key",
         [](std::vector<std::wstring>& out) { return FxRegistryAccess::RegReadMultiString(kMissingKey, L"x", out); },
         L"exp: Error while reading registry value " + std::wstring(kMissingKey) + L": "},
        {"list read as a DWORD",
         [&](std::vector<std::wstring>&) {
             DWORD value = 7;
             return FxRegistryAccess::RegReadDword(micFx, kModeEffectList, value) || value != 7;
         },
         L"exp: Registry value " + micFx + L"\\" + kModeEffectList + L" has wrong type\n"},
        {"write to a missing key",
         [](std::vector<std::wstring>&) { return FxRegistryAccess::RegWriteDword(kMissingKey, L"x", 1); },
         L"exp: Error while setting security information for registry key " + std::wstring(kMissingKey) + L": "},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<std::wstring> out = {L"untouched"};
        const WideOutput output;
        EXPECT_FALSE(row.operation(out));
        EXPECT_EQ(out, std::vector<std::wstring>{L"untouched"});
        const std::wstring text = output.text.str();
        EXPECT_EQ(text.substr(0, row.line.size()), row.line);
        EXPECT_EQ(text.rfind(L"exp: "), 0u) << "one report";
        EXPECT_EQ(text.back(), L'\n');
    }
    EXPECT_FALSE(FxRegistryAccess::RegKeyExists(kMissingKey));
}

TEST_F(EffectsOnLaptop, WritesAndCopiesOpenKeysToAdministratorsButNotToUsers)
{
    Load();
    const std::wstring speakersFx = EndpointFxPaths::EndpointFxKeyPath(kSpeakers, EndpointDirection::Render);
    const std::wstring micFx = EndpointFxPaths::EndpointFxKeyPath(kMicArray, EndpointDirection::Capture);
    const std::wstring copy = EndpointFxPaths::EndpointKeyPath(kSpeakers, EndpointDirection::Render) + L"\\Copy";
    ASSERT_TRUE(Probe(speakersFx).apply(L"O:BUD:(A;;KR;;;WD)"));

    EXPECT_TRUE(FxRegistryAccess::RegWriteDword(speakersFx, kStoreMarkerValue, 0));
    EXPECT_TRUE(FxRegistryAccess::RegCopyKeyTree(copy, micFx));

    DWORD marker = 1;
    EXPECT_TRUE(FxRegistryAccess::RegReadDword(speakersFx, kStoreMarkerValue, marker));
    EXPECT_EQ(marker, 0u);
    std::vector<std::wstring> copied;
    EXPECT_TRUE(FxRegistryAccess::RegReadMultiString(copy, kStreamEffectList, copied));
    EXPECT_EQ(copied, std::vector<std::wstring>{L"{2d5f4e6a-7b8c-4d9e-a0b1-c2d3e4f5a6b7}"});
    EXPECT_TRUE(FxRegistryAccess::RegKeyExists(copy + L"\\{4D99D9D2-C5DE-4A46-8E6E-6D7307FE73FF}\\Volatile"));
    EXPECT_EQ(Probe(speakersFx).owner(), kAdministrators);
    for (const std::wstring& key : {speakersFx, copy}) {
        SCOPED_TRACE(std::string(key.begin(), key.end()));
        EXPECT_TRUE(Probe(key).allows(kAdministrators, KEY_ALL_ACCESS, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE));
        EXPECT_FALSE(Probe(key).allows(kUsers, KEY_ALL_ACCESS, 0));
    }
}

}  // namespace
}  // namespace qev::effects::test
