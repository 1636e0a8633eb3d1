//
// SignalWatch.h
//
// Definition of the SignalWatch class: termination requests as a pollable
// descriptor.
//

#ifndef PicoGwEmu_SignalWatch_INCLUDED
#define PicoGwEmu_SignalWatch_INCLUDED

namespace PicoGwEmu
{

class SignalWatch
/// Turns SIGINT and SIGTERM into readable events on a descriptor, so that the
/// event loop ends cleanly (links and sockets removed) instead of the process
/// dying in the middle of an exchange.
{
public:
    SignalWatch();
    /// Blocks SIGINT and SIGTERM for the process and opens the descriptor.
    /// Throws Poco::SystemException if the descriptor cannot be created.

    ~SignalWatch();
    /// Closes the descriptor. The signals stay blocked: a second request arriving
    /// during the shutdown must not kill the process before it has cleaned up.

    SignalWatch(const SignalWatch&) = delete;
    SignalWatch& operator=(const SignalWatch&) = delete;

    int fd() const;
    /// Returns the descriptor that becomes readable on a termination request.

    int take();
    /// Reads one pending request and returns its signal number (0 if none).

private:
    int _fd;
};

} // namespace PicoGwEmu

#endif // PicoGwEmu_SignalWatch_INCLUDED
