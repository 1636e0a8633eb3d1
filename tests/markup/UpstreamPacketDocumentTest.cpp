//
// UpstreamPacketDocumentTest.cpp
//
// One received packet as one document, written through a JSON writer on a
// string stream.
//

#include "markup/MarkupFactoryJSON.h"
#include "worker/WorkerThread.h"

#include <Poco/NotificationQueue.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <cstring>
#include <limits>
#include <sstream>

namespace
{

lgw_pkt_rx_s examplePacket()
{
    lgw_pkt_rx_s packet;
    std::memset(&packet, 0, sizeof(packet));
    packet.freq_hz = 868100000;
    packet.if_chain = 0;
    packet.status = STAT_CRC_OK;
    packet.count_us = 2208947364u;
    packet.rf_chain = 0;
    packet.modulation = MOD_LORA;
    packet.bandwidth = BW_125KHZ;
    packet.datarate = DR_LORA_SF7;
    packet.coderate = CR_LORA_4_5;
    packet.rssi = -57.0f;
    packet.snr = 9.5f;
    packet.snr_min = 7.25f;
    packet.snr_max = 11.75f;
    packet.crc = 4660;
    packet.size = 4;
    const unsigned char payload[] = {0x40, 0x12, 0x34, 0x56};
    std::memcpy(packet.payload, payload, sizeof(payload));
    return packet;
}

class UpstreamPacketDocumentTest : public ::testing::Test
{
protected:
    std::string render(const lgw_pkt_rx_s& packet, const std::string& type = "message_upstream")
    {
        std::ostringstream text;
        Zel::BACnet::WS::MarkupFactoryJSON writer(text, false, false);
        _worker.markupUpstreamPkt(packet, writer, type);
        return text.str();
    }

    nlohmann::json data(const lgw_pkt_rx_s& packet)
    {
        const nlohmann::json document = nlohmann::json::parse(render(packet));
        return document.at("data");
    }

