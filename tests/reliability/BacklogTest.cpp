//
// BacklogTest.cpp
//
// Backlog mode through the real binary, the simulated concentrator with its
// 1024-byte receive buffer and real sockets. A consumer that is killed,
// absent at the start or stalled misses nothing the backlog holds, gets every
// frame whole and at most one send's frames twice, while the specified mode
// loses in the concentrator what a stall keeps it from polling; a slow
// consumer behind a small backlog misses exactly what the backlog counts as
// dropped; a SIGTERM during a stall keeps what is left for the next start;
// and a damaged backlog file gives its whole documents and nothing else.
//

#include "ReliabilityTestSupport.h"
#include "ServiceSetup.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <regex>
#include <set>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace TestSupport;

namespace
{

const std::size_t GENERATED = 1000;
const char* const AWAY_LINE = " WARNING: consumer away (";
const char* const BACK_LINE = " INFO: consumer back after ";
const char* const FAILURE_LINE = " in WorkerThread::work(): ";
/// The kernel frees a send only when all of it is read: a consumer that goes
/// may have read at most one send's frames that the service sends again.
const std::size_t MOST_DUPLICATES = 16;
const int USAGE_ERROR = 78;
const char FRAME_END = '\x0C';

const std::string DOCUMENT =
    R"({"type":"message_upstream","data":{"freq_hz":"868100000","if_chain":"0","status":"16",)"
    R"("count_us":"2208947364","rf_chain":"0","modulation":"16","bandwidth":"3","datarate":"2",)"
    R"("coderate":"1","rssi":"-57","snr":"9.5","snr_min":"7.25","snr_max":"11.75","crc":"4660",)"
    R"("size":"4","payload":"40123456"}})";

/// Every frame the connections brought, and each distinct one.
struct Delivery
{
    std::size_t frames = 0;
    std::set<std::string> distinct;

    void add(const std::vector<FrameRecorder::Connection>& connections)
    {
        for (const FrameRecorder::Connection& connection : connections)
        {
            frames += connection.frames.size();
            distinct.insert(connection.frames.begin(), connection.frames.end());
        }
    }
};

class BacklogTest : public ::testing::Test
{
protected:
    BacklogTest() { _backlogFile = _dir.file("backlog"); }

    /// The generator at 500 packets a second, 1.5 a poll, recorded.
    void generate(std::size_t count)
    {
        _setup.writeScenario(R"({"generator": {"rate": 500, "seed": 7, "count": )" + std::to_string(count) +
                             R"(}, "record": ")" + _setup.recordPath() + "\"}");
    }

    /// Packets the simulated concentrator lost because nobody polled.
    std::size_t lostInTheConcentrator() const
    {
        static const std::regex OVERFLOW("\"event\":\"overflow\",\"lost\":([0-9]+)");
        const std::string record = readFile(_setup.recordPath());
        std::size_t lost = 0;
        for (std::sregex_iterator at(record.begin(), record.end(), OVERFLOW), end; at != end; ++at)
            lost += std::stoul((*at)[1]);
        return lost;
    }

    /// The total of a count in the last statistics line.
    static unsigned long total(const std::string& out, const std::string& name)
    {
        const std::size_t line = out.rfind(" INFO: statistics: ");
        if (line == std::string::npos)
            return 0;
        const std::string text = out.substr(line, out.find('\n', line) - line);
        const std::smatch count = search(text, " " + name + " [0-9]+/([0-9]+)");
        return count.empty() ? 0 : std::stoul(count[1]);
    }

    static std::smatch search(const std::string& text, const std::string& pattern)
    {
        std::smatch match;
        std::regex_search(text, match, std::regex(pattern));
        return match;
    }

    FixedPathsLock _lock;
    ServiceSetup _setup;
    TempDir _dir;
    std::string _backlogFile;
};

