//
// InlineArenaTest.cpp
//
// The arena that spares a new writer's stack its heap allocations: its two
// blocks are handed out first and again after they come back, everything
// else comes from the heap, and the writer's stack on it keeps its entries
// right however far it grows and shrinks.
//

#include "markup/InlineArena.h"
#include "MarkupTestWriter.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <string>

using namespace MarkupTest;
using Zel::BACnet::WS::InlineArena;

namespace
{

bool inside(const InlineArena& arena, const void* p)
{
    const std::less<const void*> before;
    const auto* pStart = reinterpret_cast<const unsigned char*>(&arena);
    return !before(p, pStart) && before(p, pStart + sizeof(arena));
}

} // namespace

TEST(InlineArena, HandsOutBothBlocksFirstAndAgainAfterTheyCameBackAndEverythingElseFromTheHeap)
{
    InlineArena arena;
    // Too large or over-aligned for a block: the heap, and both blocks stay free.
    void* pHuge = arena.allocate(InlineArena::LARGE_BLOCK + 1, 1);
    void* pAligned = arena.allocate(16, 2 * alignof(std::max_align_t));
    EXPECT_FALSE(inside(arena, pHuge));
    EXPECT_FALSE(inside(arena, pAligned));
    arena.deallocate(pHuge, InlineArena::LARGE_BLOCK + 1);
    arena.deallocate(pAligned, 16);

    void* pSmall = arena.allocate(InlineArena::SMALL_BLOCK, alignof(std::max_align_t));
    void* pLarge = arena.allocate(8, alignof(int)); // the small block is out
    void* pThird = arena.allocate(8, alignof(int));
    EXPECT_TRUE(inside(arena, pSmall));
    EXPECT_TRUE(inside(arena, pLarge));
    EXPECT_NE(pSmall, pLarge);
    EXPECT_FALSE(inside(arena, pThird));
    arena.deallocate(pThird, 8);
    arena.deallocate(pLarge, 8);
    void* pAgain = arena.allocate(InlineArena::LARGE_BLOCK, alignof(std::max_align_t));
    EXPECT_EQ(pLarge, pAgain);
    arena.deallocate(pAgain, InlineArena::LARGE_BLOCK);
    arena.deallocate(pSmall, InlineArena::SMALL_BLOCK);
}

TEST(InlineArena, AWriterNestsAndClosesFarBeyondTheFirstBlocks)
{
    // Hundreds of open elements need further nodes and larger maps, taken
    // from the heap and given back; the depth goes up and down around a
    // node's edge document after document.
    std::ostringstream out;
    MarkupTestWriter writer(out, false, false);
    std::string expected;
    for (int depth : {300, 63, 64, 65, 129, 1, 2000, 7})
    {
        for (int level = 0; level < depth; ++level)
        {
            writer.write(opened(MarkupFactory::BT_SEQUENCE, "a"));
            expected += (expected.empty() || expected.back() == '{') ? "\"a\":{" : ",\"a\":{";
        }
        EXPECT_EQ(static_cast<std::size_t>(depth), writer.stack().size());
        writer.closeAllOpenMarkups();
        expected += std::string(static_cast<std::size_t>(depth), '}');
    }
    EXPECT_EQ(expected, out.str());
}
