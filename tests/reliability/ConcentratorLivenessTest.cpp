//
// ConcentratorLivenessTest.cpp
//
// The real service on a concentrator that goes quiet, hangs or goes away: a
// quiet one is probed, a call that does not return ends the process with
// status 75 at its deadline, a vanished one ends the worker without the
// frozen-worker wait.
//

#include "ReliabilityTestSupport.h"
#include "ServiceSetup.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <optional>

using namespace TestSupport;

namespace
{

using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

const char* const PROBE_CALL = "\"call\":\"lgw_get_trigcnt\"";
const char* const HUNG = "\"hung\":true";
const int EXIT_CONCENTRATOR_HUNG = 75;

double secondsBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration_cast<Seconds>(to - from).count();
}

class ConcentratorLivenessTest : public ::testing::Test
{
protected:
    std::string record() const { return readFile(_setup.recordPath()); }

    std::string recordMember() const { return ", \"record\": \"" + _setup.recordPath() + "\""; }

    /// Waits until the record holds text; returns when the test saw it.
    std::optional<Clock::time_point> waitForRecord(const std::string& text, std::size_t occurrences = 1,
                                                   Milliseconds limit = PATIENCE) const
    {
        if (!waitFor([&] { return countOf(record(), text) >= occurrences; }, limit))
            return std::nullopt;
        return Clock::now();
    }

    /// Expects the service to have ended by the watchdog: status 75 and, as
    /// its last line, the stamped line naming function and its deadline.
    static void expectHungCallEnd(const ChildProcess& service, const std::string& function, int deadline)
    {
        EXPECT_FALSE(service.exitedBySignal());
        EXPECT_EQ(EXIT_CONCENTRATOR_HUNG, service.exitStatus());
        const std::vector<std::string> out = lines(service.out());
        ASSERT_FALSE(out.empty());
        EXPECT_TRUE(hasTimeStamp(out.back())) << out.back();
        EXPECT_EQ(" ERROR: concentrator call " + function + " has not returned for " +
                      std::to_string(deadline) + " s, exiting",
                  withoutTimeStamp(out.back()));
        EXPECT_EQ(std::string::npos, service.out().find("shuts down"));
    }

    FixedPathsLock _lock;
    ServiceSetup _setup;
};

TEST_F(ConcentratorLivenessTest, QuietConcentratorIsProbedAboutEvery5sAndNeverWhilePacketsFlow)
{
    // A packet at every poll for about 3 s, then nothing.
    const std::size_t packets = 1000;
    _setup.writeScenario(R"({"generator": {"rate": 0, "burst": 1, "seed": 3, "count": )" +
                         std::to_string(packets) + "}" + recordMember() + "}");
    FrameRecorder recorder(CONSUMER_SOCKET);
    auto pService = _setup.startAndWait();
    ASSERT_TRUE(waitFor([&] { return recorder.frameCount() >= packets; }));
    const Clock::time_point lastPacket = Clock::now();
    EXPECT_EQ(0u, countOf(record(), PROBE_CALL)) << "probed while packets flowed";

    const auto firstProbe = waitForRecord(PROBE_CALL, 1);
    const auto secondProbe = waitForRecord(PROBE_CALL, 2);
    ASSERT_TRUE(firstProbe && secondProbe);
    EXPECT_NEAR(5.0, secondsBetween(lastPacket, *firstProbe), 1.0);
    EXPECT_NEAR(5.0, secondsBetween(*firstProbe, *secondProbe), 1.0);
    // A probe that succeeds logs nothing.
    expectCleanEnd(*pService);
    EXPECT_EQ(std::string::npos, pService->out().find("lgw_get_trigcnt"));
    EXPECT_EQ(packets, recorder.frameCount());
}

TEST_F(ConcentratorLivenessTest, StallDuringReceiveEndsWithTheLineAndStatus75AtTheDeadline)
{
    _setup.writeScenario("{" + numberedBatches(1, 3) + R"(, "stall_after_ms": 1000)" + recordMember() + "}");
    FrameRecorder recorder(CONSUMER_SOCKET);
    auto pService = _setup.start();
    const auto hung = waitForRecord(HUNG);
    ASSERT_TRUE(hung);
    ASSERT_TRUE(pService->waitForExit());
    const double took = secondsBetween(*hung, Clock::now());
    const auto connections = recorder.finish();

    expectHungCallEnd(*pService, "lgw_receive", 5);
    EXPECT_GE(took, 4.5);
    EXPECT_LE(took, 6.0);
    ASSERT_EQ(1u, connections.size());
    EXPECT_EQ(3u, connections[0].frames.size());
    expectWholeDocuments(connections);
}

TEST_F(ConcentratorLivenessTest, UnpluggedConcentratorEndsTheWorkerWithoutTheFrozenWorkerWait)
{
    _setup.writeScenario("{" + numberedBatches(1, 3) + R"(, "unplug_after_ms": 1000)" + recordMember() + "}");
    FrameRecorder recorder(CONSUMER_SOCKET);
    auto pService = _setup.startAndWait();
    const Clock::time_point started = Clock::now();
    ASSERT_TRUE(pService->waitForExit());
    const double took = secondsBetween(started, Clock::now());
    const auto connections = recorder.finish();

    EXPECT_FALSE(pService->exitedBySignal());
    EXPECT_EQ(0, pService->exitStatus());
    // Noticed by the first probe, 5 s after the last packet.
    EXPECT_GE(took, 4.0);
    EXPECT_LE(took, 8.0);
    const std::vector<std::string> out = lines(pService->out());
    ASSERT_GE(out.size(), 3u);
    EXPECT_NE(std::string::npos,
              out[out.size() - 3].find(
                  "Invalid access: ERROR: failed probing the concentrator (lgw_get_trigcnt), exiting"))
        << out[out.size() - 3];
    EXPECT_NE(std::string::npos, out[out.size() - 2].find(" ADVICE: the concentrator stopped answering"));
    EXPECT_EQ(" LoRaWAN server shuts down", withoutTimeStamp(out.back()));
    EXPECT_EQ(std::string::npos, pService->out().find("Thread is frozen!"));
    // lgw_stop would never return on a board that is gone.
    EXPECT_EQ(std::string::npos, record().find("\"call\":\"lgw_stop\""));
    ASSERT_EQ(1u, connections.size());
    EXPECT_EQ(3u, connections[0].frames.size());
    expectWholeDocuments(connections);
}

TEST_F(ConcentratorLivenessTest, TerminationRequestWhileACallHangsEndsAtThatCallsDeadline)
{
    // A stall hangs the receive the worker is in; a board that is gone hangs
    // the lgw_stop that the stop request leads to.
    const struct
    {
        const char* fault;
        const char* function;
        int deadline;
    } cases[] = {{"stall_after_ms", "lgw_receive", 5}, {"unplug_after_ms", "lgw_stop", 10}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.fault);
        _setup.writeScenario(std::string("{\"") + c.fault + "\": 500" + recordMember() + "}");
        auto pService = _setup.startAndWait();
        ASSERT_FALSE(pService->waitForExit(Milliseconds(1000)));
        pService->signal(SIGTERM);
        const auto hung = waitForRecord(std::string("\"call\":\"") + c.function + "\"," + HUNG);
        ASSERT_TRUE(hung);
        ASSERT_TRUE(pService->waitForExit());
        const double took = secondsBetween(*hung, Clock::now());

        expectHungCallEnd(*pService, c.function, c.deadline);
        EXPECT_LE(took, c.deadline + 1.0);
        EXPECT_EQ(std::string::npos, pService->out().find("Thread is frozen!"));
    }
}

} // namespace
