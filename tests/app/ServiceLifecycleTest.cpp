//
// ServiceLifecycleTest.cpp
//
// The service binary's start, single instance, shutdown and exit codes.
//

#include "ServiceSetup.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <unistd.h>

using namespace TestSupport;

namespace
{

class ServiceLifecycleTest : public ::testing::Test
{
protected:
    FixedPathsLock _lock;
    ServiceSetup _setup;
};

TEST_F(ServiceLifecycleTest, SecondStartExits73WithThreeLinesAndLeavesTheFirstRunning)
{
    auto pFirst = _setup.startAndWait();
    ASSERT_TRUE(pFirst->waitForOut("LoRaWAN server, version: 200105A starting"));

    auto pSecond = _setup.start();
    ASSERT_TRUE(pSecond->waitForExit());
    EXPECT_EQ(73, pSecond->exitStatus());

    const std::vector<std::string> secondLines = lines(pSecond->out());
    ASSERT_EQ(3u, secondLines.size()) << pSecond->out();
    EXPECT_TRUE(hasTimeStamp(secondLines[0]));
    EXPECT_EQ(" LoRaWAN Server is already running!", withoutTimeStamp(secondLines[0]));
    EXPECT_EQ("  This PID: " + std::to_string(pSecond->pid()), secondLines[1]);
    EXPECT_EQ("  Other PID: " + std::to_string(pFirst->pid()), secondLines[2]);
    EXPECT_EQ("", pSecond->err());

    EXPECT_FALSE(pFirst->waitForExit(Milliseconds(300)));
    pFirst->signal(SIGTERM);
    ASSERT_TRUE(pFirst->waitForExit());
    EXPECT_EQ(0, pFirst->exitStatus());
}

TEST_F(ServiceLifecycleTest, SigtermSigintOrSigquitWhileIdleShutsDownCleanly)
{
    for (const int signalNumber : {SIGTERM, SIGINT, SIGQUIT})
    {
        SCOPED_TRACE("signal " + std::to_string(signalNumber));
        auto pService = _setup.startAndWait();
        ASSERT_TRUE(pService->waitForOut("starting"));

        const auto requested = std::chrono::steady_clock::now();
        pService->signal(signalNumber);
        ASSERT_TRUE(pService->waitForExit());
        const auto took = std::chrono::steady_clock::now() - requested;
        EXPECT_EQ(0, pService->exitStatus());
        // The worker notices the stop at its next 3 ms wait and the frame checks
        // every 100 ms; a few seconds leave room for a loaded machine.
        EXPECT_LT(took, std::chrono::seconds(5));

        const std::vector<std::string> out = lines(pService->out());
        ASSERT_GE(out.size(), 3u) << pService->out();
        EXPECT_EQ(" LoRaWAN server, version: 200105A starting", withoutTimeStamp(out[0]));
        EXPECT_EQ(" LoRaWANServer Worker thread terminates", withoutTimeStamp(out[out.size() - 2]));
        EXPECT_EQ(" LoRaWAN server shuts down", withoutTimeStamp(out.back()));
        EXPECT_TRUE(hasTimeStamp(out[out.size() - 2]));
        EXPECT_TRUE(hasTimeStamp(out.back()));
        EXPECT_EQ(std::string::npos, pService->out().find("Thread is frozen!"));
    }
}

TEST_F(ServiceLifecycleTest, TerminationRequestBeforeTheWorkerStartedStillEndsCleanly)
{
    // The request may arrive while the concentrator is still being set up.
    auto pService = _setup.start();
    ASSERT_TRUE(pService->waitForOut("starting"));
    pService->signal(SIGTERM);
    ASSERT_TRUE(pService->waitForExit());
    EXPECT_EQ(0, pService->exitStatus());
    EXPECT_NE(std::string::npos, pService->out().find(" LoRaWAN server shuts down"));
}

TEST_F(ServiceLifecycleTest, HelpAndVersionAnswerWithoutStartingAndLeaveARunningInstanceAlone)
{
    auto pRunning = _setup.startAndWait();
    ASSERT_TRUE(pRunning->waitForOut("starting"));

    for (const std::string option : {"--help", "-h", "--version"})
    {
        SCOPED_TRACE(option);
        auto pAnswer = _setup.start({option});
        ASSERT_TRUE(pAnswer->waitForExit());
        EXPECT_EQ(0, pAnswer->exitStatus());
        EXPECT_EQ("", pAnswer->err()); // the concentrator and its configuration stay untouched
        const std::string out = pAnswer->out();
        EXPECT_EQ(std::string::npos, out.find("starting"));
        const std::vector<std::string> expected =
            option == "--version" ? std::vector<std::string>{"lorawanserver 1.0.0, service version 200105A\n",
                                                             "concentrator: SIMULATED", "Version: 0.2.3;"}
                                  : std::vector<std::string>{"usage: lorawanserver [OPTIONS]",
                                                             "--daemon",
                                                             "--umask=mask",
                                                             "--pidfile=path",
                                                             "-h, --help",
                                                             "--version",
                                                             "MIREL_RUN",
                                                             "LORAGW_SIM",
                                                             "/lorawan/global_conf.json",
                                                             "/dev/shm/LoRaWANGatewayUnixSocket",
                                                             "/dev/shm/lorawanserver.lock",
                                                             "  73  another instance runs"};
        for (const std::string& part : expected)
            EXPECT_NE(std::string::npos, out.find(part)) << part << " missing in:\n" << out;
    }

    // The running instance still holds its lock.
    auto pSecond = _setup.start();
    ASSERT_TRUE(pSecond->waitForExit());
    EXPECT_EQ(73, pSecond->exitStatus());
    EXPECT_NE(std::string::npos, pSecond->out().find("  Other PID: " + std::to_string(pRunning->pid())));
    pRunning->signal(SIGTERM);
    ASSERT_TRUE(pRunning->waitForExit());
    EXPECT_EQ(0, pRunning->exitStatus());
}

TEST_F(ServiceLifecycleTest, UnknownOptionIsRefusedWith78AndAPointerToHelp)
{
    auto pService = _setup.start({"--no-such-option"});
    ASSERT_TRUE(pService->waitForExit());
    EXPECT_EQ(78, pService->exitStatus());
    EXPECT_FALSE(pService->exitedBySignal());
    EXPECT_EQ("Unknown option specified: no-such-option\nTry 'lorawanserver --help' for the options.\n",
              pService->err());
    EXPECT_EQ(std::string::npos, pService->out().find("starting"));
}

TEST_F(ServiceLifecycleTest, PidFileNamesOnlyTheRunningInstanceAndGoesWithEveryEnd)
{
    TempDir dir;
    const std::string pidFile = dir.file("lorawanserver.pid");
    auto pFirst = _setup.startAndWait({"--pidfile=" + pidFile});
    ASSERT_TRUE(pFirst->waitForOut("starting"));
    const std::string firstPid = std::to_string(pFirst->pid()) + "\n";
    EXPECT_EQ(firstPid, readFile(pidFile));

    // A refused start leaves the file of the running instance alone.
    auto pSecond = _setup.start({"--pidfile=" + pidFile});
    ASSERT_TRUE(pSecond->waitForExit());
    EXPECT_EQ(73, pSecond->exitStatus());
    EXPECT_EQ(firstPid, readFile(pidFile));

    pFirst->signal(SIGTERM);
    ASSERT_TRUE(pFirst->waitForExit());
    EXPECT_EQ(0, pFirst->exitStatus());
    EXPECT_NE(0, ::access(pidFile.c_str(), F_OK));

    // The configuration parser ends the process itself, with status 1.
    _setup.writeConfig("global_conf.json", "[1]");
    auto pBadConfig = _setup.start({"--pidfile=" + pidFile});
    ASSERT_TRUE(pBadConfig->waitForExit());
    EXPECT_EQ(1, pBadConfig->exitStatus()) << pBadConfig->out() << pBadConfig->err();
    EXPECT_NE(0, ::access(pidFile.c_str(), F_OK));
}

} // namespace
