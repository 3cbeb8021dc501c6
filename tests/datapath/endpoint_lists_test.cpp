#include "context_on_machine.h"
#include "datapath/context/endpoint_list_refresh.h"
#include "debug_output_capture.h"

namespace qev::datapath::test {
namespace {

TEST_F(ContextOnMachine, RefreshesListActiveEndpointsAndRaiseTheStateEvent)
{
    // The USB headset's microphone gets a name that is not text.
    Load(Generation::kWindows11, {SetProp(L"{0.0.1.00000000}.{6B7F8E21-3A4D-4C2B-9E1F-0A1B2C3D4E04}", L"device",
                                          L"{a45c254e-df1c-4efd-8020-67d146a850e0},14", L"dword", L"7")});
    EndpointLists copy;
    std::vector<bool> events;
    EndpointListRefresh::Attach(&copy, [&events](bool flag) { events.push_back(flag); });
    DebugOutputCapture log;
    RefreshEndpointLists();
    EXPECT_EQ(copy.friendly_names(kEndpointCapture),
              (std::vector<std::string>{"Microphone Array (Conexant SmartAudio HD)",
                                        "Headset Microphone (WH-1000XM4 Hands-Free AG Audio)"}));
    EXPECT_TRUE(log.contains("[qev] unknown property type\n"));
    EXPECT_TRUE(events.empty());
    const EndpointLists& shared = EndpointLists::process_wide();

    SimMachine::Must({L"set-state", kMicId, L"disabled"});
    RefreshEndpointListsWithEvent(true);
    EXPECT_EQ(events, std::vector<bool>{true});
    EXPECT_TRUE(log.contains("[qev] update device list\n"));
    EXPECT_EQ(copy.size(kEndpointCapture), 1u);

    // Detached, the copy and the event are left alone.
    EndpointListRefresh::Detach(&copy);
    SimMachine::Must({L"set-state", kMicId, L"active"});
    RefreshEndpointListsWithEvent(false);
    EXPECT_EQ(events.size(), 1u);
    EXPECT_EQ(copy.size(kEndpointCapture), 1u);
    EXPECT_EQ(shared.size(kEndpointCapture), 2u);
}

}  // namespace
}  // namespace qev::datapath::test
