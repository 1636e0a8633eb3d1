//
// BacklogSenderTest.cpp
//
// The backlog and its sender against a real Unix socket: what a full backlog
// drops, frames that leave only once the consumer has read them, a send the
// socket takes in part finished on the same connection, and a new connection
// that begins with the first frame the lost consumer had not read whole.
//

#include "worker/forwarding/BacklogSender.h"
#include "TestSupport.h"
#include "worker/forwarding/FrameBacklog.h"

#include <gtest/gtest.h>

using namespace LoRaWANServer;
using TestSupport::ConsumerSocket;
using TestSupport::Milliseconds;

namespace
{

const char FRAME_END = '\x0C';

std::string frame(std::size_t number, std::size_t size = 40)
{
    std::string text = std::to_string(number) + ":";
    text.resize(size, 'x');
    return text + FRAME_END;
}

std::vector<std::string> numbered(std::size_t first, std::size_t count, std::size_t size)
{
    std::vector<std::string> frames;
    for (std::size_t i = first; i < first + count; ++i)
        frames.push_back(frame(i, size).substr(0, size));
    return frames;
}

class BacklogSenderTest : public ::testing::Test
{
protected:
    BacklogSender::Step pump() { return _sender.pump(_backlog, FrameBacklog::Clock::now()); }

    void queue(std::size_t first, std::size_t count, std::size_t size)
    {
        for (std::size_t i = first; i < first + count; ++i)
            _backlog.push(frame(i, size), FrameBacklog::Clock::now());
    }

    TestSupport::TempDir _dir;
    std::string _path = _dir.file("consumer");
    FrameBacklog _backlog{1000, std::nullopt};
    BacklogSender _sender{_path};
};

TEST(FrameBacklogTest, FullBacklogDropsTheOldestFrameNotOnTheWireAndTooOldOnesExpire)
{
    const auto start = FrameBacklog::Clock::now();
    FrameBacklog backlog(3, std::chrono::seconds(10));
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(0u, backlog.push(frame(i), start));
    // Frame 0 whole and frame 1 in part are on the wire: frame 2 goes first, then the new one.
    backlog.sent(frame(0).size() + 5);
    EXPECT_EQ(1u, backlog.push(frame(3), start + std::chrono::seconds(5)));
    EXPECT_EQ(1u, backlog.push(frame(4), start + std::chrono::seconds(6)));
    std::vector<std::string> held;
    backlog.forEach([&](std::string_view text) { held.emplace_back(text); });
    EXPECT_EQ((std::vector<std::string>{frame(0), frame(1), frame(4)}), held);
    // Nothing off the wire can make room: the new frame is the one dropped.
    backlog.sent(frame(1).size() + frame(4).size() - 5);
    EXPECT_EQ(1u, backlog.push(frame(5), start));
    EXPECT_EQ(3u, backlog.size());

    // Only frames off the wire expire; a lost connection puts every frame off it.
    EXPECT_EQ(0u, backlog.expire(start + std::chrono::seconds(60)));
    backlog.rewind();
    EXPECT_EQ(2u, backlog.expire(start + std::chrono::seconds(15)));
    EXPECT_EQ(1u, backlog.size());
}

TEST_F(BacklogSenderTest, FramesLeaveOnlyWhenTheConsumerHasReadTheirWholeSend)
{
    ConsumerSocket consumer(_path);
    queue(0, 3, 40);
    ASSERT_TRUE(pump().connected);
    ASSERT_TRUE(consumer.accept());
    EXPECT_EQ(0u, pump().delivered);

    // One send of three frames: read in part, the kernel holds all of it.
    consumer.limitReads(60);
    EXPECT_EQ(1u, consumer.readFrames(1, Milliseconds(1000)).size());
    EXPECT_EQ(0u, pump().delivered);
    EXPECT_EQ(3u, _backlog.size());
    consumer.limitReads(0);
    EXPECT_EQ(2u, consumer.readFrames(2, Milliseconds(1000)).size());
    EXPECT_EQ(3u, pump().delivered);
    EXPECT_TRUE(_backlog.empty());
}

TEST_F(BacklogSenderTest, SendTakenInPartIsFinishedOnTheSameConnectionBeforeAnythingElse)
{
    // Sixteen frames of 64 KiB are more than a socket takes at once.
    const std::size_t size = 65536;
    ConsumerSocket consumer(_path);
    queue(0, 16, size);
    ASSERT_TRUE(pump().connected);
    ASSERT_TRUE(consumer.accept());
    EXPECT_TRUE(_backlog.hasUnsent());
    queue(16, 4, size);

    std::vector<std::string> received;
    std::size_t delivered = 0;
    for (int round = 0; round < 100 && delivered < 20; ++round)
    {
        const std::vector<std::string> frames = consumer.readFrames(20 - received.size(), Milliseconds(50));
        received.insert(received.end(), frames.begin(), frames.end());
        const BacklogSender::Step step = pump();
        EXPECT_FALSE(step.connected);
        EXPECT_EQ("", step.failure);
        delivered += step.delivered;
    }
    EXPECT_EQ(numbered(0, 20, size), received);
    EXPECT_EQ(20u, delivered);
    EXPECT_EQ("", consumer.pending());
}

TEST_F(BacklogSenderTest, LostConsumerGetsWhatItHadNotReadWholeAgainFromAFrameBoundary)
{
    const std::size_t size = 1000;
    auto pConsumer = std::make_unique<ConsumerSocket>(_path);
    queue(0, 20, size);
    ASSERT_TRUE(pump().connected);
    ASSERT_TRUE(pConsumer->accept());
    // Frames 0 to 15 went in one send, 16 to 19 in the next; it reads 0 to 16
    // and half of 17, then goes.
    pConsumer->limitReads(size / 2);
    const std::size_t read = pConsumer->readFrames(17, Milliseconds(1000)).size();
    ASSERT_EQ(17u, read);
    EXPECT_EQ(16u, pump().delivered);
    pConsumer.reset();

    const BacklogSender::Step lost = pump();
    EXPECT_EQ("it closed the connection", lost.failure);
    EXPECT_EQ(4u, _backlog.size());
    pConsumer = std::make_unique<ConsumerSocket>(_path);
    const BacklogSender::Step back = pump();
    EXPECT_TRUE(back.connected);
    EXPECT_EQ(4u, back.resent);
    ASSERT_TRUE(pConsumer->accept());
    EXPECT_EQ(numbered(16, 4, size), pConsumer->readFrames(4, Milliseconds(1000)));
}

} // namespace
