//
// InstanceRaceTest.cpp
//
// Single instance under a race: many starts of the real service released at
// the same moment leave exactly one running, and every other one exits with
// status 73 naming the one that runs.
//

#include "ReliabilityTestSupport.h"
#include "ServiceSetup.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace TestSupport;

namespace
{

const int STARTS = 20;
const int ROUNDS = 3;
const int EXIT_ALREADY_RUNNING = 73;

class InstanceRaceTest : public ::testing::Test
{
protected:
    FixedPathsLock _lock;
    ServiceSetup _setup;
    TempDir _dir;
};

TEST_F(InstanceRaceTest, SimultaneousStartsLeaveExactlyOneRunningAndTheOthersNameIt)
{
    // Each start waits in its shell for a shared lock on the gate while the
    // test holds it exclusively; releasing it lets them all become the service at once.
    const std::string gate = _dir.file("gate");
    const int gateFd = ::open(gate.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(gateFd, 0);
    const std::string script = "flock --shared " + gate + " true && exec " + binaryPath("lorawanserver");
    for (int round = 0; round < ROUNDS; ++round)
    {
        SCOPED_TRACE("round " + std::to_string(round));
        ASSERT_EQ(0, ::flock(gateFd, LOCK_EX));
        std::vector<std::unique_ptr<ChildProcess>> starts;
        for (int i = 0; i < STARTS; ++i)
            starts.push_back(std::make_unique<ChildProcess>("/bin/sh", std::vector<std::string>{"-c", script},
                                                            _setup.environment()));
        ASSERT_EQ(0, ::flock(gateFd, LOCK_UN));

        std::vector<ChildProcess*> running;
        waitFor(
            [&]
            {
                running.clear();
                for (const auto& pStart : starts)
                {
                    if (!pStart->waitForExit(Milliseconds(0)))
                        running.push_back(pStart.get());
                }
                return running.size() <= 1;
            });
        ASSERT_EQ(1u, running.size());
        ChildProcess& winner = *running.front();
        for (const auto& pStart : starts)
        {
            if (pStart.get() == &winner)
                continue;
            EXPECT_FALSE(pStart->exitedBySignal());
            EXPECT_EQ(EXIT_ALREADY_RUNNING, pStart->exitStatus()) << pStart->out();
            const std::vector<std::string> out = lines(pStart->out());
            ASSERT_EQ(3u, out.size()) << pStart->out();
            EXPECT_TRUE(hasTimeStamp(out[0])) << out[0];
            EXPECT_EQ(" LoRaWAN Server is already running!", withoutTimeStamp(out[0]));
            EXPECT_EQ("  This PID: " + std::to_string(pStart->pid()), out[1]);
            EXPECT_EQ("  Other PID: " + std::to_string(winner.pid()), out[2]);
            EXPECT_EQ("", pStart->err());
        }

        // The one that runs is a whole service: it starts and stops cleanly.
        ASSERT_TRUE(winner.waitForErr("concentrator started"));
        expectCleanEnd(winner);
    }
    ::close(gateFd);
}

} // namespace
