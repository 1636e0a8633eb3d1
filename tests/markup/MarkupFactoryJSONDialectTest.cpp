//
// MarkupFactoryJSONDialectTest.cpp
//
// The JSON dialect's separators, array elements and full-form attributes.
//

#include "MarkupTestWriter.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>

using namespace MarkupTest;

namespace
{

Element arrayElement(MarkupFactory::BaseType baseType, const std::string& value)
{
    Element e = leaf(baseType, "item", value);
    e.isArrayElement = true;
    return e;
}

class MarkupJSON : public ::testing::Test
{
protected:
    std::string text() const { return out.str(); }

    std::ostringstream out;
    MarkupTestWriter writer{out, false, false};
};

class MarkupJSONFullForm : public MarkupJSON
{
protected:
    void SetUp() override { writer.addFullFormScope(); }
};

} // namespace

TEST_F(MarkupJSON, EmptyValueIsAnEmptyString)
{
    writer.write(leaf(MarkupFactory::BT_STRING, "a", ""));
    EXPECT_EQ(text(), R"("a":"")");
}

TEST_F(MarkupJSON, CompleteConstructedElementIsAnEmptyObjectFollowedByAComma)
{
    writer.write(leaf(MarkupFactory::BT_SEQUENCE, "a", "ignored"));
    writer.write(leaf(MarkupFactory::BT_STRING, "b", "y"));
    EXPECT_EQ(text(), R"("a":{},"b":"y")");
}

TEST_F(MarkupJSON, PrimitiveArrayElementsAreObjectsHoldingTheirValue)
{
    writer.write(arrayElement(MarkupFactory::BT_UNSIGNED, "1"));
    writer.write(arrayElement(MarkupFactory::BT_UNSIGNED, "2"));
    EXPECT_EQ(text(), R"({"$value":"1"},{"$value":"2"})");
}

TEST_F(MarkupJSON, ConstructedArrayElementsAreObjectsOfTheirChildren)
{
    writer.write(arrayElement(MarkupFactory::BT_SEQUENCE, ""));
    Element holder = arrayElement(MarkupFactory::BT_SEQUENCE, "");
    holder.closeImmediately = false;
    writer.write(holder);
    writer.write(leaf(MarkupFactory::BT_STRING, "c", "z"));
    writer.closeAllOpenMarkups();
    EXPECT_EQ(text(), R"({},{"c":"z"})");
}

TEST_F(MarkupJSON, RunOfLikeSiblingsWritesTheSameTextAsWithoutMarkers)
{
    const auto writeRun = [](MarkupTestWriter& w, bool isArray)
    {
        w.write(opened(MarkupFactory::BT_SEQUENCE, ""));
        Element list = opened(MarkupFactory::BT_ARRAY, "list");
        list.isArray = isArray;
        w.write(list);
        w.write(arrayElement(MarkupFactory::BT_REAL, "1.5"));
        w.write(arrayElement(MarkupFactory::BT_REAL, "2"));
        w.closeAllOpenMarkups();
    };
    std::ostringstream plain;
    MarkupTestWriter withoutMarkers(plain, false, false);
    writeRun(withoutMarkers, false);
    writeRun(writer, true);
    EXPECT_EQ(text(), plain.str());
    EXPECT_EQ(text(), R"({"list":{{"$value":"1.5"},{"$value":"2"}}})");
}

TEST_F(MarkupJSON, NamelessElementAfterAMemberBeginsWithAComma)
{
    writer.write(leaf(MarkupFactory::BT_STRING, "a", "x"));
    writer.write(opened(MarkupFactory::BT_SEQUENCE, ""));
    EXPECT_EQ(text(), R"("a":"x",{)");
}

// Cases the service never writes, kept to valid JSON.
TEST_F(MarkupJSON, NamelessPrimitiveElementIsAnObjectHoldingItsValue)
{
    writer.write(leaf(MarkupFactory::BT_STRING, "", "x"));
    EXPECT_EQ(text(), R"({"$value":"x"})");
}

TEST_F(MarkupJSON, PrimitiveElementLeftOpenGetsItsClosingBraceAnOpeningOne)
{
    Element e = opened(MarkupFactory::BT_STRING, "a");
    e.value = "x";
    writer.write(e);
    writer.write(leaf(MarkupFactory::BT_STRING, "b", "y"));
    writer.closeAllOpenMarkups();
    EXPECT_EQ(text(), R"("a":{"$value":"x","b":"y"})");
}

TEST_F(MarkupJSON, OmitEmptyValueDropsOnlyAValueMemberOfItsOwn)
{
    Element bare = leaf(MarkupFactory::BT_STRING, "a", "");
    bare.omitEmptyValue = true;
    writer.write(bare);
    Element element = arrayElement(MarkupFactory::BT_STRING, "");
    element.omitEmptyValue = true;
    writer.write(element);
    EXPECT_EQ(text(), R"("a":"",{})");
}

