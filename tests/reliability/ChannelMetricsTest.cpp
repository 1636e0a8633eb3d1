//
// ChannelMetricsTest.cpp
//
// The per-channel families of the metrics file through the real service:
// exact counts, histograms, airtime and noise for known packets, the noise
// floor of a simulated run found again, and the file as promtool and a real
// node_exporter read it.
//

#include "PrometheusText.h"
#include "ReliabilityTestSupport.h"
#include "ServiceSetup.h"
#include "TestSupport.h"

#include <Poco/Net/HTTPClientSession.h>
#include <Poco/Net/HTTPRequest.h>
#include <Poco/Net/HTTPResponse.h>
#include <Poco/Net/ServerSocket.h>
#include <Poco/StreamCopier.h>

#include <gtest/gtest.h>

#include <cmath>
#include <unistd.h>

using namespace TestSupport;

namespace
{

const char* const PACKETS = "lorawanserver_channel_packets_total";
const char* const RSSI = "lorawanserver_channel_rssi_dbm";
const char* const SNR = "lorawanserver_channel_snr_db";
const char* const AIRTIME = "lorawanserver_channel_airtime_seconds_total";
const char* const NOISE = "lorawanserver_channel_noise_estimate_dbm";
const char* const STATUS_OK = "16";
const char* const STATUS_BAD = "17";
const char* const STATUS_NO_CRC = "1";
const char* const SF7 = "2";
const char* const SF9 = "8";
const char* const SF12 = "64";
const char* const PAYLOAD_13_BYTES = "40785634120080010002A4F9A0";

std::string lora(unsigned chain, unsigned freqHz, const char* status, const char* datarate,
                 const char* bandwidth, double rssi, double snr)
{
    return "{\"freq_hz\": " + std::to_string(freqHz) + ", \"if_chain\": " + std::to_string(chain) +
           ", \"status\": " + status + ", \"modulation\": 16, \"bandwidth\": " + bandwidth +
           ", \"datarate\": " + datarate + ", \"coderate\": 1, \"rssi\": " + std::to_string(rssi) +
           ", \"snr\": " + std::to_string(snr) + ", \"payload\": \"" + PAYLOAD_13_BYTES + "\"}";
}

std::string lora125(unsigned chain, unsigned freqHz, const char* status, const char* datarate, double rssi,
                    double snr)
{
    return lora(chain, freqHz, status, datarate, "3", rssi, snr);
}

std::string series(const char* name, unsigned chain, unsigned freqHz, const char* modulation,
                   const char* datarate, const std::string& more = "")
{
    return std::string(name) + "{chain=\"" + std::to_string(chain) + "\",freq_hz=\"" +
           std::to_string(freqHz) + "\",modulation=\"" + modulation + "\",datarate=\"" + datarate + "\"" +
           more + "}";
}

double noiseOf(double rssi, double snr)
{
    return rssi - 10 * std::log10(1 + std::pow(10, snr / 10));
}

/// Runs the service until the consumer has count frames, stops it and
/// returns its metrics file.
std::string metricsAfter(ServiceSetup& setup, std::size_t count, const std::string& metricsPath)
{
    FrameRecorder recorder(CONSUMER_SOCKET);
    auto pService = setup.startAndWait({"--metrics-file=" + metricsPath});
    EXPECT_TRUE(waitFor([&] { return recorder.frameCount() >= count; })) << recorder.frameCount();
    expectCleanEnd(*pService);
    recorder.finish();
    return readFile(metricsPath);
}

class ChannelMetricsTest : public ::testing::Test
{
protected:
    FixedPathsLock _lock;
    ServiceSetup _setup;
    TempDir _dir;
};

TEST_F(ChannelMetricsTest, KnownPacketsGiveExactCountsHistogramsAirtimeAndNoise)
{
    std::string configuration = EU868_CONFIGURATION;
    const std::string chain7 = R"("chan_multiSF_7": {"enable": true)";
    configuration.replace(configuration.find(chain7), chain7.size(), R"("chan_multiSF_7": {"enable": false)");
    _setup.writeConfig("global_conf.json", configuration);
    _setup.writeScenario(
        R"({"batches": [[)" + lora125(0, 868100000, STATUS_OK, SF7, -118, -10) + ", " +
        lora125(0, 868100000, STATUS_OK, SF7, -110, -5) + ", " +
        lora125(0, 868100000, STATUS_OK, SF7, -60, 9.5) + ", " +
        lora125(0, 868100000, STATUS_OK, SF7, -120, -20) + ", " +
        lora125(0, 868100000, STATUS_BAD, SF7, -50, -30) + ", " +
        lora125(0, 868100000, STATUS_NO_CRC, SF12, -100, 0) + ", " +
        lora(8, 868300000, STATUS_OK, SF7, "2", -80, 2) + ", " +
        // chain 7 is disabled; chain 12 is none the HAL has
        lora125(7, 867900000, STATUS_OK, SF9, -90, 1) + ", " +
        lora125(12, 867900000, STATUS_OK, SF9, -90, 1) +
        R"(, {"freq_hz": 868800000, "if_chain": 9, "status": 16, "modulation": 32, "bandwidth": 3,
              "datarate": 50000, "rssi": -70, "payload": ")" +
        PAYLOAD_13_BYTES + R"("}]]})");
    const PrometheusText metrics(metricsAfter(_setup, 10, _dir.file("channels.prom")));

    const struct
    {
        std::string series;
        double value;
    } expected[] = {
        {series(PACKETS, 0, 868100000, "LORA", "SF7BW125", ",crc=\"ok\""), 4},
        {series(PACKETS, 0, 868100000, "LORA", "SF7BW125", ",crc=\"bad\""), 1},
        {series(PACKETS, 0, 868100000, "LORA", "SF7BW125", ",crc=\"none\""), 0},
        {series(PACKETS, 0, 868100000, "LORA", "SF12BW125", ",crc=\"none\""), 1},
        // enabled and silent: there, at zero
        {series(PACKETS, 0, 868100000, "LORA", "SF8BW125", ",crc=\"ok\""), 0},
        {series(PACKETS, 3, 867100000, "LORA", "SF10BW125", ",crc=\"ok\""), 0},
        {series(PACKETS, 8, 868300000, "LORA", "SF7BW250", ",crc=\"ok\""), 1},
        {series(PACKETS, 9, 868800000, "FSK", "50000", ",crc=\"ok\""), 1},
        {series(PACKETS, 7, 867900000, "LORA", "SF9BW125", ",crc=\"ok\""), 1},
        // the CRC-valid levels of chain 0 at SF7: -120, -118, -110, -60 dBm
        {series("lorawanserver_channel_rssi_dbm_bucket", 0, 868100000, "LORA", "SF7BW125", ",le=\"-130\""),
         0},
        {series("lorawanserver_channel_rssi_dbm_bucket", 0, 868100000, "LORA", "SF7BW125", ",le=\"-120\""),
         1},
        {series("lorawanserver_channel_rssi_dbm_bucket", 0, 868100000, "LORA", "SF7BW125", ",le=\"-110\""),
         3},
        {series("lorawanserver_channel_rssi_dbm_bucket", 0, 868100000, "LORA", "SF7BW125", ",le=\"-70\""), 3},
        {series("lorawanserver_channel_rssi_dbm_bucket", 0, 868100000, "LORA", "SF7BW125", ",le=\"-60\""), 4},
        {series("lorawanserver_channel_rssi_dbm_bucket", 0, 868100000, "LORA", "SF7BW125", ",le=\"+Inf\""),
         4},
        {series("lorawanserver_channel_rssi_dbm_sum", 0, 868100000, "LORA", "SF7BW125"), -408},
        {series("lorawanserver_channel_rssi_dbm_count", 0, 868100000, "LORA", "SF7BW125"), 4},
        {series("lorawanserver_channel_rssi_dbm_count", 0, 868100000, "LORA", "SF12BW125"), 0},
        {series("lorawanserver_channel_rssi_dbm_count", 9, 868800000, "FSK", "50000"), 1},
        {series("lorawanserver_channel_rssi_dbm_count", 1, 868300000, "LORA", "SF7BW125"), 0},
        // and their SNR: -20, -10, -5, 9.5 dB
        {series("lorawanserver_channel_snr_db_bucket", 0, 868100000, "LORA", "SF7BW125", ",le=\"-22.5\""), 0},
        {series("lorawanserver_channel_snr_db_bucket", 0, 868100000, "LORA", "SF7BW125", ",le=\"-20\""), 1},
        {series("lorawanserver_channel_snr_db_bucket", 0, 868100000, "LORA", "SF7BW125", ",le=\"-7.5\""), 2},
        {series("lorawanserver_channel_snr_db_bucket", 0, 868100000, "LORA", "SF7BW125", ",le=\"7.5\""), 3},
        {series("lorawanserver_channel_snr_db_bucket", 0, 868100000, "LORA", "SF7BW125", ",le=\"10\""), 4},
        {series("lorawanserver_channel_snr_db_sum", 0, 868100000, "LORA", "SF7BW125"), -25.5},
        // 13 bytes: 46.336 ms at SF7, 1155.072 ms at SF12, 23.168 ms at SF7 250 kHz, 3.84 ms FSK
        {series(AIRTIME, 0, 868100000, "LORA", "SF7BW125"), 5 * 0.046336},
        {series(AIRTIME, 0, 868100000, "LORA", "SF12BW125"), 1.155072},
        {series(AIRTIME, 0, 868100000, "LORA", "SF9BW125"), 0},
        {series(AIRTIME, 8, 868300000, "LORA", "SF7BW250"), 0.023168},
        {series(AIRTIME, 9, 868800000, "FSK", "50000"), 0.00384},
        // the median of the packets at or below the noise
        {std::string(NOISE) + "{chain=\"0\",freq_hz=\"868100000\"}",
         std::round(100 * noiseOf(-118, -10)) / 100},
        {std::string(NOISE) + "{chain=\"7\",freq_hz=\"867900000\"}", -1},
        // the packet of chain 12 is counted with the others
        {"lorawanserver_packets_received_total{crc=\"ok\"}", 8},
    };
    for (const auto& item : expected)
    {
        if (item.value == -1) // not written
            EXPECT_THROW(metrics.value(item.series), std::out_of_range) << item.series;
        else
            EXPECT_DOUBLE_EQ(item.value, metrics.value(item.series)) << item.series;
    }
    for (const std::string& absent :
         {series(PACKETS, 7, 867900000, "LORA", "SF7BW125", ",crc=\"ok\""),
          series("lorawanserver_channel_rssi_dbm_count", 7, 867900000, "LORA", "SF7BW125"),
          series("lorawanserver_channel_snr_db_count", 9, 868800000, "FSK", "50000")})
        EXPECT_THROW(metrics.value(absent), std::out_of_range) << absent;
    for (const char* family : {PACKETS, RSSI, SNR, AIRTIME, NOISE})
        EXPECT_FALSE(metrics.help(family).empty()) << family;
    EXPECT_EQ("histogram", metrics.type(RSSI));
    EXPECT_EQ("counter", metrics.type(AIRTIME));
    EXPECT_EQ("gauge", metrics.type(NOISE));
}

