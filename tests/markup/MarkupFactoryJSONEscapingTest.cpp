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

namespace
{

// The escapes one character at a time, the plain way.
std::string escapedSlowly(const std::string& text)
{
    std::string out;
    for (char c : text)
    {
        const unsigned char u = static_cast<unsigned char>(c);
        switch (c)
        {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (u < 0x20)
                {
                    const char digits[] = "0123456789abcdef";
                    out += "\\u00";
                    out += digits[u >> 4];
                    out += digits[u & 0x0F];
                }
                else
                {
                    out += c;
                }
        }
    }
    return out;
}

} // namespace

TEST(MarkupEscapingPositions, EveryCharacterToEscapeIsFoundWhereverItStandsInALongText)
{
    // The search looks at whole machine words; a character to escape must be
    // found in any place of a word, in the tail and next to high bytes.
    const std::string specials = std::string("\"\\\n\x01\x1f") + '\0';
    for (std::size_t length = 1; length <= 40; ++length)
    {
        for (std::size_t at = 0; at < length; ++at)
        {
            for (char special : specials)
            {
                std::string value(length, 'v');
                value[(at + 3) % length] = '\xe9';
                value[at] = special;
                std::ostringstream out;
                MarkupTestWriter writer(out, false, false);
                writer.write(opened(MarkupFactory::BT_SEQUENCE, ""));
                writer.write(leaf(MarkupFactory::BT_STRING, value, value));
                writer.closeAllOpenMarkups();
                const std::string escaped = escapedSlowly(value);
                ASSERT_EQ("{\"" + escaped + "\":\"" + escaped + "\"}", out.str())
                    << length << " " << at << " " << int(special);
            }
        }
    }
}
