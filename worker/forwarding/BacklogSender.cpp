//
// BacklogSender.cpp
//
// Implementation of the BacklogSender class.
//

#include "worker/forwarding/BacklogSender.h"

#include "worker/forwarding/ForwardingConstants.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <linux/sockios.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace LoRaWANServer
{

namespace
{

std::string systemError(const std::string& what)
{
    return what + ": " + std::strerror(errno);
}

} // namespace

BacklogSender::BacklogSender(const std::string& socketPath) : _socketPath(socketPath) {}

BacklogSender::~BacklogSender()
{
    if (_fd >= 0)
        ::close(_fd);
}

BacklogSender::Step BacklogSender::pump(FrameBacklog& backlog, Clock::time_point now)
{
    Step step;
    if (_fd >= 0)
    {
        learnWhatWasRead(backlog, step);
        // A lost connection is one step; the next connects.
        if (!step.failure.empty())
            return step;
    }
    if (_fd < 0 && backlog.hasUnsent() && now >= _nextAttempt)
        connect(now, step);
    if (_fd >= 0)
        sendWhatFits(backlog, step);
    return step;
}

BacklogSender::Step BacklogSender::settle(FrameBacklog& backlog)
{
    Step step;
    if (_fd >= 0)
        learnWhatWasRead(backlog, step);
    return step;
}

void BacklogSender::disconnect(FrameBacklog& backlog)
{
    leave();
    backlog.rewind();
}

void BacklogSender::leave()
{
    if (_fd >= 0)
        ::close(_fd);
    _fd = -1;
    _sends.clear();
    _unread = 0;
}

void BacklogSender::learnWhatWasRead(FrameBacklog& backlog, Step& step)
{
    if (_sends.empty())
        return;
    std::size_t unread = 0;
    if (!unreadBytes(unread))
    {
        lose(backlog, systemError("cannot ask what it has read"), step);
        return;
    }
    // Only now: a peer that is still there has read what the count says.
    pollfd connection{_fd, POLLOUT, 0};
    if (::poll(&connection, 1, 0) > 0 && (connection.revents & (POLLHUP | POLLERR)) != 0)
    {
        lose(backlog, "it closed the connection", step);
        return;
    }
    // The newest sends that the count may still hold; the older ones are read.
    std::size_t unreadSends = 0;
    std::size_t counted = 0;
    for (auto send = _sends.rbegin(); send != _sends.rend() && counted < unread; ++send)
    {
        counted += send->kernelBytes;
        ++unreadSends;
    }
    std::size_t readBytes = 0;
    while (_sends.size() > unreadSends)
    {
        readBytes += _sends.front().bytes;
        _sends.pop_front();
    }
    _unread = unread;
    step.delivered += backlog.read(readBytes);
}

void BacklogSender::connect(Clock::time_point now, Step& step)
{
    // A consumer just lost may be back at once; one that cannot be reached is
    // tried again a little later.
    _nextAttempt = now + std::chrono::milliseconds(RECONNECT_INTERVAL_MS);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (_socketPath.size() >= sizeof address.sun_path)
    {
        fail("cannot connect: the path " + _socketPath + " is too long for a socket", step);
        return;
    }
    std::memcpy(address.sun_path, _socketPath.c_str(), _socketPath.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
    {
        fail(systemError("cannot make a socket"), step);
        return;
    }
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
    {
        fail(systemError("cannot connect"), step);
        ::close(fd);
        return;
    }
    _fd = fd;
    _unread = 0;
    _nextAttempt = Clock::time_point();
    step.connected = true;
}

void BacklogSender::sendWhatFits(FrameBacklog& backlog, Step& step)
{
    while (backlog.hasUnsent())
    {
        iovec pieces[FRAMES_PER_SEND];
        msghdr message{};
        message.msg_iov = pieces;
        message.msg_iovlen = static_cast<std::size_t>(backlog.unsentPieces(pieces, FRAMES_PER_SEND));
        std::size_t offered = 0;
        for (std::size_t i = 0; i < message.msg_iovlen; ++i)
            offered += pieces[i].iov_len;
        const ssize_t sent = ::sendmsg(_fd, &message, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        if (sent < 0)
        {
            lose(backlog, systemError("send failed"), step);
            return;
        }
        std::size_t unread = 0;
        if (!unreadBytes(unread))
        {
            lose(backlog, systemError("cannot ask what it has read"), step);
            return;
        }
        const std::size_t bytes = static_cast<std::size_t>(sent);
        // A send the peer began to read meanwhile measures less, never more.
        const std::size_t grown = unread > _unread ? unread - _unread : 0;
        _sends.push_back(Send{bytes, std::max(grown, bytes)});
        _unread = unread;
        step.resent += backlog.sent(bytes);
        if (bytes < offered)
            return; // the socket is full; the rest of the frame goes first next time
    }
}

void BacklogSender::lose(FrameBacklog& backlog, const std::string& how, Step& step)
{
    disconnect(backlog);
    fail(how, step);
}

void BacklogSender::fail(const std::string& how, Step& step)
{
    // The first failure of a step says how the consumer was lost.
    if (step.failure.empty())
        step.failure = how;
}

bool BacklogSender::unreadBytes(std::size_t& bytes) const
{
    int unread = 0;
    if (::ioctl(_fd, SIOCOUTQ, &unread) != 0 || unread < 0)
        return false;
    bytes = static_cast<std::size_t>(unread);
    return true;
}

} // namespace LoRaWANServer
