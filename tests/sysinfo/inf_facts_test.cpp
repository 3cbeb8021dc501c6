#include "sysinfo/inf_facts.h"

#include "debug_output_capture.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <vector>

namespace qev::sysinfo {
namespace {

// A file of the given bytes in the temporary directory, deleted at the end.
struct TempFile {
    const std::wstring path =
        (std::filesystem::temp_directory_path() / (L"qevtest_" + std::to_wstring(GetCurrentProcessId()) + L".inf"))
            .wstring();
    explicit TempFile(const std::string& bytes)
    {
        std::ofstream(std::filesystem::path(path), std::ios::binary) << bytes;
    }
    ~TempFile() { DeleteFileW(path.c_str()); }
};

// Text as UTF-16LE bytes with a byte-order mark, as INF files are often stored.
std::string Utf16WithBom(const std::wstring& text)
{
    std::string bytes = "\xFF\xFE";
    for (const wchar_t c : text) {
        bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    }
    return bytes;
}

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

// An APO package INF of our own: three classes registered as in-process servers through tokens, one of
// them twice, one token without a value, one broken string line, a localized string section that must
// not be used, and descriptions with parentheses.
const std::wstring kApoInf =
    L"[Version]\r\n"
    L"Provider    = %ProviderName%\r\n"
    L"DriverVer   = 06/15/2024,10.0.22621.1837\r\n"
    L"\r\n"
    L"[QevApo.AddReg]\r\n"
    L"HKCR,CLSID\\%StreamEffectClsid%,,,%StreamEffectDesc%\r\n"
    L"HKCR,CLSID\\%StreamEffectClsid%\\InprocServer32,,0x00020000,%13%\\qevapo.dll\r\n"
    L"HKCR,CLSID\\%StreamEffectClsid%\\InprocServer32,ThreadingModel,,\"Both\"\r\n"
    L"HKR,Classes\\CLSID\\%ModeEffectClsid%\\InProcServer32,,0x00020000,%13%\\qevapo.dll\r\n"
    L"HKCR,CLSID\\%GenericClsid%\\INPROCSERVER32,,0x00020000,%13%\\qevapo.dll\r\n"
    L"HKCR,CLSID\\%StreamEffectClsidAgain%\\InprocServer32,,0x00020000,%13%\\qevapo.dll\r\n"
    L"HKCR,CLSID\\%UnresolvedClsid%\\InprocServer32,,0x00020000,%13%\\qevapo.dll\r\n"
    L"HKCR,CLSID\\%BrokenClsid%\\InprocServer32,,0x00020000,%13%\\qevapo.dll\r\n"
    L"HKR,,FriendlyName,,%ApoDeviceDesc%\r\n"
    L"\r\n"
    L"[Strings]\r\n"
    L"ProviderName = \"vestaRion (R)\"\r\n"
    L"ApoDeviceDesc = \"vestaRion APO (noise reduction)\"\r\n"
    L"StreamEffectClsid = \"{FC6D7D4E-5D4B-4CF6-AC04-7A585769B45F}\"\r\n"
    L"ModeEffectClsid=\"{FB19AA08-04A2-4810-8846-DF71A3DA56DB}\"\r\n"
    L"genericclsid = \"{f005d60e-b43a-46cf-bad3-6acb1d314511}\"\r\n"
    L"StreamEffectClsidAgain = \"{fc6d7d4e-5d4b-4cf6-ac04-7a585769b45f}\"\r\n"
    L"UnusedClsid = \"{FAE69183-9AB3-4430-A681-DAE714E7B74A}\"\r\n"
    L"BrokenClsid = \"{FA8B455E-13FB-4D1B-8DCF-4E1239DAD425}\" = extra\r\n"
    L"StreamEffectDesc = \"Stream effect\"\r\n"
    L"\r\n"
    L"[Strings.0409]\r\n"
    L"UnresolvedClsid = \"{FE15EEBD-6292-4CE7-AA01-8094EFB27E7A}\"\r\n";

TEST(GetInfClassIds, AppendsTheNewInProcessServersOfTheStringsSectionInEveryEncoding)
{
    std::wstring unix_text = kApoInf;
    for (size_t at = unix_text.find(L"\r\n"); at != std::wstring::npos; at = unix_text.find(L"\r\n", at)) {
        unix_text.erase(at, 1);
    }
    const std::vector<std::wstring> apo_ids = {L"{FC6D7D4E-5D4B-4CF6-AC04-7A585769B45F}",
                                               L"{FB19AA08-04A2-4810-8846-DF71A3DA56DB}",
                                               L"{f005d60e-b43a-46cf-bad3-6acb1d314511}"};
    const std::wstring small_inf = L"[Install.AddReg]\nHKCR,CLSID\\%Apo%\\InprocServer32,,,%13%\\a.dll\n";
    const struct {
        std::string bytes;
        std::vector<std::wstring> listed;
        std::vector<std::wstring> expected;
    } rows[] = {
        {Narrow(kApoInf), {}, apo_ids},
        {Utf16WithBom(kApoInf), {}, apo_ids},
        {"\xEF\xBB\xBF" + Narrow(unix_text),
         {L"{fb19aa08-04a2-4810-8846-df71a3da56db}", L"{00000000-0000-0000-0000-000000000001}"},
         {L"{fb19aa08-04a2-4810-8846-df71a3da56db}", L"{00000000-0000-0000-0000-000000000001}", apo_ids[0],
          apo_ids[2]}},
        // A lower-case strings section counts; a registration that is no server or a value that is no id not.
        {Narrow(small_inf + L"[strings]\nApo = {FD278210-3175-4909-B46A-DF2CA8C20D46}\n"),
         {},
         {L"{FD278210-3175-4909-B46A-DF2CA8C20D46}"}},
        {Narrow(L"[Install.AddReg]\nHKCR,CLSID\\%Apo%,,,\"desc\"\nHKR,,InprocServer32,,%13%\\a.dll\n"
                L"[Strings]\nApo = \"{FD278210-3175-4909-B46A-DF2CA8C20D46}\"\n"),
         {},
         {}},
        {Narrow(small_inf + L"[Strings]\nApo = \"not a class id\"\n"), {}, {}},
    };
    for (const auto& row : rows) {
        const TempFile inf(row.bytes);
        std::vector<std::wstring> ids = row.listed;
        ASSERT_TRUE(GetInfClassIds(inf.path, ids));
        EXPECT_EQ(ids, row.expected) << row.bytes;
    }
}

TEST(InfFacts, UnreadablePathFailsWithLogAndKeepsTheList)
{
    wchar_t directory[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, directory);
    const std::vector<std::string> logged = {"[qev] Failed to open apo device inf\n"};
    for (const std::wstring& path : {std::wstring(L"C:\\no\\such\\dir\\apo.inf"), std::wstring(directory)}) {
        DebugOutputCapture capture;
        std::vector<std::wstring> ids = {L"{keep}"};
        EXPECT_FALSE(GetInfClassIds(path, ids));
        EXPECT_EQ(ids, std::vector<std::wstring>{L"{keep}"});
        EXPECT_EQ(capture.lines(), logged);
    }
    DebugOutputCapture capture;
    EXPECT_FALSE(InfHasAudioEngine(L"C:\\no\\such\\dir\\apo.inf"));
    EXPECT_EQ(capture.lines(), logged);
}

TEST(InfHasAudioEngine, NeedsAnHkrLineOfTheAudioEngineKey)
{
    const struct {
        std::string bytes;
        bool expected;
    } rows[] = {
        {Narrow(L"[A]\r\nHKR,FX\\0,%X%,,%Y%\r\n   hkr,audioengine\\Effects\\0,Id,,%Z%   \r\n"), true},
        {Utf16WithBom(L"[A]\r\nHKR,AudioEngine\\Effects\\0,Id,,%Z%\r\n"), true},
        {"[A]\r\nHKR, AudioEngine,Id,,x\r\nHKCR,AudioEngine,Id,,x\r\n; HKR AudioEngine\r\n", false},
        {"", false},
    };
    DebugOutputCapture capture;
    for (const auto& row : rows) {
        const TempFile inf(row.bytes);
        EXPECT_EQ(InfHasAudioEngine(inf.path), row.expected) << row.bytes;
    }
    EXPECT_TRUE(capture.lines().empty());
}

}  // namespace
}  // namespace qev::sysinfo
