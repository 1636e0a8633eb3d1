//
// ListenBinaryTest.cpp
//
// Black-box tests of the lorawan-listen binary: a real socket under a
// temporary path, real clients, real signals and the exit statuses.
//

#include "PseudoTerminal.h"
#include "TestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

using ::testing::HasSubstr;
using TestSupport::ChildProcess;
using TestSupport::waitFor;

namespace
{

const std::string FormFeed = "\f";

sockaddr_un addressOf(const std::string& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    return address;
}

// Connects as soon as something listens at path; -1 if nothing did in time.
int connectWhenListening(const std::string& path, TestSupport::Milliseconds patience = TestSupport::PATIENCE)
{
    const sockaddr_un address = addressOf(path);
    int connected = -1;
    waitFor(
        [&]
        {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
            if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
                connected = fd;
            else
                ::close(fd);
            return connected >= 0;
        },
        patience);
    return connected;
}

// A socket bound at path (its file created), not yet listening; -1 on failure.
int bindSocketAt(const std::string& path)
{
    const sockaddr_un address = addressOf(path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
        return fd;
    ::close(fd);
    return -1;
}

void sendAll(int fd, const std::string& bytes)
{
    for (std::size_t sent = 0; sent < bytes.size();)
    {
        const ssize_t count = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (count < 0 && errno == EINTR)
            continue;
        ASSERT_GT(count, 0) << std::strerror(errno);
        sent += static_cast<std::size_t>(count);
    }
}

// Reads and discards until the peer has closed the connection.
bool waitForPeerClose(int fd)
{
    timeval timeout{std::chrono::duration_cast<std::chrono::seconds>(TestSupport::PATIENCE).count(), 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    char buffer[256];
    for (;;)
    {
        const ssize_t count = ::recv(fd, buffer, sizeof buffer, 0);
        if (count == 0 || (count < 0 && errno == ECONNRESET))
            return true;
        if (count < 0 && errno != EINTR)
            return false;
    }
}

bool isSocket(const std::string& path)
{
    struct stat status;
    return ::lstat(path.c_str(), &status) == 0 && S_ISSOCK(status.st_mode);
}

// A document as the service writes it.
std::string upstreamDocument(std::uint32_t countUs, const std::string& payload = "40123456")
{
    return R"({"type":"message_upstream","data":{"freq_hz":"868100000","if_chain":"0","status":"16","count_us":")" +
           std::to_string(countUs) +
           R"(","rf_chain":"0","modulation":"16","bandwidth":"3","datarate":"2","coderate":"1","rssi":"-57",)"
           R"("snr":"9.5","snr_min":"7.25","snr_max":"11.75","crc":"4660","size":")" +
           std::to_string(payload.size() / 2) + R"(","payload":")" + payload + R"("}})";
}

// The low 32 bits of CLOCK_MONOTONIC (steady_clock here) in microseconds, as
// the simulated concentrator stamps count_us.
std::uint32_t monotonicMicroseconds32()
{
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::microseconds>(now).count());
}

std::size_t lineCount(const std::string& text)
{
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

class ListenBinary : public ::testing::Test
{
protected:
    std::string socketPath() const { return _directory.file("listen.sock"); }

    // Starts the tool on socketPath() (unless the arguments name a socket).
    std::unique_ptr<ChildProcess> start(std::vector<std::string> arguments, int standardOutput = -1) const
    {
        if (std::find(arguments.begin(), arguments.end(), "--socket") == arguments.end())
            arguments.insert(arguments.begin(), {"--socket", socketPath()});
        return std::make_unique<ChildProcess>(TestSupport::binaryPath("lorawan-listen"), arguments,
                                              std::map<std::string, std::string>{}, "", -1, standardOutput);
    }

    // Starts the tool as _pTool and connects a client to it.
    int startAndConnect(const std::vector<std::string>& arguments, int standardOutput = -1)
    {
        _pTool = start(arguments, standardOutput);
        const int client = connectWhenListening(socketPath());
        EXPECT_GE(client, 0) << "nothing listened on " << socketPath() << "\n" << _pTool->err();
        return client;
    }

    void finish(int expectedStatus) const
    {
        ASSERT_TRUE(_pTool->waitForExit()) << "still running\n" << _pTool->err();
        EXPECT_EQ(_pTool->exitStatus(), expectedStatus) << _pTool->err();
    }

    TestSupport::TempDir _directory;
    std::unique_ptr<ChildProcess> _pTool;
};

} // namespace

