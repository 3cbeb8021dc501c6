#include "winaudio/endpoint_event.h"

#include <gtest/gtest.h>

namespace qev::winaudio {
namespace {

constexpr PROPERTYKEY kKey = {{0xE3C9C164, 0xAD30, 0x4AEE, {0x86, 0x3E, 0x01, 0xE4, 0xB0, 0x84, 0x7F, 0x62}}, 6666};

TEST(EndpointEvent, EachKindKeepsItsPayload)
{
    const auto byDefault = EndpointEvent::DefaultDeviceChanged(L"{0.0.1.00000000}.{x}", eCapture, eCommunications);
    EXPECT_EQ(byDefault.endpointId, L"{0.0.1.00000000}.{x}");
    EXPECT_EQ(byDefault.data_flow(), static_cast<std::uint32_t>(eCapture));
    EXPECT_EQ(byDefault.role(), static_cast<std::uint32_t>(eCommunications));
    EXPECT_EQ(EndpointEvent::StateChanged(L"id", DEVICE_STATE_UNPLUGGED).new_state(),
              static_cast<std::uint32_t>(DEVICE_STATE_UNPLUGGED));
    const PROPERTYKEY key = EndpointEvent::PropertyValueChanged(L"id", kKey).property_key();
    EXPECT_TRUE(IsEqualGUID(key.fmtid, kKey.fmtid));
    EXPECT_EQ(key.pid, kKey.pid);
}

TEST(EndpointEvent, NullIdBecomesEmptyAndAddedCarriesNoPayload)
{
    const auto event = EndpointEvent::DeviceAddedOrRemoved(nullptr);
    EXPECT_TRUE(event.endpointId.empty());
    for (unsigned char byte : event.payload) {
        EXPECT_EQ(byte, 0);
    }
    EXPECT_TRUE(EndpointEvent::StateChanged(nullptr, 1).endpointId.empty());
}

}  // namespace
}  // namespace qev::winaudio
