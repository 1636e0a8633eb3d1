//
// StatisticsTest.cpp
//
// Tests of Statistics and LatencyHistogram: the counts, the rate, and the
// latency rule.
//

#include "tools/listen/Statistics.h"
#include "tools/listen/LatencyHistogram.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

using LoRaWANListen::LatencyHistogram;
using LoRaWANListen::LatencyMode;
using LoRaWANListen::PacketDocument;
using LoRaWANListen::Statistics;
using ::testing::HasSubstr;
using ::testing::Not;

namespace
{

PacketDocument packet(const char* ifChain, const char* status, std::uint32_t countUs)
{
    PacketDocument document;
    document.setType("message_upstream");
    document.setField(PacketDocument::IfChain, ifChain);
    document.setField(PacketDocument::Status, status);
    document.setField(PacketDocument::CountUs, std::to_string(countUs));
    return document;
}

} // namespace

TEST(LatencyHistogram, SmallSamplesAndThe32BitExtremesAreExact)
{
    LatencyHistogram histogram;
    for (std::uint32_t sample = 1; sample <= 50; ++sample)
        histogram.add(sample);
    EXPECT_EQ(histogram.count(), 50u);
    EXPECT_EQ(histogram.minimum(), 1u);
    EXPECT_EQ(histogram.maximum(), 50u);
    EXPECT_EQ(histogram.percentile(0.5), 25u);
    EXPECT_EQ(histogram.percentile(0.99), 50u);
    EXPECT_EQ(histogram.percentile(1.0), 50u);
    LatencyHistogram extremes;
    extremes.add(0);
    extremes.add(UINT32_MAX);
    EXPECT_EQ(extremes.percentile(0.5), 0u);
    EXPECT_EQ(extremes.percentile(1.0), UINT32_MAX);
}

TEST(LatencyHistogram, LargeSamplesAreWithinTwoPercent)
{
    LatencyHistogram histogram;
    for (std::uint32_t sample = 1; sample <= 100000; ++sample)
        histogram.add(sample * 37);
    EXPECT_NEAR(histogram.percentile(0.5), 50000.0 * 37, 50000.0 * 37 * 0.02);
    EXPECT_NEAR(histogram.percentile(0.99), 99000.0 * 37, 99000.0 * 37 * 0.02);
    EXPECT_EQ(histogram.maximum(), 100000u * 37);
}

TEST(Statistics, CountsFramesPacketsIfChainsAndCrcStatus)
{
    Statistics statistics(LatencyMode::Off);
    statistics.recordConnection();
    const char* statuses[] = {"16", "16", "17", "1", "0", "5"};
    std::uint64_t arrivalUs = 1000000;
    for (const char* status : statuses)
    {
        statistics.recordFrame(arrivalUs);
        statistics.recordDocument(packet(status[0] == '1' ? "0" : "8", status, 0), arrivalUs);
        arrivalUs += 100000;
    }
    statistics.recordFrame(arrivalUs);
    statistics.recordInvalid();
    statistics.recordOversize();
    statistics.recordPartial(57);
    const std::string report = statistics.report();
    EXPECT_EQ(statistics.frames(), 7u);
    EXPECT_THAT(report,
                HasSubstr("frames: 7 (6 valid, 1 invalid); 0.600 s from first to last, 10.0 frames/s"));
    EXPECT_THAT(report, HasSubstr("packets: 6;"));
    EXPECT_THAT(report, HasSubstr("IF chains: 0:4 8:2\n"));
    EXPECT_THAT(report, HasSubstr("CRC: ok 2, bad 1, none 1, undefined 1, other 1\n"));
    EXPECT_THAT(report,
                HasSubstr("connections: 1; oversize frames: 1; unfinished frames: 1 (57 bytes dropped)"));
    EXPECT_THAT(report, HasSubstr("latency: off"));
}

TEST(Statistics, EveryChainUpTo255HasItsOwnCountAndAnythingElseIsUnknown)
{
    Statistics statistics(LatencyMode::Off);
    EXPECT_THAT(statistics.report(), HasSubstr("IF chains: none\n"));
    const char* ifChains[] = {"255", "9", "0", "10", "255", "9", "255", "256", "4294967296", "-1", "8x", ""};
    for (const char* ifChain : ifChains)
        statistics.recordDocument(packet(ifChain, "16", 0), 0);
    EXPECT_THAT(statistics.report(), HasSubstr("IF chains: 0:1 9:2 10:1 255:3 ?:5\n"));
}

TEST(Statistics, RateNeedsTwoFramesApart)
{
    Statistics statistics(LatencyMode::Off);
    statistics.recordFrame(5);
    EXPECT_THAT(statistics.report(), Not(HasSubstr("frames/s")));
    statistics.recordFrame(5);
    EXPECT_THAT(statistics.report(), Not(HasSubstr("frames/s"))) << "no time passed";
}