TEST_F(ListenBinary, DocumentsSentInPiecesArePrintedUnchangedOnePerLine)
{
    const int client = startAndConnect({"--count", "3"});
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
    finish(0);
    ::close(client);
    EXPECT_EQ(_pTool->out(), first + "\n" + second + "\n" + third + "\n");
    EXPECT_EQ(_pTool->err(), "");
}

TEST_F(ListenBinary, InvalidFrameIsReportedWithItsOffsetCountedAndSkipped)
{
    const int client = startAndConnect({"--count", "4", "--stats"});
    const std::string good = upstreamDocument(7);
    sendAll(client, good + FormFeed + "{\"type\":\"message_upstream\"" + FormFeed + "[1,2]" + FormFeed +
                        good + FormFeed);
    finish(0);
    ::close(client);
    EXPECT_EQ(_pTool->out(), good + "\n" + good + "\n");
    const std::string errors = _pTool->err();
    EXPECT_THAT(errors, HasSubstr("connection 1, byte offset " + std::to_string(good.size() + 1) +
                                  ": invalid frame of 26 bytes (not valid JSON"));
    EXPECT_THAT(errors, HasSubstr("byte offset " + std::to_string(good.size() + 28) +
                                  ": invalid frame of 5 bytes (not a JSON object), beginning \"[1,2]\""));
    EXPECT_THAT(errors, HasSubstr("frames: 4 (2 valid, 2 invalid)"));
}

// More packets than a terminal's default height: a file still gets one header.
TEST_F(ListenBinary, TableFormatShowsAHeaderAndOneLinePerPacket)
{
    const int client = startAndConnect({"--count", "30", "--format", "table"});
    for (int packet = 0; packet < 30; ++packet)
        sendAll(client, upstreamDocument(1, "40C325022680BF03027A2A9402189674EF834E23F7CB6196") + FormFeed);
    finish(0);
    ::close(client);
    const std::string output = _pTool->out();
    ASSERT_EQ(lineCount(output), 31u) << output;
    EXPECT_EQ(output.rfind("TIME ", 0), 0u) << output;
    EXPECT_EQ(output.find("TIME ", 1), std::string::npos) << output;
    EXPECT_THAT(output, HasSubstr(" 868.100   0  0 LoRa SF7 BW125   4/5    -57    9.5 ok          24 "
                                  "UnconfUp DevAddr 260225C3 FCnt 959 FPort 2\n"));
}

TEST_F(ListenBinary, OnATerminalTheTableIsTheDefaultAndItsHeaderComesAgainEveryScreenful)
{
    PseudoTerminal terminal(5);
    const int client = startAndConnect({"--count", "9"}, terminal.slave());
    for (int packet = 0; packet < 9; ++packet)
        sendAll(client, upstreamDocument(1) + FormFeed);
    finish(0);
    ::close(client);
    // One letter a line: H for the header, p for a packet.
    std::string shape;
    const std::string output = terminal.written();
    for (std::size_t start = 0; start < output.size(); start = output.find('\n', start) + 1)
        shape += output.compare(start, 5, "TIME ") == 0 ? 'H' : 'p';
    EXPECT_EQ(shape, "HppppHppppHp") << output;
}

TEST_F(ListenBinary, TimeoutEndsWithStatusThreeWithOrWithoutAConnection)
{
    _pTool = start({"--timeout", "0.3"});
    finish(3);
    const int client = startAndConnect({"--count", "5", "--timeout", "0.5", "--stats"});
    sendAll(client, upstreamDocument(1) + FormFeed + upstreamDocument(2) + FormFeed);
    finish(3);
    ::close(client);
    EXPECT_EQ(lineCount(_pTool->out()), 2u) << "frames before the time-out are still printed";
    EXPECT_THAT(_pTool->err(), HasSubstr("timed out"));
    EXPECT_THAT(_pTool->err(), HasSubstr("frames: 2 (2 valid, 0 invalid)"));
    EXPECT_FALSE(isSocket(socketPath()));
}

