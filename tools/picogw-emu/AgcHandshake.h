//
// AgcHandshake.h
//
// Definition of the AgcHandshake class: the AGC firmware's start-up dialogue.
//

#ifndef PicoGwEmu_AgcHandshake_INCLUDED
#define PicoGwEmu_AgcHandshake_INCLUDED

#include <cstdint>

namespace PicoGwEmu
{

class AgcHandshake
/// Tracks the sequence in which the host initialises the AGC firmware through
/// the radio-select register, and gives the status word the firmware shows for
/// each step. Every step is a write of AGC_CMD_WAIT followed by a value:
/// first up to 16 TX gain entries (entry i acknowledged 0x30+i) or an abort
/// (0x30), then the TX frequency range (value v acknowledged 0x30+v), then the
/// channel-select option (likewise), then the final radio-select word (0x40,
/// the firmware runs).
{
public:
    enum class Phase
    {
        Idle,        ///< firmware not started
        GainTable,   ///< taking TX gain entries
        TxFrequency, ///< taking the TX frequency range
        ChanSelect,  ///< taking the channel-select option
        RadioSelect, ///< taking the final radio-select word
        Running      ///< initialisation complete
    };

    AgcHandshake();
    /// Creates an idle handshake (status 0).

    void reset();
    /// Returns to idle, as after a chip reset.

    void start();
    /// The firmware leaves reset: status AGC_STATUS_READY, waiting for gain entries.

    void onRadioSelect(std::uint8_t value);
    /// Feeds one write of the radio-select register; ignored while idle or running.

    std::uint8_t status() const;
    /// Returns the status word the firmware shows now.

    Phase phase() const;
    /// Returns the current step.

    bool running() const;
    /// Returns true once the final step is acknowledged.

private:
    void acknowledge(std::uint8_t value);

    Phase _phase;
    bool _armed;
    unsigned _gainEntries;
    std::uint8_t _status;
};

} // namespace PicoGwEmu

#endif // PicoGwEmu_AgcHandshake_INCLUDED