TEST(Statistics, OtherMessageTypesAndMissingFieldsAreCountedApart)
{
    Statistics statistics(LatencyMode::Auto);
    PacketDocument other;
    other.setType("stat");
    statistics.recordDocument(other, 0);
    PacketDocument bare;
    bare.setType("message_upstream");
    statistics.recordDocument(bare, 0);
    const std::string report = statistics.report();
    EXPECT_THAT(report, HasSubstr("packets: 1; documents of other types: 1"));
    EXPECT_THAT(report, HasSubstr("IF chains: ?:1"));
    EXPECT_THAT(report, HasSubstr("other 1"));
}

TEST(Statistics, AutoLatencyTakesOnlyStampsWithinTheWindowAcrossTheWrapOfCountUs)
{
    Statistics statistics(LatencyMode::Auto);
    const std::uint64_t arrivalUs = 7000000000ULL; // past one 32-bit wrap
    const std::uint32_t arrival32 = static_cast<std::uint32_t>(arrivalUs);
    statistics.recordDocument(packet("0", "16", arrival32 - 1500), arrivalUs);
    statistics.recordDocument(packet("0", "16", arrival32 - 2500), arrivalUs);
    statistics.recordDocument(packet("0", "16", arrival32 - 20000000), arrivalUs); // 20 s: not this clock
    statistics.recordDocument(packet("0", "16", arrival32 + 1000), arrivalUs);     // from the future
    // count_us wrapped just before it arrived.
    statistics.recordDocument(packet("0", "16", UINT32_MAX - 199), (std::uint64_t{1} << 32) + 300);
    EXPECT_EQ(statistics.latency().count(), 3u);
    EXPECT_EQ(statistics.latency().minimum(), 500u);
    EXPECT_EQ(statistics.latency().maximum(), 2500u);
    EXPECT_THAT(statistics.report(), HasSubstr("max 2.500 ms (3 of 5 packets)"));
}

TEST(Statistics, LatencyOnTakesEveryStampOffNoneAndAutoSaysWhenItFoundNone)
{
    Statistics on(LatencyMode::On);
    Statistics off(LatencyMode::Off);
    Statistics automatic(LatencyMode::Auto);
    for (Statistics* statistics : {&on, &off, &automatic})
        statistics->recordDocument(packet("0", "16", 1000), 20001000);
    EXPECT_EQ(on.latency().count(), 1u);
    EXPECT_EQ(on.latency().maximum(), 20000000u);
    EXPECT_EQ(off.latency().count(), 0u);
    EXPECT_THAT(automatic.report(), HasSubstr("latency: not measured (no count_us within 10 s"));
}

namespace
{

PacketDocument radioPacket(const char* freqHz, const char* modulation, const char* bandwidth,
                           const char* status, const char* rssi, const char* snr)
{
    PacketDocument document = packet("0", status, 0);
    document.setField(PacketDocument::FreqHz, freqHz);
    document.setField(PacketDocument::Modulation, modulation);
    document.setField(PacketDocument::Bandwidth, bandwidth);
    document.setField(PacketDocument::Datarate, modulation[0] == '1' ? "2" : "50000"); // SF7 or 50 kbit/s
    document.setField(PacketDocument::Coderate, "1");
    document.setField(PacketDocument::Size, "13");
    document.setField(PacketDocument::Rssi, rssi);
    document.setField(PacketDocument::Snr, snr);
    return document;
}

} // namespace

TEST(ChannelTable, OneRowPerChannelFromTheDocumentsAlone)
{
    Statistics statistics(LatencyMode::Off);
    EXPECT_EQ("  channels: none\n", statistics.channels().text(0));
    const PacketDocument documents[] = {
        // 868.1 MHz: levels of the three valid packets only, noise of the two at or below it
        radioPacket("868100000", "16", "3", "16", "-118", "-10"),
        radioPacket("868100000", "16", "3", "16", "-60", "9.5"),
        radioPacket("868100000", "16", "3", "16", "-120", "-20"),
        radioPacket("868100000", "16", "3", "17", "-30", "12"),
        // the standard channel on the same frequency, 250 kHz
        radioPacket("868100000", "16", "2", "16", "-99.5", "not a number"),
        radioPacket("868800000", "32", "3", "16", "-70", "0"),
        radioPacket("x", "16", "3", "16", "-70", "0"),
    };
    for (const PacketDocument& document : documents)
        statistics.recordDocument(document, 0);
    // 4 x 46.336 ms + 23.168 ms + 3.84 ms in 10 s
    const char* const rows[] = {
        "  channels (levels of the CRC-valid packets, airtime as a share of the time elapsed):",
        "    frequency   modulation    packets  CRC bad  RSSI median  RSSI lowest  SNR median   airtime"
        "      noise",
        "   868.100000   LoRa 250 kHz        1    0.0 %       -99.50       -99.50           -    0.23 %"
        "          -",
        "   868.100000   LoRa 125 kHz        4   25.0 %      -118.00      -120.00      -10.00    1.85 %"
        "    -119.23",
        "   868.800000   FSK 125 kHz         1    0.0 %       -70.00       -70.00           -    0.04 %"
        "          -",
        "    and 1 packets without a readable frequency or modulation",
    };
    std::string expected;
    for (const char* row : rows)
        expected.append(row).append("\n");
    EXPECT_EQ(expected, statistics.channels().text(10000000));
}
