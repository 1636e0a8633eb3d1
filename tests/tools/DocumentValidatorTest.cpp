//
// DocumentValidatorTest.cpp
//
// Tests of DocumentValidator: what counts as a document, and what it keeps.
//

#include "tools/listen/DocumentValidator.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

using LoRaWANListen::DocumentValidator;
using LoRaWANListen::PacketDocument;

namespace
{

// The document the service writes for its reference packet.
const std::string ExampleDocument =
    R"({"type":"message_upstream","data":{"freq_hz":"868100000","if_chain":"0","status":"16",)"
    R"("count_us":"2208947364","rf_chain":"0","modulation":"16","bandwidth":"3","datarate":"2","coderate":"1",)"
    R"("rssi":"-57","snr":"9.5","snr_min":"7.25","snr_max":"11.75","crc":"4660","size":"4","payload":"40123456"}})";

std::string rejection(const std::string& text)
{
    PacketDocument document;
    std::string error;
    EXPECT_FALSE(DocumentValidator::validate(text, document, error)) << text;
    return error;
}

} // namespace

TEST(DocumentValidator, ServiceDocumentIsValidAndEveryFieldIsKept)
{
    PacketDocument document;
    std::string error;
    ASSERT_TRUE(DocumentValidator::validate(ExampleDocument, document, error)) << error;
    EXPECT_TRUE(document.isUpstream());
    const char* expected[PacketDocument::FieldCount] = {
        "868100000", "0",   "16",  "2208947364", "0",     "16",   "3", "2",
        "1",         "-57", "9.5", "7.25",       "11.75", "4660", "4", "40123456"};
    for (int field = 0; field < PacketDocument::FieldCount; ++field)
    {
        const auto name = static_cast<PacketDocument::Field>(field);
        EXPECT_TRUE(document.has(name)) << PacketDocument::fieldName(name);
        EXPECT_EQ(document.text(name), expected[field]) << PacketDocument::fieldName(name);
    }
}

TEST(DocumentValidator, OtherMessageTypesAndExtraMembersAreValid)
{
    PacketDocument document;
    std::string error;
    ASSERT_TRUE(
        DocumentValidator::validate(R"( {"extra":[1,{"a":2}],"data":[],"type":"stat"} )", document, error))
        << error;
    EXPECT_EQ(document.type(), "stat");
    EXPECT_FALSE(document.isUpstream());
    EXPECT_FALSE(document.has(PacketDocument::FreqHz));
}

TEST(DocumentValidator, OnlyScalarMembersOfDataAreKeptAndNothingOfTheFrameBefore)
{
    PacketDocument document;
    std::string error;
    ASSERT_TRUE(DocumentValidator::validate(ExampleDocument, document, error));
    ASSERT_TRUE(DocumentValidator::validate(
        R"({"type":"t","data":{"rssi":-57.5,"size":4,"crc":{"freq_hz":"1"},"status":null}})", document,
        error))
        << error;
    EXPECT_EQ(document.type(), "t");
    EXPECT_EQ(document.text(PacketDocument::Rssi), "-57.5");
    EXPECT_EQ(document.text(PacketDocument::Size), "4");
    EXPECT_FALSE(document.has(PacketDocument::Crc));
    EXPECT_FALSE(document.has(PacketDocument::FreqHz)) << "members of nested objects are not packet fields";
    EXPECT_FALSE(document.has(PacketDocument::Status));
    EXPECT_FALSE(document.has(PacketDocument::Payload));
}

TEST(DocumentValidator, FramesThatAreNoDocumentAreRejectedWithTheReason)
{
    const std::string deep = std::string(60000, '[') + std::string(60000, ']');
    const std::string notJson = "not valid JSON: ";
    // Expected reasons ending in ": " are prefixes: the parser's text follows.
    const std::pair<std::string, std::string> cases[] = {
        {"", "empty frame"},
        {"{\"type\":\"x\",\"data\":", notJson},
        {R"({"type":"t","data":{}}{"type":"t","data":{}})", notJson}, // trailing bytes
        {"{\"type\":\"t\",\"data\":{}}\nx", notJson},
        {"{\"type\":\"\xC3\x28\",\"data\":{}}", notJson},  // invalid UTF-8
        {"{\"type\":\"a\x1B[2Jb\",\"data\":{}}", notJson}, // raw control character
        {R"({"type":"t","data":)" + deep, notJson},        // deep, and the root unclosed
        {R"(["type","data"])", "not a JSON object"},
        {R"("message_upstream")", "not a JSON object"},
        {"42", "not a JSON object"},
        {"null", "not a JSON object"},
        {R"({"data":{}})", "no \"type\" member"},
        {R"({"inner":{"type":"t","data":{}}})", "no \"type\" member"},
        {R"({"type":"message_upstream"})", "no \"data\" member"},
        {R"({"type":16,"data":{}})", "the \"type\" member is not a string"},
        {R"({"type":{"name":"x"},"data":{}})", "the \"type\" member is not a string"},
    };
    for (const auto& [text, reason] : cases)
    {
        SCOPED_TRACE(text.substr(0, 60));
        const std::string error = rejection(text);
        if (reason == notJson)
        {
            EXPECT_EQ(error.rfind(notJson, 0), 0u) << error;
            EXPECT_EQ(error.find("[json.exception"), std::string::npos) << error;
        }
        else
            EXPECT_EQ(error, reason);
    }
    PacketDocument document;
    std::string error;
    EXPECT_TRUE(DocumentValidator::validate(R"({"type":"t","data":)" + deep + "}", document, error)) << error;
}
