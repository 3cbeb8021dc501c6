#include "effects/settings/endpoint_fx_registry.h"

#include "effects_on_laptop.h"
#include "winsys/registry.h"

namespace qev::effects::test {
namespace {

constexpr wchar_t kCodecInterface[] =
    L"intelaudio#func_01&ven_14f1&dev_1f86&subsys_17aa22e6&rev_1000#5&2f1a3b7c&0&0001#"
    L"{6994ad04-93ef-11d0-a3cc-00a0c9223196}";
constexpr wchar_t kListedMarker[] = L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},6666";
constexpr wchar_t kFallbackHardwareId[] = L"{b3f8fa53-0004-438e-9003-51a46e139bfc},2";
// A foreign CLSID the machine does not carry.
constexpr wchar_t kOther[] = L"{0a0b0c0d-1111-4222-8333-444455556666}";

std::wstring CodecFilter(const std::wstring& name)
{
    return L"{2}.\\\\?\\" + std::wstring(kCodecInterface) + L"\\" + name;
}

std::vector<std::wstring> SetFilterPath(const wchar_t* id, const std::wstring& path)
{
    return {L"set-prop", id, L"device", kFilterPathValue, L"sz", path};
}

// A check that fails reads -1, else its bool answer.
int Answer(bool known, bool answer)
{
    return known ? static_cast<int>(answer) : -1;
}

TEST_F(EffectsOnLaptop, ListedHardwareAndExcludedTopologiesDecideEligibility)
{
    struct Row {
        const char* name;
        const wchar_t* id;
        Edits edits;
        const wchar_t* excludedTopology;  // null: the machine's list; empty: no value
        int listed;
        int excluded;
    };
    const Edits marked = {SetFx(kUsbSpeakers, kListedMarker, L"dword", {L"1"})};
    const Edits unmarked = {SetFx(kUsbSpeakers, kListedMarker, L"dword", {L"0"})};
    const Edits noIds = {{L"set-prop", kHandsFree, L"device", kFallbackHardwareId, L"empty"},
                         {L"set-prop", kHandsFree, L"device", kFilterPathValue, L"empty"}};
    const Edits mixWave = {SetFilterPath(kUsbSpeakers, CodecFilter(L"RtStereoMixWave"))};
    const Row rows[] = {
        {"codec speakers match a hardware-id pattern", kSpeakers, {}, nullptr, 1, 0},
        {"USB speakers", kUsbSpeakers, {}, nullptr, 0, 0},
        {"USB speakers marked 6666 = 1", kUsbSpeakers, marked, nullptr, 1, 0},
        {"USB speakers marked 6666 = 0", kUsbSpeakers, unmarked, nullptr, 0, 0},
        {"hands-free without hardware id and filter path", kHandsFree, noIds, nullptr, 1, -1},
        {"Stereo Mix by the product's list", kStereoMix, {}, nullptr, 1, 1},
        {"RtStereoMixWave by the default patterns", kUsbSpeakers, mixWave, L"", 0, 1},
        {"a product pattern of its own", kUsbSpeakers, {}, L"\\\\GLOBAL$", 0, 1},
        {"a product pattern that is no regular expression", kUsbSpeakers, {}, L"(global", 0, -1},
        {"an endpoint not on the machine", kNotOnMachine, {}, nullptr, -1, -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Load(row.edits);
        const std::wstring productKey = winsys::kOwnSettingsKey;
        if (row.excludedTopology != nullptr && *row.excludedTopology == L'\0') {
            ASSERT_TRUE(EndpointFxRegistry::RegDeleteValue(productKey, kExcludedTopologyValue));
        } else if (row.excludedTopology != nullptr) {
            ASSERT_TRUE(
                EndpointFxRegistry::RegWriteMultiString(productKey, kExcludedTopologyValue, {row.excludedTopology}));
        }
        bool listed = false;
        bool excluded = false;
        const bool listedKnown = EndpointFxRegistry::IsListedHardware(row.id, listed);
        const bool excludedKnown = EndpointFxRegistry::IsExcludedTopology(row.id, EndpointDirection::Unknown, excluded);
        EXPECT_EQ(Answer(listedKnown, listed), row.listed);
        EXPECT_EQ(Answer(excludedKnown, excluded), row.excluded);
        EXPECT_EQ(EndpointFxRegistry::IsEligibleEndpoint(row.id), row.listed == 0 && row.excluded == 0);
    }
}

TEST_F(EffectsOnLaptop, DriverFxKeyIsUnderTheTopologyFilterOfTheWaveFilter)
{
    const std::wstring interfaceKey =
        L"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\"
        L"{6994ad04-93ef-11d0-a3cc-00a0c9223196}\\##?#" +
        std::wstring(kCodecInterface);
    const std::wstring speakerTopology = interfaceKey + L"\\#SpeakerTopo\\Device Parameters\\FX\\0";
    struct Row {
        const char* name;
        const wchar_t* id;
        std::wstring filterPath;  // empty: the machine's
        std::wstring key;         // empty: none found
    };
    const Row rows[] = {
        {"speaker wave", kSpeakers, L"", speakerTopology},
        {"microphone wave", kMicArray, L"", interfaceKey + L"\\#MicInTopo\\Device Parameters\\FX\\0"},
        {"numbered wave, found without its number", kSpeakers, CodecFilter(L"speaker_1wave"), speakerTopology},
        {"reference name without wave", kSpeakers, CodecFilter(L"speaker"), L""},
        {"reference name that makes no pattern", kSpeakers, CodecFilter(L"speaker(wave"), L""},
        {"filter of another KS category", kSpeakers,
         L"{2}.\\\\?\\intelaudio#func_01#{65e8773e-8f56-11d0-a3b9-00a0c9223196}\\speakerwave", L""},
        {"interface without DeviceClasses key", kUsbSpeakers,
         L"{2}.\\\\?\\usb#vid_046d&pid_0a8f#{6994ad04-93ef-11d0-a3cc-00a0c9223196}\\speakerwave", L""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Load(row.filterPath.empty() ? Edits{} : Edits{SetFilterPath(row.id, row.filterPath)});
        std::wstring key;
        EXPECT_EQ(EndpointFxRegistry::DriverFxKeyPath(row.id, EndpointDirection::Unknown, key), !row.key.empty());
        EXPECT_EQ(key, row.key);
    }
}

TEST_F(EffectsOnLaptop, ApoInTheCompositeListsIsRecognisedComparedAndRemoved)
{
    const std::wstring genericApo = L"{F005D60E-B43A-46CF-BAD3-6ACB1D314511}";
    struct Row {
        const char* name;
        const wchar_t* id;
        Edits edits;
        ApoRegistration registration;
        StoreGeneration generation;
        bool hasApo;
        int differs;
        std::vector<std::wstring> after;  // ",13", ",14", ",15" after the removal
    };
    const auto none = ApoRegistration::None;
    const auto noStore = StoreGeneration::None;
    const Edits captureInModes = {
        SetFx(kMicArray, kModeEffectList, L"multi", {kForeign14, L"{fb19aa08-04a2-4810-8846-df71a3da56db}"})};
    const Edits genericAlone = {SetFx(kSpeakers, kEndpointEffectList, L"multi", {genericApo}),
                                SetFx(kSpeakers, kFxSettingsMarkerValue, L"dword", {L"1"})};
    const Edits otherOnes = {SetFx(kSpeakers, kStreamEffectList, L"multi", {kOther})};
    const Edits oneMore = {SetFx(kSpeakers, kStreamEffectList, L"multi", {kForeign13, kOther})};
    const Edits captureOnRender = {
        SetFx(kSpeakers, kModeEffectList, L"multi", {L"{FB19AA08-04A2-4810-8846-DF71A3DA56DB}"})};
    const auto perApo = StoreGeneration::PerApoStores;
    const std::vector<std::wstring> driver = {kForeign13, kForeign14, kForeign15};
    const std::vector<std::wstring> gone = {L"-", L"-", L"-"};
    const std::vector<std::wstring> noGeneric = {kForeign13, kForeign14, L"-"};
    const std::vector<std::wstring> others = {kOther, kForeign14, kForeign15};
    const std::vector<std::wstring> more = {kForeign13 + std::wstring(L"|") + kOther, kForeign14, kForeign15};
    const std::vector<std::wstring> noMode = {kForeign13, L"-", kForeign15};
    const Row rows[] = {
        {"microphone without the APO", kMicArray, {}, none, perApo, false, 0, driver},
        {"capture CLSID in the mode list", kMicArray, captureInModes, ApoRegistration::DirectionSpecific, perApo, true,
         0, driver},
        {"generic APO alone, settings in FX", kSpeakers, genericAlone, ApoRegistration::Generic,
         StoreGeneration::FxValues, true, 1, noGeneric},
        {"as many foreign CLSIDs as the driver", kSpeakers, otherOnes, none, noStore, false, 0, others},
        {"one foreign CLSID more than the driver", kSpeakers, oneMore, none, noStore, false, 1, more},
        {"capture CLSID on render speakers", kSpeakers, captureOnRender, none, noStore, true, 1, noMode},
        {"an endpoint not on the machine", kNotOnMachine, {}, none, noStore, false, -1, gone},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Load(row.edits);
        StoreGeneration generation = StoreGeneration::FxValues;
        ApoRegistration registration = ApoRegistration::Generic;
        EndpointFxRegistry::GetStoreGeneration(row.id, generation, registration);
        EXPECT_EQ(generation, row.generation);
        EXPECT_EQ(registration, row.registration);
        EXPECT_EQ(EndpointFxRegistry::FindRegisteredApo(row.id), row.registration);
        EXPECT_EQ(EndpointFxRegistry::HasApoInFx(row.id, EndpointDirection::Unknown), row.hasApo);
        bool differs = false;
        const bool compared = EndpointFxRegistry::CompareFxWithDriver(row.id, EndpointDirection::Unknown, differs);
        EXPECT_EQ(Answer(compared, differs), row.differs);
        EndpointFxRegistry::RemoveApoFromFx(row.id, EndpointDirection::Unknown);
        const std::vector<std::wstring> after = {FxText(row.id, kStreamEffectList), FxText(row.id, kModeEffectList),
                                                 FxText(row.id, kEndpointEffectList)};
        EXPECT_EQ(after, row.after);
    }
}

TEST(EndpointFxPaths, IdWithoutBracedGuidHasNoKey)
{
    EXPECT_EQ(EndpointFxRegistry::EndpointKeyPath(L"no braced GUID", EndpointDirection::Render), L"");
    EXPECT_EQ(EndpointFxRegistry::EndpointFxKeyPath(L"no braced GUID", 2u), L"");
}

}  // namespace
}  // namespace qev::effects::test
