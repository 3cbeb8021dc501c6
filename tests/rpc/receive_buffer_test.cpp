#include "rpc/receive_buffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

bool all_zero(const ReceiveBuffer& buffer)
{
    const uint8_t* begin = buffer.data();
    return std::all_of(begin, begin + ReceiveBuffer::capacity(), [](uint8_t byte) { return byte == 0; });
}

TEST(ReceiveBuffer, HoldsEightMebibytesOfZeros)
{
    ReceiveBuffer buffer;
    ASSERT_TRUE(buffer.valid());
    EXPECT_EQ(ReceiveBuffer::capacity(), 0x800000u);
    EXPECT_TRUE(all_zero(buffer));
}

TEST(ReceiveBuffer, ClearingTheUsedBytesRestoresAllZero)
{
    ReceiveBuffer buffer;
    ASSERT_TRUE(buffer.valid());
    std::memset(buffer.data(), 0xAB, 4096);
    buffer.clear(4095);
    EXPECT_EQ(buffer.data()[4095], 0xAB) << "only the used bytes are cleared";
    buffer.clear(4096);
    EXPECT_TRUE(all_zero(buffer));
}

TEST(ReceiveBuffer, ClearIsClampedToCapacity)
{
    ReceiveBuffer buffer;
    ASSERT_TRUE(buffer.valid());
    std::memset(buffer.data(), 0x11, ReceiveBuffer::capacity());
    buffer.clear(ReceiveBuffer::capacity() + 100);
    EXPECT_TRUE(all_zero(buffer));
}

} // namespace
