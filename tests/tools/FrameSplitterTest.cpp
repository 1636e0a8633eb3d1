//
// FrameSplitterTest.cpp
//
// Tests of FrameSplitter: frames out of a stream cut anywhere, and the size limit.
//

#include "tools/listen/FrameSplitter.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using LoRaWANListen::FrameSplitter;

namespace
{

using Frames = std::vector<std::pair<std::string, std::uint64_t>>;

// Feeds the stream in pieces of the given sizes (the rest in one piece) and
// collects every frame with its offset.
Frames split(FrameSplitter& splitter, const std::string& stream, const std::vector<std::size_t>& pieces = {})
{
    Frames frames;
    std::size_t position = 0;
    std::size_t piece = 0;
    while (position < stream.size())
    {
        const std::size_t length = piece < pieces.size() ? pieces[piece++] : stream.size() - position;
        splitter.append(stream.data() + position, std::min(length, stream.size() - position));
        position += length;
        FrameSplitter::Frame frame;
        while (splitter.next(frame) == FrameSplitter::Result::Frame)
        {
            frames.emplace_back(std::string(frame.text), frame.offset);
        }
    }
    return frames;
}

} // namespace

TEST(FrameSplitter, SeveralFramesInOneReadComeOutInOrderWithTheirOffsets)
{
    FrameSplitter splitter;
    const Frames frames = split(splitter, "{\"a\":1}\f{\"b\":22}\f{}\f");
    EXPECT_EQ(frames, (Frames{{"{\"a\":1}", 0}, {"{\"b\":22}", 8}, {"{}", 17}}));
    EXPECT_EQ(splitter.pending(), 0u);
}

TEST(FrameSplitter, FrameCutAcrossReadsComesOutWhole)
{
    FrameSplitter splitter;
    const Frames frames = split(splitter, "{\"type\":\"x\"}\f{\"data\":1}\f", {1, 2, 3, 10, 1, 1, 7});
    EXPECT_EQ(frames, (Frames{{"{\"type\":\"x\"}", 0}, {"{\"data\":1}", 13}}));
}

TEST(FrameSplitter, EveryCutOfTheStreamGivesTheSameFrames)
{
    const std::string stream = "abc\fdefgh\f\fij\f";
    const Frames expected = {{"abc", 0}, {"defgh", 4}, {"", 10}, {"ij", 11}};
    for (std::size_t first = 1; first < stream.size(); ++first)
    {
        FrameSplitter splitter;
        EXPECT_EQ(split(splitter, stream, {first, 1}), expected) << "first piece " << first;
    }
}

TEST(FrameSplitter, EmptyFrameBetweenTwoTerminatorsIsAFrame)
{
    FrameSplitter splitter;
    EXPECT_EQ(split(splitter, "\f\f"), (Frames{{"", 0}, {"", 1}}));
}

TEST(FrameSplitter, UnfinishedFrameStaysPendingWithItsOffset)
{
    FrameSplitter splitter;
    const Frames frames = split(splitter, "one\ftwo-unfinished");
    EXPECT_EQ(frames, (Frames{{"one", 0}}));
    EXPECT_EQ(splitter.pending(), 14u);
    EXPECT_EQ(splitter.pendingOffset(), 4u);
    EXPECT_EQ(splitter.streamSize(), 18u);
}

TEST(FrameSplitter, FrameOfExactlyTheLimitIsAccepted)
{
    const std::size_t limit = 64;
    FrameSplitter splitter(limit);
    const std::string text(limit, 'x');
    EXPECT_EQ(split(splitter, text + "\f", {limit}), (Frames{{text, 0}}));
}

TEST(FrameSplitter, FrameOverTheLimitIsRefusedBeforeItsTerminatorArrives)
{
    const std::size_t limit = 64;
    FrameSplitter splitter(limit);
    splitter.append("ok\f", 3);
    const std::string text(limit + 1, 'x');
    splitter.append(text.data(), text.size());
    FrameSplitter::Frame frame;
    ASSERT_EQ(splitter.next(frame), FrameSplitter::Result::Frame);
    EXPECT_EQ(splitter.next(frame), FrameSplitter::Result::Oversize);
    EXPECT_EQ(splitter.pendingOffset(), 3u);
    // Refused for good: later bytes, terminator included, change nothing.
    splitter.append("\f{}\f", 4);
    EXPECT_EQ(splitter.next(frame), FrameSplitter::Result::Oversize);
}

TEST(FrameSplitter, FrameOverTheLimitIsRefusedEvenWithItsTerminatorInTheSameRead)
{
    const std::size_t limit = 64;
    FrameSplitter splitter(limit);
    const std::string stream = std::string(limit + 1, 'x') + "\f";
    splitter.append(stream.data(), stream.size());
    FrameSplitter::Frame frame;
    EXPECT_EQ(splitter.next(frame), FrameSplitter::Result::Oversize);
}

TEST(FrameSplitter, DefaultLimitIs64KiB)
{
    FrameSplitter splitter;
    const std::string largest(64 * 1024, 'x');
    splitter.append(largest.data(), largest.size());
    FrameSplitter::Frame frame;
    EXPECT_EQ(splitter.next(frame), FrameSplitter::Result::NeedMore);
    splitter.append("x", 1);
    EXPECT_EQ(splitter.next(frame), FrameSplitter::Result::Oversize);
}

TEST(FrameSplitter, ResetStartsANewStreamAtOffsetZero)
{
    FrameSplitter splitter(8);
    splitter.append("0123456789", 10);
    FrameSplitter::Frame frame;
    ASSERT_EQ(splitter.next(frame), FrameSplitter::Result::Oversize);
    splitter.reset();
    EXPECT_EQ(split(splitter, "ab\f"), (Frames{{"ab", 0}}));
}

TEST(FrameSplitter, LongFrameInManySmallPiecesIsFoundOnce)
{
    FrameSplitter splitter;
    const std::string text(40000, 'y');
    const std::string stream = text + "\f";
    const Frames frames = split(splitter, stream, std::vector<std::size_t>(stream.size(), 1));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].first.size(), text.size());
}
