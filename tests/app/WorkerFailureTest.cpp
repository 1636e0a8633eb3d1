//
// WorkerFailureTest.cpp
//
// What the service does when its worker fails or hangs.
//

#include "ReliabilityTestSupport.h"
#include "ServiceSetup.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <unistd.h>

using namespace TestSupport;

namespace
{

class WorkerFailureTest : public ::testing::Test
{
protected:
    FixedPathsLock _lock;
    ServiceSetup _setup;
};

TEST_F(WorkerFailureTest, MissingConfigurationDirectoryVariableEndsTheServiceCleanly)
{
    auto pService = _setup.start({}, {{"MIREL_RUN", "<unset>"}});
    ASSERT_TRUE(pService->waitForExit());
    EXPECT_EQ(0, pService->exitStatus());
    EXPECT_NE(std::string::npos, pService->out().find("Poco::NotFoundException"));
    EXPECT_NE(std::string::npos, pService->out().find("MIREL_RUN"));
    EXPECT_EQ(" LoRaWAN server shuts down", withoutTimeStamp(lines(pService->out()).back()));
}

TEST_F(WorkerFailureTest, FrozenWorkerIsReportedAfterTheWaitAndTheProcessStillEnds)
{
    // A consumer that accepts but never reads: once the socket buffer is full
    // the worker blocks in a send and cannot see the stop notification.
    ConsumerSocket consumer(CONSUMER_SOCKET);
    _setup.writeScenario(R"({"generator": {"rate": 0, "burst": 16, "seed": 7}})");
    TempDir dir;
    const std::string pidFile = dir.file("lorawanserver.pid");
    auto pService = _setup.startAndWait({"--pidfile=" + pidFile});
    ASSERT_TRUE(consumer.accept());
    // Let the buffer fill up.
    ASSERT_FALSE(pService->waitForExit(Milliseconds(2000)));

    pService->signal(SIGTERM);
    ASSERT_TRUE(pService->waitForOut(" Thread is frozen!", Milliseconds(60000))) << pService->out();
    ASSERT_TRUE(pService->waitForOut(" LoRaWAN server shuts down"));
    const auto shutDown = std::chrono::steady_clock::now();
    ASSERT_TRUE(pService->waitForExit(Milliseconds(10000)));
    const auto took = std::chrono::steady_clock::now() - shutDown;
    EXPECT_EQ(0, pService->exitStatus());
    EXPECT_FALSE(pService->exitedBySignal());
    EXPECT_LT(took, std::chrono::seconds(5));

    const std::vector<std::string> out = lines(pService->out());
    ASSERT_GE(out.size(), 2u);
    EXPECT_EQ(" Thread is frozen!", withoutTimeStamp(out[out.size() - 2]));
    EXPECT_EQ(" LoRaWAN server shuts down", withoutTimeStamp(out.back()));
    EXPECT_EQ(std::string::npos, pService->out().find("Worker thread terminates"));
    // The process ends without its static destructors: the file must be gone all the same.
    EXPECT_NE(0, ::access(pidFile.c_str(), F_OK));
}

} // namespace