TEST_F(ChannelMetricsTest, NoiseEstimateFindsTheNoiseFloorOfTheScenario)
{
    // Chain 2 on a noisy spot, chain 5 on a quiet one, the others at the
    // default -117 dBm; chain 8 has 250 kHz, 3 dB more.
    _setup.writeScenario(R"({"buffer_bytes": 0,
                             "generator": {"rate": 0, "burst": 16, "seed": 11, "count": 6000,
                                           "noise_dbm": {"2": -100, "5": -122}}})");
    const std::string text = metricsAfter(_setup, 6000, _dir.file("noise.prom"));
    const PrometheusText metrics(text);
    const unsigned freqHz[] = {868100000, 868300000, 868500000, 867100000, 867300000,
                               867500000, 867700000, 867900000, 868300000};
    for (unsigned chain = 0; chain < 9; ++chain)
    {
        const double set = (chain == 2 ? -100 : chain == 5 ? -122 : -117) + (chain == 8 ? 3 : 0);
        const std::string noise = std::string(NOISE) + "{chain=\"" + std::to_string(chain) + "\",freq_hz=\"" +
                                  std::to_string(freqHz[chain]) + "\"}";
        ASSERT_NO_THROW(metrics.value(noise)) << text;
        EXPECT_NEAR(set, metrics.value(noise), 2.0) << noise;
    }
}

