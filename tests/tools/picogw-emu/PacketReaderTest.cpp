//
// PacketReaderTest.cpp
//
// Packet lines: field names, defaults, ranges, payload text and errors.
//

#include "tools/picogw-emu/PacketReader.h"

#include <Poco/Exception.h>
#include <gtest/gtest.h>

#include <sstream>

using PicoGwEmu::Packet;
using PicoGwEmu::PacketReader;

namespace
{

Packet parse(const std::string& line)
{
    auto packet = PacketReader::parseLine(line);
    if (!packet)
        throw std::logic_error("blank line");
    return *packet;
}

TEST(PacketReader, ReadsEveryFieldOfTheRecord)
{
    const Packet packet = parse(
        "{\"freq_hz\":4294967295,\"if_chain\":9,\"status\":17,\"count_us\":123,\"rf_chain\":1,"
        "\"modulation\":32,\"bandwidth\":7,\"datarate\":250000,\"coderate\":4,\"rssi\":-120.5,\"snr\":-20.25,"
        "\"snr_min\":-23.75,\"snr_max\":11,\"crc\":65535,\"size\":3,\"payload\":\"0aFf10\"}");
    EXPECT_EQ(packet.freqHz, 4294967295u);
    EXPECT_EQ(packet.ifChain, 9);
    EXPECT_EQ(packet.status, 17);
    EXPECT_EQ(packet.countUs, 123u);
    EXPECT_EQ(packet.rfChain, 1);
    EXPECT_EQ(packet.modulation, 32);
    EXPECT_EQ(packet.bandwidth, 7);
    EXPECT_EQ(packet.datarate, 250000u);
    EXPECT_EQ(packet.coderate, 4);
    EXPECT_EQ(packet.rssi, -120.5f);
    EXPECT_EQ(packet.snr, -20.25f);
    EXPECT_EQ(packet.snrMin, -23.75f);
    EXPECT_EQ(packet.snrMax, 11.0f);
    EXPECT_EQ(packet.crc, 65535);
    EXPECT_EQ(packet.size, 3);
    EXPECT_EQ(packet.payload, (std::vector<std::uint8_t>{0x0A, 0xFF, 0x10}));
}

TEST(PacketReader, MissingFieldsAreZeroSizeDefaultsToThePayloadAndBlankLinesHoldNone)
{
    const Packet packet = parse("{\"payload\":\"01020304\"}");
    EXPECT_EQ(packet.freqHz, 0u);
    EXPECT_EQ(packet.rssi, 0.0f);
    EXPECT_FALSE(packet.countUs.has_value()) << "stamped at hand-over";
    EXPECT_EQ(packet.size, 4);
    EXPECT_EQ(parse("{}").size, 0);
    EXPECT_EQ(parse("{\"size\":2,\"payload\":\"01020304\"}").size, 2);
    EXPECT_EQ(parse("{\"size\":255}").size, 255);
    EXPECT_FALSE(PacketReader::parseLine("").has_value());
    EXPECT_FALSE(PacketReader::parseLine(" \t\r").has_value());
}

TEST(PacketReader, RefusesLinesThatAreNoValidRecord)
{
    const std::string tooLong = "{\"payload\":\"" + std::string(512, 'A') + "\"}";
    // Values outside their field, payloads that are not hex text, unknown fields.
    for (const std::string& line :
         {std::string("{\"if_chain\":256}"), std::string("{\"crc\":65536}"),
          std::string("{\"freq_hz\":4294967296}"), std::string("{\"status\":-1}"),
          std::string("{\"datarate\":1.5}"), std::string("{\"rssi\":\"-50\"}"), std::string("{\"size\":256}"),
          tooLong, std::string("{\"payload\":\"ABC\"}"), std::string("{\"payload\":\"0G\"}"),
          std::string("{\"payload\":[1,2]}"), std::string("{\"frequency\":868100000}")})
        EXPECT_THROW(parse(line), Poco::DataFormatException) << line;
    for (const char* line : {"[1,2]", "{\"freq_hz\":"})
        EXPECT_THROW(parse(line), Poco::SyntaxException) << line;
}

TEST(PacketReader, StreamKeepsOrderAndNamesTheBadLine)
{
    std::istringstream good("{\"count_us\":1}\n\n{\"count_us\":2}\n");
    const auto packets = PacketReader::read(good, "good");
    ASSERT_EQ(packets.size(), 2u);
    EXPECT_EQ(packets[1].countUs, 2u);

    std::istringstream bad("{\"count_us\":1}\n{\"count_us\":true}\n");
    try
    {
        PacketReader::read(bad, "bad.jsonl");
        FAIL() << "no exception";
    }
    catch (const Poco::DataException& exc)
    {
        EXPECT_EQ(exc.message().rfind("bad.jsonl:2: ", 0), 0u) << exc.message();
    }
}

} // namespace
