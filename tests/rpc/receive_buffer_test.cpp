#include "rpc/receive_buffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

bool usable_part_is_zero(const ReceiveBuffer& buffer)
{
    const uint8_t* begin = buffer.data();
    return std::all_of(begin, begin + buffer.usable(), [](uint8_t byte) { return byte == 0; });
}

TEST(ReceiveBuffer, IdleBufferCommitsNothing)
{
    ReceiveBuffer buffer;
    ASSERT_TRUE(buffer.valid());
    EXPECT_EQ(ReceiveBuffer::capacity(), 0x800000u);
    EXPECT_EQ(buffer.usable(), 0u);
}

TEST(ReceiveBuffer, GrowsInStepsUpToTheCapacityAndNeverShrinks)
{
    ReceiveBuffer buffer;
    ASSERT_TRUE(buffer.make_room(1));
    EXPECT_EQ(buffer.usable(), ReceiveBuffer::kCommitStep);
    ASSERT_TRUE(buffer.make_room(ReceiveBuffer::kCommitStep + 1));
    EXPECT_EQ(buffer.usable(), 2 * ReceiveBuffer::kCommitStep);
    ASSERT_TRUE(buffer.make_room(10));
    EXPECT_EQ(buffer.usable(), 2 * ReceiveBuffer::kCommitStep);
    ASSERT_TRUE(buffer.make_room(ReceiveBuffer::capacity() + 1));
    EXPECT_EQ(buffer.usable(), ReceiveBuffer::capacity());
    EXPECT_TRUE(usable_part_is_zero(buffer));
}

TEST(ReceiveBuffer, ClearingTheUsedBytesRestoresAllZero)
{
    ReceiveBuffer buffer;
    ASSERT_TRUE(buffer.make_room(8192));
    std::memset(buffer.data(), 0xAB, 4096);
    buffer.clear(4095);
    EXPECT_EQ(buffer.data()[4095], 0xAB) << "only the used bytes are cleared";
    buffer.clear(4096);
    EXPECT_TRUE(usable_part_is_zero(buffer));
}

TEST(ReceiveBuffer, ClearIsClampedToWhatIsUsable)
{
    ReceiveBuffer buffer;
    ASSERT_TRUE(buffer.make_room(ReceiveBuffer::capacity()));
    std::memset(buffer.data(), 0x11, ReceiveBuffer::capacity());
    buffer.clear(ReceiveBuffer::capacity() + 100);
    EXPECT_TRUE(usable_part_is_zero(buffer));
    ReceiveBuffer small;
    ASSERT_TRUE(small.make_room(1));
    small.clear(ReceiveBuffer::capacity());
    EXPECT_TRUE(usable_part_is_zero(small));
}

} // namespace
