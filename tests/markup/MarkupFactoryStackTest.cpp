//
// MarkupFactoryStackTest.cpp
//
// The open-element stack: array markers, closing through markers, ignored base
// types, reset() and the indentation that the stack drives.
//

#include "MarkupTestWriter.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace MarkupTest;
using OpenMarkup = MarkupFactory::OpenMarkup;

namespace
{

Element arrayOpening(MarkupFactory::BaseType baseType, const std::string& name, bool closeImmediately)
{
    Element e = leaf(baseType, name, "");
    e.isArray = true;
    e.closeImmediately = closeImmediately;
    return e;
}

class MarkupStack : public ::testing::Test
{
protected:
    std::ostringstream out;
    MarkupTestWriter writer{out, false, false};
};

} // namespace

TEST_F(MarkupStack, BaseTypesOutsideTheWritableRangeAreIgnored)
{
    writer.write(opened(MarkupFactory::BT_SEQUENCE, "r"));
    writer.write(arrayOpening(MarkupFactory::BT_LIST, "l", false));
    const std::string before = out.str();
    const auto stackBefore = writer.stack();
    for (int baseType : {-1, 37, 38, 1000})
    {
        Element e = arrayOpening(static_cast<MarkupFactory::BaseType>(baseType), "x", false);
        writer.write(e);
    }
    EXPECT_EQ(out.str(), before);
    EXPECT_EQ(writer.stack(), stackBefore);
    EXPECT_EQ(writer.arrayMarkers(), 1u);
}

TEST_F(MarkupStack, ClosingOnAnEmptyStackWritesNothing)
{
    writer.closeOpenMarkup();
    writer.closeAllOpenMarkups();
    EXPECT_EQ(out.str(), "");
    EXPECT_TRUE(writer.firstMember());
}

TEST_F(MarkupStack, CompleteElementLeavesTheStackAsItWas)
{
    writer.write(opened(MarkupFactory::BT_SEQUENCE, "r"));
    const auto stackBefore = writer.stack();
    writer.write(leaf(MarkupFactory::BT_STRING, "a", "x"));
    writer.write(leaf(MarkupFactory::BT_SEQUENCE, "b", ""));
    EXPECT_EQ(writer.stack(), stackBefore);
}

TEST_F(MarkupStack, ArrayMarkerLiesBeneathItsElement)
{
    writer.write(arrayOpening(MarkupFactory::BT_LIST, "l", false));
    EXPECT_EQ(writer.stack(),
              (std::vector<OpenMarkup>{{MarkupFactory::BT_LIST, true}, {MarkupFactory::BT_LIST, false}}));
    EXPECT_EQ(writer.arrayMarkers(), 1u);

    writer.closeOpenMarkup();
    EXPECT_EQ(writer.stack(), (std::vector<OpenMarkup>{{MarkupFactory::BT_LIST, true}}));
    EXPECT_EQ(out.str(), R"("l":{})");
}

TEST_F(MarkupStack, SiblingOfTheSameBaseTypeKeepsTheMarker)
{
    writer.write(arrayOpening(MarkupFactory::BT_LIST, "l", true));
    writer.write(arrayOpening(MarkupFactory::BT_LIST, "m", false));
    EXPECT_EQ(writer.stack(), (std::vector<OpenMarkup>{{MarkupFactory::BT_LIST, true},
                                                       {MarkupFactory::BT_LIST, true},
                                                       {MarkupFactory::BT_LIST, false}}));
    EXPECT_EQ(writer.arrayMarkers(), 2u);
}

TEST_F(MarkupStack, OtherBaseTypeClosesOnlyTheTopMarker)
{
    writer.write(arrayOpening(MarkupFactory::BT_LIST, "l", true));
    writer.write(arrayOpening(MarkupFactory::BT_LIST, "m", true));
    writer.write(leaf(MarkupFactory::BT_STRING, "s", "x"));
    EXPECT_EQ(writer.stack(), (std::vector<OpenMarkup>{{MarkupFactory::BT_LIST, true}}));
    EXPECT_EQ(writer.arrayMarkers(), 1u);
    EXPECT_EQ(out.str(), R"("l":{},"m":{},"s":"x")");
}

TEST_F(MarkupStack, OneCloseTakesTheElementBeneathTheMarkersAboveIt)
{
    writer.write(opened(MarkupFactory::BT_SEQUENCE, "r"));
    writer.write(arrayOpening(MarkupFactory::BT_STRING, "a", true));
    writer.write(arrayOpening(MarkupFactory::BT_STRING, "b", true));
    ASSERT_EQ(writer.stack().size(), 3u);

    writer.closeOpenMarkup();
    EXPECT_TRUE(writer.stack().empty());
    EXPECT_EQ(writer.arrayMarkers(), 0u);
    EXPECT_EQ(out.str(), R"("r":{"a":"","b":""})");
}

