#include "enrollment_fixture.h"

#include "debug_output_capture.h"
#include "key_security_probe.h"
#include "sim_machine.h"
#include "vpnr/bias_file_path.h"
#include "vpnr/enrollment_container.h"
#include "vpnr/enrollment_manager.h"
#include "vpnr/user_enrollment_sync.h"

#include "serialized_param_generated.h"

#include <gtest/gtest.h>

namespace qev::vpnr::test {
namespace {

class EnrollmentWorker : public ::testing::Test {
protected:
    static void SetUpTestSuite() { winaudio::test::SimMachine::Load("default"); }
    void SetUp() override { set_library(); }

    PrivateProgramData program_data_;
};

TEST_F(EnrollmentWorker, PassEnrollsAgainOnlyFilesOfAnotherVersionOrLength)
{
    const Bytes short_take = recording(2, 1);
    const Bytes long_take = recording(9, 2);
    const Bytes old_short = enroll(short_take);
    const Bytes old_long = enroll(long_take);
    set_library(L"2.0.0", 32);
    const Bytes short_print = enroll(short_take);
    set_library(L"2.0.0");
    const Bytes current = enroll(short_take);
    Bytes wrong_case = current;
    wrong_case[0] = 'V';
    const Bytes no_recording = build_container({{1, {'1', '.', '0', '.', '0'}}, {2, Bytes(64 * 4)}});
    const struct {
        const wchar_t* name;
        const Bytes& before;
        const Bytes* take;  // null: the file must stay as it was
        const char* line;
    } files[] = {
        {L"a_t_d_enroll.bin", old_short, &short_take, nullptr},
        {L"b_t_d_ENROLL.BIN", old_long, &long_take, nullptr},
        {L"c_t_d_enroll.bin", short_print, &short_take, nullptr},
        {L"d_t_d_enroll.bin", current, nullptr, nullptr},
        {L"e_t_d_enroll.bin", wrong_case, nullptr, "[qev] tlv structure is invalid\n"},
        {L"f_t_d_enroll.bin", no_recording, nullptr, "[qev] Failed to parse wave dump tlv objects\n"},
        {L"g_t_d_default.bin", old_short, nullptr, nullptr},
    };
    for (const auto& file : files) {
        write_file(program_data_.path(file.name), file.before);
    }
    DebugOutputCapture capture;
    EnrollmentManager().run_reenrollment();
    for (const auto& file : files) {
        const Bytes after = read_file(program_data_.path(file.name));
        if (file.take == nullptr) {
            EXPECT_EQ(after, file.before) << file.name;
            EXPECT_TRUE(file.line == nullptr || capture.contains(std::string(file.line))) << file.name;
            continue;
        }
        // Version, voice print and a recording that opens to the same take.
        EXPECT_EQ(record_of(after, 1), (Bytes{'2', '.', '0', '.', '0'})) << file.name;
        EXPECT_EQ(record_of(after, 2), record_of(enroll(*file.take), 2)) << file.name;
        EXPECT_EQ(recording_in(after), *file.take) << file.name;
    }
    // Nothing of a longer take stays in the library's signal block for the next one.
    EnrollmentManager manager;
    manager.enroll_recording(long_take);
    EXPECT_EQ(record_of(manager.enroll_recording(short_take), 2), record_of(current, 2));
}

TEST_F(EnrollmentWorker, LibraryFailuresLeaveTheFilesAlone)
{
    const Bytes old_file = enroll(recording(1, 3));
    const std::wstring path = program_data_.path(L"u_t_d_enroll.bin");
    const struct {
        const wchar_t* fail_call;
        bool initialised;
        std::vector<std::string> lines;
    } cases[] = {
        {L"qev_get_interface_version",
         false,
         {"Failed to get_interface_version (5)\n", "[qev_vpnr_algo_worker] Fail to load DLL.\n",
          "Failed to init vpnr algo worker\n"}},
        {L"qev_get_comp_info", false, {"Failed to get_info (5)\n"}},
        {L"qev_comp_alloc", false, {"Failed to alloc (5)\n"}},
        {L"qev_comp_params_get", true, {"Invalid bias file length\n"}},
        {L"qev_comp_process",
         true,
         {"Failed to process (5), input_data_group.size(): 1\n", "Failed to enroll voice\n"}},
        {L"qev_comp_result", true, {"Failed to result (5), output_data_group.size(): 1\n", "Failed to enroll voice\n"}},
        {nullptr, true, {"Failed to enroll voice\n"}},  // the library never completes
    };
    for (const auto& c : cases) {
        write_file(path, old_file);
        set_library(L"3.0.0", 64, c.fail_call ? std::vector<std::wstring>{c.fail_call} : std::vector<std::wstring>{},
                    c.fail_call == nullptr);
        DebugOutputCapture capture;
        const int priority = GetThreadPriority(GetCurrentThread());
        {
            EnrollmentManager manager;
            EXPECT_EQ(manager.initialised(), c.initialised) << c.lines.front();
            manager.run_reenrollment();
        }
        EXPECT_EQ(GetThreadPriority(GetCurrentThread()), priority);
        for (const std::string& line : c.lines) {
            EXPECT_TRUE(capture.contains("[qev] " + line)) << line;
        }
        EXPECT_EQ(read_file(path), old_file) << c.lines.front();
    }
    // Without the effect component's server there is no library to load.
    const wchar_t server[] = L"SOFTWARE\\Classes\\CLSID\\{FB19AA08-04A2-4810-8846-DF71A3DA56DB}\\InprocServer32";
    wchar_t registered[MAX_PATH] = {};
    DWORD size = sizeof(registered);
    ASSERT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, server, nullptr, RRF_RT_REG_SZ, nullptr, registered, &size),
              ERROR_SUCCESS);
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, server, nullptr);
    DebugOutputCapture capture;
    EXPECT_FALSE(EnrollmentManager().initialised());
    EXPECT_TRUE(capture.contains("[qev] [qev_vpnr_algo_worker]  load_dll error: 0x0000007E.\n"));
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, server, nullptr, REG_SZ, registered, size);
}

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
    ASSERT_NO_FATAL_FAILURE(winaudio::test::SimMachine::Load("default-win10"));
    winaudio::test::SimMachine::Must({L"set-prop", L"{6B7F8E21-3A4D-4C2B-9E1F-0A1B2C3D4E04}", L"fx",
                                      L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},9983", L"dword", L"1"});
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
