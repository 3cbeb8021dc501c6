#include "sysinfo/apo_class_registration.h"
#include "sysinfo/apo_library_directory.h"
#include "sysinfo/apo_software_devices.h"
#include "sysinfo/driver_store.h"

#include "debug_output_capture.h"
#include "key_security_probe.h"
#include "local_machine_override.h"
#include "registry_seed.h"

#include <gtest/gtest.h>

namespace qev::sysinfo {
namespace {

using test::KeyExists;
using test::RegistrySeed;

constexpr wchar_t kTestClass[] = L"{0E5A1D11-7C3B-4B8E-9A11-5E7E57C1A101}";
constexpr wchar_t kStreamEffect[] = L"{FC6D7D4E-5D4B-4CF6-AC04-7A585769B45F}";
constexpr wchar_t kClassKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Class\\{5989fce8-9cd0-467d-8a6a-5419e31529d4}";

// Type and text of a string value; type 0 when it cannot be read.
struct StoredString {
    DWORD type = 0;
    std::wstring text;
};

StoredString ReadStoredString(const std::wstring& path, const std::wstring& name)
{
    StoredString stored;
    wchar_t text[1024] = {};
    DWORD size = sizeof(text);
    const DWORD flags = RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, path.c_str(), name.c_str(), flags, &stored.type, text, &size) !=
        ERROR_SUCCESS) {
        return {};
    }
    stored.text = text;
    return stored;
}

std::wstring clsid_key(const std::wstring& class_id)
{
    return L"SOFTWARE\\Classes\\CLSID\\" + class_id;
}

std::wstring server_key(const std::wstring& class_id)
{
    return clsid_key(class_id) + L"\\InProcServer32";
}

// Registering again overwrites the earlier server and threading model; the class registrations key
// belongs to the system and keeps its owner and access list throughout.
TEST(RegisterApoClass, PathsUnderSystem32AreWrittenRelativeToSystemRootAndNothingWidensAccess)
{
    ASSERT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, clsid_key(kTestClass))) << "left over from an earlier run";
    RegistrySeed seed;
    seed.remove_at_end(clsid_key(kTestClass));
    seed.set_string(server_key(kTestClass), L"ThreadingModel", L"Apartment");
    const qev::winsys::test::KeySecurityProbe classes(L"SOFTWARE\\Classes\\CLSID");
    const std::wstring before = classes.text();
    ASSERT_NE(before, L"<unreadable>");
    const struct {
        const wchar_t* path;
        const wchar_t* stored;
        DWORD type;
    } rows[] = {
        {L"C:\\Windows\\System32\\qevapo.dll", L"%SystemRoot%\\System32\\qevapo.dll", REG_EXPAND_SZ},
        {L"D:\\Program Files\\qEv\\qevapo.dll", L"D:\\Program Files\\qEv\\qevapo.dll", REG_SZ},
        {L"D:\\WINDOWS\\System32\\DriverStore\\FileRepository\\q.inf_amd64_1\\qevapo.dll",
         L"%SystemRoot%\\System32\\DriverStore\\FileRepository\\q.inf_amd64_1\\qevapo.dll", REG_EXPAND_SZ},
    };
    for (const auto& row : rows) {
        ASSERT_TRUE(RegisterApoClass(kTestClass, row.path));
        const StoredString server = ReadStoredString(server_key(kTestClass), L"");
        const StoredString model = ReadStoredString(server_key(kTestClass), L"ThreadingModel");
        EXPECT_EQ(server.text, row.stored);
        EXPECT_EQ(server.type, row.type) << row.path;
        EXPECT_EQ(model.text, L"Both");
        EXPECT_EQ(model.type, static_cast<DWORD>(REG_SZ));
    }
    EXPECT_EQ(classes.text(), before);
}

TEST(RegisterApoClass, BadInputChangesNothing)
{
    for (const auto& [class_id, path] : {std::pair{L"", L"C:\\apo.dll"},
                                         {L"not-a-class", L"C:\\apo.dll"},
                                         {L"{0E5A1D11-7C3B-4B8E-9A11-5E7E57C1A101}\\x", L"C:\\apo.dll"},
                                         {L"{0E5A1D11-7C3B-4B8E-9A11-5E7E57C1A10G}", L"C:\\apo.dll"},
                                         {kTestClass, L""}}) {
        EXPECT_FALSE(RegisterApoClass(class_id, path)) << class_id;
    }
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, clsid_key(kTestClass)));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, clsid_key(L"not-a-class")));
}

// On a scratch machine key, so an APO registered on the test machine does not decide the answers. An
// empty machine key (which SetupAPI reads too) answers every query empty, and the class registrations
// key is repaired before anything is created under it: without it nothing is written. A driver
// registration is not a global one.
TEST(ApoClassRegistered, NeedsTheServerKeyGloballyOrInADriverKey)
{
    test::LocalMachineOverride machine;
    ASSERT_TRUE(machine.active());
    {
        DebugOutputCapture capture;
        EXPECT_EQ(GetApoInfPath(), L"");
        EXPECT_EQ(GetApoDriverVersion(), L"");
        EXPECT_EQ(GetAudioServiceDriverVersion(), L"");
        EXPECT_TRUE(capture.lines().empty());
    }
    EXPECT_EQ(FindApoLibraryDirectory(L"{0E5A1D11-7C3B-4B8E-9A11-5E7E57C1A001}", L"vestaRion"), L"");
    std::vector<std::wstring> paths;
    EXPECT_FALSE(ListApoSoftwareDevices([](const std::wstring&) { return true; }, paths));
    EXPECT_TRUE(paths.empty());
    EXPECT_FALSE(IsApoClassRegistered());
    EXPECT_FALSE(RegisterApoClass(kTestClass, L"C:\\Windows\\System32\\qevapo.dll"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"SOFTWARE"));
    RegistrySeed seed;
    const std::wstring driver = std::wstring(kClassKey) + L"\\9921\\Classes\\CLSID\\" + kStreamEffect;
    seed.create(driver);
    seed.create(std::wstring(kClassKey) + L"\\9920\\Classes\\CLSID\\" + kTestClass + L"\\InProcServer32");
    seed.create(clsid_key(kStreamEffect));
    EXPECT_FALSE(IsApoClassRegisteredByDriver());
    EXPECT_FALSE(IsApoClassRegistered());
    seed.create(driver + L"\\InProcServer32");
    EXPECT_TRUE(IsApoClassRegisteredByDriver());
    EXPECT_FALSE(IsApoClassRegistered());
    seed.create(server_key(kStreamEffect));
    EXPECT_TRUE(IsApoClassRegistered());
}

}  // namespace
}  // namespace qev::sysinfo