/// A TCP port of the loopback interface that nothing listens on now.
unsigned short freePort()
{
    Poco::Net::ServerSocket socket(Poco::Net::SocketAddress("127.0.0.1", 0));
    return socket.address().port();
}

std::string httpGet(unsigned short port, const std::string& path)
{
    Poco::Net::HTTPClientSession session("127.0.0.1", port);
    Poco::Net::HTTPRequest request(Poco::Net::HTTPRequest::HTTP_GET, path);
    session.sendRequest(request);
    Poco::Net::HTTPResponse response;
    std::string body;
    Poco::StreamCopier::copyToString(session.receiveResponse(response), body);
    return body;
}

TEST_F(ChannelMetricsTest, PromtoolAndNodeExporterReadTheFile)
{
    const char* const promtool = "/usr/bin/promtool";
    const char* const nodeExporter = "/usr/bin/prometheus-node-exporter";
    if (::access(promtool, X_OK) != 0 || ::access(nodeExporter, X_OK) != 0)
        GTEST_SKIP() << "needs promtool and prometheus-node-exporter (Debian prometheus, "
                        "prometheus-node-exporter; scripts/setup installs them)";
    _setup.writeScenario(
        R"({"buffer_bytes": 0, "generator": {"rate": 0, "burst": 16, "seed": 5, "count": 2000}})");
    const std::string collected = _dir.file("textfiles");
    makeDirectories(collected);
    const std::string metricsPath = collected + "/lorawanserver.prom";
    metricsAfter(_setup, 2000, metricsPath);

    ChildProcess check("/bin/sh", {"-c", std::string(promtool) + " check metrics < " + metricsPath}, {});
    ASSERT_TRUE(check.waitForExit());
    EXPECT_EQ(0, check.exitStatus()) << check.out() << check.err();

    const unsigned short port = freePort();
    ChildProcess exporter(nodeExporter,
                          {"--web.listen-address=127.0.0.1:" + std::to_string(port),
                           "--collector.disable-defaults", "--collector.textfile",
                           "--collector.textfile.directory=" + collected},
                          {});
    std::string scraped;
    ASSERT_TRUE(waitFor(
        [&]
        {
            try
            {
                scraped = httpGet(port, "/metrics");
                return true;
            }
            catch (const Poco::Exception&)
            {
                return false;
            }
        }))
        << exporter.err();
    const PrometheusText read(scraped);
    EXPECT_EQ(0, read.value("node_textfile_scrape_error"));
    const PrometheusText written(readFile(metricsPath));
    // The collector sorts the labels by name.
    EXPECT_EQ(
        written.value(series(PACKETS, 0, 868100000, "LORA", "SF7BW125", ",crc=\"ok\"")),
        read.value(
            std::string(PACKETS) +
            "{chain=\"0\",crc=\"ok\",datarate=\"SF7BW125\",freq_hz=\"868100000\",modulation=\"LORA\"}"));
    EXPECT_EQ(written.value(series(AIRTIME, 9, 868800000, "FSK", "50000")),
              read.value(std::string(AIRTIME) +
                         "{chain=\"9\",datarate=\"50000\",freq_hz=\"868800000\",modulation=\"FSK\"}"));
}

} // namespace
