//
// ListenProcess.cpp
//
// Implementation of the ListenProcess class and the test helpers.
//

#include "ListenProcess.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace LoRaWANListenTest
{

namespace
{

constexpr std::chrono::milliseconds PollStep{10};

int openForWriting(const std::string& path)
{
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
}

} // namespace

TemporaryDirectory::TemporaryDirectory()
{
    char pattern[] = "/tmp/lorawan-listen-test-XXXXXX";
    const char* created = ::mkdtemp(pattern);
    if (created == nullptr)
    {
        throw std::runtime_error("cannot create a temporary directory");
    }
    _path = created;
}

TemporaryDirectory::~TemporaryDirectory()
{
    const std::string command = "rm -rf '" + _path + "'";
    const int ignored = std::system(command.c_str());
    (void)ignored;
}

std::string TemporaryDirectory::file(const std::string& name) const
{
    return _path + "/" + name;
}

ListenProcess::ListenProcess(const TemporaryDirectory& directory, const std::vector<std::string>& arguments,
                             int standardOutput)
    : _pid(-1), _status(-1), _outputPath(directory.file("stdout")), _errorPath(directory.file("stderr"))
{
    const std::string binary = std::string(LORAWAN_BIN_DIR) + "/lorawan-listen";
    std::vector<std::string> words = {binary};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words)
    {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    const int outputFd = standardOutput >= 0 ? standardOutput : openForWriting(_outputPath);
    const int errorFd = openForWriting(_errorPath);
    const int inputFd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    _pid = ::fork();
    if (_pid == 0)
    {
        ::dup2(inputFd, STDIN_FILENO);
        ::dup2(outputFd, STDOUT_FILENO);
        ::dup2(errorFd, STDERR_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    if (standardOutput < 0)
    {
        ::close(outputFd);
    }
    ::close(errorFd);
    ::close(inputFd);
    if (_pid < 0)
    {
        throw std::runtime_error("cannot start lorawan-listen");
    }
}

ListenProcess::~ListenProcess()
{
    if (_pid > 0 && _status == -1)
    {
        ::kill(_pid, SIGKILL);
        ::waitpid(_pid, &_status, 0);
    }
}

void ListenProcess::signal(int signalNumber)
{
    ::kill(_pid, signalNumber);
}

bool ListenProcess::waitForExit(std::chrono::milliseconds patience)
{
    return waitUntil(
        [this]()
        {
            if (_status != -1)
            {
                return true;
            }
            int status = 0;
            if (::waitpid(_pid, &status, WNOHANG) == _pid)
            {
                _status = status;
                return true;
            }
            return false;
        },
        patience);
}

bool ListenProcess::exitedWith(int status) const
{
    return _status != -1 && WIFEXITED(_status) && WEXITSTATUS(_status) == status;
}

int ListenProcess::rawStatus() const
{
    return _status;
}

std::string ListenProcess::output() const
{
    return readFile(_outputPath);
}

std::string ListenProcess::errors() const
{
    return readFile(_errorPath);
}

int connectWhenListening(const std::string& path, std::chrono::milliseconds patience)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    int connected = -1;
    waitUntil(
        [&]()
        {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
            if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
            {
                connected = fd;
                return true;
            }
            ::close(fd);
            return false;
        },
        patience);
    return connected;
}

void sendAll(int fd, const std::string& bytes)
{
    std::size_t sent = 0;
    while (sent < bytes.size())
    {
        const ssize_t count = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (count < 0 && errno == EINTR)
        {
            continue;
        }
        ASSERT_GT(count, 0) << std::strerror(errno);
        sent += static_cast<std::size_t>(count);
    }
}

bool waitForPeerClose(int fd, std::chrono::milliseconds patience)
{
    timeval timeout{};
    timeout.tv_sec = static_cast<time_t>(std::chrono::duration_cast<std::chrono::seconds>(patience).count());
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    char buffer[256];
    for (;;)
    {
        const ssize_t count = ::recv(fd, buffer, sizeof buffer, 0);
        if (count == 0 || (count < 0 && errno == ECONNRESET))
        {
            return true;
        }
        if (count < 0 && errno != EINTR)
        {
            return false;
        }
    }
}

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds patience)
{
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (!condition())
    {
        if (std::chrono::steady_clock::now() >= deadline)
        {
            return false;
        }
        std::this_thread::sleep_for(PollStep);
    }
    return true;
}

std::string readFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

int bindSocketAt(const std::string& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
    {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool isSocket(const std::string& path)
{
    struct stat status;
    return ::lstat(path.c_str(), &status) == 0 && S_ISSOCK(status.st_mode);
}

std::string upstreamDocument(std::uint32_t countUs, const std::string& payload)
{
    return R"({"type":"message_upstream","data":{"freq_hz":"868100000","if_chain":"0","status":"16","count_us":")" +
           std::to_string(countUs) +
           R"(","rf_chain":"0","modulation":"16","bandwidth":"3","datarate":"2","coderate":"1","rssi":"-57",)"
           R"("snr":"9.5","snr_min":"7.25","snr_max":"11.75","crc":"4660","size":")" +
           std::to_string(payload.size() / 2) + R"(","payload":")" + payload + R"("}})";
}

std::uint32_t monotonicMicroseconds32()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(now.tv_sec) * 1000000u +
                                      static_cast<std::uint64_t>(now.tv_nsec) / 1000u);
}

} // namespace LoRaWANListenTest
