//
// ControlClient.cpp
//
// Implementation of the ControlClient class.
//

#include "tools/picogw-emu/ControlClient.h"

#include <Poco/Exception.h>
#include <Poco/Format.h>

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace PicoGwEmu
{

namespace
{

constexpr std::size_t READ_CHUNK = 4096;

} // namespace

ControlClient::ControlClient(const std::string& path) : _fd(-1)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof(address.sun_path))
        throw Poco::IOException("control socket path is empty or too long", path);
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);

    _fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (_fd < 0)
        throw Poco::IOException("cannot create a socket");
    if (::connect(_fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0)
    {
        const std::string reason = std::strerror(errno);
        ::close(_fd);
        throw Poco::IOException(Poco::format("cannot connect to the control socket: %s", reason), path);
    }
}

ControlClient::~ControlClient()
{
    ::close(_fd);
}

std::string ControlClient::send(const std::string& line)
{
    const std::string request = line + "\n";
    for (std::size_t sent = 0; sent < request.size();)
    {
        const ssize_t count = ::send(_fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            throw Poco::IOException("lost the control socket while sending");
        sent += static_cast<std::size_t>(count);
    }
    std::size_t end;
    while ((end = _received.find('\n')) == std::string::npos)
    {
        char buffer[READ_CHUNK];
        const ssize_t count = ::read(_fd, buffer, sizeof(buffer));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            throw Poco::IOException("lost the control socket while waiting for a reply");
        _received.append(buffer, static_cast<std::size_t>(count));
    }
    const std::string reply = _received.substr(0, end);
    _received.erase(0, end + 1);
    return reply;
}

int ControlClient::inject(std::istream& input, std::ostream& errors)
{
    int status = 0;
    std::string line;
    for (unsigned lineNumber = 1; std::getline(input, line); ++lineNumber)
    {
        if (line.find_first_not_of(" \t\r") == std::string::npos)
            continue;
        const std::string reply = send(line);
        if (reply != "OK")
        {
            errors << "picogw-emu: line " << lineNumber << ": " << reply << std::endl;
            status = 1;
        }
    }
    return status;
}

} // namespace PicoGwEmu