TEST_F(MarkupStack, MarkerAtTheBottomIsRemovedAndClosingStops)
{
    writer.write(arrayOpening(MarkupFactory::BT_STRING, "a", true));
    writer.closeOpenMarkup();
    EXPECT_TRUE(writer.stack().empty());
    EXPECT_EQ(writer.arrayMarkers(), 0u);
    EXPECT_EQ(out.str(), R"("a":"")");
}

TEST_F(MarkupStack, ResetAbandonsElementsAndMarkersSilently)
{
    writer.write(opened(MarkupFactory::BT_SEQUENCE, "r"));
    writer.write(arrayOpening(MarkupFactory::BT_LIST, "l", false));
    writer.write(arrayOpening(MarkupFactory::BT_STRING, "s", true));
    const std::string before = out.str();

    writer.reset();
    EXPECT_TRUE(writer.stack().empty());
    EXPECT_EQ(writer.arrayMarkers(), 0u);
    EXPECT_EQ(out.str(), before);

    // The dialect's separator state survives a reset.
    writer.write(leaf(MarkupFactory::BT_STRING, "t", "y"));
    EXPECT_EQ(out.str(), before + R"(,"t":"y")");
}

TEST_F(MarkupStack, MarkerCountAlwaysEqualsTheMarkersOnTheStack)
{
    // A fixed pseudo-random walk through every kind of call, checked after each step.
    const MarkupFactory::BaseType baseTypes[] = {MarkupFactory::BT_STRING, MarkupFactory::BT_LIST,
                                                 MarkupFactory::BT_SEQUENCE, MarkupFactory::BT_NONE,
                                                 static_cast<MarkupFactory::BaseType>(-3)};
    unsigned state = 12345;
    const auto next = [&state](unsigned range)
    {
        state = state * 1103515245u + 12345u;
        return (state >> 16) % range;
    };
    for (int step = 0; step < 2000; ++step)
    {
        switch (next(6))
        {
            case 0:
                writer.closeOpenMarkup();
                break;
            case 1:
                if (next(20) == 0)
                    writer.reset();
                break;
            default:
            {
                Element e = leaf(baseTypes[next(5)], "e", "v");
                e.isArray = next(2) == 0;
                e.closeImmediately = next(2) == 0;
                e.isArrayElement = next(4) == 0;
                writer.write(e);
            }
        }
        ASSERT_EQ(writer.arrayMarkers(), writer.markersOnStack()) << "at step " << step;
    }
    writer.closeAllOpenMarkups();
    EXPECT_TRUE(writer.stack().empty());
    EXPECT_EQ(writer.arrayMarkers(), 0u);
}

TEST(MarkupIndentation, ChildrenAndTheirClosingsAreIndentedOneTabDeeperThanTheRoot)
{
    std::ostringstream out;
    MarkupTestWriter writer(out, true, false);
    writer.write(opened(MarkupFactory::BT_SEQUENCE, "r"));
    writer.write(opened(MarkupFactory::BT_SEQUENCE, "c"));
    writer.write(leaf(MarkupFactory::BT_STRING, "g", "x"));
    writer.closeAllOpenMarkups();
    EXPECT_EQ(out.str(), "\"r\":{\n\t\"c\":{\n\t\t\"g\":\"x\"\n\t}\n}\n");
}

TEST(MarkupIndentation, MarkersTakeNoLevelAndCloseOnALineOfTheirOwn)
{
    std::ostringstream out;
    MarkupTestWriter writer(out, true, false);
    writer.write(opened(MarkupFactory::BT_SEQUENCE, "r"));
    writer.write(arrayOpening(MarkupFactory::BT_LIST, "l", false));
    writer.write(leaf(MarkupFactory::BT_STRING, "g", "x"));
    writer.closeAllOpenMarkups();
    // "l" closes at its own indentation; its marker leaves an empty line.
    EXPECT_EQ(out.str(), "\"r\":{\n\t\"l\":{\n\t\t\"g\":\"x\"\n\t}\n\n}\n");
}

TEST(MarkupIndentation, HeaderWritesAnEmptyLineInPrettyModeOnly)
{
    std::ostringstream pretty;
    MarkupTestWriter(pretty, true, false).header();
    EXPECT_EQ(pretty.str(), "\n");

    std::ostringstream compact;
    MarkupTestWriter(compact, false, false).header();
    EXPECT_EQ(compact.str(), "");
}
