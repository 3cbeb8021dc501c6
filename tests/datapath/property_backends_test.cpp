#include <functional>
#include <iostream>
#include <memory>
#include <sstream>
#include <thread>

#include "base/com_init.h"
#include "context_on_machine.h"
#include "datapath/catalogue/catalogue.h"
#include "datapath/context/apo_reg_control.h"
#include "debug_output_capture.h"

namespace qev::datapath::test {
namespace {

const std::wstring kStores = std::wstring(kMicFx) + kApoStores;
const std::wstring kUserStore = L"user:{4D99D9D2-C5DE-4A46-8E6E-6D7307FE73FF}";
constexpr wchar_t kLevelKey[] = L"{e3c9c164-ad30-4aee-863e-01e4b0847f62},1";
constexpr wchar_t kUsbMicId[] = L"{0.0.1.00000000}.{6B7F8E21-3A4D-4C2B-9E1F-0A1B2C3D4E04}";
constexpr char kV2[] = "[qev] this is v2 env!!\n";
constexpr char kV3[] = "[qev] this is v3 env!!\n";

// Takes what is written to the wide standard output while alive.
struct WideOutput {
    std::wostringstream text;
    std::wstreambuf* const previous = std::wcout.rdbuf(text.rdbuf());
    ~WideOutput() { std::wcout.rdbuf(previous); }
};

TEST_F(ContextOnMachine, FeatureValuesLandWhereTheApoReadsThem)
{
    // A value of another type is replaced, never written into.
    const Edits text_level = {SetProp(kMicId, kUserStore, kLevelKey, L"sz", L"old")};
    const struct {
        Generation generation;
        Edits seed;
        const char* feature;
        DWORD value;
        std::wstring key;
        const char* environment;
    } rows[] = {
        {Generation::kWindows10, Edits(), "nr_level", 60, kMicFx, kV2},
        {Generation::kWindows11, Edits(), "nr_level", 60, kStores + L"\\User", kV3},
        {Generation::kWindows11, Edits(), "ltnr_enable", 1, kStores + L"\\Default", kV3},
        {Generation::kWindows11, Edits(), "dl_filter", 1, kStores + L"\\Volatile", kV3},
        {Generation::kWindows11, text_level, "nr_level", 45, kStores + L"\\User", kV3},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.feature);
        Load(row.generation, row.seed);
        const DebugOutputCapture log;
        const APORegControl holder(Device(kMicId).Get());
        EXPECT_TRUE(log.contains(row.environment));
        EXPECT_TRUE(holder.setProperties(row.feature, row.value));
        EXPECT_EQ(Stored(row.key, Catalogue::find_feature(row.feature)->pkey), row.value);
        uint32_t read = 0;
        EXPECT_TRUE(holder.getProperties(row.feature, &read));
        EXPECT_EQ(read, row.value);
        std::wstring path;
        EXPECT_TRUE(holder.setProperties("vpnr_bias_file_path", L"C:\\qEv\\a_enroll.bin"));
        EXPECT_TRUE(holder.getProperties("vpnr_bias_file_path", &path));
        EXPECT_EQ(path, L"C:\\qEv\\a_enroll.bin");
    }
}

TEST_F(ContextOnMachine, FailedOperationsReportFalseAndSayWhere)
{
    using Operation = std::function<bool(const APORegControl&)>;
    const Operation read_level = [](const APORegControl& holder) {
        uint32_t value = 7;
        return holder.getProperties("nr_level", &value) || value != 7;  // the output stays untouched
    };
    const Operation write_level = [](const APORegControl& holder) { return holder.setProperties("nr_level", 5u); };
    const Operation write_unknown = [](const APORegControl& holder) { return holder.setProperties("nr_levels", 5u); };
    const Edits i4_level = {SetProp(kMicId, kUserStore, kLevelKey, L"i4", L"-5")};
    const Edits text_in_fx = {SetProp(kMicId, L"fx", kLevelKey, L"sz", L"60")};
    const std::wstring wrong_type =
        L"exp: Registry value HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion"
        L"\\MMDevices\\Audio\\Capture\\{6B7F8E21-3A4D-4C2B-9E1F-0A1B2C3D4E02}\\FxProperties\\" +
        std::wstring(kLevelKey) + L" has wrong type\n";
    const struct {
        Generation generation;
        Edits seed;
        const wchar_t* endpoint;
        Operation operation;
        const char* line;
        const char* second_line;
        std::wstring console;
    } rows[] = {
        {Generation::kWindows11, i4_level, kMicId, read_level,
         "[qev] didn't get value, func:qevCapxReg::getFXProperties_QEVEffect, line:399, VAR.vt=3\n", nullptr, L""},
        // Capture uses the per-APO stores, which the USB headset's microphone lacks.
        {Generation::kWindows11, Edits(), kUsbMicId, write_level,
         "[qev] [func:QevPropertyStoreWrapper_capx::getStore, 149]fail to activate system effect property store\n",
         "[qev] error!! [func:QevPropertyStoreWrapper_capx::setProperties, 233]\n", L""},
        {Generation::kWindows10, Edits(), kMicId, write_unknown, "[qev] invalid map<K, T> key: nr_levels\n", nullptr,
         L""},
        {Generation::kWindows10, Edits(), kMicId, read_level, nullptr, nullptr, L""},
        {Generation::kWindows10, text_in_fx, kMicId, read_level, nullptr, nullptr, wrong_type},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.line != nullptr ? row.line : "FX key");
        Load(row.generation, row.seed);
        const APORegControl holder(Device(row.endpoint).Get());
        const DebugOutputCapture log;
        const WideOutput console;
        EXPECT_FALSE(row.operation(holder));
        for (const char* line : {row.line, row.second_line}) {
            EXPECT_TRUE(line == nullptr || log.contains(line)) << line;
        }
        EXPECT_EQ(console.text.str(), row.console);
    }
}

TEST_F(ContextOnMachine, BackEndLetGoOnAnotherThreadLeavesThatThreadInCom)
{
    Load(Generation::kWindows11);
    auto holder = std::make_unique<APORegControl>(Device(kMicId).Get());
    HRESULT again = E_FAIL;
    std::thread other([&] {
        const base::ComInit com(COINIT_MULTITHREADED);
        holder.reset();
        again = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        if (SUCCEEDED(again)) {
            CoUninitialize();
        }
    });
    other.join();
    EXPECT_EQ(again, S_FALSE);  // still initialised: nothing was undone for another thread
}

}  // namespace
}  // namespace qev::datapath::test
