//
// MarkupFactoryJSONDialectTest.cpp
//
// The JSON dialect's worked examples, separators, indentation, array elements
// and full-form attributes, byte for byte.
//

#include "MarkupTestWriter.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>

using namespace MarkupTest;

namespace
{

enum class Form
{
    Compact,
    Pretty,
    Full
};

struct TextCase
{
    const char* behaviour;
    Form form;
    std::vector<Step> steps;
    const char* expected;
};

Element withEveryAttribute()
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
    return e;
}

Element withLimits(MarkupFactory::BaseType baseType)
{
    Element e = leaf(baseType, "x", "");
    e.type = "T";
    e.maximum = "8";
    e.minimum = "1";
    return e;
}

Element omittingEmptyValue(Element e)
{
    e.omitEmptyValue = true;
    return e;
}

std::vector<Step> runOfReals(bool withMarkers)
{
    return {opened(MarkupFactory::BT_SEQUENCE, ""),
            with(opened(MarkupFactory::BT_ARRAY, "list"), [=](Element& e) { e.isArray = withMarkers; }),
            arrayElement(MarkupFactory::BT_REAL, "1.5"), arrayElement(MarkupFactory::BT_REAL, "2")};
}

const MarkupFactory::BaseType SEQUENCE = MarkupFactory::BT_SEQUENCE;
const MarkupFactory::BaseType STRING = MarkupFactory::BT_STRING;
const MarkupFactory::BaseType UNSIGNED = MarkupFactory::BT_UNSIGNED;

// Every script ends with closeAllOpenMarkups().
const TextCase TEXT_CASES[] = {
    {"compact form example",
     Form::Compact,
     {opened(SEQUENCE, "obj"), leaf(STRING, "a", "x"), leaf(UNSIGNED, "b", "5")},
     R"("obj":{"a":"x","b":"5"})"},
    {"pretty form example: tabs and the comma first",
     Form::Pretty,
     {opened(SEQUENCE, "obj"), leaf(STRING, "a", "x"), leaf(UNSIGNED, "b", "5")},
     "\"obj\":{\n\t\"a\":\"x\"\n\t,\"b\":\"5\"\n}\n"},
    {"full form example: base and display name",
     Form::Full,
     {opened(SEQUENCE, "obj"), with(leaf(STRING, "a", "x"), [](Element& e) { e.displayName = "X"; })},
     R"("obj":{"$base":"Sequence","a":{"$base":"String","$value":"x","$displayName":"X"}})"},
    {"children and their closings one tab deeper",
     Form::Pretty,
     {opened(SEQUENCE, "r"), opened(SEQUENCE, "c"), leaf(STRING, "g", "x")},
     "\"r\":{\n\t\"c\":{\n\t\t\"g\":\"x\"\n\t}\n}\n"},
    {"markers take no level and close on an empty line",
     Form::Pretty,
     {opened(SEQUENCE, "r"), arrayOpening(MarkupFactory::BT_LIST, "l", false), leaf(STRING, "g", "x")},
     "\"r\":{\n\t\"l\":{\n\t\t\"g\":\"x\"\n\t}\n\n}\n"},
    {"empty value is an empty string", Form::Compact, {leaf(STRING, "a", "")}, R"("a":"")"},
    {"complete constructed element is an empty object",
     Form::Compact,
     {leaf(SEQUENCE, "a", "ignored"), leaf(STRING, "b", "y")},
     R"("a":{},"b":"y")"},
    {"primitive array elements hold their value",
     Form::Compact,
     {arrayElement(UNSIGNED, "1"), arrayElement(UNSIGNED, "2")},
     R"({"$value":"1"},{"$value":"2"})"},
    {"constructed array elements hold their children",
     Form::Compact,
     {arrayElement(SEQUENCE, ""),
      with(arrayElement(SEQUENCE, ""), [](Element& e) { e.closeImmediately = false; }),
      leaf(STRING, "c", "z")},
     R"({},{"c":"z"})"},
    {"run of like siblings without markers", Form::Compact, runOfReals(false),
     R"({"list":{{"$value":"1.5"},{"$value":"2"}}})"},
    {"run of like siblings with markers: the same text", Form::Compact, runOfReals(true),
     R"({"list":{{"$value":"1.5"},{"$value":"2"}}})"},
    {"nameless element after a member begins with a comma",
     Form::Compact,
     {leaf(STRING, "a", "x"), opened(SEQUENCE, "")},
     R"("a":"x",{})"},
    // Cases the service never writes, kept to valid JSON.
    {"nameless primitive element holds its value",
     Form::Compact,
     {leaf(STRING, "", "x")},
     R"({"$value":"x"})"},
    {"primitive element left open holds its value and children",
     Form::Compact,
     {with(opened(STRING, "a"), [](Element& e) { e.value = "x"; }), leaf(STRING, "b", "y")},
     R"("a":{"$value":"x","b":"y"})"},
    {"omitting the empty value drops only a value member of its own",
     Form::Compact,
     {omittingEmptyValue(leaf(STRING, "a", "")), omittingEmptyValue(arrayElement(STRING, ""))},
     R"("a":"",{})"},
    {"full form: nameless element keyed by its base type, no attributes",
     Form::Full,
     {with(leaf(UNSIGNED, "", "7"), [](Element& e) { e.displayName = "D"; })},
     R"("$Unsigned":{"$base":"Unsigned"})"},
    {"full form: attributes in their fixed order",
     Form::Full,
     {withEveryAttribute()},
     R"("t":{"$base":"Real","$value":"21.5","$displayName":"dn","$type":"ty",)"
     R"("$propertyIdentifier":"85","$maximum":"99","$minimum":"-9","$contextTag":"4",)"
     R"("$writable":"true","$description":"de","$error":"3","$errorText":"et",)"
     R"("$comment":"c","$truncated":"True"})"},
    {"full form: list-like types have a member type, only arrays a size",
     Form::Full,
     {withLimits(MarkupFactory::BT_ARRAY), withLimits(MarkupFactory::BT_LIST),
      withLimits(MarkupFactory::BT_SEQUENCE_OF), withLimits(SEQUENCE)},
     R"("x":{"$base":"Array","$memberType":"T","$maximumSize":"8","$minimumSize":"1"},)"
     R"("x":{"$base":"List","$memberType":"T","$maximum":"8","$minimum":"1"},)"
     R"("x":{"$base":"SequenceOf","$memberType":"T","$maximum":"8","$minimum":"1"},)"
     R"("x":{"$base":"Sequence","$type":"T","$maximum":"8","$minimum":"1"})"},
    {"full form: error only when not zero, with its sign",
     Form::Full,
     {leaf(STRING, "a", ""), with(leaf(STRING, "a", ""), [](Element& e) { e.error = -5; })},
     R"("a":{"$base":"String","$value":""},"a":{"$base":"String","$value":"","$error":"-5"})"},
    {"full form: omitting the empty value leaves it out",
     Form::Full,
     {omittingEmptyValue(leaf(STRING, "a", ""))},
     R"("a":{"$base":"String"})"},
    {"full form: array element is an object without key",
     Form::Full,
     {opened(MarkupFactory::BT_ARRAY, "l"), arrayElement(UNSIGNED, "4")},
     R"("l":{"$base":"Array",{"$base":"Unsigned","$value":"4"}})"},
};

} // namespace

