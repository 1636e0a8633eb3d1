//
// WorkerStatusTest.cpp
//
// The backlog as STATUS= shows it: while frames wait for a consumer that is
// away, or more than a poll's worth wait.
//

#include "worker/WorkerStatus.h"

#include <gtest/gtest.h>

using LoRaWANServer::WorkerStatus;

TEST(WorkerStatusTest, BacklogShowsWhileFramesWaitForAConsumerAwayOrBehind)
{
    const WorkerStatus::Clock::time_point now = WorkerStatus::Clock::now();
    const struct
    {
        std::size_t frames;
        bool away;
        const char* text;
    } cases[] = {
        {0, false, ""},
        {16, false, ""},
        {0, true, ""},
        {17, false, "17 frames waiting"},
        {1, true, "consumer away 12 s, 1 frame waiting"},
        {600, true, "consumer away 12 s, 600 frames waiting"},
    };
    for (const auto& c : cases)
    {
        WorkerStatus status;
        status.backlog(c.frames,
                       c.away ? std::optional(now - std::chrono::milliseconds(12500)) : std::nullopt);
        EXPECT_EQ(c.text, status.backlogText(now)) << c.frames;
    }
}
