#include "rpc/receive_buffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace qev::rpc {

namespace {

// Clearing wipes the previous request, however many bytes it claims, and never writes past the buffer.
TEST(ReceiveBuffer, ClearWipesTheUsedBytesClampedToWhatIsCommitted)
{
    const size_t capacity = ReceiveBuffer::capacity();
    const struct {
        size_t room, filled, cleared;
    } rows[] = {{8192, 4096, 4095}, {8192, 4096, 4096}, {capacity, capacity, capacity + 100}, {1, 1, capacity}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.cleared);
        ReceiveBuffer buffer;
        ASSERT_TRUE(buffer.make_room(row.room));
        ASSERT_GE(buffer.usable(), row.filled);
        std::memset(buffer.data(), 0xAB, row.filled);
        buffer.clear(row.cleared);
        const size_t wiped = std::min(row.cleared, row.filled);
        EXPECT_TRUE(std::all_of(buffer.data(), buffer.data() + wiped, [](uint8_t byte) { return byte == 0; }));
        EXPECT_TRUE(
            std::all_of(buffer.data() + wiped, buffer.data() + row.filled, [](uint8_t byte) { return byte == 0xAB; }));
    }
}

}  // namespace

}  // namespace qev::rpc
