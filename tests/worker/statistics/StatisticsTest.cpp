//
// StatisticsTest.cpp
//
// The worker's counts and their two texts: counting by CRC status, the
// statistics line, the metrics text read as Prometheus would, and the metrics
// file that a reader never sees half-written.
//

#include "PrometheusText.h"
#include "TestSupport.h"
#include "worker/statistics/MetricsFile.h"
#include "worker/statistics/StatisticsText.h"
#include "worker/statistics/WorkerCounters.h"

#include <Poco/Timestamp.h>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <sys/stat.h>
#include <thread>

using namespace LoRaWANServer;
using TestSupport::PrometheusText;

namespace
{

const char* const WARNING = " WARNING: statistics: cannot write the metrics file ";

CounterValues someValues()
{
    CounterValues values;
    values.crcOk = 300;
    values.crcBad = 40;
    values.noCrc = 5;
    values.forwarded = 344;
    values.dropped = 1;
    values.connects = 2;
    values.sendFailures = 3;
    values.probesOk = 7;
    values.probesFailed = 1;
    values.fullPolls = 4;
    values.pollGaps.counts[0] = 900;
    values.pollGaps.counts[6] = 2;
    values.pollGaps.counts[POLL_GAP_BUCKETS - 1] = 1;
    values.pollGaps.sumUs = 35000000;
    values.pollGaps.maxUs = 31360500;
    return values;
}

std::vector<std::string> entries(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

TEST(WorkerCountersTest, CountsPacketsByCrcStatusAndWhatTheyGrewBy)
{
    lgw_pkt_rx_s packets[6] = {};
    const uint8_t statuses[6] = {STAT_CRC_OK,    STAT_CRC_BAD, STAT_NO_CRC,
                                 STAT_UNDEFINED, STAT_CRC_OK,  STAT_CRC_BAD};
    for (int i = 0; i < 6; ++i)
        packets[i].status = statuses[i];
    WorkerCounters counters;
    EXPECT_EQ(0, counters.lastPacketTime());

    counters.countReceived(packets, 5); // the sixth is beyond the count
    const CounterValues first = counters.values();
    const Poco::Int64 now = Poco::Timestamp().epochMicroseconds();
    EXPECT_EQ(2u, first.crcOk);
    EXPECT_EQ(1u, first.crcBad);
    EXPECT_EQ(2u, first.noCrc); // no CRC and an undefined status alike
    EXPECT_EQ(5u, first.received());
    EXPECT_LE(counters.startTime(), counters.lastPacketTime());
    EXPECT_LE(counters.lastPacketTime(), now);

    counters.countReceived(packets + 1, 1);
    counters.countForwarded(3);
    counters.countDropped(2);
    counters.countConnect();
    counters.countSendFailure();
    counters.countProbe(true);
    counters.countProbe(false);
    counters.countProbe(false);
    EXPECT_EQ(3u, counters.forwarded());
    const CounterValues grown = counters.values().since(first);
    EXPECT_EQ(1u, grown.received());
    EXPECT_EQ(1u, grown.crcBad);
    EXPECT_EQ(0u, grown.crcOk);
    EXPECT_EQ(3u, grown.forwarded);
    EXPECT_EQ(2u, grown.dropped);
    EXPECT_EQ(1u, grown.connects);
    EXPECT_EQ(1u, grown.sendFailures);
    EXPECT_EQ(1u, grown.probesOk);
    EXPECT_EQ(2u, grown.probesFailed);
}

TEST(WorkerCountersTest, PollsCountTheFullOnesAndTheGapsBetweenThemIntoBuckets)
{
    WorkerCounters counters;
    const WorkerCounters::Clock::time_point start = WorkerCounters::Clock::now();
    const long gapsMs[] = {3, 3, 45, 3, 2000};
    WorkerCounters::Clock::time_point call = start;
    counters.countPoll(false, call);
    for (long gapMs : gapsMs)
    {
        call += std::chrono::milliseconds(gapMs);
        counters.countPoll(gapMs == 3, call);
    }
    const CounterValues first = counters.snapshot(true);
    EXPECT_EQ(3u, first.fullPolls);
    EXPECT_EQ(5u, first.pollGaps.count());
    EXPECT_EQ(3u, first.pollGaps.counts[0]); // up to 5 ms
    EXPECT_EQ(1u, first.pollGaps.counts[3]); // 20 to 50 ms
    EXPECT_EQ(1u, first.pollGaps.counts[7]); // 1 to 5 s
    EXPECT_EQ(2054000u, first.pollGaps.sumUs);
    EXPECT_EQ(2000000u, first.pollGaps.maxUs);
    EXPECT_EQ(2000000u, first.pollGaps.intervalMaxUs);

    // A statistics line's reading starts the next interval's longest gap; the metrics' does not.
    call += std::chrono::milliseconds(7);
    counters.countPoll(false, call);
    EXPECT_EQ(7000u, counters.snapshot(false).pollGaps.intervalMaxUs);
    const CounterValues second = counters.snapshot(true);
    EXPECT_EQ(2000000u, second.pollGaps.maxUs);
    EXPECT_EQ(7000u, second.since(first).pollGaps.intervalMaxUs);
    EXPECT_EQ(1u, second.since(first).pollGaps.count());
}

TEST(WorkerCountersTest, SnapshotsFallBetweenPassesSoThatNoneShowsMoreForwardedThanReceived)
{
    WorkerCounters counters;
    lgw_pkt_rx_s packet{};
    packet.status = STAT_CRC_OK;
    counters.beginPasses();
    std::atomic<bool> done{false};
    std::thread worker(
        [&]
        {
            while (!done)
            {
                counters.countReceived(&packet, 1);
                std::this_thread::yield();
                counters.countForwarded(1);
                counters.answerSnapshot();
            }
        });
    int unequal = 0;
    for (int reading = 0; reading < 300; ++reading)
    {
        const CounterValues values = counters.snapshot(true);
        unequal += values.received() != values.forwarded ? 1 : 0;
    }
    done = true;
    worker.join();
    counters.endPasses();
    EXPECT_EQ(0, unequal);
}

TEST(StatisticsTextTest, LineGivesEachCountForTheIntervalAndSinceTheStart)
{
    const CounterValues total = someValues();
    CounterValues interval;
    interval.crcOk = 11;
    interval.crcBad = 1;
    interval.forwarded = 12;
    interval.connects = 1;
    interval.fullPolls = 1;
    interval.pollGaps.intervalMaxUs = 3999;
    EXPECT_EQ(
        " INFO: statistics: received 12/345, crc_ok 11/300, crc_bad 1/40, no_crc 0/5, forwarded 12/344, "
        "dropped 0/1, connects 1/2, send_failures 0/3, full_polls 1/4, poll_gap_max_ms 3/31360",
        statisticsMessage(interval, total));
}

TEST(StatisticsTextTest, MetricsAreValidExpositionTextWithEveryCount)
{
    const PrometheusText metrics(metricsText(someValues(), 1700000000123456, 1699999999000001));
    EXPECT_EQ(24u, metrics.size());
    EXPECT_EQ(300, metrics.value("lorawanserver_packets_received_total{crc=\"ok\"}"));
    EXPECT_EQ(40, metrics.value("lorawanserver_packets_received_total{crc=\"bad\"}"));
    EXPECT_EQ(5, metrics.value("lorawanserver_packets_received_total{crc=\"none\"}"));
    EXPECT_EQ(344, metrics.value("lorawanserver_frames_forwarded_total"));
    EXPECT_EQ(1, metrics.value("lorawanserver_packets_dropped_total"));
    EXPECT_EQ(2, metrics.value("lorawanserver_consumer_connects_total"));
    EXPECT_EQ(3, metrics.value("lorawanserver_send_failures_total"));
    EXPECT_EQ(7, metrics.value("lorawanserver_concentrator_probes_total{result=\"ok\"}"));
    EXPECT_EQ(1, metrics.value("lorawanserver_concentrator_probes_total{result=\"failed\"}"));
    EXPECT_DOUBLE_EQ(1700000000.123456, metrics.value("lorawanserver_last_packet_timestamp_seconds"));
    EXPECT_DOUBLE_EQ(1699999999.000001, metrics.value("lorawanserver_start_time_seconds"));
    for (const char* counter :
         {"lorawanserver_packets_received_total", "lorawanserver_frames_forwarded_total",
          "lorawanserver_packets_dropped_total", "lorawanserver_consumer_connects_total",
          "lorawanserver_send_failures_total", "lorawanserver_concentrator_probes_total"})
    {
        EXPECT_EQ("counter", metrics.type(counter)) << counter;
        EXPECT_FALSE(metrics.help(counter).empty()) << counter;
    }
    EXPECT_EQ(4, metrics.value("lorawanserver_full_polls_total"));
    EXPECT_EQ("counter", metrics.type("lorawanserver_full_polls_total"));
    // Buckets count every gap up to their bound.
    const std::string gaps = "lorawanserver_poll_gap_seconds";
    EXPECT_EQ("histogram", metrics.type(gaps));
    EXPECT_EQ(900, metrics.value(gaps + "_bucket{le=\"0.005\"}"));
    EXPECT_EQ(900, metrics.value(gaps + "_bucket{le=\"0.5\"}"));
    EXPECT_EQ(902, metrics.value(gaps + "_bucket{le=\"1\"}"));
    EXPECT_EQ(902, metrics.value(gaps + "_bucket{le=\"30\"}"));
    EXPECT_EQ(903, metrics.value(gaps + "_bucket{le=\"+Inf\"}"));
    EXPECT_EQ(903, metrics.value(gaps + "_count"));
    EXPECT_EQ(35, metrics.value(gaps + "_sum"));
    EXPECT_EQ("gauge", metrics.type("lorawanserver_last_packet_timestamp_seconds"));
    EXPECT_EQ("gauge", metrics.type("lorawanserver_start_time_seconds"));
    EXPECT_EQ(0, PrometheusText(metricsText(CounterValues(), 0, 1))
                     .value("lorawanserver_last_packet_timestamp_seconds"));
}

TEST(MetricsFileTest, ReaderPollingWhileItIsReplacedAlwaysFindsAWholeText)
{
    TestSupport::TempDir dir;
    const std::string path = dir.file("lorawanserver.prom");
    MetricsFile file(path);
    std::atomic<bool> done{false};
    std::atomic<bool> written{false};
    std::atomic<bool> failed{false};
    std::atomic<int> reads{0};
    std::string problem; // set by the reader before failed
    std::thread reader(
        [&]
        {
            while (!done && !failed)
            {
                const bool existed = written;
                const std::string text = TestSupport::readFile(path);
                if (text.empty() && !existed)
                    continue;
                try
                {
                    // An empty text is a cut-off one too: the collector would find no metric.
                    (void)PrometheusText(text).value("lorawanserver_start_time_seconds");
                    ++reads;
                }
                catch (const std::exception& exc)
                {
                    problem = exc.what();
                    failed = true;
                }
            }
        });
    // Texts of changing length, so that a reader of a file written in place
    // would see a mix of two or a cut-off one.
    bool allWritten = true;
    for (Poco::UInt64 round = 0; round < 1000 && !failed && allWritten; ++round)
    {
        CounterValues values;
        values.forwarded = round * round * round;
        allWritten = file.write(metricsText(values, static_cast<Poco::Int64>(round), 1));
        written = true;
    }
    done = true;
    reader.join();
    EXPECT_TRUE(allWritten);
    EXPECT_EQ("", problem);
    EXPECT_GT(reads, 0);

    struct stat status;
    ASSERT_EQ(0, ::stat(path.c_str(), &status));
    EXPECT_EQ(0644u, status.st_mode & 07777u); // for a collector under a user of its own
    EXPECT_EQ(std::vector<std::string>{"lorawanserver.prom"}, entries(dir.path()));
}

TEST(MetricsFileTest, PathInAMissingFolderWarnsOnceAndWorksOnceTheFolderExists)
{
    TestSupport::TempDir dir;
    const std::string path = dir.file("missing/lorawanserver.prom");
    MetricsFile file(path);

    testing::internal::CaptureStdout();
    EXPECT_FALSE(file.write("a 1\n"));
    EXPECT_FALSE(file.write("a 2\n"));
    EXPECT_FALSE(file.write("a 3\n"));
    const std::vector<std::string> warnings = TestSupport::lines(testing::internal::GetCapturedStdout());
    ASSERT_EQ(1u, warnings.size());
    EXPECT_TRUE(TestSupport::hasTimeStamp(warnings[0]));
    EXPECT_EQ(0u, TestSupport::withoutTimeStamp(warnings[0]).find(WARNING + path)) << warnings[0];

    TestSupport::makeDirectories(dir.file("missing"));
    EXPECT_TRUE(file.write("a 4\n"));
    EXPECT_EQ("a 4\n", TestSupport::readFile(path));
}

} // namespace
