//
// SystemdNotificationTest.cpp
//
// What the service tells systemd, read from a Unix datagram socket named by
// NOTIFY_SOCKET, as the service manager reads it.
//

#include "ServiceSetup.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <mutex>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

using namespace TestSupport;

namespace
{

using Clock = std::chrono::steady_clock;

/// Watchdog period handed to the service: it sends a keep-alive every 0.5 s.
const char* const WATCHDOG_PERIOD_USEC = "1000000";

class NotifySocket
/// A datagram socket bound at a path, keeping every message it receives with
/// the time it came.
{
public:
    struct Message
    {
        Clock::time_point when;
        std::string text;
        std::string serviceErr; /// The service's standard error when it came.
    };

    NotifySocket(const std::string& path, std::function<std::string()> serviceErr)
        : _path(path), _serviceErr(std::move(serviceErr)),
          _fd(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0))
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        path.copy(address.sun_path, sizeof(address.sun_path) - 1);
        if (_fd < 0 || ::bind(_fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0)
            throw std::runtime_error("cannot bind the notification socket at " + path);
        _thread = std::thread([this] { receive(); });
    }

    ~NotifySocket()
    {
        _stop = true;
        _thread.join();
        ::close(_fd);
        ::unlink(_path.c_str());
    }

    /// The messages holding the assignment line, such as "READY=1".
    std::vector<Message> with(const std::string& line) const
    {
        std::lock_guard<std::mutex> lock(_mutex);
        std::vector<Message> found;
        for (const Message& message : _messages)
            for (const std::string& part : lines(message.text))
                if (part == line)
                    found.push_back(message);
        return found;
    }

private:
    void receive()
    {
        while (!_stop)
        {
            pollfd ready{_fd, POLLIN, 0};
            if (::poll(&ready, 1, 50) <= 0)
                continue;
            char buffer[4096];
            const ssize_t length = ::recv(_fd, buffer, sizeof(buffer), 0);
            if (length <= 0)
                continue;
            Message message{Clock::now(), std::string(buffer, static_cast<std::size_t>(length)),
                            _serviceErr()};
            std::lock_guard<std::mutex> lock(_mutex);
            _messages.push_back(std::move(message));
        }
    }

    std::string _path;
    std::function<std::string()> _serviceErr;
    int _fd;
    std::atomic<bool> _stop{false};
    mutable std::mutex _mutex;
    std::vector<Message> _messages;
    std::thread _thread;
};

class SystemdNotificationTest : public ::testing::Test
{
protected:
    std::unique_ptr<ChildProcess> start()
    {
        auto pService = _setup.start({}, {{"NOTIFY_SOCKET", _socketPath},
                                          {"WATCHDOG_USEC", WATCHDOG_PERIOD_USEC},
                                          {"WATCHDOG_PID", "<unset>"}});
        _pService = pService.get();
        return pService;
    }

    std::size_t keepAlivesBetween(Clock::time_point from, Clock::time_point to) const
    {
        std::size_t count = 0;
        for (const auto& message : _notify.with("WATCHDOG=1"))
            count += message.when >= from && message.when <= to ? 1 : 0;
        return count;
    }

    FixedPathsLock _lock;
    ServiceSetup _setup;
    TempDir _dir;
    std::string _socketPath = _dir.file("notify");
    ChildProcess* _pService = nullptr;
    NotifySocket _notify{_socketPath, [this] { return _pService ? _pService->err() : std::string(); }};
};

TEST_F(SystemdNotificationTest, ServiceIsReadyAfterTheStartKeepsAliveAndSaysWhenItStops)
{
    _setup.writeScenario("{\"batches\": [[" + packetJson(868100000, 0, "40") + "," +
                         packetJson(868300000, 2, "41") + "]]}");
    ConsumerSocket consumer("/dev/shm/LoRaWANGatewayUnixSocket");
    auto pService = start();
    ASSERT_TRUE(waitFor([&] { return !_notify.with("READY=1").empty(); }));
    const auto ready = _notify.with("READY=1");
    ASSERT_EQ(1u, ready.size());
    EXPECT_NE(std::string::npos, ready[0].serviceErr.find("INFO: concentrator started"))
        << "READY=1 before the concentrator started";
    ASSERT_FALSE(_notify.with("STATUS=starting the concentrator").empty());
    EXPECT_LT(_notify.with("STATUS=starting the concentrator")[0].when, ready[0].when);

    ASSERT_TRUE(consumer.accept());
    EXPECT_EQ(2u, consumer.readFrames(2).size());
    ASSERT_TRUE(waitFor(
        [&] { return !_notify.with("STATUS=receiving, 2 packets forwarded, last 1 s ago").empty(); }));

    const Clock::time_point from = Clock::now();
    std::this_thread::sleep_for(Milliseconds(3000));
    // One every 0.5 s: 6, give or take what a loaded machine does to the pace.
    const std::size_t keepAlives = keepAlivesBetween(from, Clock::now());
    EXPECT_GE(keepAlives, 4u);
    EXPECT_LE(keepAlives, 8u);
    EXPECT_TRUE(_notify.with("STOPPING=1").empty());

    pService->signal(SIGTERM);
    ASSERT_TRUE(pService->waitForExit());
    EXPECT_EQ(0, pService->exitStatus());
    const auto stopping = _notify.with("STOPPING=1");
    ASSERT_EQ(1u, stopping.size());
    EXPECT_EQ("STOPPING=1\nSTATUS=shutting down", stopping[0].text);
}

TEST_F(SystemdNotificationTest, KeepAlivesEndOnceACallIsPastItsDeadline)
{
    _setup.writeScenario(R"({"stall_after_ms": 1000, "record": ")" + _setup.recordPath() + "\"}");
    auto pService = start();
    ASSERT_TRUE(
        waitFor([&] { return readFile(_setup.recordPath()).find("\"hung\":true") != std::string::npos; }));
    const Clock::time_point hung = Clock::now();
    ASSERT_TRUE(pService->waitForExit());
    EXPECT_EQ(75, pService->exitStatus());

    // Still alive while the call is within its deadline of 5 s...
    EXPECT_GE(keepAlivesBetween(hung, hung + std::chrono::seconds(5)), 7u);
    // ...and none after it: the last one came before the deadline ran out.
    const auto keepAlives = _notify.with("WATCHDOG=1");
    ASSERT_FALSE(keepAlives.empty());
    EXPECT_LT(keepAlives.back().when, hung + std::chrono::milliseconds(5100));
    EXPECT_TRUE(_notify.with("STOPPING=1").empty());
}

} // namespace