TEST_F(ListenBinary, ConnectionsAreServedOneAfterAnother)
{
    const int first = startAndConnect({"--count", "3", "--stats"});
    // The second client connects while the first is served; it waits its turn.
    const int second = connectWhenListening(socketPath());
    ASSERT_GE(second, 0);
    sendAll(second, upstreamDocument(3) + FormFeed);
    sendAll(first, upstreamDocument(1) + FormFeed + upstreamDocument(2) + FormFeed);
    ::close(first);
    finish(0);
    ::close(second);
    EXPECT_EQ(_pTool->out(),
              upstreamDocument(1) + "\n" + upstreamDocument(2) + "\n" + upstreamDocument(3) + "\n");
    EXPECT_THAT(_pTool->err(), HasSubstr("connections: 2;"));
}

TEST_F(ListenBinary, OversizeFrameOrConnectionEndingInsideAFrameIsReportedAndTheNextIsAccepted)
{
    const int oversize = startAndConnect({"--count", "2", "--stats"});
    sendAll(oversize, upstreamDocument(1).substr(0, 20) + std::string(70000, 'x'));
    EXPECT_TRUE(waitForPeerClose(oversize)) << "the tool must drop the connection";
    ::close(oversize);
    const std::string good = upstreamDocument(2);
    const int unfinished = connectWhenListening(socketPath());
    sendAll(unfinished, good + FormFeed + "{\"type\":");
    ::close(unfinished);
    const int last = connectWhenListening(socketPath());
    sendAll(last, good + FormFeed);
    finish(0);
    ::close(last);
    EXPECT_EQ(_pTool->out(), good + "\n" + good + "\n");
    const std::string errors = _pTool->err();
    EXPECT_THAT(errors,
                HasSubstr("connection 1, byte offset 0: frame longer than 65536 bytes without a form feed"));
    EXPECT_THAT(errors, HasSubstr("connection 2, byte offset " + std::to_string(good.size() + 1) +
                                  ": connection ended inside a frame; 8 bytes dropped"));
    EXPECT_THAT(errors, HasSubstr("oversize frames: 1;"));
}

TEST_F(ListenBinary, LatencyIsMeasuredOnlyFromCountUsStampedWithThisMachinesClock)
{
    const int client = startAndConnect({"--count", "4", "--stats"});
    for (int frame = 0; frame < 3; ++frame)
        sendAll(client, upstreamDocument(monotonicMicroseconds32()) + FormFeed);
    // Ten minutes old: an unrelated counter, not this machine's clock.
    sendAll(client, upstreamDocument(monotonicMicroseconds32() - 600000000u) + FormFeed);
    finish(0);
    ::close(client);
    EXPECT_THAT(_pTool->err(), HasSubstr("latency: p50 "));
    EXPECT_THAT(_pTool->err(), HasSubstr("(3 of 4 packets)"));
}

TEST_F(ListenBinary, SigtermAndSigintRemoveTheSocketAndExitZeroWithPeriodicStatisticsOnStandardError)
{
    const std::string line = upstreamDocument(1) + "\n";
    for (int signalNumber : {SIGTERM, SIGINT})
    {
        SCOPED_TRACE(signalNumber);
        const int client = startAndConnect({"--stats-interval", "0.1"});
        sendAll(client, upstreamDocument(1) + FormFeed);
        ASSERT_TRUE(waitFor([&] { return _pTool->out() == line; }))
            << "the line must reach a file reader while the tool waits";
        EXPECT_TRUE(_pTool->waitForErr("lorawan-listen statistics:")) << "while running";
        _pTool->signal(signalNumber);
        finish(0);
        ::close(client);
        EXPECT_EQ(_pTool->out(), line) << "statistics never go to standard output";
        EXPECT_EQ(::access(socketPath().c_str(), F_OK), -1);
    }
}