TEST_F(BacklogTest, ConsumerKilledAbsentOrStalledMissesNothingTheBacklogHoldsAndTheSpecifiedModeLoses)
{
    const auto kill = [](FrameRecorder& recorder)
    {
        ASSERT_TRUE(waitFor([&] { return recorder.frameCount() >= 200; }));
        // Its connection goes with whatever it had not read.
        recorder.stall(true);
        std::this_thread::sleep_for(Milliseconds(100));
        recorder.dropConnection();
        recorder.stall(false);
    };
    const auto stall = [](FrameRecorder& recorder)
    {
        ASSERT_TRUE(waitFor([&] { return recorder.frameCount() >= 100; }));
        recorder.stall(true);
        std::this_thread::sleep_for(Milliseconds(1000));
        recorder.stall(false);
    };
    const struct
    {
        const char* name;
        bool backlog;
        bool listensFirst;
        std::function<void(FrameRecorder&)> act;
        std::size_t awayLines;
    } cases[] = {
        {"killed mid-stream", true, true, kill, 1},
        {"absent at the start", true, false, [](FrameRecorder&) {}, 1},
        {"stalled, then reading", true, true, stall, 0},
        {"stalled, specified mode", false, true, stall, 0},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        generate(GENERATED);
        std::unique_ptr<FrameRecorder> pRecorder;
        if (c.listensFirst)
            pRecorder.reset(new FrameRecorder(CONSUMER_SOCKET));
        auto pService = _setup.startAndWait(c.backlog ? std::vector<std::string>{"--backlog=5000"}
                                                      : std::vector<std::string>{});
        if (!c.listensFirst)
        {
            std::this_thread::sleep_for(Milliseconds(500));
            pRecorder.reset(new FrameRecorder(CONSUMER_SOCKET));
        }
        c.act(*pRecorder);
        ASSERT_TRUE(waitFor([&] { return pRecorder->frameCount() + lostInTheConcentrator() >= GENERATED; }))
            << pRecorder->frameCount() << " frames, " << lostInTheConcentrator() << " lost";
        std::this_thread::sleep_for(Milliseconds(200));
        expectCleanEnd(*pService);
        const auto connections = pRecorder->finish();
        Delivery delivery;
        delivery.add(connections);

        // Every connection begins and ends with a whole frame.
        expectWholeDocuments(connections);
        EXPECT_EQ(GENERATED, delivery.distinct.size() + lostInTheConcentrator());
        EXPECT_LE(delivery.frames - delivery.distinct.size(), MOST_DUPLICATES);
        const std::string out = pService->out();
        EXPECT_EQ(0u, countOf(out, FAILURE_LINE)) << out;
        EXPECT_EQ(c.awayLines, countOf(out, AWAY_LINE)) << out;
        EXPECT_EQ(c.awayLines, countOf(out, BACK_LINE)) << out;
        if (c.backlog)
        {
            EXPECT_EQ(0u, lostInTheConcentrator());
        }
        else
        {
            // The worker waited in its send while the concentrator's 1024 bytes overflowed.
            EXPECT_GT(lostInTheConcentrator(), 0u);
        }
    }
}

TEST_F(BacklogTest, SlowConsumerBehindASmallBacklogMissesExactlyWhatTheBacklogDrops)
{
    generate(GENERATED);
    FrameRecorder recorder(CONSUMER_SOCKET);
    recorder.readSlowly(true);
    auto pService = _setup.startAndWait({"--backlog=50", "--stats-interval=1"});
    // The traffic is over when a line counts all of it.
    ASSERT_TRUE(waitFor([&] { return total(pService->out(), "received") == GENERATED; }));
    recorder.readSlowly(false);
    ASSERT_TRUE(waitFor([&] { return total(pService->out(), "forwarded") == recorder.frameCount(); }));
    ASSERT_TRUE(waitFor(
        [&] {
            return total(pService->out(), "forwarded") + total(pService->out(), "dropped_overflow") ==
                   GENERATED;
        }));
    expectCleanEnd(*pService);
    Delivery delivery;
    delivery.add(recorder.finish());

    const std::string out = pService->out();
    const unsigned long dropped = total(out, "dropped_overflow");
    EXPECT_GT(dropped, 0u);
    EXPECT_EQ(GENERATED, delivery.distinct.size() + dropped);
    EXPECT_EQ(delivery.frames, delivery.distinct.size());
    EXPECT_EQ(0u, lostInTheConcentrator());
    EXPECT_EQ(0u, countOf(out, AWAY_LINE)) << out;
}

