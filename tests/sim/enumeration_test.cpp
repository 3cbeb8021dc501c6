// Endpoint enumeration, lookup and defaults over the test machine.
#include <gtest/gtest.h>

#include <set>

#include "sim_test_support.h"

namespace qevsim::test {
namespace {

std::set<std::wstring> ids(IMMDeviceEnumerator* enumerator, EDataFlow flow, DWORD mask)
{
    std::set<std::wstring> result;
    ComPtr<IMMDeviceCollection> collection;
    EXPECT_EQ(enumerator->EnumAudioEndpoints(flow, mask, collection.GetAddressOf()), S_OK);
    UINT count = 0;
    EXPECT_EQ(collection->GetCount(&count), S_OK);
    for (UINT i = 0; i < count; ++i) {
        ComPtr<IMMDevice> item;
        EXPECT_EQ(collection->Item(i, item.GetAddressOf()), S_OK);
        LPWSTR id = nullptr;
        EXPECT_EQ(item->GetId(&id), S_OK);
        result.insert(id);
        ::CoTaskMemFree(id);
    }
    return result;
}

std::wstring defaultId(IMMDeviceEnumerator* enumerator, EDataFlow flow, ERole role)
{
    ComPtr<IMMDevice> endpoint;
    if (FAILED(enumerator->GetDefaultAudioEndpoint(flow, role, endpoint.GetAddressOf()))) {
        return L"";
    }
    LPWSTR id = nullptr;
    endpoint->GetId(&id);
    const std::wstring text = id;
    ::CoTaskMemFree(id);
    return text;
}

class EnumerationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(loadTestMachine());
        enumerator_ = makeEnumerator();
        ASSERT_TRUE(enumerator_);
    }

    ComScope com_;
    ComPtr<IMMDeviceEnumerator> enumerator_;
};

TEST_F(EnumerationTest, FiltersByFlowAndStateMaskAndKnowsEachEndpointsFlow)
{
    const struct {
        EDataFlow flow;
        DWORD mask;
        std::set<std::wstring> ids;
    } cases[] = {
        {eRender, DEVICE_STATE_ACTIVE, {kSpeakers}},
        {eCapture, DEVICE_STATE_ACTIVE, {kMic, kUsbMic}},
        {eCapture, DEVICE_STATE_DISABLED, {kLineIn}},
        {eRender, DEVICE_STATEMASK_ALL, {kSpeakers, kHdmi}},
        {eAll, DEVICE_STATE_ACTIVE | DEVICE_STATE_UNPLUGGED, {kSpeakers, kHdmi, kMic, kUsbMic}},
        {eRender, DEVICE_STATE_NOTPRESENT, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ids(enumerator_.Get(), c.flow, c.mask), c.ids) << c.flow << " " << c.mask;
    }
    ComPtr<IMMEndpoint> endpoint;
    ASSERT_EQ(device(kLineIn).As(&endpoint), S_OK);
    EDataFlow flow = eAll;
    ASSERT_EQ(endpoint->GetDataFlow(&flow), S_OK);
    EXPECT_EQ(flow, eCapture);
}

TEST_F(EnumerationTest, DefaultsFollowPolicyConfigAndSkipInactiveEndpoints)
{
    // No stamps yet: the first active endpoint of the flow.
    EXPECT_EQ(defaultId(enumerator_.Get(), eRender, eConsole), kSpeakers);
    const auto policy = makePolicyConfig();
    ASSERT_EQ(policy->SetDefaultEndpoint(kUsbMic, eCommunications), S_OK);
    EXPECT_EQ(defaultId(enumerator_.Get(), eCapture, eCommunications), kUsbMic);
    ASSERT_EQ(policy->SetDefaultEndpoint(kMic, eCommunications), S_OK);
    EXPECT_EQ(defaultId(enumerator_.Get(), eCapture, eCommunications), kMic);
    // Stored as Windows stores it: a Role:<n> time stamp on the endpoint key.
    EXPECT_EQ(rawRead(kMicKey, L"Role:2").type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(rawRead(kMicKey, L"Role:2").data.size(), sizeof(SYSTEMTIME));

    // A default that goes away hands over to another active endpoint.
    ASSERT_EQ(policy->SetEndpointVisibility(kMic, FALSE), S_OK);
    EXPECT_EQ(defaultId(enumerator_.Get(), eCapture, eCommunications), kUsbMic);
    ASSERT_EQ(policy->SetEndpointVisibility(kUsbMic, FALSE), S_OK);
    ComPtr<IMMDevice> none;
    EXPECT_EQ(enumerator_->GetDefaultAudioEndpoint(eCapture, eCommunications, none.GetAddressOf()), kElementNotFound);
}

}  // namespace
}  // namespace qevsim::test
