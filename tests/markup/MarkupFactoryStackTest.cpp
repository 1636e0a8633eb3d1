//
// MarkupFactoryStackTest.cpp
//
// The open-element stack: array markers, closing through markers, ignored base
// types and reset(); the marker count always equals the markers on the stack.
//

#include "MarkupTestWriter.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace MarkupTest;

namespace
{

struct StackCase
{
    const char* behaviour;
    std::vector<Step> steps;
    std::vector<OpenMarkup> stack;
    const char* text;
};

const MarkupFactory::BaseType LIST = MarkupFactory::BT_LIST;
const MarkupFactory::BaseType SEQUENCE = MarkupFactory::BT_SEQUENCE;
const MarkupFactory::BaseType STRING = MarkupFactory::BT_STRING;

Element outOfRange(int baseType)
{
    return arrayOpening(static_cast<MarkupFactory::BaseType>(baseType), "x", false);
}

const StackCase STACK_CASES[] = {
    {"base types outside the writable range are ignored",
     {opened(SEQUENCE, "r"), arrayOpening(LIST, "l", false), outOfRange(-1), outOfRange(37), outOfRange(38),
      outOfRange(1000)},
     {{SEQUENCE, false}, {LIST, true}, {LIST, false}},
     R"("r":{"l":{)"},
    {"closing on an empty stack writes nothing and leaves the next member first",
     {Step::Close, Step::CloseAll, leaf(STRING, "a", "x")},
     {},
     R"("a":"x")"},
    {"a complete element leaves the stack as it was",
     {opened(SEQUENCE, "r"), leaf(STRING, "a", "x"), leaf(SEQUENCE, "b", "")},
     {{SEQUENCE, false}},
     R"("r":{"a":"x","b":{})"},
    {"an array marker lies beneath its element",
     {arrayOpening(LIST, "l", false)},
     {{LIST, true}, {LIST, false}},
     R"("l":{)"},
    {"closing the element leaves its marker",
     {arrayOpening(LIST, "l", false), Step::Close},
     {{LIST, true}},
     R"("l":{})"},
    {"a sibling of the same base type keeps the marker",
     {arrayOpening(LIST, "l", true), arrayOpening(LIST, "m", false)},
     {{LIST, true}, {LIST, true}, {LIST, false}},
     R"("l":{},"m":{)"},
    {"another base type closes only the top marker",
     {arrayOpening(LIST, "l", true), arrayOpening(LIST, "m", true), leaf(STRING, "s", "x")},
     {{LIST, true}},
     R"("l":{},"m":{},"s":"x")"},
    {"one close takes the element beneath the markers above it",
     {opened(SEQUENCE, "r"), arrayOpening(STRING, "a", true), arrayOpening(STRING, "b", true), Step::Close},
     {},
     R"("r":{"a":"","b":""})"},
    {"a marker at the bottom is removed and closing stops",
     {arrayOpening(STRING, "a", true), Step::Close},
     {},
     R"("a":"")"},
    {"reset abandons elements and markers silently; the separator state survives",
     {opened(SEQUENCE, "r"), arrayOpening(LIST, "l", false), arrayOpening(STRING, "s", true), Step::Reset,
      leaf(STRING, "t", "y")},
     {},
     R"("r":{"l":{"s":"","t":"y")"},
};

} // namespace

TEST(MarkupStack, EachScriptLeavesTheStackAndTheTextItShould)
{
    for (const StackCase& c : STACK_CASES)
    {
        SCOPED_TRACE(c.behaviour);
        std::ostringstream out;
        MarkupTestWriter writer(out, false, false);
        writer.run(c.steps);
        EXPECT_EQ(c.stack, writer.stack());
        EXPECT_EQ(c.text, out.str());
    }
}

TEST(MarkupStack, MarkerCountAlwaysEqualsTheMarkersOnTheStack)
{
    // A fixed pseudo-random walk through every kind of call, checked after each step.
    const MarkupFactory::BaseType baseTypes[] = {STRING, LIST, SEQUENCE, MarkupFactory::BT_NONE,
                                                 static_cast<MarkupFactory::BaseType>(-3)};
    unsigned state = 12345;
    const auto next = [&state](unsigned range)
    {
        state = state * 1103515245u + 12345u;
        return (state >> 16) % range;
    };
    std::ostringstream out;
    MarkupTestWriter writer(out, false, false);
    std::vector<Step> walk;
    for (int step = 0; step < 2000; ++step)
    {
        const unsigned kind = next(6);
        if (kind == 0)
            walk.emplace_back(Step::Close);
        else if (kind == 1)
        {
            if (next(20) == 0)
                walk.emplace_back(Step::Reset);
        }
        else
            walk.emplace_back(with(leaf(baseTypes[next(5)], "e", "v"),
                                   [&](Element& e)
                                   {
                                       e.isArray = next(2) == 0;
                                       e.closeImmediately = next(2) == 0;
                                       e.isArrayElement = next(4) == 0;
                                   }));
    }
    walk.emplace_back(Step::CloseAll);
    writer.run(walk);
    EXPECT_TRUE(writer.stack().empty());
}
