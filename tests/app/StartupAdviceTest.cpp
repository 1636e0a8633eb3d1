//
// StartupAdviceTest.cpp
//
// Start-up failures through the real binary: each keeps the report the
// service has always given, and adds one line that says what to do.
//

#include "ReliabilityTestSupport.h"
#include "ServiceSetup.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <functional>

using namespace TestSupport;

namespace
{

const char* const GLOBAL = "global_conf.json";
const char* const ADVICE = " ADVICE: ";

class StartupAdviceTest : public ::testing::Test
{
protected:
    FixedPathsLock _lock;
    ServiceSetup _setup;
};

TEST_F(StartupAdviceTest, EachKnownStartupFailureIsReportedThenAdvisedOnce)
{
    const std::string global = _setup.configPath(GLOBAL);
    const struct
    {
        const char* name;
        std::function<void()> prepare;
        std::map<std::string, std::string> environment;
        std::string report;
        std::string advice;
        int status;
    } cases[] = {
        {"no MIREL_RUN",
         [] {},
         {{"MIREL_RUN", "<unset>"}},
         "Not found: MIREL_RUN, shutting down",
         "set MIREL_RUN to the folder that holds lorawan/global_conf.json",
         0},
        // One time stamp per line: the exception's text carries one of its own.
        {"no configuration file",
         [&] { _setup.removeConfig(GLOBAL); },
         {},
         "File exists: ERROR: failed to find any configuration file named " + global,
         "put global_conf.json, and local_conf.json for this gateway's own settings, in $MIREL_RUN/lorawan/",
         0},
        {"not JSON",
         [&] { _setup.writeConfig(GLOBAL, "{\n  \"SX1301_conf\": [1,,]}"); },
         {},
         " ERROR: " + global + " id not a valid JSON file",
         global + ": line 2, column 21: syntax error while parsing value",
         1},
        {"no concentrator",
         [&] { _setup.writeScenario(R"({"connect": -1})"); },
         {},
         "Invalid access: ERROR: FAIL TO CONNECT BOARD ON /dev/ttyACM0",
         "is the concentrator plugged in (/dev/ttyACM0), and may this user open it (group dialout)?",
         0},
        {"start fails",
         [&] { _setup.writeScenario(R"({"start": -1})"); },
         {},
         "Invalid access: ERROR: failed to start the concentrator",
         "check the configuration with lorawanserver --check-config",
         0},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        c.prepare();
        auto pService = _setup.start({}, c.environment);
        ASSERT_TRUE(pService->waitForExit());
        EXPECT_EQ(c.status, pService->exitStatus());
        EXPECT_NE(std::string::npos, (pService->out() + pService->err()).find(c.report)) << pService->out();
        std::vector<std::string> advice;
        for (const std::string& line : lines(pService->out()))
        {
            if (hasTimeStamp(line) && withoutTimeStamp(line).compare(0, 9, ADVICE) == 0)
                advice.push_back(withoutTimeStamp(line).substr(9));
        }
        ASSERT_EQ(1u, advice.size()) << pService->out();
        EXPECT_EQ(0u, advice[0].find(c.advice)) << advice[0];
        _setup.writeConfig(GLOBAL, EU868_CONFIGURATION);
        _setup.writeScenario(R"({"batches": []})");
    }
}

TEST_F(StartupAdviceTest, MakeRunStopsWhenAnotherConsumerHasTheSocket)
{
    ConsumerSocket foreign(CONSUMER_SOCKET);
    const std::string build = std::string(LORAWAN_BIN_DIR) + "/..";
    ChildProcess job(std::string(LORAWAN_SOURCE_DIR) + "/scripts/run-main-job", {build}, {});
    ASSERT_TRUE(job.waitForExit());
    EXPECT_EQ(1, job.exitStatus());
    EXPECT_NE(std::string::npos,
              job.err().find("another process listens on " + std::string(CONSUMER_SOCKET)));
    EXPECT_NE(std::string::npos,
              job.err().find("run-main-job: lorawan-listen could not take " + std::string(CONSUMER_SOCKET)))
        << job.err();
    EXPECT_EQ(std::string::npos, job.out().find("LoRaWAN server, version"));
}

} // namespace
