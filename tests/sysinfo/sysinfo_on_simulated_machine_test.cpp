// The driver-store and system queries on the simulated laptop (sim/machines/default.reg and its
// Windows 10 twin), loaded with qevsim. The expected values are the machine files' own: the APO
// device's driver version ...\0003 ("1.2.1837.0"), its INF name ...\0005 ("oem12.inf") and that
// INF's "Path" in the simulated driver store, and the builds in "CurrentBuildNumber" and "UBR".
// The driver store needs the simulator's setupapi.dll, which this program gets through the
// per-application override that `scripts/prefix.sh up` sets for it. The machine is cleared when the
// program ends (qevsim_machine_cleanup).
#include "qevsim_runner.h"
#include "temp_file.h"

#include "sysinfo/apo_software_devices.h"
#include "sysinfo/driver_store.h"
#include "sysinfo/inf_facts.h"
#include "sysinfo/os_version.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>

#include <setupapi.h>

#include <fstream>
#include <sstream>

#ifdef __MINGW32__
// Present in setupapi but not declared by the mingw-w64 headers.
extern "C" WINSETUPAPI BOOL WINAPI SetupGetInfDriverStoreLocationW(PCWSTR FileName,
                                                                   PSP_ALTPLATFORM_INFO AlternatePlatformInfo,
                                                                   PCWSTR LocaleName, PWSTR ReturnBuffer,
                                                                   DWORD ReturnBufferSize, PDWORD RequiredSize);
#endif

namespace qev::sysinfo {
namespace {

using test::QevsimRun;
using test::RunQevsim;
using test::TempFile;

constexpr wchar_t kApoInfPath[] =
    L"C:\\Windows\\System32\\DriverStore\\FileRepository\\vestarionapo.inf_amd64_3f2a1b0c9d8e7f60\\vestarionapo.inf";
constexpr wchar_t kDriverVersion[] = L"1.2.1837.0";
constexpr wchar_t kApoInstance[] =
    L"SWD\\DRIVERENUM\\{fc6d7d4e-5d4b-4cf6-ac04-7a585769b45f}#vestaRionAPO&1&2f1a3b7c&0";

// True when this program's SetupGetInfDriverStoreLocationW is the simulator's: its module exports a
// marker of its own. (The simulator's DLL loads Wine's setupapi too, so the module name does not tell.)
bool SimulatedSetupApiLoaded()
{
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&SetupGetInfDriverStoreLocationW), &module)) {
        return false;
    }
    return GetProcAddress(module, "QevsimDriverStoreVersion") != nullptr;
}

void LoadMachine(const std::wstring& windows_path)
{
    const QevsimRun run = RunQevsim({L"load", windows_path});
    ASSERT_EQ(run.exit_code, 0) << "qevsim load " << std::string(windows_path.begin(), windows_path.end()) << "\n"
                                << run.output;
}

// default.reg without the keys of one device instance: every section whose key names it is left out.
std::string DefaultMachineWithout(const std::string& instance_word)
{
    std::ifstream file(std::string(QEV_MACHINES_DIR) + "/default.reg");
    std::ostringstream kept;
    std::string line;
    bool skipping = false;
    while (std::getline(file, line)) {
        if (!line.empty() && line[0] == '[') {
            skipping = line.find(instance_word) != std::string::npos;
        }
        if (!skipping) {
            kept << line << "\n";
        }
    }
    return kept.str();
}

class SimulatedMachineSysinfo : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SimulatedSetupApiLoaded())
            << "this program runs without the simulated driver store: build it, then run scripts/prefix.sh up "
               "(which gives test_sysinfo_sim.exe Wine's per-application setupapi override)";
    }
};

TEST_F(SimulatedMachineSysinfo, DriverStoreAnswersForTheApoPackage)
{
    ASSERT_NO_FATAL_FAILURE(LoadMachine(test::MachineFile("default")));
    EXPECT_EQ(GetApoInfPath(), kApoInfPath);
    EXPECT_EQ(GetApoDriverVersion(), kDriverVersion);
    EXPECT_EQ(GetAudioServiceDriverVersion(), kDriverVersion);
}

