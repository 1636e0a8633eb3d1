//
// ShutdownUnderLoadTest.cpp
//
// SIGTERM at arbitrary moments of a heavy burst: the service still ends with
// status 0 and its two final lines, and the consumer holds complete frames
// only, its stream ending at a frame boundary.
//

#include "ReliabilityTestSupport.h"
#include "ServiceSetup.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <random>
#include <thread>

using namespace TestSupport;

namespace
{

const int RUNS = 8;
/// The moments are drawn from a fixed sequence, so that a failure can be rerun.
const unsigned MOMENT_SEED = 20240601;
const int LATEST_MOMENT_MS = 400;

class ShutdownUnderLoadTest : public ::testing::Test
{
protected:
    FixedPathsLock _lock;
    ServiceSetup _setup;
};

TEST_F(ShutdownUnderLoadTest, SigtermAtAnyMomentOfAHeavyBurstEndsCleanlyWithWholeFrames)
{
    _setup.writeScenario(HEAVY_TRAFFIC);
    std::mt19937 moments(MOMENT_SEED);
    std::uniform_int_distribution<int> delay(0, LATEST_MOMENT_MS);
    std::size_t delivered = 0;
    for (int run = 0; run < RUNS; ++run)
    {
        SCOPED_TRACE("run " + std::to_string(run));
        FrameRecorder recorder(CONSUMER_SOCKET);
        auto pService = _setup.startAndWait();
        // The first frames show that the burst is on; then any moment of it.
        ASSERT_TRUE(waitFor([&] { return recorder.frameCount() > 0; }));
        std::this_thread::sleep_for(Milliseconds(delay(moments)));
        expectCleanEnd(*pService);
        const auto connections = recorder.finish();

        EXPECT_EQ(1u, connections.size());
        expectWholeDocuments(connections);
        delivered += recorder.frameCount();
    }
    RecordProperty("frames", static_cast<int>(delivered));
}

} // namespace
