//
// TextStreamAllocationTest.cpp
//
// When a frame's text stream cannot grow, the writer must treat it as a
// failing stream buffer: the text written so far stays, the stream turns bad,
// later elements write nothing, and the failure is thrown only when the
// stream's exception mask asks for it. This program replaces the global
// operator new so that the tests can make the growth fail.
//

#include "MarkupTestWriter.h"
#include "markup/TextStream.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>

using namespace MarkupTest;
using Zel::BACnet::WS::TextStream;

namespace
{

bool failAllocations = false;

void* allocate(std::size_t size)
{
    if (failAllocations)
        throw std::bad_alloc();
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}

// Runs work with every allocation failing and returns whether it threw
// std::bad_alloc; the test's own checks run outside, where they may allocate.
template <typename Work>
bool throwsWhileAllocationsFail(Work work)
{
    failAllocations = true;
    bool threw = false;
    try
    {
        work();
    }
    catch (const std::bad_alloc&)
    {
        threw = true;
    }
    failAllocations = false;
    return threw;
}

// Longer than the stream keeps without the heap.
const std::string LONG_VALUE(TextStream::INLINE_CAPACITY + 1, 'x');

} // namespace

void* operator new(std::size_t size)
{
    return allocate(size);
}

void* operator new[](std::size_t size)
{
    return allocate(size);
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete[](void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}

TEST(TextStreamAllocation, AMemberThatCannotBeHadEndsTheTextAndTheStreamGoesBad)
{
    // A plain member, one that needs escapes, and a nameless element: each
    // way of writing an element meets the failure.
    const Element elements[] = {
        leaf(MarkupFactory::BT_STRING, "long", LONG_VALUE),
        leaf(MarkupFactory::BT_STRING, "quote\"", LONG_VALUE),
        with(leaf(MarkupFactory::BT_STRING, "", LONG_VALUE), [](Element& e) { e.closeImmediately = false; })};
    for (const Element& element : elements)
    {
        TextStream text;
        MarkupTestWriter writer(text, false, false);
        writer.write(opened(MarkupFactory::BT_SEQUENCE, ""));
        writer.write(leaf(MarkupFactory::BT_UNSIGNED, "first", "1"));
        const std::string before(text.text());
        EXPECT_FALSE(throwsWhileAllocationsFail([&] { writer.write(element); })) << element.name;
        EXPECT_TRUE(text.bad()) << element.name;
        EXPECT_EQ(before, text.text().substr(0, before.size())) << element.name;
        EXPECT_LE(text.text().size(), TextStream::INLINE_CAPACITY) << element.name;

        const std::string atFailure(text.text());
        writer.write(leaf(MarkupFactory::BT_UNSIGNED, "after", "2"));
        writer.closeAllOpenMarkups();
        EXPECT_EQ(atFailure, text.text()) << element.name;
    }
}

TEST(TextStreamAllocation, WithBadInTheExceptionMaskTheFailureComesThrough)
{
    TextStream text;
    text.exceptions(std::ios::badbit);
    MarkupTestWriter writer(text, false, false);
    writer.write(leaf(MarkupFactory::BT_UNSIGNED, "first", "1"));
    const Element element = leaf(MarkupFactory::BT_STRING, "long", LONG_VALUE);
    EXPECT_TRUE(throwsWhileAllocationsFail([&] { writer.write(element); }));
    EXPECT_TRUE(text.bad());
    EXPECT_EQ("\"first\":\"1\"", text.text().substr(0, 11));
}

TEST(TextStreamAllocation, AClosingThatCannotBeHadTurnsTheStreamBad)
{
    TextStream text;
    MarkupTestWriter writer(text, false, false);
    writer.write(opened(MarkupFactory::BT_SEQUENCE, ""));
    writer.write(leaf(MarkupFactory::BT_UNSIGNED, "a", "1"));
    // Fills the inline storage to the last character, so that the closing
    // brace needs more. Through the stream itself: a writer asks for room
    // beyond what it places.
    text << std::string(TextStream::INLINE_CAPACITY - text.text().size(), 'y');
    ASSERT_EQ(TextStream::INLINE_CAPACITY, text.text().size());
    EXPECT_FALSE(throwsWhileAllocationsFail([&] { writer.closeAllOpenMarkups(); }));
    EXPECT_TRUE(text.bad());
    EXPECT_EQ(TextStream::INLINE_CAPACITY, text.text().size());
}
