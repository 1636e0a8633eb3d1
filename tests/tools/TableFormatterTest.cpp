//
// TableFormatterTest.cpp
//
// Tests of TableFormatter: exact lines for LoRa and FSK packets, and what it
// makes of fields it cannot use.
//

#include "tools/listen/TableFormatter.h"
#include "tools/listen/DocumentValidator.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

using LoRaWANListen::DocumentValidator;
using LoRaWANListen::PacketDocument;
using LoRaWANListen::TableFormatter;

namespace
{

const Poco::LocalDateTime Arrival(2024, 5, 1, 12, 0, 3, 45, 0);

// A document with the given members of "data", read as the tool reads it.
PacketDocument packet(const std::string& data)
{
    PacketDocument document;
    std::string error;
    EXPECT_TRUE(
        DocumentValidator::validate(R"({"type":"message_upstream","data":{)" + data + "}}", document, error))
        << error;
    return document;
}

std::string lineOf(const PacketDocument& document)
{
    std::string line;
    TableFormatter::appendLine(line, document, Arrival);
    return line;
}

PacketDocument realUplink()
{
    return packet(
        R"("freq_hz":"868100000","if_chain":"0","status":"16","count_us":"2208947364","rf_chain":"0",)"
        R"("modulation":"16","bandwidth":"3","datarate":"2","coderate":"1","rssi":"-57","snr":"9.5",)"
        R"("crc":"4660","size":"24","payload":"40C325022680BF03027A2A9402189674EF834E23F7CB6196")");
}

} // namespace

TEST(TableFormatter, LoRaAndFskLinesShowUnitsWordsAndTheLoRaWANHeader)
{
    // The column titles stand over their columns.
    EXPECT_EQ(TableFormatter::header(),
              "TIME                          MHZ  IF RF MODULATION       CR    RSSI    SNR "
              "CRC       SIZE LORAWAN\n");
    const std::pair<PacketDocument, std::string> cases[] = {
        {realUplink(), "2024-05-01 12:00:03.045   868.100   0  0 LoRa SF7 BW125   4/5    -57    9.5 ok   "
                       "       24 UnconfUp DevAddr 260225C3 FCnt 959 FPort 2\n"},
        // A join request on the standard channel with a bad CRC.
        {packet(
             R"("freq_hz":"904300000","if_chain":"8","status":"17","rf_chain":"1","modulation":"16",)"
             R"("bandwidth":"1","datarate":"64","coderate":"4","rssi":"-120.5","snr":"-18.25","size":"23",)"
             R"("payload":"00010000D07ED5B37030051C000BA304003412AABBCCDD")"),
         "2024-05-01 12:00:03.045   904.300   8  1 LoRa SF12 BW500  4/8 -120.5 -18.25 bad    "
         "     23 JoinReq JoinEUI 70B3D57ED0000001 DevEUI 0004A30B001C0530 DevNonce 1234\n"},
        // FSK: the bit rate, and none of the LoRa fields.
        {packet(R"("freq_hz":"868800000","if_chain":"9","status":"1","rf_chain":"1","modulation":"32",)"
                R"("bandwidth":"2","datarate":"50000","coderate":"0","rssi":"-88","snr":"0","size":"12",)"
                R"("payload":"400102030400010001AABBCCDD")"),
         "2024-05-01 12:00:03.045   868.800   9  1 FSK 50000 b/s    -      -88      - none   "
         "     12 -\n"},
    };
    for (const auto& [document, line] : cases)
        EXPECT_EQ(lineOf(document), line);
}

TEST(TableFormatter, OddFieldValuesAreShownExactlyOrNamedAsUnknown)
{
    struct Case
    {
        PacketDocument::Field field;
        const char* value;
        const char* shown;
    };
    const Case cases[] = {
        {PacketDocument::FreqHz, "868162500", " 868.1625 "}, // every hertz that is not zero
        {PacketDocument::FreqHz, "433050001", " 433.050001 "},
        {PacketDocument::Datarate, "3", "LoRa SF? BW125"}, // codes outside the HAL's lists
        {PacketDocument::Bandwidth, "0", "LoRa SF7 BW? "},
        {PacketDocument::Coderate, "9", "BW125   ?  "},
        {PacketDocument::Status, "2", "status 2"},
        {PacketDocument::Modulation, "0", "mod 0"},
        {PacketDocument::Payload, "40123456", "UnconfUp (too short: 4 bytes)"},
        {PacketDocument::Payload, "", "(no payload)"},
    };
    for (const Case& c : cases)
    {
        PacketDocument document = realUplink();
        document.setField(c.field, c.value);
        const std::string line = lineOf(document);
        EXPECT_NE(line.find(c.shown), std::string::npos) << c.value << ": " << line;
    }
}

TEST(TableFormatter, MissingAndMalformedFieldsShowAsQuestionMarks)
{
    const PacketDocument document = packet(R"("freq_hz":"868.1","if_chain":"-1","modulation":"16",)"
                                           R"("rssi":"\u001B[31mred","size":"99999999999","payload":"4")");
    EXPECT_EQ(lineOf(document),
              "2024-05-01 12:00:03.045         ?   ?  ? LoRa SF? BW?     ?        ?      ? ?            ? "
              "(payload not hexadecimal)\n");
}

TEST(TableFormatter, OtherMessageTypeIsNamedWithItsBytesMadeHarmless)
{
    PacketDocument document;
    document.setType("stat\x1B]0;title\x07");
    EXPECT_EQ(lineOf(document), "2024-05-01 12:00:03.045 message of type \"stat\\x1B]0;title\\x07\"\n");
}
