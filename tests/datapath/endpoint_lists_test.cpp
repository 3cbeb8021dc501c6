#include "datapath/context/endpoint_lists.h"

#include "debug_output_capture.h"
#include "fake_endpoints.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qev::datapath {

namespace {

const std::wstring kMicId = L"{0.0.1.00000000}.{11111111-2222-3333-4444-555555555555}";
const std::wstring kSpeakerId = L"{0.0.0.00000000}.{66666666-7777-8888-9999-000000000000}";

std::vector<FakeEndpoint> one_mic()
{
    return {FakeEndpoint{kMicId, L"Microphone Array (Realtek Audio)"}};
}

std::vector<FakeEndpoint> one_speaker()
{
    return {FakeEndpoint{kSpeakerId, L"Speakers (Realtek Audio)"}};
}

TEST(EndpointLists, FakeEndpointsAreListedAndFoundByDirection)
{
    EndpointLists lists;
    lists.refresh(make_fake_enumerator(one_mic(), one_speaker()).Get());
    EXPECT_EQ(lists.friendly_names(kEndpointCapture), std::vector<std::string>{"Microphone Array (Realtek Audio)"});
    EXPECT_EQ(lists.friendly_names(kEndpointRender), std::vector<std::string>{"Speakers (Realtek Audio)"});
    EXPECT_TRUE(lists.friendly_names(kEndpointBoth).empty());
    const auto mic = lists.find_by_friendly_name(kEndpointCapture, "Microphone Array (Realtek Audio)");
    ASSERT_TRUE(mic.has_value());
    EXPECT_EQ(mic->id, kMicId);
    EXPECT_EQ(mic->type, kEndpointCapture);
    EXPECT_NE(mic->device.Get(), nullptr);
    const auto speaker = lists.find_by_friendly_name(kEndpointRender, "Speakers (Realtek Audio)");
    ASSERT_TRUE(speaker.has_value());
    EXPECT_EQ(speaker->type, kEndpointRender);
    // Names match case-insensitively, whole, within one direction.
    EXPECT_TRUE(lists.find_by_friendly_name(kEndpointCapture, "MICROPHONE array (realtek audio)").has_value());
    EXPECT_FALSE(lists.find_by_friendly_name(kEndpointRender, "Microphone Array (Realtek Audio)").has_value());
    EXPECT_FALSE(lists.find_by_friendly_name(kEndpointCapture, "Microphone Array").has_value());
    EXPECT_FALSE(lists.find_by_friendly_name(kEndpointCapture, "").has_value());
}

TEST(EndpointLists, NonAsciiNamesRoundTripAsUtf8)
{
    EndpointLists lists;
    const std::wstring name = L"Mikrofon (\u00C4\u00DF \u65E5\u672C)";
    lists.refresh(make_fake_enumerator({FakeEndpoint{kMicId, name}}, {}).Get());
    const std::vector<std::string> names = lists.friendly_names(kEndpointCapture);
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0], "Mikrofon (\xC3\x84\xC3\x9F \xE6\x97\xA5\xE6\x9C\xAC)");
    EXPECT_TRUE(lists.find_by_friendly_name(kEndpointCapture, names[0]).has_value());
}

TEST(EndpointLists, UnreadableEndpointsAreSkipped)
{
    DebugOutputCapture capture;
    EndpointLists lists;
    std::vector<FakeEndpoint> mics{
        FakeEndpoint{L"{0.0.1.00000000}.{a}", L"Bad Type", VT_UI4},
        FakeEndpoint{L"{0.0.1.00000000}.{b}", L"No Id", VT_LPWSTR, true},
        FakeEndpoint{kMicId, L"Good Mic"},
    };
    lists.refresh(make_fake_enumerator(mics, {}).Get());
    EXPECT_EQ(lists.friendly_names(kEndpointCapture), std::vector<std::string>{"Good Mic"});
    EXPECT_TRUE(capture.contains("[qev] unknown property type\n"));
}

TEST(EndpointLists, FailingEnumerationEmptiesOnlyThatList)
{
    EndpointLists lists;
    lists.refresh(make_fake_enumerator(one_mic(), one_speaker()).Get());
    ASSERT_EQ(lists.size(kEndpointCapture), 1u);
    lists.refresh(make_fake_enumerator(one_mic(), one_speaker(), true, false).Get());
    EXPECT_EQ(lists.size(kEndpointCapture), 0u);
    EXPECT_EQ(lists.size(kEndpointRender), 1u);
    lists.refresh(nullptr);  // no enumerator empties both
    EXPECT_EQ(lists.size(kEndpointCapture), 0u);
    EXPECT_EQ(lists.size(kEndpointRender), 0u);
}

TEST(EndpointLists, CopyTakesASnapshot)
{
    EndpointLists source;
    EndpointLists copy;
    source.refresh(make_fake_enumerator(one_mic(), one_speaker()).Get());
    copy.copy_from(source);
    source.refresh(nullptr);
    EXPECT_EQ(copy.friendly_names(kEndpointRender), std::vector<std::string>{"Speakers (Realtek Audio)"});
    EXPECT_EQ(source.size(kEndpointRender), 0u);
    copy.copy_from(copy);
    EXPECT_EQ(copy.size(kEndpointCapture), 1u);
}

TEST(EndpointLists, EveryComObjectIsReleased)
{
    const long before = fake_objects_alive();
    {
        EndpointLists lists;
        lists.refresh(make_fake_enumerator(one_mic(), one_speaker()).Get());
        EXPECT_GT(fake_objects_alive(), before);  // the lists hold the devices
        EXPECT_TRUE(lists.find_by_friendly_name(kEndpointCapture, "Microphone Array (Realtek Audio)").has_value());
    }
    EXPECT_EQ(fake_objects_alive(), before);
}

TEST(EndpointLists, SystemRefreshReplacesEarlierEntries)
{
    // Whatever the machine lists (plain Wine: nothing), the fake entries must be gone afterwards.
    EndpointLists lists;
    lists.refresh(make_fake_enumerator(one_mic(), one_speaker()).Get());
    lists.refresh();
    EXPECT_FALSE(lists.find_by_friendly_name(kEndpointCapture, "Microphone Array (Realtek Audio)").has_value());
    EXPECT_FALSE(lists.find_by_friendly_name(kEndpointRender, "Speakers (Realtek Audio)").has_value());
}

}  // namespace

}  // namespace qev::datapath
