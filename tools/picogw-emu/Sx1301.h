//
// Sx1301.h
//
// Definition of the Sx1301 class: the concentrator chip as the host sees it
// through its registers.
//

#ifndef PicoGwEmu_Sx1301_INCLUDED
#define PicoGwEmu_Sx1301_INCLUDED

#include "tools/picogw-emu/AgcHandshake.h"
#include "tools/picogw-emu/Constants.h"
#include "tools/picogw-emu/RegisterFile.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace PicoGwEmu
{

class Sx1301
/// The SX1301 behind the MCU: a register file with the behaviour the host's
/// start-up depends on. Writes to register 0 select the page, its top bit
/// resets the chip; the version register reads 103; the radios' read-back
/// registers show a locked PLL for every enabled radio; the MCUs' debug window
/// shows the calibration firmware's version while the arbiter MCU is held in
/// reset, the main AGC and arbiter versions once it runs; the AGC status word shows
/// the calibration result, then follows the AGC handshake. Everything else
/// stores what is written. Program memories are not modelled: bursts to data
/// ports are taken and read back as zeros.
{
public:
    Sx1301();
    /// Creates the chip in its power-on state, both radios disabled.

    void powerOn();
    /// Back to the power-on state: registers reset, radios disabled.

    void softReset();
    /// What the top bit of register 0 does: registers reset, page 0, both MCUs
    /// back in reset. The radio configuration is kept.

    void setRadioEnabled(unsigned rfChain, bool enabled);
    /// Records whether the radio of the RF chain is in use.
    /// Precondition: rfChain < RF_CHAIN_COUNT.

    bool radioEnabled(unsigned rfChain) const;
    /// Returns whether the radio of the RF chain is in use.

    std::uint8_t readRegister(std::uint8_t address);
    /// Returns the register's value in the selected page.
    /// Precondition: address < PAGE_SIZE.

    void writeRegister(std::uint8_t address, std::uint8_t value);
    /// Writes the register in the selected page, with its side effects.
    /// Precondition: address < PAGE_SIZE.

    bool readBurst(std::uint8_t address, std::size_t size, std::vector<std::uint8_t>& data);
    /// Appends size bytes read from consecutive registers starting at address
    /// (or from the data port at address) to data. Returns false, appending
    /// nothing, if the registers would run past the end of the page.

    bool writeBurst(std::uint8_t address, const std::vector<std::uint8_t>& data);
    /// Writes data to consecutive registers starting at address (or into the
    /// data port at address). Returns false, writing nothing, if the registers
    /// would run past the end of the page.

    unsigned page() const;
    /// Returns the selected register page.

    bool started() const;
    /// Returns true once the AGC firmware has completed its start-up handshake:
    /// the concentrator receives.

    static bool isDataPort(std::uint8_t address);
    /// Returns true for the addresses that stream through a memory.

private:
    bool fitsInPage(std::uint8_t address, std::size_t size) const;
    std::uint8_t agcStatus() const;
    std::uint8_t calibrationStatus() const;
    std::uint8_t radioReadback(unsigned rfChain) const;
    void onMcuControl(std::uint8_t previous, std::uint8_t value);
    bool inPage(unsigned page) const;
    bool arbiterRunning() const;

    RegisterFile _registers;
    AgcHandshake _agc;
    std::array<bool, RF_CHAIN_COUNT> _radioEnabled;
};

} // namespace PicoGwEmu

#endif // PicoGwEmu_Sx1301_INCLUDED
