#pragma once

#include "base/unique_handle.h"

#include <windows.h>

#include <functional>
#include <string>
#include <thread>

namespace qev::tools {

// One OutputDebugString message as another process wrote it.
struct DbwinLine {
    DWORD pid = 0;
    std::string text;
};

// Reads the debugger output of every process of the session over the DBWIN protocol, the way a
// debug-output viewer does: it owns the "DBWIN_BUFFER" mapping and the "DBWIN_BUFFER_READY" /
// "DBWIN_DATA_READY" events, and hands each message to the sink on its own thread.
//
// Writers wait (up to 10 s) for the buffer to be free, so no message is lost as long as the sink
// returns quickly: the text is copied out and the buffer handed back before the sink runs.
// Only one reader can exist per session (Wine prefix); start() fails while another reader of
// ours runs. Writers blocked on a reader that went away are served again by the next one.
class DbwinReader {
public:
    using Sink = std::function<void(const DbwinLine&)>;

    explicit DbwinReader(Sink sink);
    ~DbwinReader();

    DbwinReader(const DbwinReader&) = delete;
    DbwinReader& operator=(const DbwinReader&) = delete;

    // Creates the shared objects and starts the reader thread. On failure returns false with a
    // readable reason in `error` and holds nothing.
    bool start(std::string& error);
    // Ends the reader thread and releases the shared objects; safe to call more than once.
    void stop();
    bool running() const { return thread_.joinable(); }

private:
    bool create_objects(std::string& error);
    void release_objects();
    void run();
    void deliver_and_release();
    DbwinLine read_buffer() const;

    Sink sink_;
    base::UniqueKernelHandle reader_lock_;
    base::UniqueKernelHandle buffer_ready_;
    base::UniqueKernelHandle data_ready_;
    base::UniqueKernelHandle mapping_;
    base::UniqueMappedView view_;
    base::UniqueKernelHandle stop_event_;
    std::thread thread_;
};

}  // namespace qev::tools
