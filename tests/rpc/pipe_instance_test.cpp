#include "rpc/pipe_instance.h"

#include "pipe_client_end.h"
#include "base/unique_handle.h"

#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace qev::rpc {

namespace {

std::wstring sid_text(PSID sid)
{
    base::UniqueLocalPtr<wchar_t> text;
    if (!ConvertSidToStringSidW(sid, text.put())) {
        return L"?";
    }
    return text.get();
}

// What the pipe's DACL grants, by SID, or an empty map when it cannot be read.
std::map<std::wstring, ACCESS_MASK> read_dacl(HANDLE pipe, size_t* ace_count)
{
    std::map<std::wstring, ACCESS_MASK> granted;
    PACL dacl = nullptr;
    base::UniqueLocalMemory descriptor;
    PSECURITY_DESCRIPTOR raw = nullptr;
    const DWORD status =
        GetSecurityInfo(pipe, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl, nullptr, &raw);
    descriptor.reset(raw);
    if (status != ERROR_SUCCESS || dacl == nullptr) {
        return granted;
    }
    *ace_count = dacl->AceCount;
    for (DWORD index = 0; index < dacl->AceCount; ++index) {
        void* ace = nullptr;
        if (GetAce(dacl, index, &ace) && static_cast<ACE_HEADER*>(ace)->AceType == ACCESS_ALLOWED_ACE_TYPE) {
            auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
            granted[sid_text(&allowed->SidStart)] = allowed->Mask;
        }
    }
    return granted;
}

// The system may store generic rights as given or mapped to the file rights.
ACCESS_MASK mapped(ACCESS_MASK mask)
{
    GENERIC_MAPPING mapping = {FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE, FILE_ALL_ACCESS};
    MapGenericMask(&mask, &mapping);
    return mask;
}

TEST(PipeInstance, DaclHoldsExactlyTheThreeEntries)
{
    base::UniqueFileHandle pipe(create_pipe_instance(unique_pipe_name(L"dacl"), 1024));
    ASSERT_TRUE(pipe.valid()) << GetLastError();
    size_t ace_count = 0;
    const auto granted = read_dacl(pipe.get(), &ace_count);
    EXPECT_EQ(ace_count, 3u);
    ASSERT_EQ(granted.size(), 3u);
    const std::map<std::wstring, ACCESS_MASK> expected = {
        {L"S-1-5-18", GENERIC_ALL},
        {L"S-1-5-32-544", GENERIC_ALL},
        {L"S-1-5-4", GENERIC_READ | GENERIC_WRITE | SYNCHRONIZE},
    };
    for (const auto& [sid, mask] : expected) {
        const auto it = granted.find(sid);
        ASSERT_NE(it, granted.end()) << std::string(sid.begin(), sid.end());
        EXPECT_TRUE(it->second == mask || it->second == mapped(mask))
            << std::string(sid.begin(), sid.end()) << " has 0x" << std::hex << it->second;
    }
}

}  // namespace

}  // namespace qev::rpc
