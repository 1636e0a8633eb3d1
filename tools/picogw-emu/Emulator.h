//
// Emulator.h
//
// Definition of the Emulator class: the event loop joining the USB port, the
// MCU, the packet queue and the control socket.
//

#ifndef PicoGwEmu_Emulator_INCLUDED
#define PicoGwEmu_Emulator_INCLUDED

#include "tools/picogw-emu/FrameDecoder.h"
#include "tools/picogw-emu/Log.h"
#include "tools/picogw-emu/Mcu.h"
#include "tools/picogw-emu/Packet.h"

#include <deque>
#include <ostream>
#include <string>
#include <vector>

namespace PicoGwEmu
{

class ControlServer;
class SignalWatch;
class UsbPort;

class Emulator
/// Serves one host at a time on the pseudo-terminal until a termination
/// request: decodes its commands, answers them through the MCU, and queues the
/// packets that arrive on the control socket. When the host closes the device
/// (as it does on stop) the exchange in transit is dropped and the emulator
/// waits for the next host; the MCU state is whatever the last host left (a
/// stopping host resets it).
///
/// The control socket takes, besides packets, the faults of a real board:
///   - "mute": the MCU hangs; it keeps reading commands and answers none, for
///     this host and the next, until a replug;
///   - "unplug": the board is pulled out (see UsbPort);
///   - "replug": the board is plugged in again (pulled out first if it is in):
///     a new device at the same link, the MCU at power-up and answering.
/// Each is answered "OK", or "ERROR" and a reason when it does not apply.
{
public:
    Emulator(UsbPort& port, std::deque<Packet>& packets, ControlServer* pControl, const Log& log,
             std::ostream& devicePaths);
    /// Creates the loop on a plugged-in port. pControl may be null (no control
    /// socket). The path of every new device is written to devicePaths, one a
    /// line. All objects must outlive the emulator.

    void run(SignalWatch& signals);
    /// Serves until SIGINT or SIGTERM arrives.
    /// Throws Poco::SystemException if polling fails.

private:
    void checkHostPresence();
    void onHostData();
    void onHostClosed();
    void forgetHost();
    void reportSkipped();
    void serve(const Request& request);
    void answer(const Request& request);
    void noteStarted();
    void flushOutput();
    std::string onControlLine(const std::string& line);
    std::string queuePacket(const std::string& line);
    std::string mute();
    std::string unplug();
    std::string replug();
    static std::string describe(const Request& request, unsigned page);
    static std::string describe(const Answer& answer);

    UsbPort& _port;
    std::deque<Packet>& _packets;
    ControlServer* _pControl;
    const Log& _log;
    std::ostream& _devicePaths;
    Mcu _mcu;
    FrameDecoder _decoder;
    std::vector<std::uint8_t> _output;
    bool _hostConnected;
    bool _started;
    bool _muted;
};

} // namespace PicoGwEmu

#endif // PicoGwEmu_Emulator_INCLUDED
