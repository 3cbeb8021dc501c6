#include "effects/application/endpoint_scan.h"

#include "effects_on_laptop.h"
#include "debug_output_capture.h"
#include "effects/environment/apo_environment.h"
#include "winaudio/com_init_guard.h"

namespace qev::effects::test {
namespace {

constexpr wchar_t kList13[] = L"{d04e05a6-594b-4fb6-a80d-01af5eed7d1d},13";
constexpr wchar_t kList14[] = L"{d04e05a6-594b-4fb6-a80d-01af5eed7d1d},14";
constexpr wchar_t kList15[] = L"{d04e05a6-594b-4fb6-a80d-01af5eed7d1d},15";
constexpr wchar_t kModes5[] = L"{d3993a3f-99c2-4402-b5ec-a92a0367664b},5";
constexpr wchar_t kModes6[] = L"{d3993a3f-99c2-4402-b5ec-a92a0367664b},6";
constexpr wchar_t kModes7[] = L"{d3993a3f-99c2-4402-b5ec-a92a0367664b},7";
constexpr wchar_t kDefaultRaw[] = L"{C18E2F7E-933D-4965-B7D1-1EEF228D2AF3}|{9E90EA20-B493-4FD1-A1A8-7E1361A956CF}";
constexpr wchar_t kDefaultMode[] = L"{C18E2F7E-933D-4965-B7D1-1EEF228D2AF3}";
constexpr wchar_t kRecovery9983[] = L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},9983";
constexpr wchar_t kUnlistedCodec[] = L"HDAUDIO\\FUNC_01&VEN_1106&DEV_4441&SUBSYS_00000000";
constexpr wchar_t kStereoMixFilter[] =
    L"{2}.\\\\?\\usb#vid_046d&pid_0a8f&mi_00#7&1c2d3e4f&0&0000#{6994ad04-93ef-11d0-a3cc-00a0c9223196}\\stereomixwave";

std::wstring Reference(const wchar_t* clsid)
{
    return std::wstring(clsid) + L",100";
}

std::wstring Joined(std::initializer_list<const wchar_t*> items)
{
    std::wstring text;
    for (const wchar_t* item : items) {
        text += (text.empty() ? L"" : L"|") + std::wstring(item);
    }
    return text;
}

TEST_F(ApoLaptop, ScanBringsEachEndpointIntoTheStateTheEnvironmentAsksFor)
{
    using Values = std::vector<std::pair<std::wstring, std::wstring>>;  // FX value name, text after the scans
    const wchar_t* const other = L"{0a0b0c0d-1111-4222-8333-444455556666}";
    const Values usbSpeakers = {
        {kList13, kStream},      {kList14, kRenderMode},           {kModes6, kDefaultRaw},
        {kModes7, kDefaultMode}, {Reference(kStream), kApoDevice}, {Reference(kRenderMode), kApoDevice}};
    const Values usbMic = {{kList13, kStream},      {kList14, kCaptureMode}, {kList15, kEndpointFx},
                           {kModes5, kDefaultMode}, {kModes6, kDefaultRaw},  {Reference(kCaptureMode), L"-"}};
    const Edits unlistedMix = {
        SetFx(kStereoMix, kList13, L"multi", {kForeign13, kStream}),
        {L"set-prop", kStereoMix, L"device", L"{b3f8fa53-0004-438e-9003-51a46e139bfc},39", L"sz", kUnlistedCodec}};
    const Edits excludedMic = {
        SetFx(kUsbMic, kList13, L"multi", {kStream}),
        {L"set-prop", kUsbMic, L"device", L"{233164c8-1b2c-4c7d-bc68-b671687a2567},1", L"sz", kStereoMixFilter}};
    const Edits specific = {GenericSpeakers()[0], GenericSpeakers()[1],
                            SetFx(kUsbSpeakers, kList13, L"multi", {kStream}),
                            SetFx(kUsbSpeakers, kList14, L"multi", {kRenderMode})};
    const Values cleaned = {{kList13, L"-"}, {kList14, kGeneric}, {kModes6, kDefaultRaw}};
    const Edits foreign = {SetFx(kMicArray, kList13, L"multi", {other, kStream})};
    const Values foreignKept = {{kList13, Joined({other, kStream})}};
    const Edits reference = {SetFx(kMicArray, Reference(kCaptureMode), L"sz", {L"SWD\\DRIVERENUM\\x"})};
    const Values references = {
        {Reference(kStream), kApoDevice}, {Reference(kCaptureMode), kApoDevice}, {Reference(kEndpointFx), kApoDevice}};
    const Edits recovery = {SetFx(kMicArray, kRecovery9983, L"dword", {L"9"})};
    const std::wstring recovered = L"[qev] PKEY {e3c9c164-ad30-4aee-863e-01e4b0847f62},9983 of device " +
                                   std::wstring(kMicArray) + L" is recovered from 9 to 3\n";
    const Edits genericListed = {SetFx(kSpeakers, kList13, L"multi", {kForeign13}),
                                 SetFx(kSpeakers, kList14, L"multi", {kForeign14}),
                                 SetFx(kSpeakers, kList15, L"multi", {kForeign15, kGeneric})};
    const Values genericMoved = {
        {kList15, kForeign15}, {kList14, Joined({kForeign14, kGeneric})}, {Reference(kGeneric), kApoDevice}};
    struct Row {
        const char* name;
        unsigned build;
        const wchar_t* id;
        Edits edits;
        Values values;
        size_t restarts;    // over two scans
        int perApoKeys;     // -1: not checked
        std::wstring line;  // empty: none expected
    };
    const Row rows[] = {
        {"USB speakers get the render APO", 22631, kUsbSpeakers, {}, usbSpeakers, 1, 1, L""},
        {"USB microphone on Windows 10", 19045, kUsbMic, {}, usbMic, 1, -1, L""},
        {"unlisted Stereo Mix keeps driver lists", 22631, kStereoMix, unlistedMix, {{kList13, kForeign13}}, 0, -1, L""},
        {"excluded active USB APO restarted", 22631, kUsbMic, excludedMic, {{kList13, kStream}}, 2, -1, L""},
        {"specific where generic is asked", 22631, kUsbSpeakers, specific, cleaned, 1, -1, L""},
        {"as many foreign CLSIDs as driver", 19045, kMicArray, foreign, foreignKept, 0, -1, L""},
        {"mode 1 clears HKR references", 19045, kMicArray, reference, {{Reference(kCaptureMode), L"-"}}, 0, -1, L""},
        {"mode 2 writes missing HKR references", 22631, kMicArray, {}, references, 0, -1, L""},
        {"driver defaults are recovered", 19045, kMicArray, recovery, {{kRecovery9983, L"3"}}, 0, -1, recovered},
        {"generic listed: moves to mode list", 22631, kSpeakers, genericListed, genericMoved, 0, 0, L""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        LoadApo(row.build, row.edits);
        RebuildApoEnvironment();
        const DebugOutputCapture log;
        ScanAllEndpoints();
        ScanAllEndpoints();
        for (const auto& [name, text] : row.values) {
            EXPECT_EQ(FxText(row.id, name), text) << std::string(name.begin(), name.end());
        }
        EXPECT_EQ(log.count("[qev] Apply effect, device id: " + std::string(row.id, row.id + wcslen(row.id)) + "\n"),
                  row.restarts);
        if (row.perApoKeys >= 0) {
            const std::wstring key = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\MMDevices\\Audio\\" +
                                     std::wstring(row.id[5] == L'1' ? L"Capture\\" : L"Render\\") +
                                     std::wstring(row.id).substr(std::wstring(row.id).rfind(L'{')) +
                                     L"\\FxProperties\\{4D99D9D2-C5DE-4A46-8E6E-6D7307FE73FF}";
            EXPECT_EQ(winaudio::test::RegistryKeyExists(key), row.perApoKeys == 1);
        }
        EXPECT_TRUE(row.line.empty() || log.contains(row.line));
    }
}

}  // namespace
}  // namespace qev::effects::test
