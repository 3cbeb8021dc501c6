#include "rpc/receive_buffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace qev::rpc {

namespace {

bool usable_part_is_zero(const ReceiveBuffer& buffer)
{
    return std::all_of(buffer.data(), buffer.data() + buffer.usable(), [](uint8_t byte) { return byte == 0; });
}

TEST(ReceiveBuffer, GrowsInStepsFromNothingUpToTheCapacityAndNeverShrinks)
{
    ReceiveBuffer buffer;
    ASSERT_TRUE(buffer.valid());
    EXPECT_EQ(buffer.usable(), 0u) << "an idle buffer commits nothing";
    const struct {
        size_t wanted;
        size_t usable;
    } steps[] = {{1, ReceiveBuffer::kCommitStep},
                 {ReceiveBuffer::kCommitStep + 1, 2 * ReceiveBuffer::kCommitStep},
                 {10, 2 * ReceiveBuffer::kCommitStep},
                 {ReceiveBuffer::capacity() + 1, ReceiveBuffer::capacity()}};
    for (const auto& step : steps) {
        ASSERT_TRUE(buffer.make_room(step.wanted));
        EXPECT_EQ(buffer.usable(), step.usable) << step.wanted;
    }
    EXPECT_EQ(ReceiveBuffer::capacity(), 0x800000u);
    EXPECT_TRUE(usable_part_is_zero(buffer));
}

TEST(ReceiveBuffer, ClearZeroesOnlyTheUsedBytesClampedToWhatIsUsable)
{
    ReceiveBuffer buffer;
    ASSERT_TRUE(buffer.make_room(8192));
    std::memset(buffer.data(), 0xAB, 4096);
    buffer.clear(4095);
    EXPECT_EQ(buffer.data()[4095], 0xAB) << "only the used bytes are cleared";
    buffer.clear(4096);
    EXPECT_TRUE(usable_part_is_zero(buffer));

    ReceiveBuffer full;
    ASSERT_TRUE(full.make_room(ReceiveBuffer::capacity()));
    std::memset(full.data(), 0x11, ReceiveBuffer::capacity());
    full.clear(ReceiveBuffer::capacity() + 100);
    EXPECT_TRUE(usable_part_is_zero(full));
    ReceiveBuffer small;
    ASSERT_TRUE(small.make_room(1));
    small.clear(ReceiveBuffer::capacity());
    EXPECT_TRUE(usable_part_is_zero(small));
}

}  // namespace

}  // namespace qev::rpc
