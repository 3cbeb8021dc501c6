// Where enrollment goes when the machine lacks what it expects: no %PROGRAMDATA%, no product key.
#include "enrollment_fixture.h"

#include "debug_output_capture.h"
#include "key_security_probe.h"
#include "qevsim_runner.h"
#include "vpnr/bias_file_path.h"
#include "vpnr/user_enrollment_sync.h"

#include "serialized_param_generated.h"

#include <gtest/gtest.h>

namespace qev::vpnr::test {
namespace {

TEST(EnrollmentPaths, WithoutProgramDataNoFileNameIsAccepted)
{
    PrivateProgramData program_data;
    SetEnvironmentVariableW(L"PROGRAMDATA", nullptr);
    flatbuffers::FlatBufferBuilder builder;
    builder.Finish(wire::CreateBiasFileTable(builder, 0, builder.CreateString("a_t_d_enroll.bin")));
    DebugOutputCapture capture;
    std::wstring path;
    EXPECT_FALSE(
        extract_vpnr_bias_file_path({"save_vpnr_bias_file", {builder.GetBufferPointer(), builder.GetSize()}}, path));
    EXPECT_TRUE(capture.contains(std::string("[qev] extract_vpnr_bias_file_path: failed to expand base dir\n")));
}

TEST(EnrollmentPaths, AMissingProductKeyIsMadeForAdministratorsNotForUsers)
{
    ASSERT_NO_FATAL_FAILURE(load_machine("default-win10"));
    const auto run = qev::sysinfo::test::RunQevsim({L"set-prop", L"{6B7F8E21-3A4D-4C2B-9E1F-0A1B2C3D4E04}", L"fx",
                                                    L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},9983", L"dword", L"1"});
    ASSERT_EQ(run.exit_code, 0) << run.output;
    const wchar_t product[] = L"SYSTEM\\CurrentControlSet\\Control\\vestaRion";
    ASSERT_EQ(RegDeleteTreeW(HKEY_LOCAL_MACHINE, product), ERROR_SUCCESS);
    sync_user_enrollment();
    DWORD status = 1;
    DWORD size = sizeof(status);
    EXPECT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, product, L"voiceprinting_enroll_status", RRF_RT_REG_DWORD, nullptr,
                           &status, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(status, 0u);
    const qev::winsys::test::KeySecurityProbe probe(product);
    EXPECT_TRUE(probe.allows(L"S-1-5-32-544", KEY_ALL_ACCESS, 0));
    EXPECT_FALSE(probe.allows(L"S-1-5-32-545", KEY_ALL_ACCESS, 0));
}

}  // namespace
}  // namespace qev::vpnr::test
