//
// Mcu.h
//
// Definition of the Mcu class: the picoGW board's USB MCU answering the host's
// commands.
//

#ifndef PicoGwEmu_Mcu_INCLUDED
#define PicoGwEmu_Mcu_INCLUDED

#include "tools/picogw-emu/Answer.h"
#include "tools/picogw-emu/Packet.h"
#include "tools/picogw-emu/Request.h"
#include "tools/picogw-emu/Sx1301.h"

#include <deque>

namespace PicoGwEmu
{

class Mcu
/// Executes one host command at a time against the emulated SX1301 and returns
/// the answer: the firmware check, register reads and writes (single and burst),
/// the configuration commands, receive (handing over queued packets once the
/// concentrator has started), the trigger counter and the MCU reset. Transmit
/// and bootloader requests are refused: this board only receives.
{
public:
    explicit Mcu(std::deque<Packet>& packets);
    /// Creates the MCU in its power-on state; received packets are taken from
    /// the front of packets, which must outlive the MCU.

    Answer handle(const Request& request);
    /// Executes the command and returns its answer. A command with data of the
    /// wrong size, an address out of range or a burst running past the end of a
    /// page is refused (ACK_KO) without effect.

    void powerOn();
    /// Back to the state after power-up, as when the board is plugged in again:
    /// chip registers and radio configuration reset, concentrator stopped. The
    /// packet queue is kept.

    const Sx1301& chip() const;
    /// Returns the emulated concentrator chip.

private:
    Answer checkFirmware(const Request& request);
    Answer readRegister(const Request& request);
    Answer writeRegister(const Request& request);
    Answer readBurst(const Request& request);
    Answer writeBurst(const Request& request);
    Answer configureRadio(const Request& request);
    Answer receive(const Request& request);
    Answer triggerCounter(const Request& request);
    Answer resetMcu(const Request& request);
    Answer acceptSized(const Request& request, std::size_t size);

    std::deque<Packet>& _packets;
    Sx1301 _chip;
};

} // namespace PicoGwEmu

#endif // PicoGwEmu_Mcu_INCLUDED
