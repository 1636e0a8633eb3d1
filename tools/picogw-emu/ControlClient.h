//
// ControlClient.h
//
// Definition of the ControlClient class: hands packets to a running emulator.
//

#ifndef PicoGwEmu_ControlClient_INCLUDED
#define PicoGwEmu_ControlClient_INCLUDED

#include <istream>
#include <ostream>
#include <string>

namespace PicoGwEmu
{

class ControlClient
/// A client of the control socket, for scripts: sends packet lines one at a
/// time and waits for each reply, so that a packet is known to be queued once
/// its line is answered.
{
public:
    explicit ControlClient(const std::string& path);
    /// Connects to the control socket at path.
    /// Throws Poco::IOException if no emulator listens there.

    ~ControlClient();
    /// Closes the connection.

    ControlClient(const ControlClient&) = delete;
    ControlClient& operator=(const ControlClient&) = delete;

    std::string send(const std::string& line);
    /// Sends one line and returns the emulator's reply ("OK", or "ERROR" and a
    /// reason), without line end.
    /// Throws Poco::IOException if the connection fails.

    int inject(std::istream& input, std::ostream& errors);
    /// Sends every non-blank line of input; reports each refused line on errors
    /// with its line number. Returns 0 if all were accepted, 1 otherwise.
    /// Throws Poco::IOException if the connection fails.

private:
    int _fd;
    std::string _received;
};

} // namespace PicoGwEmu

#endif // PicoGwEmu_ControlClient_INCLUDED
