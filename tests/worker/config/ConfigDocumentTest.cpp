//
// ConfigDocumentTest.cpp
//
// Reading configuration files: comments, look-ups, and files that are not
// JSON objects at all.
//

#include "worker/config/ConfigDocument.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using LoRaWANServer::ConfigDocument;
using LoRaWANServer::ConfigValue;
using TestSupport::TempDir;
using TestSupport::writeFile;

namespace
{

std::unique_ptr<ConfigDocument> parse(const std::string& text)
{
    return ConfigDocument::parseText(text);
}

TEST(ConfigDocumentTest, CommentsOfBothKindsAreAllowedAnywhere)
{
    const auto pDocument = parse(R"(// leading line comment
    { /* block */ "a": /* inside */ {"b": 5 // trailing
    }, "url": "http://example.org/*not a comment*/"}
    // last line without a line end)");
    ASSERT_TRUE(pDocument);
    EXPECT_EQ(5.0, pDocument->root().at("a.b").number());
    EXPECT_EQ("http://example.org/*not a comment*/", *pDocument->root().member("url").string());
}

TEST(ConfigDocumentTest, DottedPathsWalkThroughObjectsOnlyAndDottedNamesNeedAPlainLookup)
{
    const auto pDocument = parse(
        R"({"radio_0": {"freq": 867500000, "list": [1, 2]}, "n": 3, "a": {"b": 2}, "a.b": 1, "c.d": 3})");
    ASSERT_TRUE(pDocument);
    const ConfigValue root = pDocument->root();
    EXPECT_EQ(867500000.0, root.at("radio_0.freq").number());
    EXPECT_EQ(2.0, root.at("a.b").number());
    EXPECT_EQ(1.0, root.member("a.b").number());
    for (const char* path :
         {"radio_0.missing", "n.freq", "radio_0.list.0", "radio_0.", "missing.freq", "c.d"})
        EXPECT_EQ(ConfigValue::TYPE_NONE, root.at(path).type()) << path;
}

TEST(ConfigDocumentTest, TypesAreTellAndWrongTypesReadAsDefaults)
{
    const auto pDocument =
        parse(R"({"s": "text", "i": -3, "u": 7, "f": 2.5, "o": {}, "a": [], "t": true, "z": null})");
    ASSERT_TRUE(pDocument);
    const ConfigValue root = pDocument->root();
    const std::pair<const char*, ConfigValue::Type> types[] = {
        {"s", ConfigValue::TYPE_STRING},  {"i", ConfigValue::TYPE_NUMBER}, {"u", ConfigValue::TYPE_NUMBER},
        {"f", ConfigValue::TYPE_NUMBER},  {"o", ConfigValue::TYPE_OBJECT}, {"a", ConfigValue::TYPE_ARRAY},
        {"t", ConfigValue::TYPE_BOOLEAN}, {"z", ConfigValue::TYPE_NULL}};
    for (const auto& entry : types)
        EXPECT_EQ(entry.second, root.member(entry.first).type()) << entry.first;
    EXPECT_EQ(-3.0, root.member("i").number());
    EXPECT_EQ(2.5, root.member("f").number());
    EXPECT_EQ(0.0, root.member("s").number());
    EXPECT_FALSE(root.member("i").boolean());
    EXPECT_EQ(nullptr, root.member("t").string());
    EXPECT_TRUE(root.member("t").boolean());
}

TEST(ConfigDocumentTest, OnlyAnObjectAtTheRootIsAcceptedAsAConfiguration)
{
    EXPECT_TRUE(parse("{}"));
    for (const char* text : {"[]", "42", "\"text\"", "", "/* only a comment */", "{\"a\": 1",
                             "{\"a\": 1} trailing", "{\"a\": 1e400}", "{\"bad\": \"\xC3\x28\"}"})
        EXPECT_FALSE(parse(text)) << text;
}

TEST(ConfigDocumentTest, DeepNestingAndHugeStringsAreReadWithoutCrashing)
{
    const std::size_t depth = 100000;
    const auto pDocument = parse("{\"a\":" + std::string(depth, '[') + std::string(depth, ']') + "}");
    ASSERT_TRUE(pDocument);
    EXPECT_EQ(ConfigValue::TYPE_ARRAY, pDocument->root().member("a").type());
    EXPECT_FALSE(parse(std::string(depth, '{')));

    const std::string big(8 * 1024 * 1024, 'x');
    const auto pBig = parse("{\"big\": \"" + big + "\"}");
    ASSERT_TRUE(pBig);
    EXPECT_EQ(big.size(), pBig->root().member("big").string()->size());
}

TEST(ConfigDocumentFileTest, MissingEmptyDirectoryAndFifoAreNotConfigurations)
{
    TempDir dir;
    EXPECT_FALSE(ConfigDocument::parseFile(dir.file("missing.json")));
    writeFile(dir.file("empty.json"), "");
    EXPECT_FALSE(ConfigDocument::parseFile(dir.file("empty.json")));
    EXPECT_FALSE(ConfigDocument::parseFile(dir.path()));
    ASSERT_EQ(0, ::mkfifo(dir.file("fifo").c_str(), 0600));
    // Nobody writes to the FIFO: reading it must not block.
    EXPECT_FALSE(ConfigDocument::parseFile(dir.file("fifo")));
}

TEST(ConfigDocumentFileTest, FilesBeyondTheSizeLimitAreNotReadEvenWhenTheyAreValidObjects)
{
    // Nested arrays cost about forty bytes of memory per byte of text once
    // parsed: two megabytes of them would take some eighty.
    TempDir dir;
    const std::size_t depth = 1024 * 1024;
    for (const std::string& text : {"{\"pad\": \"" + std::string(ConfigDocument::MAX_FILE_SIZE, ' ') + "\"}",
                                    "{\"a\":" + std::string(depth, '[') + std::string(depth, ']') + "}"})
    {
        writeFile(dir.file("huge.json"), text);
        EXPECT_FALSE(ConfigDocument::parseFile(dir.file("huge.json"))) << text.substr(0, 10);
    }
}

} // namespace