TEST_F(ListenBinary, UnusableSocketPathOrCommandLineIsRefusedAndOtherFilesAreLeftAlone)
{
    const std::string live = _directory.file("live.sock");
    const int listener = bindSocketAt(live);
    ASSERT_GE(listener, 0);
    ASSERT_EQ(::listen(listener, 4), 0);
    const std::string precious = _directory.write("file.sock", "precious");
    struct Case
    {
        std::vector<std::string> arguments;
        int status;
        std::string error;
    };
    const Case cases[] = {
        {{"--socket", live}, 1, "another process listens on " + live},
        {{"--socket", precious}, 1, "is not a socket"},
        {{"--socket", "/tmp/" + std::string(120, 'p')}, 1, "does not fit"},
        {{"--count", "zero"}, 2, "--count"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.arguments[1]);
        _pTool = start(c.arguments);
        finish(c.status);
        EXPECT_THAT(_pTool->err(), HasSubstr(c.error));
    }
    EXPECT_EQ(TestSupport::readFile(precious), "precious");
    const int client = connectWhenListening(live, std::chrono::seconds(5));
    EXPECT_GE(client, 0) << "the live listener must still be reachable";
    const int accepted = ::accept(listener, nullptr, nullptr);
    EXPECT_GE(accepted, 0);
    ::close(accepted);
    ::close(client);
    ::close(listener);

    _pTool = start({"--help"});
    finish(0);
    EXPECT_EQ(_pTool->out().rfind("Usage: lorawan-listen", 0), 0u) << _pTool->out();
    _pTool = start({"--version"});
    finish(0);
    EXPECT_EQ("lorawan-listen 1.0.0\n", _pTool->out());
}

TEST_F(ListenBinary, StaleSocketFileIsReplacedBySocketsWithTheRequestedPermissions)
{
    const int stale = bindSocketAt(socketPath());
    ASSERT_GE(stale, 0);
    ::close(stale); // the file stays; nobody listens behind it
    ASSERT_TRUE(isSocket(socketPath()));
    for (const auto& [arguments, expected] : std::vector<std::pair<std::vector<std::string>, mode_t>>{
             {{}, 0660}, {{"--mode", "0600"}, 0600}, {{"--mode=666"}, 0666}})
    {
        const int client = startAndConnect(arguments);
        ASSERT_GE(client, 0);
        struct stat status;
        ASSERT_EQ(::lstat(socketPath().c_str(), &status), 0);
        EXPECT_EQ(status.st_mode & 07777, expected) << (arguments.empty() ? "default" : arguments.back());
        _pTool->signal(SIGTERM);
        finish(0);
        ::close(client);
    }
}

TEST_F(ListenBinary, ReaderOfStandardOutputGoingAwayEndsTheToolWithoutSigpipe)
{
    int pipeFds[2];
    ASSERT_EQ(::pipe2(pipeFds, O_CLOEXEC), 0);
    ::close(pipeFds[0]); // nobody will ever read
    const int client = startAndConnect({"--format", "json"}, pipeFds[1]);
    ::close(pipeFds[1]);
    ASSERT_GE(client, 0);
    sendAll(client, upstreamDocument(1) + FormFeed);
    finish(0);
    ::close(client);
    EXPECT_FALSE(isSocket(socketPath()));
}

TEST_F(ListenBinary, StopSignalEndsTheToolEvenWhenStandardOutputIsStalled)
{
    int pipeFds[2];
    ASSERT_EQ(::pipe2(pipeFds, O_CLOEXEC), 0);
    const int client = startAndConnect({"--format", "json"}, pipeFds[1]);
    ::close(pipeFds[1]);
    ASSERT_GE(client, 0);
    // More than the pipe and the tool's buffer hold; nobody reads the pipe.
    // Sent without blocking: once the tool stalls, the socket fills too.
    std::string frames;
    for (int count = 0; count < 2000; ++count)
        frames += upstreamDocument(1) + FormFeed;
    std::size_t sent = 0;
    waitFor(
        [&]
        {
            const ssize_t count =
                ::send(client, frames.data() + sent, frames.size() - sent, MSG_DONTWAIT | MSG_NOSIGNAL);
            sent += count > 0 ? static_cast<std::size_t>(count) : 0;
            return sent == frames.size() || (count < 0 && errno != EAGAIN && errno != EINTR);
        },
        std::chrono::seconds(2));
    ASSERT_TRUE(waitFor(
        [&]
        {
            int queued = 0;
            return ::ioctl(pipeFds[0], FIONREAD, &queued) == 0 && queued >= 60000;
        }))
        << "the pipe never filled";
    _pTool->signal(SIGTERM);
    finish(0);
    ::close(client);
    ::close(pipeFds[0]);
    EXPECT_FALSE(isSocket(socketPath()));
}