TEST(MarkupJSON, WritesEachCaseByteForByte)
{
    for (const TextCase& c : TEXT_CASES)
    {
        SCOPED_TRACE(c.behaviour);
        std::ostringstream out;
        MarkupTestWriter writer(out, c.form == Form::Pretty, false);
        if (c.form == Form::Full)
            writer.addFullFormScope();
        writer.run(c.steps);
        writer.closeAllOpenMarkups();
        EXPECT_EQ(c.expected, out.str());
    }
}

TEST(MarkupJSON, ExactlyTheTwelveConstructedBaseTypesAreObjects)
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
        const std::string expected = constructed.count(type) ? R"("x":{})" : R"("x":"v")";
        EXPECT_EQ(one.str(), expected) << "base type " << baseType;

        // Called directly, after an element of another type: the dialect
        // must not go by the type of the element markup() wrote last.
        std::ostringstream direct;
        MarkupTestWriter directWriter(direct, false, false);
        const auto other =
            static_cast<MarkupFactory::BaseType>((baseType + 1) % MarkupFactory::WRITABLE_BASE_TYPES);
        directWriter.write(leaf(other, "o", "w"));
        direct.str("");
        directWriter.describe(leaf(type, "x", "v"));
        EXPECT_EQ(direct.str(), "," + expected) << "base type " << baseType << ", called directly";
    }
}

TEST(MarkupJSON, HeaderWritesAnEmptyLineInPrettyModeOnly)
{
    std::ostringstream pretty;
    MarkupTestWriter(pretty, true, false).header();
    EXPECT_EQ(pretty.str(), "\n");
    std::ostringstream compact;
    MarkupTestWriter(compact, false, false).header();
    EXPECT_EQ(compact.str(), "");
}
