#include "sysinfo/apo_class_registration.h"

#include "key_security_probe.h"
#include "local_machine_override.h"
#include "registry_seed.h"

#include <gtest/gtest.h>

namespace qev::sysinfo {
namespace {

using test::KeyExists;
using test::ReadStoredString;
using test::RegistrySeed;
using test::StoredString;

constexpr wchar_t kTestClass[] = L"{0E5A1D11-7C3B-4B8E-9A11-5E7E57C1A101}";
constexpr wchar_t kStreamEffect[] = L"{FC6D7D4E-5D4B-4CF6-AC04-7A585769B45F}";
constexpr wchar_t kClassKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Class\\{5989fce8-9cd0-467d-8a6a-5419e31529d4}";

std::wstring clsid_key(const std::wstring& class_id)
{
    return L"SOFTWARE\\Classes\\CLSID\\" + class_id;
}

std::wstring server_key(const std::wstring& class_id)
{
    return clsid_key(class_id) + L"\\InProcServer32";
}

class RegisterApoClassTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, clsid_key(kTestClass))) << "left over from an earlier run";
        seed_.remove_at_end(clsid_key(kTestClass));
    }

    StoredString server(const std::wstring& name = L"") const
    {
        return ReadStoredString(HKEY_LOCAL_MACHINE, server_key(kTestClass), name);
    }

    RegistrySeed seed_;
};

TEST_F(RegisterApoClassTest, PathsUnderSystem32AreWrittenRelativeToSystemRoot)
{
    const struct {
        const wchar_t* path;
        const wchar_t* stored;
        DWORD type;
    } rows[] = {
        {L"C:\\Windows\\System32\\qevapo.dll", L"%SystemRoot%\\System32\\qevapo.dll", REG_EXPAND_SZ},
        {L"D:\\WINDOWS\\System32\\DriverStore\\FileRepository\\q.inf_amd64_1\\qevapo.dll",
         L"%SystemRoot%\\System32\\DriverStore\\FileRepository\\q.inf_amd64_1\\qevapo.dll", REG_EXPAND_SZ},
        {L"D:\\Program Files\\qEv\\qevapo.dll", L"D:\\Program Files\\qEv\\qevapo.dll", REG_SZ},
    };
    for (const auto& row : rows) {
        ASSERT_TRUE(RegisterApoClass(kTestClass, row.path));
        EXPECT_EQ(server().text, row.stored);
        EXPECT_EQ(server().type, row.type) << row.path;
        EXPECT_EQ(server(L"ThreadingModel").text, L"Both");
        EXPECT_EQ(server(L"ThreadingModel").type, static_cast<DWORD>(REG_SZ));
        seed_.remove(clsid_key(kTestClass));
    }
}

TEST_F(RegisterApoClassTest, ExistingRegistrationIsOverwritten)
{
    seed_.set_string(server_key(kTestClass), L"", L"C:\\old\\apo.dll");
    seed_.set_string(server_key(kTestClass), L"ThreadingModel", L"Apartment");
    ASSERT_TRUE(RegisterApoClass(kTestClass, L"C:\\new\\apo.dll"));
    EXPECT_EQ(server().text, L"C:\\new\\apo.dll");
    EXPECT_EQ(server(L"ThreadingModel").text, L"Both");
}

// The class registrations key belongs to the system: registering below it, first or again, leaves its
// owner and access list as they were.
TEST_F(RegisterApoClassTest, TheClassesKeyKeepsItsOwnerAndAccessList)
{
    const qev::winsys::test::KeySecurityProbe classes(L"SOFTWARE\\Classes\\CLSID");
    const std::wstring before = classes.text();
    ASSERT_NE(before, L"<unreadable>");
    ASSERT_TRUE(RegisterApoClass(kTestClass, L"C:\\Windows\\System32\\qevapo.dll"));
    ASSERT_TRUE(RegisterApoClass(kTestClass, L"C:\\Windows\\System32\\qevapo.dll"));
    EXPECT_EQ(classes.text(), before);
}

TEST_F(RegisterApoClassTest, BadInputChangesNothing)
{
    EXPECT_FALSE(RegisterApoClass(L"", L"C:\\apo.dll"));
    EXPECT_FALSE(RegisterApoClass(L"not-a-class", L"C:\\apo.dll"));
    EXPECT_FALSE(RegisterApoClass(L"{0E5A1D11-7C3B-4B8E-9A11-5E7E57C1A101}\\x", L"C:\\apo.dll"));
    EXPECT_FALSE(RegisterApoClass(L"{0E5A1D11-7C3B-4B8E-9A11-5E7E57C1A10G}", L"C:\\apo.dll"));
    EXPECT_FALSE(RegisterApoClass(kTestClass, L""));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, clsid_key(kTestClass)));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, clsid_key(L"not-a-class")));
}

// On a scratch machine key, so an APO registered on the test machine does not decide the answers. A
// driver registration is not a global one.
TEST(ApoClassRegistered, NeedsTheServerKeyGloballyOrInADriverKey)
{
    test::LocalMachineOverride machine;
    ASSERT_TRUE(machine.active());
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
