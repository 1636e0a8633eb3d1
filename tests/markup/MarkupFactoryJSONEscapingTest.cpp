//
// MarkupFactoryJSONEscapingTest.cpp
//
// Texts inside quotation marks are escaped as JSON requires, so that every
// complete document parses back to the texts that were given.
//

#include "MarkupTestWriter.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sstream>

using namespace MarkupTest;

namespace
{

class MarkupEscaping : public ::testing::Test
{
protected:
    // Writes a nameless root holding one string member, a complete JSON object.
    std::string document(const std::string& name, const std::string& value)
    {
        writer.write(opened(MarkupFactory::BT_SEQUENCE, ""));
        writer.write(leaf(MarkupFactory::BT_STRING, name, value));
        writer.closeAllOpenMarkups();
        return out.str();
    }

    std::ostringstream out;
    MarkupTestWriter writer{out, false, false};
};

} // namespace

TEST_F(MarkupEscaping, QuotationMarkAndBackslashAreEscaped)
{
    EXPECT_EQ(document("a\"b", "c:\\d\"e"), R"({"a\"b":"c:\\d\"e"})");
    EXPECT_EQ(nlohmann::json::parse(out.str())["a\"b"], "c:\\d\"e");
}

TEST_F(MarkupEscaping, ControlCharactersUseShortFormsOrUnicodeEscapes)
{
    const std::string value = std::string("\b\f\n\r\t") + '\0' + "\x01\x1f x";
    EXPECT_EQ(document("k", value), R"({"k":"\b\f\n\r\t\u0000\u0001\u001f x"})");
    EXPECT_EQ(nlohmann::json::parse(out.str())["k"], value);
}

TEST_F(MarkupEscaping, BytesFromDeleteUpwardPassUnchanged)
{
    const std::string value = "\x7f caf\xc3\xa9 \xe2\x82\xac";
    EXPECT_EQ(document("k", value), "{\"k\":\"" + value + "\"}");
    EXPECT_EQ(nlohmann::json::parse(out.str())["k"], value);
}

TEST_F(MarkupEscaping, ValueCannotInjectAMember)
{
    const std::string attack = R"(x","admin":"true)";
    const nlohmann::json parsed = nlohmann::json::parse(document("type", attack));
    EXPECT_EQ(parsed.size(), 1u);
    EXPECT_EQ(parsed["type"], attack);
}

TEST_F(MarkupEscaping, FullFormEscapesNamesValuesAndAttributes)
{
    writer.addFullFormScope();
    writer.write(opened(MarkupFactory::BT_SEQUENCE, ""));
    Element e = leaf(MarkupFactory::BT_STRING, "n\"", "v\n");
    e.displayName = "d\\";
    e.comment = "c\t";
    e.errorText = "\"";
    writer.write(e);
    writer.closeAllOpenMarkups();
    EXPECT_EQ(out.str(), R"("$Sequence":{"$base":"Sequence","n\"":{"$base":"String","$value":"v\n",)"
                         R"("$displayName":"d\\","$errorText":"\"","$comment":"c\t"}})");
    // A nameless root of the full form is a member; wrapped in braces it parses.
    const nlohmann::json parsed = nlohmann::json::parse("{" + out.str() + "}");
    EXPECT_EQ(parsed["$Sequence"]["n\""]["$displayName"], "d\\");
    EXPECT_EQ(parsed["$Sequence"]["n\""]["$value"], "v\n");
}
