//
// TableFormatterTest.cpp
//
// Tests of TableFormatter: exact lines for LoRa and FSK packets, and what it
// makes of fields it cannot use.
//

#include "tools/listen/TableFormatter.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>

using LoRaWANListen::PacketDocument;
using LoRaWANListen::TableFormatter;

namespace
{

const Poco::LocalDateTime Arrival(2024, 5, 1, 12, 0, 3, 45, 0);

PacketDocument packet(std::initializer_list<std::pair<PacketDocument::Field, const char*>> fields)
{
    PacketDocument document;
    document.setType("message_upstream");
    for (const auto& field : fields)
    {
        document.setField(field.first, field.second);
    }
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
    return packet({{PacketDocument::FreqHz, "868100000"},
                   {PacketDocument::IfChain, "0"},
                   {PacketDocument::Status, "16"},
                   {PacketDocument::CountUs, "2208947364"},
                   {PacketDocument::RfChain, "0"},
                   {PacketDocument::Modulation, "16"},
                   {PacketDocument::Bandwidth, "3"},
                   {PacketDocument::Datarate, "2"},
                   {PacketDocument::Coderate, "1"},
                   {PacketDocument::Rssi, "-57"},
                   {PacketDocument::Snr, "9.5"},
                   {PacketDocument::Crc, "4660"},
                   {PacketDocument::Size, "24"},
                   {PacketDocument::Payload, "40C325022680BF03027A2A9402189674EF834E23F7CB6196"}});
}

} // namespace

TEST(TableFormatter, LoRaUplinkLineShowsUnitsWordsAndTheLoRaWANHeader)
{
    EXPECT_EQ(lineOf(realUplink()),
              "2024-05-01 12:00:03.045   868.100   0  0 LoRa SF7 BW125   4/5    -57    9.5 ok   "
              "       24 UnconfUp DevAddr 260225C3 FCnt 959 FPort 2\n");
}

TEST(TableFormatter, JoinRequestOnTheStandardChannelWithBadCrc)
{
    PacketDocument document = realUplink();
    document.setField(PacketDocument::FreqHz, "904300000");
    document.setField(PacketDocument::IfChain, "8");
    document.setField(PacketDocument::RfChain, "1");
    document.setField(PacketDocument::Status, "17");
    document.setField(PacketDocument::Bandwidth, "1");
    document.setField(PacketDocument::Datarate, "64");
    document.setField(PacketDocument::Coderate, "4");
    document.setField(PacketDocument::Rssi, "-120.5");
    document.setField(PacketDocument::Snr, "-18.25");
    document.setField(PacketDocument::Size, "23");
    document.setField(PacketDocument::Payload, "00010000D07ED5B37030051C000BA304003412AABBCCDD");
    EXPECT_EQ(lineOf(document),
              "2024-05-01 12:00:03.045   904.300   8  1 LoRa SF12 BW500  4/8 -120.5 -18.25 bad    "
              "     23 JoinReq JoinEUI 70B3D57ED0000001 DevEUI 0004A30B001C0530 DevNonce 1234\n");
}

TEST(TableFormatter, FskLineShowsBitRateAndNoLoRaFields)
{
    const PacketDocument document = packet({{PacketDocument::FreqHz, "868800000"},
                                            {PacketDocument::IfChain, "9"},
                                            {PacketDocument::Status, "1"},
                                            {PacketDocument::RfChain, "1"},
                                            {PacketDocument::Modulation, "32"},
                                            {PacketDocument::Bandwidth, "2"},
                                            {PacketDocument::Datarate, "50000"},
                                            {PacketDocument::Coderate, "0"},
                                            {PacketDocument::Rssi, "-88"},
                                            {PacketDocument::Snr, "0"},
                                            {PacketDocument::Size, "12"},
                                            {PacketDocument::Payload, "400102030400010001AABBCCDD"}});
    EXPECT_EQ(lineOf(document),
              "2024-05-01 12:00:03.045   868.800   9  1 FSK 50000 b/s    -      -88      - none   "
              "     12 -\n");
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
    const PacketDocument document = packet({{PacketDocument::FreqHz, "868.1"},
                                            {PacketDocument::IfChain, "-1"},
                                            {PacketDocument::Modulation, "16"},
                                            {PacketDocument::Rssi, "\x1B[31mred"},
                                            {PacketDocument::Size, "99999999999"},
                                            {PacketDocument::Payload, "4"}});
    const std::string line = lineOf(document);
    EXPECT_EQ(line,
              "2024-05-01 12:00:03.045         ?   ?  ? LoRa SF? BW?     ?        ?      ? ?            ? "
              "(payload not hexadecimal)\n");
}

TEST(TableFormatter, OtherMessageTypeIsNamedWithItsBytesMadeHarmless)
{
    PacketDocument document;
    document.setType("stat\x1B]0;title\x07");
    std::string line;
    TableFormatter::appendLine(line, document, Arrival);
    EXPECT_EQ(line, "2024-05-01 12:00:03.045 message of type \"stat\\x1B]0;title\\x07\"\n");
}
