//
// MarkupFactoryJSONEscapingTest.cpp
//
// Texts inside quotation marks are escaped as JSON requires, so that every
// complete document parses back to the texts that were given.
//

#include "MarkupTestWriter.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <sstream>

using namespace MarkupTest;

namespace
{

// A nameless root holding one string member: a complete JSON object.
std::string document(const std::string& name, const std::string& value)
{
    std::ostringstream out;
    MarkupTestWriter writer(out, false, false);
    writer.run({opened(MarkupFactory::BT_SEQUENCE, ""), leaf(MarkupFactory::BT_STRING, name, value),
                Step::CloseAll});
    return out.str();
}

// The escapes one character at a time, the plain way.
std::string escapedSlowly(const std::string& text)
{
    const std::string shortForms = "\"\\\b\f\n\r\t";
    const std::string letters = "\"\\bfnrt";
    std::string out;
    for (char c : text)
    {
        const std::size_t at = shortForms.find(c);
        char hex[8];
        if (at != std::string::npos)
            out += std::string("\\") + letters[at];
        else if (static_cast<unsigned char>(c) < 0x20 && std::snprintf(hex, sizeof(hex), "\\u%04x", c) > 0)
            out += hex;
        else
            out += c;
    }
    return out;
}

} // namespace

TEST(MarkupEscaping, EveryTextParsesBackAndCannotInjectAMember)
{
    const struct
    {
        std::string name;
        std::string value;
        const char* expected;
    } cases[] = {
        {"a\"b", "c:\\d\"e", R"({"a\"b":"c:\\d\"e"})"},
        {"k", std::string("\b\f\n\r\t") + '\0' + "\x01\x1f x", R"({"k":"\b\f\n\r\t\u0000\u0001\u001f x"})"},
        {"k", "\x7f caf\xc3\xa9 \xe2\x82\xac", "{\"k\":\"\x7f caf\xc3\xa9 \xe2\x82\xac\"}"},
        {"type", R"(x","admin":"true)", R"({"type":"x\",\"admin\":\"true"})"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(c.expected, document(c.name, c.value));
        const nlohmann::json parsed = nlohmann::json::parse(document(c.name, c.value));
        EXPECT_EQ(1u, parsed.size());
        EXPECT_EQ(c.value, parsed[c.name]);
    }
}

TEST(MarkupEscaping, FullFormEscapesNamesValuesAndAttributes)
{
    std::ostringstream out;
    MarkupTestWriter writer(out, false, false);
    writer.addFullFormScope();
    writer.run({opened(MarkupFactory::BT_SEQUENCE, ""),
                with(leaf(MarkupFactory::BT_STRING, "n\"", "v\n"),
                     [](Element& e)
                     {
                         e.displayName = "d\\";
                         e.comment = "c\t";
                         e.errorText = "\"";
                     }),
                Step::CloseAll});
    EXPECT_EQ(out.str(), R"("$Sequence":{"$base":"Sequence","n\"":{"$base":"String","$value":"v\n",)"
                         R"("$displayName":"d\\","$errorText":"\"","$comment":"c\t"}})");
    // A nameless root of the full form is a member; wrapped in braces it parses.
    const nlohmann::json parsed = nlohmann::json::parse("{" + out.str() + "}");
    EXPECT_EQ(parsed["$Sequence"]["n\""]["$displayName"], "d\\");
    EXPECT_EQ(parsed["$Sequence"]["n\""]["$value"], "v\n");
}

TEST(MarkupEscaping, EveryCharacterToEscapeIsFoundWhereverItStandsInALongText)
{
    // At the start, in the middle and at the end of texts short and long, and
    // next to bytes from 0x80 up, which pass unchanged.
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
                const std::string escaped = escapedSlowly(value);
                ASSERT_EQ("{\"" + escaped + "\":\"" + escaped + "\"}", document(value, value))
                    << length << " " << at << " " << int(special);
            }
        }
    }
    // Texts far longer than an element's text is collected in, with escapes
    // of either length every few characters, so that some straddle each
    // hand-over to the stream.
    for (std::size_t length = 200; length <= 2000; length += 179)
    {
        std::string value(length, 'w');
        for (std::size_t at = length % 7; at < length; at += 1 + at % 5)
            value[at] = specials[at % specials.size()];
        const std::string escaped = escapedSlowly(value);
        ASSERT_EQ("{\"" + escaped + "\":\"" + escaped + "\"}", document(value, value)) << length;
    }
}