    Poco::NotificationQueue _queue;
    LoRaWANServer::WorkerThread _worker{&_queue};
};

TEST_F(UpstreamPacketDocumentTest, ExamplePacketGivesTheDocumentByteForByte)
{
    EXPECT_EQ(R"({"type":"message_upstream","data":{"freq_hz":"868100000","if_chain":"0","status":"16",)"
              R"("count_us":"2208947364","rf_chain":"0","modulation":"16","bandwidth":"3","datarate":"2",)"
              R"("coderate":"1","rssi":"-57","snr":"9.5","snr_min":"7.25","snr_max":"11.75","crc":"4660",)"
              R"("size":"4","payload":"40123456"}})",
              render(examplePacket()));
}

TEST_F(UpstreamPacketDocumentTest, MembersFollowTheRecordOrderWhateverTheModulation)
{
    lgw_pkt_rx_s packet = examplePacket();
    packet.modulation = MOD_FSK;
    packet.if_chain = 9;
    packet.datarate = 50000;
    const nlohmann::json fields = data(packet);
    std::vector<std::string> names;
    for (auto it = fields.begin(); it != fields.end(); ++it)
        names.push_back(it.key());
    // nlohmann sorts keys, so compare the text order instead.
    const std::string text = render(packet);
    std::string::size_type last = 0;
    for (const char* name :
         {"freq_hz", "if_chain", "status", "count_us", "rf_chain", "modulation", "bandwidth", "datarate",
          "coderate", "rssi", "snr", "snr_min", "snr_max", "crc", "size", "payload"})
    {
        const std::string::size_type at = text.find(std::string("\"") + name + "\":");
        ASSERT_NE(std::string::npos, at) << name;
        EXPECT_GT(at, last) << name;
        last = at;
    }
    EXPECT_EQ(16u, names.size());
    EXPECT_EQ("50000", fields.at("datarate"));
}

TEST_F(UpstreamPacketDocumentTest, LargestFieldValuesAreWrittenInFull)
{
    lgw_pkt_rx_s packet = examplePacket();
    packet.freq_hz = 4294967295u;
    packet.count_us = 4294967295u;
    packet.if_chain = 255;
    packet.status = 255;
    packet.crc = 65535;
    packet.size = 256;
    for (int i = 0; i < 256; ++i)
        packet.payload[i] = static_cast<uint8_t>(255 - i);
    const nlohmann::json fields = data(packet);
    EXPECT_EQ("4294967295", fields.at("freq_hz"));
    EXPECT_EQ("4294967295", fields.at("count_us"));
    EXPECT_EQ("255", fields.at("if_chain"));
    EXPECT_EQ("65535", fields.at("crc"));
    EXPECT_EQ("256", fields.at("size"));
    const std::string payload = fields.at("payload");
    ASSERT_EQ(512u, payload.size());
    EXPECT_EQ("FFFEFD", payload.substr(0, 6));
    EXPECT_EQ("020100", payload.substr(506));
}

TEST_F(UpstreamPacketDocumentTest, ZeroFieldsAndAnEmptyPayloadAreStillWritten)
{
    lgw_pkt_rx_s packet;
    std::memset(&packet, 0, sizeof(packet));
    packet.payload[0] = 0xAB; // beyond size: never shown
    EXPECT_EQ(
        R"({"type":"message_upstream","data":{"freq_hz":"0","if_chain":"0","status":"0","count_us":"0",)"
        R"("rf_chain":"0","modulation":"0","bandwidth":"0","datarate":"0","coderate":"0","rssi":"0",)"
        R"("snr":"0","snr_min":"0","snr_max":"0","crc":"0","size":"0","payload":""}})",
        render(packet));
}

TEST_F(UpstreamPacketDocumentTest, BytesBeyondTheSizeNeverAppear)
{
    lgw_pkt_rx_s packet = examplePacket();
    std::memset(packet.payload + 4, 0xEE, sizeof(packet.payload) - 4);
    EXPECT_EQ("40123456", data(packet).at("payload"));
}

TEST_F(UpstreamPacketDocumentTest, SizeBeyondThePayloadArrayIsCappedAtTheArray)
{
    lgw_pkt_rx_s packet = examplePacket();
    packet.size = 300;
    std::memset(packet.payload, 0x5A, sizeof(packet.payload));
    const nlohmann::json fields = data(packet);
    EXPECT_EQ("300", fields.at("size"));
    EXPECT_EQ(std::string(512, '5').size(), fields.at("payload").get<std::string>().size());
    EXPECT_EQ(std::string::npos, fields.at("payload").get<std::string>().find_first_not_of("5A"));
}

TEST_F(UpstreamPacketDocumentTest, FloatsUseTheShortestTextAndAnExponentOnlyOutsideTheUsualRange)
{
    lgw_pkt_rx_s packet = examplePacket();
    packet.rssi = -120.25f;
    packet.snr = 0.0f;
    packet.snr_min = -7.25f;
    packet.snr_max = 0.1f;
    nlohmann::json fields = data(packet);
    EXPECT_EQ("-120.25", fields.at("rssi"));
    EXPECT_EQ("0", fields.at("snr"));
    EXPECT_EQ("-7.25", fields.at("snr_min"));
    EXPECT_EQ("0.1", fields.at("snr_max"));

    packet.rssi = 1e7f;
    packet.snr = 1e-7f;
    fields = data(packet);
    EXPECT_EQ("1e+7", fields.at("rssi"));
    EXPECT_EQ("1e-7", fields.at("snr"));
}

TEST_F(UpstreamPacketDocumentTest, NonFiniteFloatsKeepTheDocumentValid)
{
    lgw_pkt_rx_s packet = examplePacket();
    packet.rssi = std::numeric_limits<float>::quiet_NaN();
    packet.snr = std::numeric_limits<float>::infinity();
    packet.snr_min = -std::numeric_limits<float>::infinity();
    const nlohmann::json fields = data(packet);
    EXPECT_EQ("nan", fields.at("rssi"));
    EXPECT_EQ("inf", fields.at("snr"));
    EXPECT_EQ("-inf", fields.at("snr_min"));
}

TEST_F(UpstreamPacketDocumentTest, CodesOutsideTheHalListsAreWrittenUnchanged)
{
    lgw_pkt_rx_s packet = examplePacket();
    packet.modulation = 0;
    packet.bandwidth = 9;
    packet.coderate = 200;
    const nlohmann::json fields = data(packet);
    EXPECT_EQ("0", fields.at("modulation"));
    EXPECT_EQ("9", fields.at("bandwidth"));
    EXPECT_EQ("200", fields.at("coderate"));
}

TEST_F(UpstreamPacketDocumentTest, MessageTypeIsEscapedLikeEveryText)
{
    const nlohmann::json document = nlohmann::json::parse(render(examplePacket(), "up\"\\\n"));
    EXPECT_EQ("up\"\\\n", document.at("type"));
    EXPECT_EQ(2u, document.size());
}

TEST_F(UpstreamPacketDocumentTest, SecondDocumentOnTheSameWriterIsSeparatedByAComma)
{
    std::ostringstream text;
    Zel::BACnet::WS::MarkupFactoryJSON writer(text, false, false);
    _worker.markupUpstreamPkt(examplePacket(), writer, "message_upstream");
    const std::string first = text.str();
    _worker.markupUpstreamPkt(examplePacket(), writer, "message_upstream");
    EXPECT_EQ(first + "," + first, text.str());
}

} // namespace
