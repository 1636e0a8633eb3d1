//
// MarkupFactoryJSONExamplesTest.cpp
//
// The worked examples of the JSON dialect and the upstream packet document,
// byte for byte.
//

#include "MarkupTestWriter.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sstream>

using namespace MarkupTest;

namespace
{

void writeObjExample(MarkupTestWriter& writer, const std::string& displayName)
{
    writer.write(opened(MarkupFactory::BT_SEQUENCE, "obj"));
    Element a = leaf(MarkupFactory::BT_STRING, "a", "x");
    a.displayName = displayName;
    writer.write(a);
}

// The same 19 calls as the worker makes for one received packet.
void writeUpstreamPacket(MarkupFactory& writer, const std::string& messageType)
{
    const std::string none;
    const auto member = [&](MarkupFactory::BaseType baseType, const std::string& name,
                            const std::string& value, bool closeImmediately)
    {
        writer.markup(baseType, name, value, closeImmediately, false, Zel::BACnet::BACNET_DT_NULL, false,
                      none, 0, none, none, none, false, none, none, none, none, none, none, false);
    };
    member(MarkupFactory::BT_SEQUENCE, "", "", false);
    member(MarkupFactory::BT_STRING, "type", messageType, true);
    member(MarkupFactory::BT_SEQUENCE, "data", "", false);
    member(MarkupFactory::BT_UNSIGNED, "freq_hz", "868100000", true);
    member(MarkupFactory::BT_UNSIGNED, "if_chain", "0", true);
    member(MarkupFactory::BT_UNSIGNED, "status", "16", true);
    member(MarkupFactory::BT_UNSIGNED, "count_us", "2208947364", true);
    member(MarkupFactory::BT_UNSIGNED, "rf_chain", "0", true);
    member(MarkupFactory::BT_UNSIGNED, "modulation", "16", true);
    member(MarkupFactory::BT_UNSIGNED, "bandwidth", "3", true);
    member(MarkupFactory::BT_UNSIGNED, "datarate", "2", true);
    member(MarkupFactory::BT_UNSIGNED, "coderate", "1", true);
    member(MarkupFactory::BT_REAL, "rssi", "-57", true);
    member(MarkupFactory::BT_REAL, "snr", "9.5", true);
    member(MarkupFactory::BT_REAL, "snr_min", "7.25", true);
    member(MarkupFactory::BT_REAL, "snr_max", "11.75", true);
    member(MarkupFactory::BT_UNSIGNED, "crc", "4660", true);
    member(MarkupFactory::BT_UNSIGNED, "size", "4", true);
    member(MarkupFactory::BT_OCTET_STRING, "payload", "40123456", true);
    writer.closeAllOpenMarkups();
}

const char* const UPSTREAM_DOCUMENT =
    R"({"type":"message_upstream","data":{"freq_hz":"868100000","if_chain":"0","status":"16",)"
    R"("count_us":"2208947364","rf_chain":"0","modulation":"16","bandwidth":"3","datarate":"2",)"
    R"("coderate":"1","rssi":"-57","snr":"9.5","snr_min":"7.25","snr_max":"11.75","crc":"4660",)"
    R"("size":"4","payload":"40123456"}})";

} // namespace

TEST(MarkupJSONExamples, CompactFormWritesNamesValuesAndBraces)
{
    std::ostringstream out;
    MarkupTestWriter writer(out, false, false);
    writeObjExample(writer, "");
    writer.write(leaf(MarkupFactory::BT_UNSIGNED, "b", "5"));
    writer.closeAllOpenMarkups();
    EXPECT_EQ(out.str(), R"("obj":{"a":"x","b":"5"})");
}

TEST(MarkupJSONExamples, PrettyFormIndentsWithTabsAndPutsTheCommaFirst)
{
    std::ostringstream out;
    MarkupTestWriter writer(out, true, false);
    writeObjExample(writer, "");
    writer.write(leaf(MarkupFactory::BT_UNSIGNED, "b", "5"));
    writer.closeAllOpenMarkups();
    EXPECT_EQ(out.str(), "\"obj\":{\n\t\"a\":\"x\"\n\t,\"b\":\"5\"\n}\n");
}

TEST(MarkupJSONExamples, FullFormAddsBaseAndDisplayName)
{
    std::ostringstream out;
    MarkupTestWriter writer(out, false, false);
    writer.addFullFormScope();
    writeObjExample(writer, "X");
    writer.closeOpenMarkup();
    EXPECT_EQ(out.str(),
              R"("obj":{"$base":"Sequence","a":{"$base":"String","$value":"x","$displayName":"X"}})");
}

TEST(MarkupJSONExamples, UpstreamPacketDocumentComesOutByteForByte)
{
    std::ostringstream out;
    Zel::BACnet::WS::MarkupFactoryJSON writer(out, false, false);
    writeUpstreamPacket(writer, "message_upstream");
    EXPECT_EQ(out.str(), UPSTREAM_DOCUMENT);
    const nlohmann::json document = nlohmann::json::parse(out.str());
    EXPECT_EQ(document["data"]["payload"], "40123456");
}

TEST(MarkupJSONExamples, SecondDocumentOnOneWriterBeginsWithAComma)
{
    std::ostringstream out;
    Zel::BACnet::WS::MarkupFactoryJSON writer(out, false, false);
    writeUpstreamPacket(writer, "message_upstream");
    writeUpstreamPacket(writer, "message_upstream");
    EXPECT_EQ(out.str(), std::string(UPSTREAM_DOCUMENT) + "," + UPSTREAM_DOCUMENT);
}
