//
// ConcentratorFaultsTest.cpp
//
// The real service on a concentrator that fails to connect, to start, to
// receive after some packets (with -1 or another negative count), that
// claims more packets than the array holds, or that fails to stop: the
// documented lines, one report of the error handler, and a clean shutdown
// with status 0.
//

#include "ReliabilityTestSupport.h"
#include "ServiceSetup.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace TestSupport;

namespace
{

const char* const STARTING = " LoRaWAN server, version: 200105A starting";
const char* const SHUTTING_DOWN = " LoRaWAN server shuts down";
const char* const REPORT_START =
    " ERROR: Poco::InvalidAccessException in thread \"LoRaWANServer_WorkerThread";

class ConcentratorFaultsTest : public ::testing::Test
{
protected:
    /// Runs the service until its worker fails and it has shut itself down.
    std::unique_ptr<ChildProcess> runUntilItEnds()
    {
        auto pService = _setup.start();
        EXPECT_TRUE(pService->waitForExit());
        EXPECT_FALSE(pService->exitedBySignal());
        EXPECT_EQ(0, pService->exitStatus());
        return pService;
    }

    FixedPathsLock _lock;
    ServiceSetup _setup;
};

/// The service's own log lines: those with a time stamp, without the lines
/// that name the configuration files found (the simulated concentrator adds
/// lines of its own, without time stamp).
std::vector<std::string> serviceLines(const ChildProcess& service)
{
    std::vector<std::string> result;
    for (const std::string& line : lines(service.out()))
    {
        if (hasTimeStamp(line) && withoutTimeStamp(line).find(" INFO: found ") != 0)
            result.push_back(withoutTimeStamp(line));
    }
    return result;
}

/// The output of a service whose worker failed: the start line, the last
/// statistics line when the concentrator had started (statistics, the
/// counts it ends with), the error handler's one report and its advice, the
/// shutdown line; no line of the worker's end.
void expectReportedFailure(const ChildProcess& service, const std::string& message,
                           const std::string& statistics = "")
{
    std::vector<std::string> out = serviceLines(service);
    ASSERT_EQ(statistics.empty() ? 4u : 5u, out.size()) << service.out();
    EXPECT_EQ(STARTING, out[0]);
    if (!statistics.empty())
    {
        // The counts, then those of the polls and their gaps, which vary.
        EXPECT_EQ(0u, out[1].find(" INFO: statistics: " + statistics + ", full_polls ")) << out[1];
        out.erase(out.begin() + 1);
    }
    EXPECT_EQ(0u, out[1].find(REPORT_START)) << out[1];
    EXPECT_NE(std::string::npos, out[1].find("\": Invalid access: " + message + ", shutting down")) << out[1];
    EXPECT_EQ(0u, out[2].find(" ADVICE: ")) << out[2];
    EXPECT_EQ(SHUTTING_DOWN, out[3]);
}

TEST_F(ConcentratorFaultsTest, FailedConnectOrStartIsReportedAndTheServiceShutsDown)
{
    const struct
    {
        const char* scenario;
        const char* message;
        bool configurationHandedOver;
    } cases[] = {{R"({"connect": -1})", "ERROR: FAIL TO CONNECT BOARD ON /dev/ttyACM0", false},
                 {R"({"start": -1})", "ERROR: failed to start the concentrator", true}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.scenario);
        _setup.writeScenario(c.scenario);
        auto pService = runUntilItEnds();
        expectReportedFailure(*pService, c.message);
        // A failed connect comes before any configuration file is read.
        EXPECT_EQ(c.configurationHandedOver, pService->out().find(" INFO: found ") != std::string::npos);
        EXPECT_EQ(c.configurationHandedOver,
                  pService->err().find(" INFO: FSK channel enabled") != std::string::npos)
            << pService->err();
        EXPECT_EQ(std::string::npos, pService->err().find("concentrator started"));
        if (!c.configurationHandedOver)
        {
            EXPECT_EQ("", pService->err());
        }
    }
}

TEST_F(ConcentratorFaultsTest, FailedFetchComesAfterEveryPacketBeforeItWasDelivered)
{
    // A failed fetch is any negative count, not only -1; a count above the 16
    // records of the array delivers those 16 and never more.
    const struct
    {
        std::string scenario;
        std::size_t frames;
    } cases[] = {
        {numberedBatches(5, 3) + R"(, "receive_error_after": 5)", 15},
        {numberedBatches(2, 3) + R"(, "receive_results": [{"call": 3, "result": -2}])", 6},
        {numberedBatches(1, 16) +
             R"(, "receive_results": [{"call": 1, "result": 17}], "receive_error_after": 1)",
         16},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.scenario);
        _setup.writeScenario("{" + c.scenario + "}");
        FrameRecorder recorder(CONSUMER_SOCKET);
        auto pService = runUntilItEnds();
        const auto connections = recorder.finish();

        // The worker's last statistics line counts what it received and forwarded.
        const std::string count = std::to_string(c.frames) + "/" + std::to_string(c.frames);
        expectReportedFailure(*pService, "ERROR: failed fetching, exiting",
                              "received " + count + ", crc_ok " + count +
                                  ", crc_bad 0/0, no_crc 0/0, forwarded " + count +
                                  ", dropped 0/0, connects 1/1, send_failures 0/0");
        ASSERT_EQ(1u, connections.size());
        expectWholeDocuments(connections);
        const std::vector<std::string>& frames = connections[0].frames;
        ASSERT_EQ(c.frames, frames.size());
        for (std::size_t i = 0; i < frames.size(); ++i)
            EXPECT_NE(std::string::npos, frames[i].find("\"count_us\":\"" + std::to_string(i) + "\""))
                << frames[i];
    }
}

TEST_F(ConcentratorFaultsTest, FailedStopIsAWarningAndTheShutdownGoesOn)
{
    _setup.writeScenario(R"({"stop": -1, "generator": {"rate": 200, "seed": 2}})");
    FrameRecorder recorder(CONSUMER_SOCKET);
    auto pService = _setup.startAndWait();
    ASSERT_TRUE(waitFor([&] { return recorder.frameCount() >= 5; }));
    expectCleanEnd(*pService);
    const auto connections = recorder.finish();

    const std::vector<std::string> out = lines(pService->out());
    // Then the last statistics line and the worker's and the service's last lines.
    ASSERT_GE(out.size(), 4u);
    EXPECT_EQ(" WARNING: LoRaWANServer failed to stop concentrator plug-in successfully",
              withoutTimeStamp(out[out.size() - 4]));
    EXPECT_EQ(0u, withoutTimeStamp(out[out.size() - 3]).find(" INFO: statistics: "));
    // The socket is closed all the same: the consumer saw the end of the stream.
    expectWholeDocuments(connections);
}

} // namespace
