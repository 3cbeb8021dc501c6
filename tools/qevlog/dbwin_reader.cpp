#include "dbwin_reader.h"

#include <cstring>
#include <string>
#include <system_error>
#include <utility>

namespace qev::tools {

namespace {

// The DBWIN buffer: the writer's process id followed by its text, NUL-terminated.
constexpr DWORD kBufferSize = 4096;
constexpr size_t kTextCapacity = kBufferSize - sizeof(DWORD);

std::string win32_error(const char* what)
{
    return std::string(what) + " failed, error " + std::to_string(GetLastError());
}

// Every reader of ours holds this mutex, so a second one is refused instead of stealing lines.
constexpr wchar_t kReaderLockName[] = L"qev_dbwin_reader_lock";

}  // namespace

DbwinReader::DbwinReader(Sink sink) : sink_(std::move(sink))
{}

DbwinReader::~DbwinReader()
{
    stop();
}

bool DbwinReader::start(std::string& error)
{
    if (running()) {
        error = "reader already started";
        return false;
    }
    if (!create_objects(error)) {
        release_objects();
        return false;
    }
    try {
        thread_ = std::thread(&DbwinReader::run, this);
    } catch (const std::system_error& e) {
        error = std::string("cannot start the reader thread: ") + e.what();
        release_objects();
        return false;
    }
    return true;
}

void DbwinReader::stop()
{
    if (thread_.joinable()) {
        SetEvent(stop_event_.get());
        thread_.join();
    }
    release_objects();
}

bool DbwinReader::create_objects(std::string& error)
{
    SetLastError(ERROR_SUCCESS);
    reader_lock_.reset(CreateMutexW(nullptr, FALSE, kReaderLockName));
    if (!reader_lock_) {
        error = win32_error("CreateMutexW");
        return false;
    }
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        error = "another debug-output reader is running";
        return false;
    }
    // The DBWIN objects may outlive a reader that ended: writers waiting for the buffer keep them
    // open. Taking them over serves those writers again instead of leaving them waiting.
    buffer_ready_.reset(CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_BUFFER_READY"));
    data_ready_.reset(CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_DATA_READY"));
    mapping_.reset(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kBufferSize, L"DBWIN_BUFFER"));
    if (!buffer_ready_ || !data_ready_ || !mapping_) {
        error = win32_error("creating the DBWIN objects");
        return false;
    }
    view_.reset(MapViewOfFile(mapping_.get(), FILE_MAP_READ, 0, 0, kBufferSize));
    if (!view_) {
        error = win32_error("MapViewOfFile");
        return false;
    }
    stop_event_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!stop_event_) {
        error = win32_error("CreateEventW");
        return false;
    }
    return true;
}

void DbwinReader::release_objects()
{
    view_.reset();
    mapping_.reset();
    data_ready_.reset();
    buffer_ready_.reset();
    stop_event_.reset();
    reader_lock_.reset();
}

void DbwinReader::run()
{
    const HANDLE waits[] = {stop_event_.get(), data_ready_.get()};
    // Taken-over objects may hold a message the previous reader never read: deliver it first.
    if (WaitForSingleObject(data_ready_.get(), 0) == WAIT_OBJECT_0) {
        deliver_and_release();
    } else {
        SetEvent(buffer_ready_.get());
    }
    for (;;) {
        const DWORD woken = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
        if (woken != WAIT_OBJECT_0 + 1) {
            return;  // stop requested, or the wait itself failed
        }
        deliver_and_release();
    }
}

void DbwinReader::deliver_and_release()
{
    const DbwinLine line = read_buffer();
    // Hand the buffer back before the sink runs, so writers never wait on the sink.
    SetEvent(buffer_ready_.get());
    sink_(line);
}

DbwinLine DbwinReader::read_buffer() const
{
    const auto* bytes = static_cast<const char*>(view_.get());
    DbwinLine line;
    std::memcpy(&line.pid, bytes, sizeof(DWORD));
    const char* text = bytes + sizeof(DWORD);
    // A writer that broke the protocol may leave no terminator: never read past the buffer.
    const void* end = std::memchr(text, '\0', kTextCapacity);
    const size_t length = end != nullptr ? static_cast<size_t>(static_cast<const char*>(end) - text) : kTextCapacity;
    line.text.assign(text, length);
    return line;
}

}  // namespace qev::tools