TEST_F(MarkupJSONFullForm, NamelessElementIsKeyedByItsBaseTypeAndCarriesNoAttributes)
{
    Element e = leaf(MarkupFactory::BT_UNSIGNED, "", "7");
    e.displayName = "D";
    writer.write(e);
    EXPECT_EQ(text(), R"("$Unsigned":{"$base":"Unsigned"})");
}

TEST_F(MarkupJSONFullForm, AttributesFollowInTheirFixedOrder)
{
    Element e = leaf(MarkupFactory::BT_REAL, "t", "21.5");
    e.comment = "c";
    e.error = 3;
    e.errorText = "et";
    e.displayName = "dn";
    e.type = "ty";
    e.truncated = true;
    e.maximum = "99";
    e.minimum = "-9";
    e.contextTag = "4";
    e.propertyIdentifier = "85";
    e.writable = "true";
    e.description = "de";
    writer.write(e);
    EXPECT_EQ(text(), R"("t":{"$base":"Real","$value":"21.5","$displayName":"dn","$type":"ty",)"
                      R"("$propertyIdentifier":"85","$maximum":"99","$minimum":"-9","$contextTag":"4",)"
                      R"("$writable":"true","$description":"de","$error":"3","$errorText":"et",)"
                      R"("$comment":"c","$truncated":"True"})");
}

TEST_F(MarkupJSONFullForm, ListLikeTypesHaveAMemberTypeAndOnlyArraysASize)
{
    for (MarkupFactory::BaseType baseType : {MarkupFactory::BT_ARRAY, MarkupFactory::BT_LIST,
                                             MarkupFactory::BT_SEQUENCE_OF, MarkupFactory::BT_SEQUENCE})
    {
        Element e = leaf(baseType, "x", "");
        e.type = "T";
        e.maximum = "8";
        e.minimum = "1";
        writer.write(e);
    }
    EXPECT_EQ(text(), R"("x":{"$base":"Array","$memberType":"T","$maximumSize":"8","$minimumSize":"1"},)"
                      R"("x":{"$base":"List","$memberType":"T","$maximum":"8","$minimum":"1"},)"
                      R"("x":{"$base":"SequenceOf","$memberType":"T","$maximum":"8","$minimum":"1"},)"
                      R"("x":{"$base":"Sequence","$type":"T","$maximum":"8","$minimum":"1"})");
}

TEST_F(MarkupJSONFullForm, ErrorIsWrittenOnlyWhenNotZeroWithItsSign)
{
    Element e = leaf(MarkupFactory::BT_STRING, "a", "");
    writer.write(e);
    e.error = -5;
    writer.write(e);
    EXPECT_EQ(text(),
              R"("a":{"$base":"String","$value":""},"a":{"$base":"String","$value":"","$error":"-5"})");
}

TEST_F(MarkupJSONFullForm, OmitEmptyValueLeavesTheValueOut)
{
    Element e = leaf(MarkupFactory::BT_STRING, "a", "");
    e.omitEmptyValue = true;
    writer.write(e);
    EXPECT_EQ(text(), R"("a":{"$base":"String"})");
}

TEST_F(MarkupJSONFullForm, ArrayElementIsAnObjectWithoutKey)
{
    writer.write(opened(MarkupFactory::BT_ARRAY, "l"));
    writer.write(arrayElement(MarkupFactory::BT_UNSIGNED, "4"));
    writer.closeAllOpenMarkups();
    EXPECT_EQ(text(), R"("l":{"$base":"Array",{"$base":"Unsigned","$value":"4"}})");
}

TEST_F(MarkupJSON, ExactlyTheTwelveConstructedBaseTypesAreObjects)
{
    const std::set<MarkupFactory::BaseType> constructed = {
        MarkupFactory::BT_OBJECT,       MarkupFactory::BT_COMPOSITION,
        MarkupFactory::BT_LIST,         MarkupFactory::BT_SEQUENCE,
        MarkupFactory::BT_ARRAY,        MarkupFactory::BT_SEQUENCE_OF,
        MarkupFactory::BT_CHOICE,       MarkupFactory::BT_COLLECTION,
        MarkupFactory::BT_NAMED_VALUES, MarkupFactory::BT_MEMBER_TYPE_DEFINITION,
        MarkupFactory::BT_CHOICES,      MarkupFactory::BT_NAMED_BITS};
    for (int baseType = 0; baseType < MarkupFactory::WRITABLE_BASE_TYPES; ++baseType)
    {
        std::ostringstream one;
        MarkupTestWriter oneWriter(one, false, false);
        const auto type = static_cast<MarkupFactory::BaseType>(baseType);
        oneWriter.write(leaf(type, "x", "v"));
        EXPECT_EQ(one.str(), constructed.count(type) ? R"("x":{})" : R"("x":"v")")
            << "base type " << baseType;
    }
}
