// The reader decides what every saved fuzz input means: a change in the order
// or the width of what it reads, or in what it gives past the end, would give
// the seeds and the crash inputs another meaning.
#include "FuzzInput.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using veyra::fuzz::Input;
using Bytes = std::vector<uint8_t>;

TEST(FuzzInput, NumbersAreLittleEndianAndZeroPastTheEnd)
{
    const Bytes data = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07};
    Input input(data.data(), data.size());
    EXPECT_EQ(input.byte(), 0x01);
    EXPECT_EQ(input.word(), 0x0302);
    EXPECT_EQ(input.dword(), 0x07060504u);
    EXPECT_TRUE(input.empty());
    EXPECT_EQ(input.byte(), 0);
    EXPECT_EQ(input.dword(), 0u);

    // A number cut by the end keeps the bytes it has, as its low bytes.
    const Bytes cut = {0xAB, 0xCD, 0xEF};
    Input cutInput(cut.data(), cut.size());
    EXPECT_EQ(cutInput.dword(), 0x00EFCDABu);
}

TEST(FuzzInput, TakingBytes)
{
    struct Case {
        const char *name;
        std::size_t count;
        Bytes upTo;    // takeUpTo: no more than the input has
        Bytes exactly; // takeExactly: zeros past the end
        Bytes into;    // take into a block of 0xEE: the rest stays
        uint8_t next;  // the byte read afterwards
    };
    const Bytes data = {0x10, 0x20, 0x30};
    const Case cases[] = {
        {"none", 0, {}, {}, {0xEE, 0xEE, 0xEE, 0xEE}, 0x10},
        {"within", 2, {0x10, 0x20}, {0x10, 0x20}, {0x10, 0x20, 0xEE, 0xEE}, 0x30},
        {"to the end", 3, {0x10, 0x20, 0x30}, {0x10, 0x20, 0x30}, {0x10, 0x20, 0x30, 0xEE}, 0},
        {"past the end", 4, {0x10, 0x20, 0x30}, {0x10, 0x20, 0x30, 0}, {0x10, 0x20, 0x30, 0xEE}, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Input upTo(data.data(), data.size());
        EXPECT_EQ(upTo.takeUpTo(c.count), c.upTo);
        EXPECT_EQ(upTo.byte(), c.next);

        Input exactly(data.data(), data.size());
        EXPECT_EQ(exactly.takeExactly(c.count), c.exactly);
        EXPECT_EQ(exactly.byte(), c.next);

        Input into(data.data(), data.size());
        Bytes block(4, 0xEE);
        into.take(block.data(), c.count);
        EXPECT_EQ(block, c.into);
        EXPECT_EQ(into.byte(), c.next);
    }
}

} // namespace
