//
// ServiceLifecycleTest.cpp
//
// The service binary's start, single instance, shutdown and exit codes.
//

#include "ServiceSetup.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <ctime>
#include <unistd.h>

using namespace TestSupport;

namespace
{

using SystemMilliseconds = std::chrono::time_point<std::chrono::system_clock, Milliseconds>;

/// A zone five and a half hours east of UTC (POSIX counts west), and its offset.
const char* const TIME_ZONE = "IST-5:30";
const std::chrono::minutes TIME_ZONE_OFFSET{5 * 60 + 30};

SystemMilliseconds now()
{
    return std::chrono::time_point_cast<Milliseconds>(std::chrono::system_clock::now());
}

/// The moment a stamp "YYYY-MM-DD hh:mm:ss.mmm" of TIME_ZONE names.
SystemMilliseconds momentOf(const std::string& stamp)
{
    std::tm parts{};
    int milliseconds = 0;
    std::sscanf(stamp.c_str(), "%4d-%2d-%2d %2d:%2d:%2d.%3d", &parts.tm_year, &parts.tm_mon, &parts.tm_mday,
                &parts.tm_hour, &parts.tm_min, &parts.tm_sec, &milliseconds);
    parts.tm_year -= 1900;
    parts.tm_mon -= 1;
    const auto asIfUtc = std::chrono::system_clock::from_time_t(::timegm(&parts));
    return std::chrono::time_point_cast<Milliseconds>(asIfUtc - TIME_ZONE_OFFSET) +
           Milliseconds(milliseconds);
}

class ServiceLifecycleTest : public ::testing::Test
{
protected:
    FixedPathsLock _lock;
    ServiceSetup _setup;
};

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

TEST_F(ServiceLifecycleTest, LogLinesBeginWithTheLocalDateAndTimeToTheMillisecond)
{
    const SystemMilliseconds before = now();
    auto pService = _setup.startAndWait({}, {{"TZ", TIME_ZONE}});
    ASSERT_TRUE(pService->waitForOut("starting"));
    const SystemMilliseconds after = now();
    pService->signal(SIGTERM);
    ASSERT_TRUE(pService->waitForExit());

    const std::string first = lines(pService->out()).front();
    ASSERT_TRUE(hasTimeStamp(first)) << first;
    EXPECT_EQ(" LoRaWAN server, version: 200105A starting", withoutTimeStamp(first));
    const SystemMilliseconds stamped = momentOf(first);
    const Milliseconds slack(2000);
    EXPECT_GE(stamped, before - slack) << first;
    EXPECT_LE(stamped, after + slack) << first;
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
                                                             "--check-config",
                                                             "--format=FORM",
                                                             "ignored: tx_lut_*, lbt_cfg",
                                                             "  0   normal shutdown",
                                                             "  1   a configuration file",
                                                             "  2   --check-config: warnings only",
                                                             "  70  the application frame",
                                                             "  73  another instance runs",
                                                             "  75  a concentrator call",
                                                             "  78  the command line"};
        for (const std::string& part : expected)
            EXPECT_NE(std::string::npos, out.find(part)) << part << " missing in:\n" << out;
    }

    // The running instance still holds its lock (the lines of a refused start
    // are checked in InstanceRaceTest).
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
