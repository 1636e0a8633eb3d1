//
// InlineArenaTest.cpp
//
// The arena that spares a new writer's stack its heap allocations: its two
// blocks are handed out first and again after they come back, everything
// else comes from the heap, and a container on it keeps its entries right
// however far it grows and shrinks.
//

#include "markup/InlineArena.h"
#include "MarkupTestWriter.h"

#include <gtest/gtest.h>

#include <deque>
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

TEST(InlineArena, HandsOutItsSmallAndItsLargeBlockFirst)
{
    InlineArena arena;
    void* pSmall = arena.allocate(InlineArena::SMALL_BLOCK, alignof(std::max_align_t));
    void* pLarge = arena.allocate(InlineArena::LARGE_BLOCK, alignof(std::max_align_t));
    EXPECT_TRUE(inside(arena, pSmall));
    EXPECT_TRUE(inside(arena, pLarge));
    EXPECT_NE(pSmall, pLarge);
    arena.deallocate(pLarge, InlineArena::LARGE_BLOCK);
    arena.deallocate(pSmall, InlineArena::SMALL_BLOCK);
}

TEST(InlineArena, ASmallRequestTakesTheLargeBlockWhenTheSmallOneIsOut)
{
    InlineArena arena;
    void* pFirst = arena.allocate(8, alignof(int));
    void* pSecond = arena.allocate(8, alignof(int));
    void* pThird = arena.allocate(8, alignof(int));
    EXPECT_TRUE(inside(arena, pFirst));
    EXPECT_TRUE(inside(arena, pSecond));
    EXPECT_FALSE(inside(arena, pThird));
    arena.deallocate(pThird, 8);
    arena.deallocate(pSecond, 8);
    arena.deallocate(pFirst, 8);
}

TEST(InlineArena, ABlockGivenBackIsHandedOutAgain)
{
    InlineArena arena;
    void* pLarge = arena.allocate(InlineArena::LARGE_BLOCK, 1);
    arena.deallocate(pLarge, InlineArena::LARGE_BLOCK);
    void* pAgain = arena.allocate(InlineArena::SMALL_BLOCK + 1, 1);
    EXPECT_EQ(pLarge, pAgain);
    arena.deallocate(pAgain, InlineArena::SMALL_BLOCK + 1);
}

TEST(InlineArena, TooLargeOrOverAlignedRequestsComeFromTheHeap)
{
    InlineArena arena;
    void* pHuge = arena.allocate(InlineArena::LARGE_BLOCK + 1, 1);
    EXPECT_FALSE(inside(arena, pHuge));
    arena.deallocate(pHuge, InlineArena::LARGE_BLOCK + 1);
    void* pAligned = arena.allocate(16, 2 * alignof(std::max_align_t));
    EXPECT_FALSE(inside(arena, pAligned));
    arena.deallocate(pAligned, 16);
    // Both blocks are still free.
    void* pSmall = arena.allocate(1, 1);
    EXPECT_TRUE(inside(arena, pSmall));
    arena.deallocate(pSmall, 1);
}

TEST(InlineArena, ADequeOnItKeepsItsEntriesWhileItGrowsAndShrinksRepeatedly)
{
    InlineArena arena;
    std::deque<int, InlineArena::Allocator<int>> entries{InlineArena::Allocator<int>(&arena)};
    for (int round = 0; round < 3; ++round)
    {
        const int count = 5000 * (round + 1);
        for (int i = 0; i < count; ++i)
            entries.push_back(i);
        for (int i = 0; i < count / 2; ++i)
        {
            ASSERT_EQ(count - 1 - i, entries.back());
            entries.pop_back();
        }
        for (int i = 0; i < count / 2; ++i)
        {
            ASSERT_EQ(i, entries.front());
            entries.pop_front();
        }
        ASSERT_TRUE(entries.empty());
    }
}

TEST(InlineArena, AWriterNestsAndClosesFarBeyondTheFirstBlocks)
{
    // Hundreds of open elements need further nodes and a larger map; the
    // depth goes up and down around a node's edge document after document.
    std::ostringstream out;
    MarkupTestWriter writer(out, false, false);
    std::string expected;
    for (int depth : {300, 63, 64, 65, 129, 1})
    {
        for (int level = 0; level < depth; ++level)
        {
            writer.write(opened(MarkupFactory::BT_SEQUENCE, "a"));
            expected += (expected.empty() || expected.back() == '{') ? "\"a\":{" : ",\"a\":{";
        }
        EXPECT_EQ(static_cast<std::size_t>(depth), writer.stack().size());
        writer.closeAllOpenMarkups();
        expected += std::string(static_cast<std::size_t>(depth), '}');
        EXPECT_TRUE(writer.stack().empty());
    }
    EXPECT_EQ(expected, out.str());
}
