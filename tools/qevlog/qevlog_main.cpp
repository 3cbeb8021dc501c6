// qevlog: a console viewer for the debugger output of other processes (see qevlog_usage()).
#include "dbwin_reader.h"
#include "log_viewer.h"
#include "qevlog_options.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

using qev::tools::LogViewer;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Tells a waiting test that the reader listens: a named event and a marker on stderr.
bool announce_ready(const std::string& event_name, qev::base::UniqueKernelHandle& event)
{
    if (!event_name.empty()) {
        event.reset(CreateEventA(nullptr, TRUE, FALSE, event_name.c_str()));
        if (!event || !SetEvent(event.get())) {
            std::fprintf(stderr, "qevlog: cannot set event %s, error %lu\n", event_name.c_str(), GetLastError());
            return false;
        }
    }
    std::fputs("qevlog: listening\n", stderr);
    std::fflush(stderr);
    return true;
}

int run(const qev::tools::QevlogOptions& options)
{
    std::unique_ptr<std::FILE, FileCloser> file;
    std::FILE* out = stdout;
    if (!options.out_path.empty()) {
        file.reset(std::fopen(options.out_path.c_str(), "wb"));
        if (!file) {
            std::fprintf(stderr, "qevlog: cannot open %s\n", options.out_path.c_str());
            return LogViewer::kFailed;
        }
        out = file.get();
    } else {
        _setmode(_fileno(stdout), _O_BINARY);
    }
    LogViewer viewer(options, out);
    qev::tools::DbwinReader reader([&viewer](const qev::tools::DbwinLine& line) { viewer.accept(line); });
    std::string error;
    if (!reader.start(error)) {
        std::fprintf(stderr, "qevlog: cannot listen: %s\n", error.c_str());
        return LogViewer::kFailed;
    }
    qev::base::UniqueKernelHandle ready_event;
    if (!announce_ready(options.ready_event, ready_event)) {
        return LogViewer::kFailed;
    }
    const LogViewer::ExitCode code = viewer.wait();
    reader.stop();
    return code;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    const auto options = qev::tools::parse_qevlog_options(args, error);
    if (!options) {
        std::fprintf(stderr, "qevlog: %s\n%s", error.c_str(), qev::tools::qevlog_usage());
        return LogViewer::kFailed;
    }
    if (options->help) {
        std::fputs(qev::tools::qevlog_usage(), stdout);
        return LogViewer::kDone;
    }
    return run(*options);
}
