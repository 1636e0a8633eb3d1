//
// SignalWatch.cpp
//
// Implementation of the SignalWatch class.
//

#include "tools/picogw-emu/SignalWatch.h"

#include <Poco/Exception.h>

#include <csignal>
#include <sys/signalfd.h>
#include <unistd.h>

namespace PicoGwEmu
{

SignalWatch::SignalWatch()
{
    sigset_t requests;
    sigemptyset(&requests);
    sigaddset(&requests, SIGINT);
    sigaddset(&requests, SIGTERM);
    sigprocmask(SIG_BLOCK, &requests, nullptr);
    _fd = signalfd(-1, &requests, SFD_NONBLOCK | SFD_CLOEXEC);
    if (_fd < 0)
        throw Poco::SystemException("cannot watch for termination requests");
}

SignalWatch::~SignalWatch()
{
    ::close(_fd);
}

int SignalWatch::fd() const
{
    return _fd;
}

int SignalWatch::take()
{
    signalfd_siginfo info{};
    if (::read(_fd, &info, sizeof(info)) != static_cast<ssize_t>(sizeof(info)))
        return 0;
    return static_cast<int>(info.ssi_signo);
}

} // namespace PicoGwEmu
