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
            frames.emplace_back(std::string(frame.text), frame.offset);
    }
    return frames;
}

} // namespace

TEST(FrameSplitter, EveryCutOfTheStreamGivesTheSameFramesWithTheirOffsets)
{
    // Empty frames between terminators are frames too.
    const std::string stream = "abc\fdefgh\f\fij\f";
    const Frames expected = {{"abc", 0}, {"defgh", 4}, {"", 10}, {"ij", 11}};
    FrameSplitter whole;
    EXPECT_EQ(split(whole, stream), expected) << "all in one read";
    EXPECT_EQ(whole.pending(), 0u);
    for (std::size_t first = 1; first < stream.size(); ++first)
    {
        FrameSplitter splitter;
        EXPECT_EQ(split(splitter, stream, {first, 1}), expected) << "first piece " << first;
    }
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

TEST(FrameSplitter, FrameOfExactlyTheLimitIsAcceptedAndOneByteMoreRefusedWhereverItsTerminatorIs)
{
    const std::size_t limit = 64;
    FrameSplitter exact(limit);
    const std::string text(limit, 'x');
    EXPECT_EQ(split(exact, text + "\f", {limit}), (Frames{{text, 0}}));

    FrameSplitter sameRead(limit);
    const std::string stream = text + "x\f";
    sameRead.append(stream.data(), stream.size());
    FrameSplitter::Frame frame;
    EXPECT_EQ(sameRead.next(frame), FrameSplitter::Result::Oversize);

    FrameSplitter splitter(limit);
    splitter.append("ok\f", 3);
    splitter.append(stream.data(), stream.size() - 1);
    ASSERT_EQ(splitter.next(frame), FrameSplitter::Result::Frame);
    EXPECT_EQ(splitter.next(frame), FrameSplitter::Result::Oversize);
    EXPECT_EQ(splitter.pendingOffset(), 3u);
    // Refused for good: later bytes, terminator included, change nothing.
    splitter.append("\f{}\f", 4);
    EXPECT_EQ(splitter.next(frame), FrameSplitter::Result::Oversize);
    // Until a new stream starts at offset zero.
    splitter.reset();
    EXPECT_EQ(split(splitter, "ab\f"), (Frames{{"ab", 0}}));
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

TEST(FrameSplitter, LongFrameInManySmallPiecesIsFoundOnce)
{
    FrameSplitter splitter;
    const std::string stream = std::string(40000, 'y') + "\f";
    const Frames frames = split(splitter, stream, std::vector<std::size_t>(stream.size(), 1));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].first.size(), stream.size() - 1);
}
