#include "sysinfo/inf_facts.h"

#include "debug_output_capture.h"
#include "temp_file.h"

#include <gtest/gtest.h>

#include <vector>

namespace qev::sysinfo {
namespace {

using test::Narrow;
using test::TempFile;
using test::Utf16WithBom;

// An APO package INF of our own: three classes registered as in-process servers through tokens, one of
// them twice, one token without a value, one broken string line, a localized string section that must
// not be used, and descriptions with parentheses.
const std::wstring kApoInf =
    L"; qEv noise reduction APO (test package)\r\n"
    L"[Version]\r\n"
    L"Signature   = \"$WINDOWS NT$\"\r\n"
    L"Class       = AudioProcessingObject\r\n"
    L"ClassGuid   = {5989fce8-9cd0-467d-8a6a-5419e31529d4}\r\n"
    L"Provider    = %ProviderName%\r\n"
    L"DriverVer   = 06/15/2024,10.0.22621.1837\r\n"
    L"\r\n"
    L"[Manufacturer]\r\n"
    L"%ProviderName% = QevApo,NTamd64\r\n"
    L"\r\n"
    L"[QevApo.NTamd64]\r\n"
    L"%ApoDeviceDesc% = QevApo_Install, SWC\\VEN_QEV&CID_APO\r\n"
    L"\r\n"
    L"[QevApo_Install.NT]\r\n"
    L"AddReg = QevApo.AddReg\r\n"
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

const std::vector<std::wstring> kApoInfClassIds = {
    L"{FC6D7D4E-5D4B-4CF6-AC04-7A585769B45F}",
    L"{FB19AA08-04A2-4810-8846-DF71A3DA56DB}",
    L"{f005d60e-b43a-46cf-bad3-6acb1d314511}",
};

TEST(GetInfClassIds, ListsTheInProcessServersOfTheStringsSection)
{
    TempFile inf(L"apo.inf", Narrow(kApoInf));
    std::vector<std::wstring> ids;
    ASSERT_TRUE(GetInfClassIds(inf.path(), ids));
    EXPECT_EQ(ids, kApoInfClassIds);
}

TEST(GetInfClassIds, ReadsUtf16AndUnixLineEnds)
{
    TempFile utf16(L"apo16.inf", Utf16WithBom(kApoInf));
    std::vector<std::wstring> ids;
    ASSERT_TRUE(GetInfClassIds(utf16.path(), ids));
    EXPECT_EQ(ids, kApoInfClassIds);

    std::wstring unix_text = kApoInf;
    for (size_t at = unix_text.find(L"\r\n"); at != std::wstring::npos; at = unix_text.find(L"\r\n", at)) {
        unix_text.erase(at, 1);
    }
    TempFile utf8(L"apo8.inf", "\xEF\xBB\xBF" + Narrow(unix_text));
    std::vector<std::wstring> ids8;
    ASSERT_TRUE(GetInfClassIds(utf8.path(), ids8));
    EXPECT_EQ(ids8, kApoInfClassIds);
}

TEST(GetInfClassIds, AppendsOnlyIdsNotYetListed)
{
    TempFile inf(L"apo.inf", Narrow(kApoInf));
    std::vector<std::wstring> ids = {L"{fb19aa08-04a2-4810-8846-df71a3da56db}", L"{00000000-0000-0000-0000-000000000001}"};
    ASSERT_TRUE(GetInfClassIds(inf.path(), ids));
    const std::vector<std::wstring> expected = {
        L"{fb19aa08-04a2-4810-8846-df71a3da56db}",
        L"{00000000-0000-0000-0000-000000000001}",
        L"{FC6D7D4E-5D4B-4CF6-AC04-7A585769B45F}",
        L"{f005d60e-b43a-46cf-bad3-6acb1d314511}",
    };
    EXPECT_EQ(ids, expected);
}

TEST(GetInfClassIds, LowerCaseStringsSectionCounts)
{
    const std::wstring text = L"[Install.AddReg]\n"
                              L"HKCR,CLSID\\%Apo%\\InprocServer32,,,%13%\\a.dll\n"
                              L"[strings]\n"
                              L"Apo = {FD278210-3175-4909-B46A-DF2CA8C20D46}\n";
    TempFile inf(L"lower.inf", Narrow(text));
    std::vector<std::wstring> ids;
    ASSERT_TRUE(GetInfClassIds(inf.path(), ids));
    EXPECT_EQ(ids, std::vector<std::wstring>{L"{FD278210-3175-4909-B46A-DF2CA8C20D46}"});
}

TEST(GetInfClassIds, NoServerRegistrationGivesNothing)
{
    const std::wstring text = L"[Install.AddReg]\n"
                              L"HKCR,CLSID\\%Apo%,,,\"desc\"\n"
                              L"HKR,,InprocServer32,,%13%\\a.dll\n"
                              L"[Strings]\n"
                              L"Apo = \"{FD278210-3175-4909-B46A-DF2CA8C20D46}\"\n";
    TempFile inf(L"noserver.inf", Narrow(text));
    std::vector<std::wstring> ids;
    ASSERT_TRUE(GetInfClassIds(inf.path(), ids));
    EXPECT_TRUE(ids.empty());
}

TEST(GetInfClassIds, TokenValueWithoutGuidIsIgnored)
{
    const std::wstring text = L"[Install.AddReg]\n"
                              L"HKCR,CLSID\\%Apo%\\InprocServer32,,,%13%\\a.dll\n"
                              L"[Strings]\n"
                              L"Apo = \"not a class id\"\n";
    TempFile inf(L"noguid.inf", Narrow(text));
    std::vector<std::wstring> ids;
    ASSERT_TRUE(GetInfClassIds(inf.path(), ids));
    EXPECT_TRUE(ids.empty());
}

TEST(GetInfClassIds, MissingFileFailsWithLogAndKeepsTheList)
{
    DebugOutputCapture capture;
    std::vector<std::wstring> ids = {L"{keep}"};
    EXPECT_FALSE(GetInfClassIds(L"C:\\no\\such\\dir\\apo.inf", ids));
    EXPECT_EQ(ids, std::vector<std::wstring>{L"{keep}"});
    EXPECT_EQ(capture.lines(), std::vector<std::string>{"[qev] Failed to open apo device inf\n"});
}

TEST(GetInfClassIds, DirectoryIsNotAnInf)
{
    wchar_t directory[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, directory);
    DebugOutputCapture capture;
    std::vector<std::wstring> ids;
    EXPECT_FALSE(GetInfClassIds(directory, ids));
    EXPECT_EQ(capture.lines(), std::vector<std::string>{"[qev] Failed to open apo device inf\n"});
}

TEST(InfHasAudioEngine, FindsTheKeywordInAnyCaseAndIndent)
{
    const std::wstring text = L"[Apo.AddReg]\r\n"
                              L"HKR,FX\\0,%PKEY_FX_Association%,,%KSNODETYPE_ANY%\r\n"
                              L"   hkr,audioengine\\Effects\\0,Id,,%StreamEffectClsid%   \r\n";
    TempFile ansi(L"engine.inf", Narrow(text));
    TempFile utf16(L"engine16.inf", Utf16WithBom(text));
    EXPECT_TRUE(InfHasAudioEngine(ansi.path()));
    EXPECT_TRUE(InfHasAudioEngine(utf16.path()));
}

TEST(InfHasAudioEngine, FalseWithoutTheKeyword)
{
    const std::wstring text = L"[Apo.AddReg]\r\n"
                              L"HKR, AudioEngine,Id,,x\r\n"
                              L"HKCR,AudioEngine,Id,,x\r\n"
                              L"; HKR AudioEngine\r\n";
    TempFile inf(L"noengine.inf", Narrow(text));
    DebugOutputCapture capture;
    EXPECT_FALSE(InfHasAudioEngine(inf.path()));
    EXPECT_TRUE(capture.lines().empty());
    TempFile empty(L"empty.inf", "");
    EXPECT_FALSE(InfHasAudioEngine(empty.path()));
}

TEST(InfHasAudioEngine, MissingFileFailsWithLog)
{
    DebugOutputCapture capture;
    EXPECT_FALSE(InfHasAudioEngine(L"C:\\no\\such\\dir\\apo.inf"));
    EXPECT_EQ(capture.lines(), std::vector<std::string>{"[qev] Failed to open apo device inf\n"});
}

}  // namespace
}  // namespace qev::sysinfo
