//
// ConsumerFaultsTest.cpp
//
// The real service against a consumer that is killed, restarted or stalled
// (an absent one is in ServiceStatisticsTest): the service never dies,
// delivers again as soon as a consumer is back, and every frame that arrives
// is one whole document.
//

#include "ReliabilityTestSupport.h"
#include "ServiceSetup.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <thread>

using namespace TestSupport;

namespace
{

const char* const FAILURE_LINE = " in WorkerThread::work(): ";
const Milliseconds STALL{1500};

class ConsumerFaultsTest : public ::testing::Test
{
protected:
    /// Starts the service against a recorder that accepts but never reads,
    /// and waits until the socket buffer is full and the worker waits in its send.
    std::unique_ptr<ChildProcess> startIntoAStall(FrameRecorder& recorder)
    {
        recorder.stall(true);
        auto pService = _setup.startAndWait();
        EXPECT_TRUE(waitFor([&] { return recorder.connectionCount() == 1; }));
        std::this_thread::sleep_for(STALL);
        EXPECT_FALSE(pService->waitForExit(Milliseconds(0)));
        return pService;
    }

    FixedPathsLock _lock;
    ServiceSetup _setup;
};

std::unique_ptr<ChildProcess> startListener(const std::vector<std::string>& args = {})
{
    std::vector<std::string> all = {"--format", "json"};
    all.insert(all.end(), args.begin(), args.end());
    return std::make_unique<ChildProcess>(binaryPath("lorawan-listen"), all,
                                          std::map<std::string, std::string>());
}

/// The complete lines lorawan-listen wrote: one document each.
std::vector<std::string> completeLines(const std::string& out)
{
    std::vector<std::string> result = lines(out);
    if (!out.empty() && out.back() != '\n')
        result.pop_back();
    return result;
}

TEST_F(ConsumerFaultsTest, ConsumerKilledMidStreamAndRestartedNeverHurtsTheService)
{
    _setup.writeScenario(HEAVY_TRAFFIC);
    auto pService = _setup.startAndWait();
    for (int round = 0; round < 3; ++round)
    {
        auto pListener = startListener();
        ASSERT_TRUE(waitFor([&] { return completeLines(pListener->out()).size() >= 100; }))
            << "round " << round << ": " << pListener->err();
        pListener->signal(SIGKILL);
        ASSERT_TRUE(pListener->waitForExit());
        for (const std::string& line : completeLines(pListener->out()))
            ASSERT_EQ("", documentProblem(line)) << "round " << round;
        EXPECT_EQ("", pListener->err()) << "round " << round; // no invalid frame reported
    }

    auto pLast = startListener({"--count", "1000", "--stats", "--timeout", "60"});
    ASSERT_TRUE(pLast->waitForExit());
    EXPECT_EQ(0, pLast->exitStatus()) << pLast->err();
    EXPECT_NE(std::string::npos, pLast->err().find("frames: 1000 (1000 valid, 0 invalid)")) << pLast->err();
    for (const std::string& line : completeLines(pLast->out()))
        ASSERT_EQ("", documentProblem(line));

    EXPECT_FALSE(pService->waitForExit(Milliseconds(200)));
    expectCleanEnd(*pService);
}

TEST_F(ConsumerFaultsTest, StalledConsumerThatReadsAgainGetsEveryPacketOnOneConnection)
{
    const std::size_t generated = 10000;
    _setup.writeScenario(R"({"buffer_bytes": 0, "generator": {"rate": 0, "burst": 16, "seed": 4, "count": )" +
                         std::to_string(generated) + "}}");
    FrameRecorder recorder(CONSUMER_SOCKET);
    auto pService = startIntoAStall(recorder);
    recorder.stall(false);
    // A sanitizer build on a loaded machine forwards a few hundred packets a second.
    ASSERT_TRUE(waitFor([&] { return recorder.frameCount() >= generated; }, Milliseconds(90000)))
        << recorder.frameCount();
    std::this_thread::sleep_for(Milliseconds(300));
    expectCleanEnd(*pService);
    const auto connections = recorder.finish();

    ASSERT_EQ(1u, connections.size());
    EXPECT_EQ(generated, connections[0].frames.size());
    EXPECT_EQ(0u, countOf(pService->out(), FAILURE_LINE)) << pService->out();
    expectWholeDocuments(connections);
}

TEST_F(ConsumerFaultsTest, StalledConsumerThatHangsUpIsReplacedByTheNextConnection)
{
    _setup.writeScenario(HEAVY_TRAFFIC);
    FrameRecorder recorder(CONSUMER_SOCKET);
    auto pService = startIntoAStall(recorder);
    // Hanging up with the buffer full fails the blocked send; the retry connects anew.
    recorder.dropConnection();
    recorder.stall(false);
    ASSERT_TRUE(waitFor([&] { return recorder.connectionCount() >= 2 && recorder.frameCount() >= 500; }))
        << recorder.frameCount();
    expectCleanEnd(*pService);
    expectWholeDocuments(recorder.finish());
    const std::string out = pService->out();
    ASSERT_GE(countOf(out, FAILURE_LINE), 1u);
    // EPIPE or ECONNRESET, whichever the kernel reports for the lost peer.
    EXPECT_TRUE(out.find("Error Code is: 32") != std::string::npos ||
                out.find("Error Code is: 104") != std::string::npos)
        << out;
}

} // namespace