TEST_F(BacklogTest, SigtermDuringAStallKeepsWhatIsLeftForTheNextStartWhichSendsItFirstAndOnce)
{
    generate(GENERATED);
    const std::vector<std::string> args = {"--backlog=5000", "--backlog-file=" + _backlogFile,
                                           "--stats-interval=1"};
    Delivery delivery;
    {
        FrameRecorder recorder(CONSUMER_SOCKET);
        auto pService = _setup.startAndWait(args);
        ASSERT_TRUE(waitFor([&] { return recorder.frameCount() >= 100; }));
        recorder.stall(true);
        // The stop comes once all packets have arrived, while the consumer still stalls.
        ASSERT_TRUE(waitFor([&] { return total(pService->out(), "received") == GENERATED; }));
        expectCleanEnd(*pService);
        EXPECT_NE(std::string::npos, pService->out().find(" kept in " + _backlogFile)) << pService->out();
        recorder.stall(false);
        delivery.add(recorder.finish());
    }
    struct stat status;
    ASSERT_EQ(0, ::stat(_backlogFile.c_str(), &status));
    EXPECT_EQ(0600u, status.st_mode & 07777u);
    const std::size_t kept = countOf(readFile(_backlogFile), std::string(1, FRAME_END));
    EXPECT_EQ(GENERATED, delivery.distinct.size() + kept);

    _setup.writeScenario(R"({"batches": []})");
    FrameRecorder recorder(CONSUMER_SOCKET);
    auto pService = _setup.startAndWait(args);
    ASSERT_TRUE(waitFor([&] { return recorder.frameCount() >= kept; }));
    expectCleanEnd(*pService);
    delivery.add(recorder.finish());
    EXPECT_NE(std::string::npos,
              pService->out().find(" held " + std::to_string(kept) + " frames left by an earlier run"))
        << pService->out();
    EXPECT_NE(0, ::access(_backlogFile.c_str(), F_OK));
    EXPECT_EQ(GENERATED, delivery.distinct.size());
    EXPECT_EQ(GENERATED, delivery.frames);
}

TEST_F(BacklogTest, DamagedOrCutBacklogFileGivesItsWholeDocumentsAndNothingElse)
{
    const std::string frame = DOCUMENT + FRAME_END;
    const std::string other = R"({"type":"message_upstream","data":{"freq_hz":"1"}})";
    const struct
    {
        const char* name;
        std::string content;
        std::size_t whole;
        std::size_t damaged;
    } cases[] = {
        {"cut in a document", frame + frame + DOCUMENT.substr(0, 100), 2, 1},
        {"bytes damaged between documents", frame + "{\"type\xff" + FRAME_END + frame, 2, 1},
        {"another document, an empty piece", frame + other + FRAME_END + FRAME_END, 1, 2},
        {"empty", "", 0, 0},
    };
    _setup.writeScenario(R"({"batches": []})");
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        writeFile(_backlogFile, c.content);
        FrameRecorder recorder(CONSUMER_SOCKET);
        auto pService = _setup.startAndWait({"--backlog=100", "--backlog-file=" + _backlogFile});
        ASSERT_TRUE(waitFor([&] { return recorder.frameCount() >= c.whole; }));
        std::this_thread::sleep_for(Milliseconds(200));
        expectCleanEnd(*pService);
        const auto connections = recorder.finish();

        EXPECT_EQ(c.whole, recorder.frameCount());
        for (const auto& connection : connections)
            for (const std::string& delivered : connection.frames)
                EXPECT_EQ(DOCUMENT, delivered);
        const std::string out = pService->out();
        EXPECT_NE(std::string::npos, out.find(" held " + std::to_string(c.whole) + " frame")) << out;
        EXPECT_EQ(c.damaged > 0, out.find(" and " + std::to_string(c.damaged) + " damaged or cut pieces") !=
                                     std::string::npos)
            << out;
        EXPECT_NE(0, ::access(_backlogFile.c_str(), F_OK));
    }
}

TEST_F(BacklogTest, OptionsOutOfRangeOrWithoutABacklogAreRefused)
{
    const std::vector<std::vector<std::string>> cases = {
        {"--backlog=-1"},
        {"--backlog=many"},
        {"--backlog=1000001"},
        {"--backlog=10", "--backlog-age=0"},
        {"--backlog-file=" + _backlogFile},
        {"--backlog-age=60"},
    };
    for (const auto& args : cases)
    {
        SCOPED_TRACE(args.back());
        auto pService = _setup.start(args);
        ASSERT_TRUE(pService->waitForExit());
        EXPECT_EQ(USAGE_ERROR, pService->exitStatus());
        EXPECT_EQ(std::string::npos, pService->out().find("starting"));
    }
}

} // namespace
