#include "scan_machine.h"

#include <cstdio>

namespace qev::bench {

namespace {

constexpr char kAudioKey[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\MMDevices\\Audio\\";
constexpr char kCodecInterface[] = "intelaudio#func_01&ven_14f1&dev_1f86&subsys_17aa22e6&rev_1000#5&2f1a3b7c&0&";
constexpr char kAudioCategory[] = "#{6994ad04-93ef-11d0-a3cc-00a0c9223196}";
constexpr char kCodecHardwareId[] = "INTELAUDIO\\\\FUNC_01&VEN_14F1&DEV_1F86&SUBSYS_17AA22E6&REV_1000";
constexpr char kForeignLists[] =
    "\"{d04e05a6-594b-4fb6-a80d-01af5eed7d1d},13\"=multi:\"{2d5f4e6a-7b8c-4d9e-a0b1-"
    "c2d3e4f5a6b7}\"%s\n\"{d04e05a6-594b-4fb6-a80d-01af5eed7d1d},14\"=multi:\"{3e6a5f7b-"
    "8c9d-4eaf-b1c2-d3e4f5a6b7c8}\"%s\n\"{d3993a3f-99c2-4402-b5ec-a92a0367664b},6\"=multi:"
    "\"{c18e2f7e-933d-4965-b7d1-1eef228d2af3}\"\n";

enum class Kind { Listed, Eligible, Excluded };

std::string format(const char* pattern, const std::string& a = {}, const std::string& b = {})
{
    const int size = std::snprintf(nullptr, 0, pattern, a.c_str(), b.c_str());
    std::string text(static_cast<std::size_t>(size) + 1, '\0');
    std::snprintf(text.data(), text.size(), pattern, a.c_str(), b.c_str());
    text.resize(static_cast<std::size_t>(size));
    return text;
}

// The FX lists: foreign CLSIDs, with the direction's APO where the endpoint carries it.
std::string fx_lists(bool capture, bool withApo)
{
    const std::string stream = withApo ? ",\"{FC6D7D4E-5D4B-4CF6-AC04-7A585769B45F}\"" : "";
    const std::string mode = !withApo  ? ""
                             : capture ? ",\"{FB19AA08-04A2-4810-8846-DF71A3DA56DB}\""
                                       : ",\"{FD278210-3175-4909-B46A-DF2CA8C20D46}\"";
    return format(kForeignLists, stream, mode);
}

// Each codec endpoint has a device of its own, as on a machine with many audio devices.
std::string codec_interface(std::size_t index)
{
    return kCodecInterface + std::to_string(index) + kAudioCategory;
}

std::string endpoint(std::size_t index, Kind kind)
{
    const bool capture = index % 2 == 0;
    char guid[64];
    std::snprintf(guid, sizeof(guid), "{6B7F8E21-3A4D-4C2B-9E1F-%012zX}", index);
    const std::string key = std::string(kAudioKey) + (capture ? "Capture\\" : "Render\\") + guid;
    const std::string number = std::to_string(index);
    const std::string filter = kind == Kind::Listed     ? "mic" + number + "wave"
                               : kind == Kind::Excluded ? "stereomix" + number + "wave"
                                                        : "line" + number + "wave";
    const std::string interface = kind == Kind::Eligible ? "hdaudio#func_01&ven_1106&dev_4441#" + number +
                                                               "#{6994ad04-93ef-11d0-a3cc-00a0c9223196}"
                                                         : codec_interface(index);
    const std::string hardwareId =
        kind == Kind::Eligible ? "HDAUDIO\\\\FUNC_01&VEN_1106&DEV_4441&SUBSYS_" + number : kCodecHardwareId;
    std::string text = "[" + key + "]\n\"DeviceState\"=dword:00000001\n\n[" + key + "\\Properties]\n";
    text += "\"{a45c254e-df1c-4efd-8020-67d146a850e0},14\"=\"Endpoint " + number + "\"\n";
    text += "\"{b3f8fa53-0004-438e-9003-51a46e139bfc},39\"=\"" + hardwareId + "\"\n";
    text += "\"{233164c8-1b2c-4c7d-bc68-b671687a2567},1\"=\"{2}.\\\\\\\\?\\\\" + interface + "\\\\" + filter + "\"\n\n";
    text += "[" + key + "\\FxProperties]\n" + fx_lists(capture, kind != Kind::Eligible);
    if (kind == Kind::Listed) {
        text += "\"{e3c9c164-ad30-4aee-863e-01e4b0847f62},6666\"=dword:00000001\n";
    }
    return text + "\n";
}

// The codec's topology filter of a listed or excluded endpoint, with the driver's FX defaults.
std::string driver_fx_key(std::size_t index, Kind kind)
{
    const std::string topology = (kind == Kind::Listed ? "#mic" : "#stereomix") + std::to_string(index) + "topo";
    std::string text =
        "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\{6994ad04-93ef-11d0-"
        "a3cc-00a0c9223196}\\##?#" +
        codec_interface(index) + "\\" + topology + "\\Device Parameters\\FX\\0]\n";
    text += fx_lists(index % 2 == 0, kind == Kind::Listed);
    for (int value = 9980; value <= 9987; ++value) {
        text += "\"{e3c9c164-ad30-4aee-863e-01e4b0847f62}," + std::to_string(value) + "\"=dword:00000001\n";
    }
    return text + "\n";
}

}  // namespace

std::string ScanMachineText(std::size_t endpoints, const std::string& apoPackage)
{
    std::string text =
        "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows "
        "NT\\CurrentVersion]\n\"CurrentBuildNumber\"=\"22631\"\n\"CurrentMajorVersionNumber\"=dword:"
        "0000000a\n\"CurrentMinorVersionNumber\"=dword:00000000\n\n";
    for (std::size_t index = 0; index < endpoints; ++index) {
        const std::size_t quarter = (index / 2) % 4;
        const Kind kind = quarter == 0 ? Kind::Listed : quarter == 3 ? Kind::Excluded : Kind::Eligible;
        text += endpoint(index, kind);
        if (kind != Kind::Eligible) {
            text += driver_fx_key(index, kind);
        }
    }
    text +=
        "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\vestaRion]\n\"excluded_topology\"=multi:"
        "\"stereomix[0-9]*\"\n\n";
    return text + apoPackage;
}

}  // namespace qev::bench
