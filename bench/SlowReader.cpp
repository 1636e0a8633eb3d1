//
// SlowReader.cpp
//
// A consumer that reads slowly: it listens on the service's socket, accepts
// one connection after another, and takes one frame at a time, FRAMES a
// second, each to its form feed and not a byte further, so that the kernel
// holds the rest for the sender. After SECONDS it reads what comes as fast as
// it can, until the sender closes. Writes every frame it read, without its
// form feed, as one line to standard output.
//
// Usage: slow_reader SOCKET FRAMES SECONDS
//

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace
{

const char FRAME_END = '\x0C';
const int LISTEN_BACKLOG = 8;
const std::size_t PEEK_BYTES = 65536;

int listenAt(const char* path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path, sizeof address.sun_path - 1);
    ::unlink(path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, LISTEN_BACKLOG) != 0)
    {
        std::perror(path);
        std::exit(1);
    }
    return fd;
}

// Reads one frame and not a byte more; false at the end of the stream.
bool readFrame(int fd, std::string& frame)
{
    static char buffer[PEEK_BYTES];
    frame.clear();
    for (;;)
    {
        const ssize_t seen = ::recv(fd, buffer, sizeof buffer, MSG_PEEK);
        if (seen <= 0)
            return false;
        const void* pEnd = std::memchr(buffer, FRAME_END, static_cast<std::size_t>(seen));
        const std::size_t take =
            pEnd ? static_cast<const char*>(pEnd) - buffer + 1 : static_cast<std::size_t>(seen);
        const ssize_t got = ::recv(fd, buffer, take, 0);
        if (got <= 0)
            return false;
        frame.append(buffer, static_cast<std::size_t>(got));
        if (pEnd)
        {
            frame.pop_back();
            return true;
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    const double framesPerSecond = argc == 4 ? std::atof(argv[2]) : 0;
    const double seconds = argc == 4 ? std::atof(argv[3]) : 0;
    if (framesPerSecond <= 0 || seconds <= 0)
    {
        std::fputs("usage: slow_reader SOCKET FRAMES SECONDS\n", stderr);
        return 2;
    }
    const int listener = listenAt(argv[1]);
    const auto slowUntil = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    const auto pace = std::chrono::duration<double>(1 / framesPerSecond);
    std::string frame;
    for (;;)
    {
        const int connection = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0)
            return 1;
        while (readFrame(connection, frame))
        {
            std::printf("%s\n", frame.c_str());
            std::fflush(stdout);
            if (std::chrono::steady_clock::now() < slowUntil)
                std::this_thread::sleep_for(pace);
        }
        ::close(connection);
    }
}
