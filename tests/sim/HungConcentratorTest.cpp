//
// HungConcentratorTest.cpp
//
// A concentrator that stalls (every call blocks) or is unplugged (receive
// finds nothing, the probe fails, stop never returns) some time after its
// start: what each call does, what the record shows, and that a blocked call
// never keeps a signal or _exit from ending the process.
//

#include "SimTestSupport.h"

#include <algorithm>
#include <csignal>
#include <functional>
#include <future>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

using namespace SimTests;

namespace
{

// Long enough that the calls made right after the start come before it even
// on a busy machine.
const unsigned FAULT_AFTER_MS = 1000;
// How long a call must stay blocked to count as hanging.
const TestSupport::Milliseconds BLOCKED{200};

using Call = std::function<int()>;

class HungConcentrator : public SimTest
{
protected:
    void TearDown() override
    {
        // Releases the calls still blocked, so that their threads end.
        SimTest::TearDown();
        for (std::future<int>& call : _calls)
            EXPECT_EQ(LGW_HAL_ERROR, call.get());
    }

    // Starts the EU868 concentrator and waits until the fault's moment has passed.
    void startAndWaitForTheFault()
    {
        connectAndConfigure();
        const std::uint64_t faultMicros = monotonicMicros() + FAULT_AFTER_MS * 1000;
        std::uint32_t counter = 0;
        ASSERT_EQ(LGW_HAL_SUCCESS, lgw_get_trigcnt(&counter)) << "a call before the fault answers";
        TestSupport::waitFor([&] { return monotonicMicros() > faultMicros; });
    }

    // Makes the call on a thread of its own and expects it to stay blocked.
    void expectBlocked(const Call& call)
    {
        _calls.push_back(std::async(std::launch::async, call));
        EXPECT_EQ(std::future_status::timeout, _calls.back().wait_for(BLOCKED));
    }

    std::vector<std::future<int>> _calls;
};

int receiveOne()
{
    lgw_pkt_rx_s packets[LGW_PKT_FIFO_SIZE];
    return lgw_receive(LGW_PKT_FIFO_SIZE, packets);
}

int probe()
{
    std::uint32_t counter = 0;
    return lgw_get_trigcnt(&counter);
}

std::vector<std::string> lastRecorded(std::size_t count)
{
    const std::vector<std::string> recorded = TestSupport::withoutCallTimes(LoRaSim::recordedCalls());
    std::vector<std::string> last(recorded.end() - std::min(count, recorded.size()), recorded.end());
    std::sort(last.begin(), last.end());
    return last;
}

} // namespace

TEST_F(HungConcentrator, StalledConcentratorBlocksEveryCallAndTheRecordShowsEachOnEntry)
{
    loadScenario("{\"stall_after_ms\": " + std::to_string(FAULT_AFTER_MS) + "}");
    startAndWaitForTheFault();
    expectBlocked(receiveOne);
    expectBlocked(probe);
    expectBlocked(lgw_stop);
    expectBlocked([] { return lgw_connect("/dev/ttyACM0"); });
    EXPECT_EQ((std::vector<std::string>{
                  R"({"call":"lgw_connect","com_path":"/dev/ttyACM0","hung":true})",
                  R"({"call":"lgw_get_trigcnt","hung":true})",
                  R"({"call":"lgw_receive","hung":true})",
                  R"({"call":"lgw_stop","hung":true})",
              }),
              lastRecorded(4));
    // The control interface is not blocked with them.
    EXPECT_TRUE(LoRaSim::state().started);
}

TEST_F(HungConcentrator, UnpluggedConcentratorReceivesNothingFailsTheProbeAndNeverStops)
{
    LoRaSim::unplugAfter(FAULT_AFTER_MS);
    LoRaSim::queueDelayedBatch(FAULT_AFTER_MS, {packet(868100000, 4, 0x55)});
    startAndWaitForTheFault();
    std::vector<lgw_pkt_rx_s> packets;
    EXPECT_EQ(0, receive(packets)); // as when nothing arrived, though a packet waits
    EXPECT_EQ(LGW_HAL_ERROR, probe());
    EXPECT_EQ(LGW_HAL_ERROR, lgw_start());
    expectBlocked(lgw_stop);
    EXPECT_EQ((std::vector<std::string>{
                  R"({"call":"lgw_get_trigcnt","result":-1})",
                  R"({"call":"lgw_start","result":-1})",
                  R"({"call":"lgw_stop","hung":true})",
              }),
              lastRecorded(3));
}

TEST_F(HungConcentrator, BlockedCallKeepsNeitherASignalNorExitFromEndingTheProcess)
{
    // In a child whose only thread (for the signal) or main thread (for
    // _exit) hangs in lgw_receive.
    for (const bool bySignal : {true, false})
    {
        SCOPED_TRACE(bySignal ? "SIGTERM" : "_exit");
        const std::string recordPath = _dir.file(bySignal ? "signal.jsonl" : "exit.jsonl");
        loadScenario(R"({"stall_after_ms": 0, "record": ")" + recordPath + "\"}");
        const pid_t child = fork();
        ASSERT_NE(-1, child);
        if (child == 0)
        {
            connectAndConfigure();
            if (!bySignal)
            {
                std::thread(
                    []
                    {
                        std::this_thread::sleep_for(BLOCKED);
                        _exit(75);
                    })
                    .detach();
            }
            receiveOne();
            _exit(1);
        }
        EXPECT_TRUE(TestSupport::waitFor(
            [&] { return TestSupport::readFile(recordPath).find("\"hung\":true") != std::string::npos; }));
        if (bySignal)
            kill(child, SIGTERM);
        int status = 0;
        const bool ended = TestSupport::waitFor([&] { return waitpid(child, &status, WNOHANG) == child; });
        if (!ended)
        {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            ADD_FAILURE() << "the child did not end";
        }
        if (bySignal)
        {
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
        }
        else
        {
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 75) << status;
        }
        LoRaSim::reset();
    }
}
