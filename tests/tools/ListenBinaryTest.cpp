//
// ListenBinaryTest.cpp
//
// Black-box tests of the lorawan-listen binary: a real socket under a
// temporary path, real clients, real signals and the exit statuses.
//

#include "ListenProcess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <memory>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace LoRaWANListenTest;

namespace
{

const std::string FormFeed = "\f";

class ListenBinary : public ::testing::Test
{
protected:
    std::vector<std::string> withSocket(std::vector<std::string> arguments) const
    {
        arguments.insert(arguments.begin(), {"--socket", socketPath()});
        return arguments;
    }

    std::string socketPath() const { return _directory.file("listen.sock"); }

    // Starts the tool and connects a client to it.
    int startAndConnect(std::unique_ptr<ListenProcess>& process, const std::vector<std::string>& arguments)
    {
        process = std::make_unique<ListenProcess>(_directory, withSocket(arguments));
        const int client = connectWhenListening(socketPath());
        EXPECT_GE(client, 0) << "nothing listened on " << socketPath() << "\n" << process->errors();
        return client;
    }

    static void finish(ListenProcess& process, int expectedStatus)
    {
        ASSERT_TRUE(process.waitForExit()) << "still running\n" << process.errors();
        EXPECT_TRUE(process.exitedWith(expectedStatus)) << "wait status " << process.rawStatus() << "\n"
                                                        << process.errors();
    }

