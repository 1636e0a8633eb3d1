//
// ControlServer.cpp
//
// Implementation of the ControlServer class.
//

#include "tools/picogw-emu/ControlServer.h"

#include "tools/picogw-emu/Constants.h"

#include <Poco/Exception.h>
#include <Poco/Format.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace PicoGwEmu
{

namespace
{

constexpr int LISTEN_BACKLOG = 8;
constexpr std::size_t READ_CHUNK = 4096;

} // namespace

ControlServer::ControlServer(const std::string& path) : _path(path), _listener(-1)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof(address.sun_path))
        throw Poco::IOException("control socket path is empty or too long", path);
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);

    struct stat status
    {
    };
    if (::lstat(path.c_str(), &status) == 0)
    {
        if (!S_ISSOCK(status.st_mode))
            throw Poco::FileExistsException("refusing to replace what is not a socket", path);
        ::unlink(path.c_str());
    }

    _listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (_listener < 0)
        throw Poco::IOException("cannot create the control socket", path);
    if (::bind(_listener, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(_listener, LISTEN_BACKLOG) != 0)
    {
        const std::string reason = std::strerror(errno);
        ::close(_listener);
        throw Poco::IOException(Poco::format("cannot listen on the control socket: %s", reason), path);
    }
}

ControlServer::~ControlServer()
{
    for (const Client& client : _clients)
        ::close(client.fd);
    ::close(_listener);
    ::unlink(_path.c_str());
}

const std::string& ControlServer::path() const
{
    return _path;
}

void ControlServer::appendPollFds(std::vector<pollfd>& fds) const
{
    fds.push_back(pollfd{_listener, POLLIN, 0});
    for (const Client& client : _clients)
        fds.push_back(pollfd{client.fd, POLLIN, 0});
}

void ControlServer::service(const std::vector<pollfd>& fds, const LineHandler& handler)
{
    for (const pollfd& ready : fds)
    {
        if (ready.revents == 0)
            continue;
        if (ready.fd == _listener)
        {
            accept();
            continue;
        }
        auto client = std::find_if(_clients.begin(), _clients.end(),
                                   [&ready](const Client& candidate) { return candidate.fd == ready.fd; });
        if (client != _clients.end() && !readClient(*client, handler))
        {
            ::close(client->fd);
            _clients.erase(client);
        }
    }
}

void ControlServer::accept()
{
    for (;;)
    {
        const int fd = ::accept4(_listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0)
            return;
        _clients.push_back(Client{fd, std::string()});
    }
}

bool ControlServer::readClient(Client& client, const LineHandler& handler)
{
    char buffer[READ_CHUNK];
    for (;;)
    {
        const ssize_t count = ::read(client.fd, buffer, sizeof(buffer));
        if (count < 0)
            return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
        if (count == 0)
        {
            if (!client.pending.empty())
                reply(client, handler(client.pending));
            return false;
        }
        client.pending.append(buffer, static_cast<std::size_t>(count));
        std::size_t end;
        while ((end = client.pending.find('\n')) != std::string::npos)
        {
            const std::string line = client.pending.substr(0, end);
            client.pending.erase(0, end + 1);
            reply(client, handler(line));
        }
        if (client.pending.size() > MAX_CONTROL_LINE)
        {
            reply(client, "ERROR line too long");
            return false;
        }
    }
}

void ControlServer::reply(const Client& client, const std::string& text)
{
    const std::string line = text + "\n";
    // Best effort: a client that does not read its replies loses them.
    (void)::send(client.fd, line.data(), line.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
}

} // namespace PicoGwEmu
