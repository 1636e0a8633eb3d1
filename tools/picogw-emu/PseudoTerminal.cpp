//
// PseudoTerminal.cpp
//
// Implementation of the PseudoTerminal class.
//

#include "tools/picogw-emu/PseudoTerminal.h"

#include <Poco/Exception.h>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace PicoGwEmu
{

PseudoTerminal::PseudoTerminal() : _master(posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC))
{
    if (_master < 0)
        throw Poco::SystemException("cannot open a pseudo-terminal");
    const char* name = nullptr;
    termios raw{};
    if (grantpt(_master) != 0 || unlockpt(_master) != 0 || (name = ptsname(_master)) == nullptr ||
        tcgetattr(_master, &raw) != 0)
    {
        ::close(_master);
        throw Poco::SystemException("cannot set up the pseudo-terminal");
    }
    _slavePath = name;
    // Settings made through the controlling side apply to the device side.
    cfmakeraw(&raw);
    if (tcsetattr(_master, TCSANOW, &raw) != 0)
    {
        ::close(_master);
        throw Poco::SystemException("cannot set the pseudo-terminal to raw mode");
    }
    // A device side nobody has opened yet does not report a hang-up; opening and
    // closing it once puts the pair in the state it returns to whenever the host
    // closes it, so that "no host" always looks the same.
    discardHostData();
}

PseudoTerminal::~PseudoTerminal()
{
    ::close(_master);
}

int PseudoTerminal::fd() const
{
    return _master;
}

const std::string& PseudoTerminal::slavePath() const
{
    return _slavePath;
}

bool PseudoTerminal::hostConnected() const
{
    pollfd probe{_master, POLLIN, 0};
    if (::poll(&probe, 1, 0) < 0)
        return false;
    return !(probe.revents & POLLHUP);
}

ssize_t PseudoTerminal::read(std::uint8_t* buffer, std::size_t size)
{
    const ssize_t count = ::read(_master, buffer, size);
    if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
        return 0;
    return count;
}

ssize_t PseudoTerminal::write(const std::uint8_t* data, std::size_t size)
{
    const ssize_t count = ::write(_master, data, size);
    if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
        return 0;
    return count;
}

bool PseudoTerminal::hangUp()
{
    const int slave = ::open(_slavePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slave < 0)
        return false;
    const bool hungUp = ::ioctl(slave, TIOCVHANGUP) == 0;
    ::close(slave);
    return hungUp;
}

void PseudoTerminal::discardHostData()
{
    tcflush(_master, TCIFLUSH);
    // Bytes already handed to the device side wait in its input queue for the
    // next process that opens it; only the device side can flush them.
    const int slave = ::open(_slavePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slave >= 0)
    {
        tcflush(slave, TCIFLUSH);
        ::close(slave);
    }
}

} // namespace PicoGwEmu
