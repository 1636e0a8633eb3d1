//
// FrameRecorder.cpp
//
// Implementation of the FrameRecorder class.
//

#include "FrameRecorder.h"

#include <algorithm>
#include <cstring>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace TestSupport
{

namespace
{

const char FRAME_END = '\x0C';
/// How often the serving thread looks at its flags while nothing happens.
const int POLL_INTERVAL_MS = 10;
const int LISTEN_BACKLOG = 8;
const std::size_t READ_CHUNK = 65536;

} // namespace

FrameRecorder::FrameRecorder(const std::string& path)
    : _path(path), _listenFd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)), _stop(false), _stalled(false),
      _drop(false), _open(false), _frames(0)
{
    struct sockaddr_un address;
    std::memset(&address, 0, sizeof(address));
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
    ::unlink(path.c_str());
    if (_listenFd < 0 ||
        ::bind(_listenFd, reinterpret_cast<struct sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(_listenFd, LISTEN_BACKLOG) != 0)
        throw std::runtime_error("cannot listen at " + path + ": " + std::strerror(errno));
    _thread = std::thread([this] { serve(); });
}

FrameRecorder::~FrameRecorder()
{
    _stop = true;
    _thread.join();
    ::close(_listenFd);
    ::unlink(_path.c_str());
}

void FrameRecorder::stall(bool stalled)
{
    _stalled = stalled;
}

void FrameRecorder::dropConnection()
{
    _drop = true;
}

std::size_t FrameRecorder::frameCount() const
{
    return _frames;
}

std::size_t FrameRecorder::connectionCount() const
{
    std::lock_guard<std::mutex> lock(_mutex);
    return _connections.size();
}

bool FrameRecorder::connectionOpen() const
{
    return _open;
}

std::vector<std::string> FrameRecorder::connections() const
{
    std::lock_guard<std::mutex> lock(_mutex);
    return _connections;
}

bool FrameRecorder::waitReadable(int fd) const
{
    struct pollfd waiting = {fd, POLLIN, 0};
    return ::poll(&waiting, 1, POLL_INTERVAL_MS) == 1;
}

void FrameRecorder::serve()
{
    while (!_stop)
    {
        if (!waitReadable(_listenFd))
            continue;
        const int fd = ::accept4(_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        _open = true;
        _drop = false;
        {
            std::lock_guard<std::mutex> lock(_mutex);
            _connections.emplace_back();
        }
        readFrom(fd);
        ::close(fd);
        _open = false;
    }
}

void FrameRecorder::readFrom(int fd)
{
    char buffer[READ_CHUNK];
    while (!_stop && !_drop)
    {
        if (_stalled)
        {
            ::usleep(POLL_INTERVAL_MS * 1000);
            continue;
        }
        if (!waitReadable(fd))
            continue;
        const ssize_t got = ::read(fd, buffer, sizeof(buffer));
        if (got <= 0)
            return; // the sender closed the connection
        const std::size_t ends = static_cast<std::size_t>(std::count(buffer, buffer + got, FRAME_END));
        {
            std::lock_guard<std::mutex> lock(_mutex);
            _connections.back().append(buffer, static_cast<std::size_t>(got));
        }
        _frames += ends;
    }
}

} // namespace TestSupport