TEST_F(SimulatedMachineSysinfo, ApoInfFromTheDriverStoreIsReadable)
{
    ASSERT_NO_FATAL_FAILURE(LoadMachine(test::MachineFile("default")));
    const std::wstring inf = GetApoInfPath();
    ASSERT_EQ(inf, kApoInfPath);
    EXPECT_TRUE(InfHasAudioEngine(inf));
    std::vector<std::wstring> class_ids;
    ASSERT_TRUE(GetInfClassIds(inf, class_ids));
    // The [Strings] values of the tokens used before \InprocServer32, in the order of use.
    EXPECT_EQ(class_ids, (std::vector<std::wstring>{L"{F005D60E-B43A-46CF-BAD3-6ACB1D314511}",
                                                    L"{FC6D7D4E-5D4B-4CF6-AC04-7A585769B45F}",
                                                    L"{FB19AA08-04A2-4810-8846-DF71A3DA56DB}",
                                                    L"{FD278210-3175-4909-B46A-DF2CA8C20D46}",
                                                    L"{FA8B455E-13FB-4D1B-8DCF-4E1239DAD425}"}));
}

TEST_F(SimulatedMachineSysinfo, WithoutTheApoDeviceOnlyTheServiceVersionAnswers)
{
    const TempFile machine(L"machine_without_apo.reg", DefaultMachineWithout("#vestaRionAPO&"));
    ASSERT_NO_FATAL_FAILURE(LoadMachine(machine.path()));
    EXPECT_EQ(GetApoInfPath(), L"");
    EXPECT_EQ(GetApoDriverVersion(), L"");
    EXPECT_EQ(GetAudioServiceDriverVersion(), kDriverVersion);
}

TEST_F(SimulatedMachineSysinfo, WithoutTheServiceComponentTheApoStillAnswers)
{
    const TempFile machine(L"machine_without_service.reg", DefaultMachineWithout("#vestaRionService&"));
    ASSERT_NO_FATAL_FAILURE(LoadMachine(machine.path()));
    EXPECT_EQ(GetApoInfPath(), kApoInfPath);
    EXPECT_EQ(GetApoDriverVersion(), kDriverVersion);
    EXPECT_EQ(GetAudioServiceDriverVersion(), L"");
}

TEST_F(SimulatedMachineSysinfo, OsVersionIsTheWindows11Build)
{
    ASSERT_NO_FATAL_FAILURE(LoadMachine(test::MachineFile("default")));
    OsVersion version;
    ASSERT_TRUE(GetOsVersion(version));
    EXPECT_EQ(version.major, 10);
    EXPECT_EQ(version.minor, 0);
    EXPECT_EQ(version.build, 22631);
    EXPECT_EQ(version.revision, 0x116c);
    EXPECT_GE(version.build, kWindows11FirstBuild);
}

TEST_F(SimulatedMachineSysinfo, Windows10MachineHasItsBuildAndTheSameDriverStore)
{
    ASSERT_NO_FATAL_FAILURE(LoadMachine(test::MachineFile("default-win10")));
    OsVersion version;
    ASSERT_TRUE(GetOsVersion(version));
    EXPECT_EQ(version.major, 10);
    EXPECT_EQ(version.build, 19045);
    EXPECT_EQ(version.revision, 0x147f);
    EXPECT_LT(version.build, kWindows11FirstBuild);
    EXPECT_EQ(GetApoInfPath(), kApoInfPath);
    EXPECT_EQ(GetApoDriverVersion(), kDriverVersion);
    EXPECT_EQ(GetAudioServiceDriverVersion(), kDriverVersion);
}

TEST_F(SimulatedMachineSysinfo, ApoSoftwareDeviceIsListedAndTheServiceIsNot)
{
    ASSERT_NO_FATAL_FAILURE(LoadMachine(test::MachineFile("default")));
    std::vector<std::wstring> seen;
    std::vector<std::wstring> devices;
    ASSERT_TRUE(ListApoSoftwareDevices(
        [&](const std::wstring& instance) {
            seen.push_back(instance);
            return true;
        },
        devices));
    EXPECT_EQ(devices, std::vector<std::wstring>{kApoInstance});
    // The audio service component is of another class and never reaches the predicate.
    EXPECT_EQ(seen.size(), 1u);

    std::vector<std::wstring> refused;
    ASSERT_TRUE(ListApoSoftwareDevices([](const std::wstring&) { return false; }, refused));
    EXPECT_TRUE(refused.empty());
}

}  // namespace
}  // namespace qev::sysinfo