    TemporaryDirectory _directory;
};

std::size_t lineCount(const std::string& text)
{
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

} // namespace

TEST_F(ListenBinary, DocumentsSentInPiecesArePrintedUnchangedOnePerLine)
{
    std::unique_ptr<ListenProcess> process;
    const int client = startAndConnect(process, {"--count", "3"});
    const std::string first = upstreamDocument(1);
    const std::string second = upstreamDocument(2, "");
    const std::string third = upstreamDocument(3, std::string(512, 'A'));
    const std::string stream = first + FormFeed + second + FormFeed + third + FormFeed;
    // Pieces of 1 to 97 bytes, with pauses so that they really arrive apart.
    std::size_t position = 0;
    for (std::size_t piece = 1; position < stream.size(); piece = piece * 3 % 97 + 1)
    {
        const std::size_t length = std::min(piece, stream.size() - position);
        sendAll(client, stream.substr(position, length));
        position += length;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    finish(*process, 0);
    ::close(client);
    EXPECT_EQ(process->output(), first + "\n" + second + "\n" + third + "\n");
    EXPECT_EQ(process->errors(), "");
}

TEST_F(ListenBinary, InvalidFrameIsReportedWithItsOffsetCountedAndSkipped)
{
    std::unique_ptr<ListenProcess> process;
    const int client = startAndConnect(process, {"--count", "4", "--stats"});
    const std::string good = upstreamDocument(7);
    sendAll(client, good + FormFeed + "{\"type\":\"message_upstream\"" + FormFeed + "[1,2]" + FormFeed +
                        good + FormFeed);
    finish(*process, 0);
    ::close(client);
    EXPECT_EQ(process->output(), good + "\n" + good + "\n");
    const std::string errors = process->errors();
    EXPECT_TRUE(contains(errors, "connection 1, byte offset " + std::to_string(good.size() + 1) +
                                     ": invalid frame of 26 bytes (not valid JSON"))
        << errors;
    EXPECT_TRUE(contains(errors, "byte offset " + std::to_string(good.size() + 28) +
                                     ": invalid frame of 5 bytes (not a JSON object), beginning \"[1,2]\""))
        << errors;
    EXPECT_TRUE(contains(errors, "frames: 4 (2 valid, 2 invalid)")) << errors;
}

TEST_F(ListenBinary, TableFormatShowsAHeaderAndOneLinePerPacket)
{
    std::unique_ptr<ListenProcess> process;
    const int client = startAndConnect(process, {"--count", "1", "--format", "table"});
    sendAll(client, upstreamDocument(1, "40C325022680BF03027A2A9402189674EF834E23F7CB6196") + FormFeed);
    finish(*process, 0);
    ::close(client);
    const std::string output = process->output();
    ASSERT_EQ(lineCount(output), 2u) << output;
    EXPECT_EQ(output.rfind("TIME ", 0), 0u) << output;
    EXPECT_TRUE(contains(output, " 868.100   0  0 LoRa SF7 BW125   4/5    -57    9.5 ok          24 "
                                 "UnconfUp DevAddr 260225C3 FCnt 959 FPort 2\n"))
        << output;
}

TEST_F(ListenBinary, TimeoutBeforeTheCountEndsWithStatusThree)
{
    std::unique_ptr<ListenProcess> process;
    const int client = startAndConnect(process, {"--count", "5", "--timeout", "0.5", "--stats"});
    sendAll(client, upstreamDocument(1) + FormFeed + upstreamDocument(2) + FormFeed);
    finish(*process, 3);
    ::close(client);
    EXPECT_EQ(lineCount(process->output()), 2u) << "frames before the time-out are still printed";
    EXPECT_TRUE(contains(process->errors(), "timed out")) << process->errors();
    EXPECT_TRUE(contains(process->errors(), "frames: 2 (2 valid, 0 invalid)")) << process->errors();
    EXPECT_FALSE(isSocket(socketPath()));
}

TEST_F(ListenBinary, TimeoutWithoutAnyConnectionEndsWithStatusThree)
{
    ListenProcess process(_directory, withSocket({"--timeout", "0.3"}));
    finish(process, 3);
}

TEST_F(ListenBinary, ConnectionsAreServedOneAfterAnother)
{
    std::unique_ptr<ListenProcess> process;
    const int first = startAndConnect(process, {"--count", "3", "--stats"});
    // The second client connects while the first is served; it waits its turn.
    const int second = connectWhenListening(socketPath());
    ASSERT_GE(second, 0);
    sendAll(second, upstreamDocument(3) + FormFeed);
    sendAll(first, upstreamDocument(1) + FormFeed + upstreamDocument(2) + FormFeed);
    ::close(first);
    finish(*process, 0);
    ::close(second);
    EXPECT_EQ(process->output(),
              upstreamDocument(1) + "\n" + upstreamDocument(2) + "\n" + upstreamDocument(3) + "\n");
    EXPECT_TRUE(contains(process->errors(), "connections: 2;")) << process->errors();
}

TEST_F(ListenBinary, OversizeFrameDropsTheConnectionAndTheNextIsAccepted)
{
    std::unique_ptr<ListenProcess> process;
    const int first = startAndConnect(process, {"--count", "1", "--stats"});
    sendAll(first, upstreamDocument(1).substr(0, 20) + std::string(70000, 'x'));
    EXPECT_TRUE(waitForPeerClose(first)) << "the tool must drop the connection";
    ::close(first);
    const int second = connectWhenListening(socketPath());
    sendAll(second, upstreamDocument(2) + FormFeed);
    finish(*process, 0);
    ::close(second);
    EXPECT_EQ(process->output(), upstreamDocument(2) + "\n");
    EXPECT_TRUE(contains(process->errors(),
                         "connection 1, byte offset 0: frame longer than 65536 bytes without a form feed"))
        << process->errors();
    EXPECT_TRUE(contains(process->errors(), "oversize frames: 1;")) << process->errors();
}

TEST_F(ListenBinary, ConnectionEndingInsideAFrameReportsTheDroppedBytes)
{
    std::unique_ptr<ListenProcess> process;
    const int first = startAndConnect(process, {"--count", "2"});
    const std::string good = upstreamDocument(1);
    sendAll(first, good + FormFeed + "{\"type\":");
    ::close(first);
    const int second = connectWhenListening(socketPath());
    sendAll(second, good + FormFeed);
    finish(*process, 0);
    ::close(second);
    EXPECT_EQ(lineCount(process->output()), 2u);
    EXPECT_TRUE(contains(process->errors(), "connection 1, byte offset " + std::to_string(good.size() + 1) +
                                                ": connection ended inside a frame; 8 bytes dropped"))
        << process->errors();
}

TEST_F(ListenBinary, LatencyIsMeasuredFromCountUsStampedWithThisMachinesClock)
{
    std::unique_ptr<ListenProcess> process;
    const int client = startAndConnect(process, {"--count", "3", "--stats"});
    for (int frame = 0; frame < 3; ++frame)
    {
        sendAll(client, upstreamDocument(monotonicMicroseconds32()) + FormFeed);
    }
    finish(*process, 0);
    ::close(client);
    EXPECT_TRUE(contains(process->errors(), "latency: p50 ")) << process->errors();
    EXPECT_TRUE(contains(process->errors(), "(3 of 3 packets)")) << process->errors();
}

TEST_F(ListenBinary, LatencyOfAnUnrelatedCounterIsNotMeasured)
{
    std::unique_ptr<ListenProcess> process;
    const int client = startAndConnect(process, {"--count", "1", "--stats"});
    sendAll(client, upstreamDocument(monotonicMicroseconds32() - 600000000u) + FormFeed);
    finish(*process, 0);
    ::close(client);
    EXPECT_TRUE(contains(process->errors(), "latency: not measured")) << process->errors();
}

TEST_F(ListenBinary, PeriodicStatisticsGoToStandardErrorWhileRunning)
{
    ListenProcess process(_directory, withSocket({"--stats-interval", "0.1"}));
    EXPECT_TRUE(waitUntil([&]() { return contains(process.errors(), "lorawan-listen statistics:"); }));
    process.signal(SIGTERM);
    finish(process, 0);
    EXPECT_EQ(process.output(), "");
}

TEST_F(ListenBinary, SigtermAndSigintRemoveTheSocketAndExitZero)
{
    for (int signalNumber : {SIGTERM, SIGINT})
    {
        std::unique_ptr<ListenProcess> process;
        const int client = startAndConnect(process, {});
        sendAll(client, upstreamDocument(1) + FormFeed);
        ASSERT_TRUE(waitUntil([&]() { return lineCount(process->output()) == 1; }))
            << "the line must reach a file reader while the tool waits";
        process->signal(signalNumber);
        finish(*process, 0);
        ::close(client);
        EXPECT_FALSE(isSocket(socketPath())) << "signal " << signalNumber;
        EXPECT_EQ(::access(socketPath().c_str(), F_OK), -1);
    }
}

TEST_F(ListenBinary, StaleSocketFileIsReplaced)
{
    const int stale = bindSocketAt(socketPath());
    ASSERT_GE(stale, 0);
    ::close(stale); // the file stays; nobody listens behind it
    ASSERT_TRUE(isSocket(socketPath()));

    std::unique_ptr<ListenProcess> process;
    const int client = startAndConnect(process, {"--count", "1"});
    sendAll(client, upstreamDocument(1) + FormFeed);
    finish(*process, 0);
    ::close(client);
    EXPECT_EQ(lineCount(process->output()), 1u);
}

TEST_F(ListenBinary, LiveListenerIsNotTakenOver)
{
    const int live = bindSocketAt(socketPath());
    ASSERT_GE(live, 0);
    ASSERT_EQ(::listen(live, 4), 0);

    ListenProcess process(_directory, withSocket({}));
    finish(process, 1);
    EXPECT_TRUE(contains(process.errors(), "another process listens on " + socketPath())) << process.errors();
    const int client = connectWhenListening(socketPath(), std::chrono::seconds(5));
    EXPECT_GE(client, 0) << "the live listener must still be reachable";
    const int accepted = ::accept(live, nullptr, nullptr);
    EXPECT_GE(accepted, 0);
    ::close(accepted);
    ::close(client);
    ::close(live);
}

TEST_F(ListenBinary, FileThatIsNotASocketIsLeftAlone)
{
    {
        std::ofstream file(socketPath());
        file << "precious";
    }
    ListenProcess process(_directory, withSocket({}));
    finish(process, 1);
    EXPECT_TRUE(contains(process.errors(), "is not a socket")) << process.errors();
    EXPECT_EQ(readFile(socketPath()), "precious");
}

TEST_F(ListenBinary, SocketFileHasTheRequestedPermissions)
{
    for (const auto& [arguments, expected] : std::vector<std::pair<std::vector<std::string>, mode_t>>{
             {{}, 0660}, {{"--mode", "0600"}, 0600}, {{"--mode=666"}, 0666}})
    {
        ListenProcess process(_directory, withSocket(arguments));
        const int client = connectWhenListening(socketPath());
        ASSERT_GE(client, 0) << process.errors();
        struct stat status;
        ASSERT_EQ(::lstat(socketPath().c_str(), &status), 0);
        EXPECT_EQ(status.st_mode & 07777, expected) << (arguments.empty() ? "default" : arguments.back());
        process.signal(SIGTERM);
        finish(process, 0);
        ::close(client);
    }
}

TEST_F(ListenBinary, ReaderOfStandardOutputGoingAwayEndsTheToolWithoutSigpipe)
{
    int pipeFds[2];
    ASSERT_EQ(::pipe2(pipeFds, O_CLOEXEC), 0);
    ::close(pipeFds[0]); // nobody will ever read
    ListenProcess process(_directory, withSocket({"--format", "json"}), pipeFds[1]);
    ::close(pipeFds[1]);
    const int client = connectWhenListening(socketPath());
    ASSERT_GE(client, 0) << process.errors();
    sendAll(client, upstreamDocument(1) + FormFeed);
    finish(process, 0);
    ::close(client);
    EXPECT_FALSE(WIFSIGNALED(process.rawStatus()));
    EXPECT_FALSE(isSocket(socketPath()));
}

TEST_F(ListenBinary, BadCommandLineEndsWithStatusTwoAndHelpWithZero)
{
    {
        ListenProcess process(_directory, {"--count", "zero"});
        finish(process, 2);
        EXPECT_TRUE(contains(process.errors(), "--count")) << process.errors();
    }
    {
        ListenProcess process(_directory, {"--help"});
        finish(process, 0);
        EXPECT_EQ(process.output().rfind("Usage: lorawan-listen", 0), 0u) << process.output();
    }
}

TEST_F(ListenBinary, SocketPathTooLongForAnAddressIsRefused)
{
    ListenProcess process(_directory, {"--socket", "/tmp/" + std::string(120, 'p')});
    finish(process, 1);
    EXPECT_TRUE(contains(process.errors(), "does not fit")) << process.errors();
}

TEST_F(ListenBinary, StopSignalEndsTheToolEvenWhenStandardOutputIsStalled)
{
    int pipeFds[2];
    ASSERT_EQ(::pipe2(pipeFds, O_CLOEXEC), 0);
    ListenProcess process(_directory, withSocket({"--format", "json"}), pipeFds[1]);
    ::close(pipeFds[1]);
    const int client = connectWhenListening(socketPath());
    ASSERT_GE(client, 0) << process.errors();
    // More than the pipe and the tool's buffer hold; nobody reads the pipe.
    // Sent without blocking: once the tool stalls, the socket fills too.
    const std::string frame = upstreamDocument(1) + FormFeed;
    std::string frames;
    for (int count = 0; count < 2000; ++count)
    {
        frames += frame;
    }
    std::size_t sent = 0;
    waitUntil(
        [&]()
        {
            const ssize_t count =
                ::send(client, frames.data() + sent, frames.size() - sent, MSG_DONTWAIT | MSG_NOSIGNAL);
            sent += count > 0 ? static_cast<std::size_t>(count) : 0;
            return sent == frames.size() || (count < 0 && errno != EAGAIN && errno != EINTR);
        },
        std::chrono::seconds(2));
    ASSERT_TRUE(waitUntil(
        [&]()
        {
            int queued = 0;
            return ::ioctl(pipeFds[0], FIONREAD, &queued) == 0 && queued >= 60000;
        }))
        << "the pipe never filled";
    process.signal(SIGTERM);
    finish(process, 0);
    ::close(client);
    ::close(pipeFds[0]);
    EXPECT_FALSE(isSocket(socketPath()));
}
