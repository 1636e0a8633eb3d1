//
// UpstreamPacketDocumentTest.cpp
//
// One received packet as one document, written through a JSON writer on a
// string stream.
//

#include "worker/forwarding/UpstreamPacketDocument.h"
#include "markup/MarkupFactoryJSON.h"

#include <Poco/NumberFormatter.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstring>
#include <map>
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
    /// The text of packet's document written documents times by one writer.
    std::string render(const lgw_pkt_rx_s& packet, int documents = 1)
    {
        std::ostringstream text;
        Zel::BACnet::WS::MarkupFactoryJSON writer(text, false, false);
        for (int i = 0; i < documents; ++i)
            LoRaWANServer::markupUpstreamPacket(packet, writer, "message_upstream", _payloadText);
        return text.str();
    }

    /// Expects the document of packet to hold these fields (and to parse).
    void expectFields(const lgw_pkt_rx_s& packet, const std::map<std::string, std::string>& expected)
    {
        const nlohmann::json fields = nlohmann::json::parse(render(packet)).at("data");
        for (const auto& field : expected)
            EXPECT_EQ(field.second, fields.at(field.first)) << field.first;
    }

    std::string _payloadText;
};

TEST_F(UpstreamPacketDocumentTest, ExamplePacketGivesTheDocumentByteForByte)
{
    EXPECT_EQ(R"({"type":"message_upstream","data":{"freq_hz":"868100000","if_chain":"0","status":"16",)"
              R"("count_us":"2208947364","rf_chain":"0","modulation":"16","bandwidth":"3","datarate":"2",)"
              R"("coderate":"1","rssi":"-57","snr":"9.5","snr_min":"7.25","snr_max":"11.75","crc":"4660",)"
              R"("size":"4","payload":"40123456"}})",
              render(examplePacket()));
}

TEST_F(UpstreamPacketDocumentTest, LargestFieldValuesAreWrittenInFullAndOnlyTheBytesOfTheSize)
{
    lgw_pkt_rx_s packet = examplePacket();
    std::memset(packet.payload + 4, 0xEE, sizeof(packet.payload) - 4);
    expectFields(packet, {{"size", "4"}, {"payload", "40123456"}});

    packet.freq_hz = packet.count_us = packet.datarate = 4294967295u;
    packet.if_chain = packet.status = 255;
    packet.crc = 65535;
    packet.size = 256;
    std::string descendingHex;
    for (int i = 0; i < 256; ++i)
    {
        packet.payload[i] = static_cast<uint8_t>(255 - i);
        descendingHex += Poco::NumberFormatter::formatHex(255 - i, 2);
    }
    expectFields(packet, {{"freq_hz", "4294967295"},
                          {"count_us", "4294967295"},
                          {"if_chain", "255"},
                          {"status", "255"},
                          {"crc", "65535"},
                          {"size", "256"},
                          {"payload", descendingHex}});

    // A size beyond the payload array is written; the payload stops at the array's end.
    packet.size = 300;
    std::memset(packet.payload, 0x5A, sizeof(packet.payload));
    std::string capped;
    for (std::size_t i = 0; i < sizeof(packet.payload); ++i)
        capped += "5A";
    expectFields(packet, {{"size", "300"}, {"payload", capped}});
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

TEST_F(UpstreamPacketDocumentTest, SecondDocumentOnTheSameWriterIsSeparatedByAComma)
{
    const std::string first = render(examplePacket());
    EXPECT_EQ(first + "," + first, render(examplePacket(), 2));
}

} // namespace
