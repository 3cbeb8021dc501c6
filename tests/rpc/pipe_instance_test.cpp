#include "rpc/pipe_instance.h"

#include "base/unique_handle.h"
#include "pipe_client_end.h"

#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace qev::rpc {

namespace {

// The pipe DACL's entries in order, by SID ("?" for an entry that allows nothing), with the rights mapped to
// the file rights: the system may store generic rights as given or mapped.
std::vector<std::pair<std::wstring, ACCESS_MASK>> allowed_entries(HANDLE pipe)
{
    std::vector<std::pair<std::wstring, ACCESS_MASK>> entries;
    PACL dacl = nullptr;
    base::UniqueLocalMemory descriptor;
    if (GetSecurityInfo(pipe, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl, nullptr,
                        descriptor.put()) != ERROR_SUCCESS ||
        dacl == nullptr) {
        return entries;
    }
    GENERIC_MAPPING mapping = {FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE, FILE_ALL_ACCESS};
    for (DWORD index = 0; index < dacl->AceCount; ++index) {
        void* ace = nullptr;
        base::UniqueLocalPtr<wchar_t> sid;
        if (!GetAce(dacl, index, &ace) || static_cast<ACE_HEADER*>(ace)->AceType != ACCESS_ALLOWED_ACE_TYPE ||
            !ConvertSidToStringSidW(&static_cast<ACCESS_ALLOWED_ACE*>(ace)->SidStart, sid.put())) {
            entries.emplace_back(L"?", 0);
            continue;
        }
        ACCESS_MASK mask = static_cast<ACCESS_ALLOWED_ACE*>(ace)->Mask;
        MapGenericMask(&mask, &mapping);
        entries.emplace_back(sid.get(), mask);
    }
    return entries;
}

TEST(PipeInstance, DaclHoldsExactlyTheThreeEntries)
{
    base::UniqueFileHandle pipe(create_pipe_instance(unique_pipe_name(L"dacl"), 1024));
    ASSERT_TRUE(pipe.valid()) << GetLastError();
    const std::vector<std::pair<std::wstring, ACCESS_MASK>> expected = {
        {L"S-1-5-18", FILE_ALL_ACCESS},
        {L"S-1-5-32-544", FILE_ALL_ACCESS},
        {L"S-1-5-4", FILE_GENERIC_READ | FILE_GENERIC_WRITE | SYNCHRONIZE},
    };
    EXPECT_EQ(allowed_entries(pipe.get()), expected);
}

}  // namespace

}  // namespace qev::rpc
