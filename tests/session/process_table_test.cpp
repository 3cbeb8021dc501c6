#include "session/process_table.h"

#include <gtest/gtest.h>

namespace qev::session {
namespace {

constexpr wchar_t kMic[] = L"{0.0.1.00000000}.{6b7f8e21-3a4d-4c2b-9e1f-0a1b2c3d4e02}";
constexpr wchar_t kSpk[] = L"{0.0.0.00000000}.{6b7f8e21-3a4d-4c2b-9e1f-0a1b2c3d4e01}";
constexpr wchar_t kMicUpper[] = L"{0.0.1.00000000}.{6B7F8E21-3A4D-4C2B-9E1F-0A1B2C3D4E02}";
constexpr wchar_t kOdd[] = L"not an endpoint id";
constexpr std::uint32_t kActive = 1, kInactive = 0, kExpired = 2;

// Process 7 holds two active capture sessions on the microphone and the odd id in both flows.
ProcessTable loaded_table()
{
    ProcessTable table;
    table.update(kMic, true, 7, kActive);
    table.update(kMic, true, 7, kActive);
    table.update(kOdd, true, 7, kActive);
    table.update(kOdd, false, 7, kActive);
    table.update(kSpk, false, 7, kActive);
    return table;
}

TEST(ProcessTable, InactiveAndRemovedEndpointsLeaveEveryCopyOrNone)
{
    struct Row {
        const wchar_t* id;
        bool capture;
        std::uint32_t state;  // kExpired + 1: remove_endpoint instead of an update
        std::vector<std::wstring> capture_left, render_left;
    };
    constexpr std::uint32_t kRemove = kExpired + 1;
    const Row rows[] = {
        {kMic, true, kInactive, {kOdd}, {kOdd, kSpk}},
        {kMic, true, kExpired, {kOdd}, {kOdd, kSpk}},
        {kMic, false, kInactive, {kMic, kMic, kOdd}, {kOdd, kSpk}},
        {kMicUpper, true, kInactive, {kMic, kMic, kOdd}, {kOdd, kSpk}},  // only exact copies go
        {kMic, false, kRemove, {kOdd}, {kOdd, kSpk}},                    // the id's own flow decides
        {kOdd, true, kRemove, {kMic, kMic}, {kSpk}},                     // no flow: both vectors
        {kSpk, true, kActive, {kMic, kMic, kOdd, kSpk}, {kOdd, kSpk}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << "row " << (&row - rows));
        ProcessTable table = loaded_table();
        if (row.state == kRemove) {
            table.remove_endpoint(row.id);
        } else {
            table.update(row.id, row.capture, 7, row.state);
        }
        const ProcessEndpointLists& lists = table.entries().at(7);
        EXPECT_EQ(lists.capture, row.capture_left);
        EXPECT_EQ(lists.render, row.render_left);
    }
}

}  // namespace
}  // namespace qev::session
