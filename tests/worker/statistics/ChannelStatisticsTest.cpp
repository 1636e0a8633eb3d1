//
// ChannelStatisticsTest.cpp
//
// The per-channel accounting where the service's run cannot reach it: levels
// on the bounds of the buckets, the window of noise samples, and the metrics
// file written from the counts' text and the channels' pieces.
//

#include "worker/statistics/ChannelStatistics.h"
#include "PrometheusText.h"
#include "TestSupport.h"
#include "worker/statistics/ChannelMetricsText.h"
#include "worker/statistics/MetricsFile.h"
#include "worker/statistics/StatisticsText.h"

#include <gtest/gtest.h>

#include <limits>

using namespace LoRaWANServer;

namespace
{

lgw_pkt_rx_s loraPacket(float rssi, float snr)
{
    lgw_pkt_rx_s packet{};
    packet.if_chain = 3;
    packet.status = STAT_CRC_OK;
    packet.modulation = MOD_LORA;
    packet.bandwidth = BW_125KHZ;
    packet.datarate = DR_LORA_SF10;
    packet.coderate = CR_LORA_4_5;
    packet.rssi = rssi;
    packet.snr = snr;
    return packet;
}

TEST(ChannelStatisticsTest, LevelsOnABoundBelongToItsBucketAndNaNsToNone)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    // bucket 0 is "le -140", 13 is "+Inf"
    const struct
    {
        float rssi;
        unsigned bucket;
    } levels[] = {{-200.0f, 0}, {-140.0f, 0}, {-139.75f, 1}, {-130.0f, 1},
                  {-20.0f, 12}, {-19.5f, 13}, {5.0f, 13}};
    ChannelStatistics channels;
    for (const auto& level : levels)
    {
        const lgw_pkt_rx_s packet = loraPacket(level.rssi, 0.0f);
        channels.count(&packet, 1);
    }
    const lgw_pkt_rx_s nanPacket = loraPacket(nan, nan);
    channels.count(&nanPacket, 1);

    const ChannelStatistics::Rate rate = channels.rate(3, 3);
    EXPECT_EQ(8u, rate.packets[ChannelStatistics::CRC_OK]);
    ChannelStatistics::RssiHistogram::Values expected;
    for (const auto& level : levels)
        ++expected.buckets[level.bucket];
    EXPECT_EQ(expected.buckets, rate.rssi.buckets);
    EXPECT_DOUBLE_EQ(-644.25, rate.rssi.sum);
    EXPECT_EQ(7u, rate.snr.buckets[10]); // le 0
}

TEST(ChannelStatisticsTest, NoiseIsTheMedianOfTheLast64SamplesOnly)
{
    ChannelStatistics channels;
    EXPECT_FALSE(channels.noiseEstimateDbm(3));
    std::vector<lgw_pkt_rx_s> packets(64, loraPacket(-100.0f, -30.0f));
    // 33 more, then a strong packet that is no sample: -120 dBm is the majority
    packets.insert(packets.end(), 33, loraPacket(-120.0f, -30.0f));
    packets.push_back(loraPacket(-50.0f, 8.0f));
    packets.push_back(loraPacket(-120.0f, -30.0f));
    channels.count(packets.data(), static_cast<int>(packets.size()));
    EXPECT_NEAR(-120.0043, *channels.noiseEstimateDbm(3), 1e-4);
}

TEST(ChannelStatisticsTest, MetricsFileHasTheCountsAndThenThePlannedChainsInPieces)
{
    ChannelStatistics channels;
    lgw_conf_rxrf_s radio{};
    radio.enable = true;
    radio.freq_hz = 867500000;
    radio.type = LGW_RADIO_TYPE_SX1257;
    channels.acceptRadio(0, radio);
    lgw_conf_rxif_s standard{};
    standard.enable = true;
    standard.freq_hz = -200000;
    standard.datarate = DR_LORA_SF9;
    channels.acceptChannel(8, standard);

    CounterValues values;
    values.crcOk = 3;
    const std::string counts = metricsText(values, 1, 2);
    TestSupport::TempDir folder;
    MetricsFile file(folder.file("lorawanserver.prom"));
    ChannelMetricsText pieces(channels);
    ASSERT_TRUE(file.write(counts, pieces));
    const std::string text = TestSupport::readFile(file.path());
    EXPECT_EQ(counts + channelMetricsText(channels), text);
    EXPECT_NO_THROW(TestSupport::PrometheusText{text});
    // The standard chain's defaults: 250 kHz.
    EXPECT_NE(std::string::npos,
              text.find("lorawanserver_channel_packets_total{chain=\"8\",freq_hz=\"867300000\","
                        "modulation=\"LORA\",datarate=\"SF9BW250\",crc=\"ok\"} 0\n"));
    EXPECT_EQ(std::string::npos, text.find("chain=\"0\""));
}

} // namespace
