//
// Emulator.h
//
// Definition of the Emulator class: the event loop joining the pseudo-terminal,
// the MCU, the packet queue and the control socket.
//

#ifndef PicoGwEmu_Emulator_INCLUDED
#define PicoGwEmu_Emulator_INCLUDED

#include "tools/picogw-emu/FrameDecoder.h"
#include "tools/picogw-emu/Log.h"
#include "tools/picogw-emu/Mcu.h"
#include "tools/picogw-emu/Packet.h"

#include <deque>
#include <string>
#include <vector>

namespace PicoGwEmu
{

class ControlServer;
class PseudoTerminal;
class SignalWatch;

class Emulator
/// Serves one host at a time on the pseudo-terminal until a termination
/// request: decodes its commands, answers them through the MCU, and queues the
/// packets that arrive on the control socket. When the host closes the device
/// (as it does on stop) the exchange in transit is dropped and the emulator
/// waits for the next host; the MCU state is whatever the last host left (a
/// stopping host resets it).
{
public:
    Emulator(PseudoTerminal& terminal, std::deque<Packet>& packets, ControlServer* pControl, const Log& log);
    /// Creates the loop. pControl may be null (no control socket). All objects
    /// must outlive the emulator.

    void run(SignalWatch& signals);
    /// Serves until SIGINT or SIGTERM arrives.
    /// Throws Poco::SystemException if polling fails.

private:
    void checkHostPresence();
    void onHostData();
    void onHostClosed();
    void reportSkipped();
    void answer(const Request& request);
    void flushOutput();
    std::string onControlLine(const std::string& line);
    static std::string describe(const Request& request, unsigned page, const Answer& answer);

    PseudoTerminal& _terminal;
    std::deque<Packet>& _packets;
    ControlServer* _pControl;
    const Log& _log;
    Mcu _mcu;
    FrameDecoder _decoder;
    std::vector<std::uint8_t> _output;
    bool _hostConnected;
    bool _started;
};

} // namespace PicoGwEmu

#endif // PicoGwEmu_Emulator_INCLUDED
