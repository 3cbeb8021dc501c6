#include "child_process.h"
#include "dbwin_reader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>

namespace {

using namespace std::chrono_literals;

TEST(QevlogExe, FiltersWaitsAndEndsWithTheAgreedCode)
{
    const std::string own = std::to_string(GetCurrentProcessId());
    const struct {
        std::string options;
        std::vector<const char*> writes;
        DWORD exit_code;
        std::vector<const char*> shown;  // lines of this process, each written as "[pid] line\n"
        bool beside_another_reader = false;
    } cases[] = {
        {"--wait-for qevlog-exe-marker --timeout 60000",
         {"before the marker\n", "here is the qevlog-exe-marker\n"},
         0,
         {"before the marker", "here is the qevlog-exe-marker"}},
        {"--wait-for never-written-text --timeout=1000", {"a\n\nb"}, 1, {"a", "", "b"}},
        {"--pid=4 --wait-for=filtered-marker --timeout 1000", {"filtered-marker\n"}, 1, {}},
        {"--pid 4 --pid " + own + " --wait-for chosen-marker --timeout 60000",
         {"chosen-marker\n"},
         0,
         {"chosen-marker"}},
        {"--pid 4 --timeout 300", {}, 0, {}},
        {"--pid twelve", {}, 2, {}},
        {"--timeout 60000", {}, 2, {}, true},
    };
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string out_path = temp + ("qevlog_out_" + own + ".txt");
    const std::string ready_name = "qevlog_test_ready_" + own;
    for (const auto& c : cases) {
        qev::tools::DbwinReader other([](const qev::tools::DbwinLine&) {});
        std::string error;
        ASSERT_TRUE(!c.beside_another_reader || other.start(error)) << error;
        DeleteFileA(out_path.c_str());
        const qev::base::UniqueKernelHandle ready(CreateEventA(nullptr, TRUE, FALSE, ready_name.c_str()));
        const std::string args = c.options + " --out " + out_path + " --ready-event " + ready_name;
        qev::e2e::ChildProcess qevlog;
        ASSERT_TRUE(qevlog.start(qev::e2e::build_file(L"tools/qevlog.exe"), std::wstring(args.begin(), args.end()), error)) << error;
        if (!c.writes.empty()) {
            ASSERT_EQ(WaitForSingleObject(ready.get(), 30000), WAIT_OBJECT_0) << c.options;
        }
        for (const char* text : c.writes) {
            OutputDebugStringA(text);
        }
        EXPECT_EQ(qevlog.wait_exit(60s), c.exit_code) << c.options;
        std::string shown;
        for (const char* line : c.shown) {
            shown.append("[").append(own).append("] ").append(line).append("\n");
        }
        // Other tests' processes may write at any time: only this process's lines are compared.
        std::ifstream written(out_path, std::ios::binary);
        std::string ours;
        for (std::string line; std::getline(written, line);) {
            if (line.starts_with("[" + own + "] ")) {
                ours.append(line).append("\n");
            }
        }
        EXPECT_EQ(ours, shown) << c.options;
    }
    DeleteFileA(out_path.c_str());
}

}  // namespace
