//
// ServiceStatisticsTest.cpp
//
// The service's own statistics through the real binary: the counts of its
// statistics lines and of its metrics file against what a real consumer
// received, intervals that add up to the totals, the last line at shutdown,
// and a metrics file that is replaced whole or, where it cannot be written,
// warned about once.
//

#include "PrometheusText.h"
#include "ReliabilityTestSupport.h"
#include "ServiceSetup.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <filesystem>
#include <set>
#include <sstream>
#include <thread>

using namespace TestSupport;

namespace
{

const char* const LINE_START = " INFO: statistics: ";
const char* const TERMINATES_LINE = " LoRaWANServer Worker thread terminates";
const char* const FAILURE_LINE = " in WorkerThread::work(): ";
const char* const METRICS_WARNING = " WARNING: statistics: cannot write the metrics file ";
const char* const COUNTS[] = {"received", "crc_ok",   "crc_bad",       "no_crc",     "forwarded",
                              "dropped",  "connects", "send_failures", "full_polls", "poll_gap_max_ms"};
/// The CRC status values of the received-packet record.
const char* const CRC_OK = "16";
const char* const CRC_BAD = "17";
const int USAGE_ERROR = 78;

/// One statistics line: every count as this interval's and since the start.
using Counts = std::map<std::string, std::pair<unsigned long, unsigned long>>;

Counts parseLine(const std::string& message)
{
    Counts counts;
    std::istringstream items(message.substr(std::string(LINE_START).size()));
    std::string item;
    while (std::getline(items, item, ','))
    {
        std::istringstream parts(item);
        std::string name;
        std::string pair;
        char slash = 0;
        parts >> name >> pair;
        std::istringstream numbers(pair);
        unsigned long interval = 0;
        unsigned long total = 0;
        numbers >> interval >> slash >> total;
        EXPECT_EQ('/', slash) << message;
        counts[name] = {interval, total};
    }
    return counts;
}

/// Every statistics line of the output, in order; checks their form.
std::vector<Counts> statisticsLines(const std::string& out)
{
    std::vector<Counts> result;
    for (const std::string& line : lines(out))
    {
        const std::string message = withoutTimeStamp(line);
        if (message.compare(0, std::string(LINE_START).size(), LINE_START) != 0)
            continue;
        EXPECT_TRUE(hasTimeStamp(line)) << line;
        result.push_back(parseLine(message));
        EXPECT_EQ(std::size(COUNTS), result.back().size()) << line;
        for (const char* name : COUNTS)
            EXPECT_EQ(1u, result.back().count(name)) << name << " missing in " << line;
    }
    return result;
}

/// The totals of the last line, after checking that it comes right before the
/// worker's last line and that the intervals of all lines add up to them.
std::map<std::string, unsigned long> finalTotals(const std::string& out)
{
    const std::vector<std::string> all = lines(out);
    const std::vector<Counts> stats = statisticsLines(out);
    std::map<std::string, unsigned long> totals;
    if (stats.empty() || all.size() < 3)
    {
        ADD_FAILURE() << "no statistics line in\n" << out;
        return totals;
    }
    EXPECT_EQ(0u, withoutTimeStamp(all[all.size() - 3]).find(LINE_START)) << out;
    EXPECT_EQ(TERMINATES_LINE, withoutTimeStamp(all[all.size() - 2]));
    for (const auto& count : stats.back())
    {
        if (count.first == "poll_gap_max_ms")
            continue; // the longest of each interval and of all
        unsigned long sum = 0;
        for (const Counts& line : stats)
            sum += line.at(count.first).first;
        EXPECT_EQ(count.second.second, sum)
            << "the intervals of " << count.first << " over " << stats.size() << " lines";
        totals[count.first] = count.second.second;
    }
    EXPECT_EQ(totals["crc_ok"] + totals["crc_bad"] + totals["no_crc"], totals["received"]);
    return totals;
}

/// Expects the metrics file to hold the same totals as the last line.
void expectMetricsMatch(const std::string& path, std::map<std::string, unsigned long> totals)
{
    const PrometheusText metrics(readFile(path));
    EXPECT_EQ(totals["crc_ok"], metrics.value("lorawanserver_packets_received_total{crc=\"ok\"}"));
    EXPECT_EQ(totals["crc_bad"], metrics.value("lorawanserver_packets_received_total{crc=\"bad\"}"));
    EXPECT_EQ(totals["no_crc"], metrics.value("lorawanserver_packets_received_total{crc=\"none\"}"));
    EXPECT_EQ(totals["forwarded"], metrics.value("lorawanserver_frames_forwarded_total"));
    EXPECT_EQ(totals["dropped"], metrics.value("lorawanserver_packets_dropped_total"));
    EXPECT_EQ(totals["connects"], metrics.value("lorawanserver_consumer_connects_total"));
    EXPECT_EQ(totals["send_failures"], metrics.value("lorawanserver_send_failures_total"));
}

double secondsNow()
{
    using namespace std::chrono;
    return duration_cast<duration<double>>(system_clock::now().time_since_epoch()).count();
}

/// A scripted packet with the given CRC status.
std::string packetWithStatus(int status)
{
    return R"({"freq_hz": 868100000, "if_chain": 0, "status": )" + std::to_string(status) +
           R"(, "modulation": 16, "bandwidth": 3, "datarate": 2, "coderate": 1, "payload": "40010203"})";
}

std::string statusOf(const std::string& frame)
{
    return nlohmann::json::parse(frame).at("data").at("status").get<std::string>();
}

class ServiceStatisticsTest : public ::testing::Test
{
protected:
    FixedPathsLock _lock;
    ServiceSetup _setup;
    TempDir _dir;
};

TEST_F(ServiceStatisticsTest, CountsMatchWhatTheConsumerReceivedByCrcStatus)
{
    const std::size_t generated = 400;
    // A packet without CRC and one whose status the HAL left undefined, then
    // the generator's traffic with a quarter of bad CRCs.
    _setup.writeScenario(R"({"batches": [[)" + packetWithStatus(1) + ", " + packetWithStatus(0) +
                         R"(]], "generator": {"rate": 0, "burst": 4, "seed": 9, "count": )" +
                         std::to_string(generated) + R"(, "crc_error_ratio": 0.25}})");
    const std::string metricsPath = _dir.file("lorawanserver.prom");
    const double started = secondsNow();
    FrameRecorder recorder(CONSUMER_SOCKET);
    auto pService = _setup.startAndWait({"--stats-interval=1", "--metrics-file=" + metricsPath});
    ASSERT_TRUE(waitFor([&] { return recorder.frameCount() >= generated + 2; })) << recorder.frameCount();
    // At least one line in the course of the run, besides the last one.
    ASSERT_TRUE(waitFor([&] { return countOf(pService->out(), LINE_START) >= 1; }));
    expectCleanEnd(*pService);
    const auto connections = recorder.finish();

    ASSERT_EQ(1u, connections.size());
    std::map<std::string, unsigned long> seen;
    for (const std::string& frame : connections[0].frames)
        ++seen[statusOf(frame)];
    ASSERT_GT(seen[CRC_BAD], 0u);
    auto totals = finalTotals(pService->out());
    EXPECT_EQ(generated + 2, totals["received"]);
    EXPECT_EQ(seen[CRC_OK], totals["crc_ok"]);
    EXPECT_EQ(seen[CRC_BAD], totals["crc_bad"]);
    EXPECT_EQ(2u, totals["no_crc"]);
    EXPECT_EQ(connections[0].frames.size(), totals["forwarded"]);
    EXPECT_EQ(0u, totals["dropped"]);
    EXPECT_EQ(1u, totals["connects"]);
    EXPECT_EQ(0u, totals["send_failures"]);

    expectMetricsMatch(metricsPath, totals);
    const PrometheusText metrics(readFile(metricsPath));
    const double start = metrics.value("lorawanserver_start_time_seconds");
    const double lastPacket = metrics.value("lorawanserver_last_packet_timestamp_seconds");
    EXPECT_LE(started - 1, start);
    EXPECT_LE(start, lastPacket);
    EXPECT_LE(lastPacket, secondsNow());
}

TEST_F(ServiceStatisticsTest, AbsentConsumerCountsDroppedPacketsAndFailuresThenGetsWholeDocuments)
{
    _setup.writeScenario(R"({"generator": {"rate": 500, "burst": 4, "seed": 5}})");
    const std::string metricsPath = _dir.file("lorawanserver.prom");
    auto pService = _setup.startAndWait({"--metrics-file=" + metricsPath});
    ASSERT_TRUE(pService->waitForOut(FAILURE_LINE)) << pService->out();

    FrameRecorder recorder(CONSUMER_SOCKET);
    ASSERT_TRUE(waitFor([&] { return recorder.frameCount() >= 200; })) << recorder.frameCount();
    expectCleanEnd(*pService);
    const auto connections = recorder.finish();

    ASSERT_EQ(1u, connections.size());
    expectWholeDocuments(connections);
    const std::string out = pService->out();
    auto totals = finalTotals(out);
    EXPECT_EQ(connections[0].frames.size(), totals["forwarded"]);
    EXPECT_EQ(1u, totals["connects"]);
    // Every failed attempt wrote its two lines and counted once.
    EXPECT_EQ(countOf(out, FAILURE_LINE), countOf(out, ", Error Code is: "));
    EXPECT_EQ(countOf(out, FAILURE_LINE), totals["send_failures"]);
    EXPECT_GE(totals["dropped"], 1u);
    // No attempt failed half-way: every packet was either forwarded or dropped.
    EXPECT_EQ(totals["received"], totals["forwarded"] + totals["dropped"]);
    expectMetricsMatch(metricsPath, totals);
}

TEST_F(ServiceStatisticsTest, LastLineAtShutdownByDefaultAndNoneWithIntervalZero)
{
    {
        auto pService = _setup.startAndWait();
        expectCleanEnd(*pService);
        const std::vector<Counts> stats = statisticsLines(pService->out());
        ASSERT_EQ(1u, stats.size()) << pService->out();
        EXPECT_EQ(0u, finalTotals(pService->out())["received"]);
    }
    {
        auto pService = _setup.startAndWait({"--stats-interval=0"});
        expectCleanEnd(*pService);
        EXPECT_EQ(std::string::npos, pService->out().find(LINE_START)) << pService->out();
    }
}

TEST_F(ServiceStatisticsTest, IntervalOutOfRangeOrNotANumberIsRefused)
{
    for (const std::string value : {"-1", "ten", "86401"})
    {
        auto pService = _setup.start({"--stats-interval=" + value});
        ASSERT_TRUE(pService->waitForExit());
        EXPECT_EQ(USAGE_ERROR, pService->exitStatus()) << value;
        EXPECT_EQ(std::string::npos, pService->out().find("starting")) << value;
    }
}

TEST_F(ServiceStatisticsTest, MetricsPathInAMissingFolderIsWarnedAboutOnceAndTheServiceGoesOn)
{
    _setup.writeScenario(R"({"generator": {"rate": 2000, "burst": 4, "seed": 5}})");
    const std::string metricsPath = _dir.file("missing/lorawanserver.prom");
    FrameRecorder recorder(CONSUMER_SOCKET);
    auto pService = _setup.startAndWait({"--metrics-file=" + metricsPath});
    ASSERT_TRUE(waitFor([&] { return recorder.frameCount() >= 200; })) << recorder.frameCount();
    expectCleanEnd(*pService);
    recorder.finish();

    // Written at the start and at the end: one warning for both.
    EXPECT_EQ(1u, countOf(pService->out(), METRICS_WARNING + metricsPath)) << pService->out();
    EXPECT_EQ(std::string::npos, pService->out().find(FAILURE_LINE));
}

TEST_F(ServiceStatisticsTest, MetricsFileIsReplacedEveryTenSecondsAndNeverSeenHalfWritten)
{
    _setup.writeScenario(R"({"generator": {"rate": 200, "burst": 4, "seed": 3}})");
    const std::string metricsPath = _dir.file("lorawanserver.prom");
    FrameRecorder recorder(CONSUMER_SOCKET);
    const auto started = std::chrono::steady_clock::now();
    auto pService = _setup.startAndWait({"--metrics-file=" + metricsPath});

    // The file of the start, then the one of 10 s later, read whole each time.
    std::set<double> forwarded;
    std::size_t reads = 0;
    while (std::chrono::steady_clock::now() - started < std::chrono::seconds(14))
    {
        const std::string text = readFile(metricsPath);
        if (!text.empty())
        {
            ASSERT_NO_THROW(
                forwarded.insert(PrometheusText(text).value("lorawanserver_frames_forwarded_total")))
                << text;
            ++reads;
        }
        std::this_thread::sleep_for(Milliseconds(2));
    }
    expectCleanEnd(*pService);
    recorder.finish();

    EXPECT_GT(reads, 100u);
    ASSERT_EQ(2u, forwarded.size()); // the start's and the one of 10 s later
    EXPECT_EQ(0, *forwarded.begin());
    // No temporary file stays beside it.
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(_dir.path()))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(std::vector<std::string>{"lorawanserver.prom"}, names);
}

} // namespace
