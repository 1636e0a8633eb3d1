//
// UnixListener.cpp
//
// Implementation of the UnixListener class.
//

#include "tools/listen/UnixListener.h"

#include "tools/listen/ListenConstants.h"

#include <Poco/Exception.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace LoRaWANListen
{

namespace
{

const mode_t ALL_PERMISSION_BITS = 0777;

std::string describeErrno(const std::string& what, int error)
{
    return what + ": " + std::strerror(error);
}

sockaddr_un addressOf(const std::string& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path || path.find('\0') != std::string::npos)
    {
        throw Poco::InvalidArgumentException("socket path \"" + path +
                                                 "\" does not fit a Unix-domain address (at most " +
                                                 std::to_string(sizeof address.sun_path - 1) + " bytes)",
                                             0);
    }
    std::memcpy(address.sun_path, path.data(), path.size());
    return address;
}

void closeQuietly(int fd)
{
    if (fd >= 0)
    {
        ::close(fd);
    }
}

} // namespace

UnixListener::UnixListener(const std::string& path, unsigned mode) : _path(path)
{
    addressOf(_path); // a path that cannot be bound is refused before anything is touched
    removeStaleSocket();
    _fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (_fd < 0)
    {
        throw Poco::IOException(describeErrno("cannot create a socket", errno), 0);
    }
    try
    {
        bindWithMode(mode);
        if (::listen(_fd, LISTEN_BACKLOG) != 0)
        {
            throw Poco::IOException(describeErrno("cannot listen on " + _path, errno), 0);
        }
    }
    catch (...)
    {
        removeOwnSocket();
        closeQuietly(_fd);
        throw;
    }
}

UnixListener::~UnixListener()
{
    closeQuietly(_fd);
    removeOwnSocket();
}

int UnixListener::fd() const
{
    return _fd;
}

int UnixListener::acceptConnection()
{
    const int connection = ::accept4(_fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (connection >= 0)
    {
        return connection;
    }
    switch (errno)
    {
        case EAGAIN:
        case EINTR:
        case ECONNABORTED:
            return -1;
        default:
            throw Poco::IOException(describeErrno("cannot accept a connection on " + _path, errno), 0);
    }
}

const std::string& UnixListener::path() const
{
    return _path;
}

void UnixListener::removeStaleSocket()
{
    struct stat status;
    if (::lstat(_path.c_str(), &status) != 0)
    {
        if (errno == ENOENT)
        {
            return;
        }
        throw Poco::IOException(describeErrno("cannot examine " + _path, errno), 0);
    }
    if (!S_ISSOCK(status.st_mode))
    {
        throw Poco::FileExistsException(_path + " exists and is not a socket; it is left alone", 0);
    }
    // A socket file outlives its listener; only a refused connection proves
    // that nobody listens there any more.
    const sockaddr_un address = addressOf(_path);
    const int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (probe < 0)
    {
        throw Poco::IOException(describeErrno("cannot create a socket", errno), 0);
    }
    const int connected = ::connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    const int connectError = errno;
    closeQuietly(probe);
    if (connected == 0 || connectError == EAGAIN)
    {
        // EAGAIN: a listener whose queue is full is a live one.
        throw Poco::FileExistsException("another process listens on " + _path + "; it is left alone", 0);
    }
    if (connectError != ECONNREFUSED)
    {
        throw Poco::IOException(describeErrno("cannot tell whether " + _path + " is in use", connectError),
                                0);
    }
    if (::unlink(_path.c_str()) != 0 && errno != ENOENT)
    {
        throw Poco::IOException(describeErrno("cannot remove the stale socket " + _path, errno), 0);
    }
}

void UnixListener::bindWithMode(unsigned mode)
{
    const sockaddr_un address = addressOf(_path);
    // The file is born with the bits the umask lets through; a umask that
    // withholds everything but mode means it never has more, not even briefly.
    const mode_t previousMask = ::umask(static_cast<mode_t>(~mode) & ALL_PERMISSION_BITS);
    const int bound = ::bind(_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    const int bindError = errno;
    ::umask(previousMask);
    if (bound != 0)
    {
        if (bindError == EADDRINUSE)
        {
            throw Poco::FileExistsException(_path + " was taken by another process meanwhile", 0);
        }
        throw Poco::IOException(describeErrno("cannot bind to " + _path, bindError), 0);
    }
    struct stat status;
    if (::lstat(_path.c_str(), &status) != 0)
    {
        throw Poco::IOException(describeErrno("cannot examine " + _path, errno), 0);
    }
    _device = status.st_dev;
    _inode = status.st_ino;
    // The umask cannot add bits: set the exact ones.
    if (::chmod(_path.c_str(), static_cast<mode_t>(mode)) != 0)
    {
        throw Poco::IOException(describeErrno("cannot set the permissions of " + _path, errno), 0);
    }
}

void UnixListener::removeOwnSocket()
{
    if (_inode == 0)
    {
        return;
    }
    struct stat status;
    if (::lstat(_path.c_str(), &status) == 0 && S_ISSOCK(status.st_mode) && status.st_dev == _device &&
        status.st_ino == _inode)
    {
        ::unlink(_path.c_str());
    }
    _inode = 0;
}

} // namespace LoRaWANListen
