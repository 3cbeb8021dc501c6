#include "session/process_snapshot.h"

#include <tlhelp32.h>

#include <functional>

namespace qev::session {

namespace {

// Walks the snapshot from its first entry until visit returns true; true when it did.
bool find_entry(HANDLE snapshot, const std::function<bool(const PROCESSENTRY32W&)>& visit)
{
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (visit(entry)) {
            return true;
        }
    }
    return false;
}

}  // namespace

void ProcessSnapshot::take()
{
    handle_.reset(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
}

std::wstring ProcessSnapshot::image_name(std::uint32_t pid) const
{
    std::wstring name;
    if (valid()) {
        find_entry(handle_.get(), [&](const PROCESSENTRY32W& entry) {
            if (entry.th32ProcessID != pid) {
                return false;
            }
            name = entry.szExeFile;
            return true;
        });
    }
    return name;
}

bool ProcessSnapshot::has_image(const std::wstring& name) const
{
    return valid() && find_entry(handle_.get(), [&](const PROCESSENTRY32W& entry) {
               return _wcsicmp(entry.szExeFile, name.c_str()) == 0;
           });
}

}  // namespace qev::session
