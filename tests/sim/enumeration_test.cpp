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
    ComPtr<IMMDevice> beyond;
    EXPECT_EQ(collection->Item(count, beyond.GetAddressOf()), E_INVALIDARG);
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
        ASSERT_NO_FATAL_FAILURE(loadTestMachine(22631));
        enumerator_ = makeEnumerator();
        ASSERT_TRUE(enumerator_);
    }

    ComScope com_;
    ComPtr<IMMDeviceEnumerator> enumerator_;
};

TEST_F(EnumerationTest, FiltersByFlowAndStateMask)
{
    EXPECT_EQ(ids(enumerator_.Get(), eRender, DEVICE_STATE_ACTIVE), (std::set<std::wstring>{kSpeakers}));
    EXPECT_EQ(ids(enumerator_.Get(), eCapture, DEVICE_STATE_ACTIVE), (std::set<std::wstring>{kMic, kUsbMic}));
    EXPECT_EQ(ids(enumerator_.Get(), eCapture, DEVICE_STATE_DISABLED), (std::set<std::wstring>{kLineIn}));
    EXPECT_EQ(ids(enumerator_.Get(), eRender, DEVICE_STATEMASK_ALL), (std::set<std::wstring>{kSpeakers, kHdmi}));
    EXPECT_EQ(ids(enumerator_.Get(), eAll, DEVICE_STATE_ACTIVE | DEVICE_STATE_UNPLUGGED),
              (std::set<std::wstring>{kSpeakers, kHdmi, kMic, kUsbMic}));
    EXPECT_TRUE(ids(enumerator_.Get(), eRender, DEVICE_STATE_NOTPRESENT).empty());

    ComPtr<IMMDeviceCollection> collection;
    EXPECT_EQ(enumerator_->EnumAudioEndpoints(eRender, 0, collection.GetAddressOf()), E_INVALIDARG);
    EXPECT_EQ(enumerator_->EnumAudioEndpoints(eRender, 0x10, collection.GetAddressOf()), E_INVALIDARG);
}

TEST_F(EnumerationTest, LooksUpEndpointsWithIdFlowAndState)
{
    ComPtr<IMMDevice> lineIn;
    ASSERT_EQ(enumerator_->GetDevice(kLineIn, lineIn.GetAddressOf()), S_OK);
    DWORD state = 0;
    ASSERT_EQ(lineIn->GetState(&state), S_OK);
    EXPECT_EQ(state, static_cast<DWORD>(DEVICE_STATE_DISABLED));
    ComPtr<IMMEndpoint> endpoint;
    ASSERT_EQ(lineIn.As(&endpoint), S_OK);
    EDataFlow flow = eAll;
    ASSERT_EQ(endpoint->GetDataFlow(&flow), S_OK);
    EXPECT_EQ(flow, eCapture);

    ComPtr<IMMDevice> missing;
    EXPECT_EQ(
        enumerator_->GetDevice(L"{0.0.1.00000000}.{99999999-0000-4000-8000-000000000009}", missing.GetAddressOf()),
        kElementNotFound);
    // A render GUID under the capture prefix is another (absent) endpoint.
    EXPECT_EQ(
        enumerator_->GetDevice(L"{0.0.1.00000000}.{11111111-0000-4000-8000-000000000001}", missing.GetAddressOf()),
        kElementNotFound);
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
    EXPECT_EQ(enumerator_->GetDefaultAudioEndpoint(eAll, eConsole, none.GetAddressOf()), E_INVALIDARG);
}

}  // namespace
}  // namespace qevsim::test
